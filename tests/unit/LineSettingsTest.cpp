#include "LineSettings.h"

#include <gtest/gtest.h>

using namespace hx;

TEST(LineSettings, TheBoxsTextsNameItsLine) {
    LineSettings line;
    line.baud = 9600;
    line.dataBits = 7;
    line.parity = LineParity::Even;
    line.stopBits = LineStopBits::Two;
    ASSERT_TRUE(ParseLineBaudRate("115200", line.baud));
    ASSERT_TRUE(ParseLineDataBits("8", line.dataBits));
    ASSERT_TRUE(ParseLineParity("なし", line.parity));
    ASSERT_TRUE(ParseLineStopBits("1", line.stopBits));
    ASSERT_TRUE(ParseLineFlow("DTR/DSR", line.flow));
    EXPECT_EQ(line.baud, 115200u);
    EXPECT_EQ(line.dataBits, 8);
    EXPECT_EQ(line.parity, LineParity::None);
    EXPECT_EQ(line.stopBits, LineStopBits::One);
    EXPECT_EQ(line.flow, LineFlow::DtrDsr);
}

TEST(LineSettings, TextsThatNameNothingLeaveTheValue) {
    uint32_t baud = 9600;
    for (const char* text : {"", "0", "-9600", "115200 ", "1e5", "999999999"})
        EXPECT_FALSE(ParseLineBaudRate(text, baud)) << text;
    EXPECT_EQ(baud, 9600u);
    int bits = 8;
    EXPECT_FALSE(ParseLineDataBits("4", bits));
    EXPECT_FALSE(ParseLineDataBits("9", bits));
    EXPECT_FALSE(ParseLineDataBits("88", bits));
    EXPECT_EQ(bits, 8);
    LineFlow flow = LineFlow::None;
    EXPECT_FALSE(ParseLineFlow("DSR", flow));
    EXPECT_EQ(flow, LineFlow::None);
}

TEST(LineSettings, LineTimeCountsStartParityAndStopBits) {
    LineSettings line; // 115200 8N1: 10 bits a character, 11520 characters a second
    EXPECT_EQ(LineTimeMicros(11520, line), 1000000u);
    EXPECT_EQ(LineTimeMicros(1800, line), 156250u);
    EXPECT_EQ(LineTimeMicros(1, line), 87u); // 86.8 us, rounded up
    line.baud = 9600;
    line.parity = LineParity::Even;
    line.stopBits = LineStopBits::Two; // 12 bits
    EXPECT_EQ(LineTimeMicros(1, line), 1250u);
    line.parity = LineParity::None;
    line.dataBits = 5;
    line.stopBits = LineStopBits::OneAndHalf; // 7.5 bits
    EXPECT_EQ(LineTimeMicros(8, line), 6250u);
}
