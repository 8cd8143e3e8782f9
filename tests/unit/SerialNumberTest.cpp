#include "SerialNumber.h"

#include <gtest/gtest.h>

using namespace hx;

TEST(SerialCounter, CountsDecimallyInHexadecimalDigits) {
    struct Case {
        uint32_t from, to;
        const char* text;
    } cases[] = {
        {0x25000009, 0x25000010, "25000010"}, {0x00000019, 0x00000020, "00000020"},
        {0x00000001, 0x00000002, "00000002"}, {0x99999998, 0x99999999, "99999999"},
        {0x0000000A, 0x0000000B, "0000000B"}, {0x12999999, 0x13000000, "13000000"},
    };
    for (const auto& c : cases) {
        uint32_t next = 0;
        std::string text;
        ASSERT_TRUE(NextSerial(c.from, next, text)) << std::hex << c.from;
        EXPECT_EQ(next, c.to);
        EXPECT_EQ(text, c.text);
    }
}

TEST(SerialCounter, ACountThatLeavesTheSerialNumbersIsRefused) {
    uint32_t next = 7;
    std::string text;
    EXPECT_FALSE(NextSerial(0x0000000F, next, text)); // F is followed by G
    EXPECT_EQ(text, "0000000G");
    EXPECT_EQ(next, 7u);
    EXPECT_FALSE(NextSerial(0xFFFFFFFE, next, text)); // FFFFFFFF marks "no serial number"
    EXPECT_EQ(next, 7u);
    EXPECT_FALSE(NextSerial(0x99999999, next, text)); // 00000000 would start the count again
    EXPECT_EQ(next, 7u);
}
