// The preferences file's text as QSettings writes it: one entry found and changed, every other
// line kept.
#include "IniText.h"

#include <gtest/gtest.h>

using hx::IniValue;
using hx::IniWithValue;

TEST(IniText, AnEntryIsChangedWhereItStandsAndEverythingElseIsKept) {
    const std::string file = "; kept\r\n[General]\r\nSerial%20Number=3\r\n[Settings]\r\n"
                             "Serial%20Port=/dev/ttyUSB0\r\nSerial%20Number=620757008\r\n"
                             "Other=x\r\n";
    std::string value;
    ASSERT_TRUE(IniValue(file, "Settings", "Serial Number", value));
    EXPECT_EQ(value, "620757008");
    EXPECT_EQ(IniWithValue(file, "Settings", "Serial Number", "620757009"),
              "; kept\r\n[General]\r\nSerial%20Number=3\r\n[Settings]\r\n"
              "Serial%20Port=/dev/ttyUSB0\r\nSerial%20Number=620757009\r\nOther=x\r\n");
    // A new entry goes to the end of its section; a new section to the end of the file.
    EXPECT_EQ(IniWithValue("[Settings]\nA=1\n\n[Other]\nB=2\n", "Settings", "Serial Port", "COM3"),
              "[Settings]\nA=1\nSerial%20Port=COM3\n\n[Other]\nB=2\n");
    EXPECT_EQ(IniWithValue("", "Settings", "Serial Number", "1"),
              "[Settings]\nSerial%20Number=1\n");
    EXPECT_FALSE(IniValue("[Other]\nSerial%20Number=1\n", "Settings", "Serial Number", value));
}

TEST(IniText, ValuesComeBackAsTheyWereWrittenOrTyped) {
    const char* values[] = {"ポート, 3", " padded ", "a\\b\"c\"", "@at", "semi;colon", "1=2"};
    for (const char* v : values) {
        std::string back;
        ASSERT_TRUE(IniValue(IniWithValue("", "S", "K", v), "S", "K", back)) << v;
        EXPECT_EQ(back, v);
    }
    // As typed by hand or left by QSettings: a list stays readable, a quoted text is unquoted.
    std::string value;
    ASSERT_TRUE(
        IniValue("[Settings]\nSerial%20Number=16, 17\n", "Settings", "Serial Number", value));
    EXPECT_EQ(value, "16, 17");
    ASSERT_TRUE(
        IniValue("[Settings]\nSerial%20Port=\"COM3\" \n", "Settings", "Serial Port", value));
    EXPECT_EQ(value, "COM3");
    ASSERT_TRUE(IniValue("[Settings]\nSpaced= 42 \n", "Settings", "Spaced", value));
    EXPECT_EQ(value, "42");
}
