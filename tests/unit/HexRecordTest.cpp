#include "HexRecord.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace hx;

namespace {

std::string Record(const SettingsImage& img, uint16_t& address, int* more = nullptr) {
    char buffer[kRecordBufferSize];
    const int r = BuildRecord(img, address, buffer);
    if (more)
        *more = r;
    return buffer;
}

} // namespace

TEST(HexRecordBuild, AllZeroImageHasTheKnownChecksums) {
    SettingsImage img{};
    uint16_t address = 0;
    int more = 0;
    EXPECT_EQ(Record(img, address, &more), ":20000000" + std::string(64, '0') + "E0\r");
    EXPECT_EQ(more, 1);
    EXPECT_EQ(address, 32);
    address = 0x7E0;
    EXPECT_EQ(Record(img, address, &more),
              ":2007E000" + std::string(64, '0') + "F9\r:00000001FF\r");
    EXPECT_EQ(more, 0);
}

TEST(HexRecordBuild, LastRecordOfAllOnesAndWholeImageLength) {
    SettingsImage img{};
    img.fill(0xFF);
    uint16_t address = 0x7E0;
    const std::string last = Record(img, address);
    EXPECT_EQ(last.substr(0, 75), ":2007E000" + std::string(64, 'F') + "19");
    EXPECT_EQ(ImageToRecords(SettingsImage{}).size(), 4876u);
}

TEST(HexRecordBuild, AddressPastTheImageStartsAgainAtZero) {
    SettingsImage img{};
    uint16_t address = 0x800;
    EXPECT_EQ(Record(img, address).substr(0, 9), ":20000000");
}

TEST(HexRecordParse, EndOfFileRecords) {
    SettingsImage img{};
    EXPECT_EQ(ParseRecord(":00000001FF", HEX_STORE, img), 1);
    EXPECT_EQ(ParseRecord(":00000001FE", HEX_STORE, img), -1);
    EXPECT_EQ(ParseRecord(":00010001FE", HEX_STORE, img), 1);    // any address within the image
    EXPECT_EQ(ParseRecord(":0100000100FE", HEX_STORE, img), -1); // end of file with data
}

TEST(HexRecordParse, RefusesWhatIsNotARecordOfTheImage) {
    SettingsImage img{};
    const char* bad[] = {
        "",
        "20000000",                    // no colon
        ":",                           // ends early
        ":0200000012",                 // ends before the checksum
        ":02000000ab0052",             // lower case
        ":020000000AB038",             // checksum wrong
        ":02000004000AF0",             // type 04
        ":0207F9000102F3",             // crosses the end of the image
        ":08FFF8000102030405060708D4", // address far past the end
    };
    for (const char* text : bad)
        EXPECT_EQ(ParseRecord(text, HEX_STORE, img), -1) << text;
    EXPECT_EQ(img, SettingsImage{}) << "a faulty record never changes the image";
}

TEST(HexRecordParse, RecordEndingExactlyAtTheEndOfTheImage) {
    SettingsImage img{};
    EXPECT_EQ(ParseRecord(":0807F8000102030405060708D5", HEX_STORE, img), 0);
    EXPECT_EQ(img[0x7F8], 1);
    EXPECT_EQ(img[0x7FF], 8);
    EXPECT_EQ(ParseRecord(":0807F9000102030405060708D4", HEX_STORE, img), -1);
}

TEST(HexRecordParse, ByteCountAbove32IsRefusedEvenWithAGoodChecksum) {
    SettingsImage img{};
    std::string text = ":21000000";
    unsigned sum = 0x21;
    for (int i = 0; i < 33; ++i) {
        text += "01";
        sum += 1;
    }
    char check[3];
    std::snprintf(check, sizeof check, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
    text += check;
    EXPECT_EQ(ParseRecord(text.c_str(), HEX_STORE, img), -1);
}

TEST(HexRecordParse, CompareModeLeavesTheImageAlone) {
    SettingsImage img{};
    img[0] = 0x0A;
    img[1] = 0xB0;
    EXPECT_EQ(ParseRecord(":020000000AB044", HEX_COMPARE, img), 0);
    EXPECT_EQ(ParseRecord(":020000000AB143", HEX_COMPARE, img), -1);
    EXPECT_EQ(img[1], 0xB0);
    EXPECT_EQ(ParseRecord(":00000000", HEX_STORE, img), -1) << "no checksum";
    EXPECT_EQ(ParseRecord(":0000000000", HEX_STORE, img), 0) << "empty data record";
    EXPECT_EQ(ParseRecord(":020000000AB044 trailing text", HEX_COMPARE, img), 0);
}

TEST(HexRecordRoundTrip, EveryRecordOfARandomImageStoresBack) {
    std::mt19937 rng(5310);
    SettingsImage img{};
    for (auto& b : img)
        b = static_cast<uint8_t>(rng());
    const std::string text = ImageToRecords(img);
    SettingsImage back{};
    size_t start = 0, records = 0;
    int last = 0;
    while (start < text.size()) {
        const size_t cr = text.find('\r', start);
        last = ParseRecord(text.substr(start, cr - start).c_str(), HEX_STORE, back);
        ASSERT_GE(last, 0);
        ++records;
        start = cr + 1;
    }
    EXPECT_EQ(records, 65u);
    EXPECT_EQ(last, 1);
    EXPECT_EQ(back, img);
}
