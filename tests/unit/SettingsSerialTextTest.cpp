#include "SerialText.h"

#include <gtest/gtest.h>

namespace hx {
namespace {

TEST(SettingsSerialText, AcceptsHexadecimalUpToFFFFFFFE) {
    const std::pair<const char*, uint32_t> good[] = {
        {"0", 0},
        {"25000009", 0x25000009},
        {"abcdef", 0xABCDEF},
        {"FFFFFFFE", 0xFFFFFFFE},
        {"0000000000000000000012", 0x12}, // leading zeros add nothing
    };
    for (auto [text, value] : good) {
        uint32_t out = 7;
        EXPECT_TRUE(ParseSerialText(text, out)) << text;
        EXPECT_EQ(out, value) << text;
    }
}

TEST(SettingsSerialText, RefusesWithoutTouchingTheResult) {
    const char* bad[] = {"",     "FFFFFFFF", "100000000", "1FFFFFFFE", "FFFFFFFFFFFFFFFFFFFFF1",
                         "12G4", " 12",      "12 ",       "0x12",      "-1",
                         "+1"};
    for (const char* text : bad) {
        uint32_t out = 7;
        EXPECT_FALSE(ParseSerialText(text, out)) << text;
        EXPECT_EQ(out, 7u) << text;
    }
}

TEST(SettingsSerialText, FormatsEightUpperCaseDigits) {
    EXPECT_EQ(FormatSerialText(0xABCD), "0000ABCD");
    EXPECT_EQ(FormatSerialText(0xFFFFFFFE), "FFFFFFFE");
}

} // namespace
} // namespace hx
