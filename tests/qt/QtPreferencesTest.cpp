// The stored preferences in an INI file: defaults, types, persistence and edited files.
#include "platform/qt/QtPreferences.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>

namespace {

class QtPreferencesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_path = m_dir.path().toStdString() + "/HX-5310-Config.ini";
    }
    void WriteFile(const std::string& text) { std::ofstream(m_path, std::ios::binary) << text; }
    QTemporaryDir m_dir;
    std::string m_path;
};

TEST_F(QtPreferencesTest, AbsentEntriesGiveTheDefaults) {
    hx::QtPreferences prefs(m_path);
    EXPECT_EQ(prefs.GetInt("Settings", "Serial Number", 1), 1);
    EXPECT_EQ(prefs.GetString("Settings", "Serial Port", ""), "");
    EXPECT_EQ(prefs.Location(), m_path);
}

TEST_F(QtPreferencesTest, ValuesSurviveTheProgramAndKeepTheirTypes) {
    {
        hx::QtPreferences prefs(m_path);
        prefs.WriteInt("Settings", "Serial Number", 0x25000010);
        prefs.WriteString("Settings", "Serial Port", "/dev/ttyUSB0");
        prefs.WriteInt("Settings", "Negative", static_cast<int>(0x99999999u));
        prefs.WriteString("Other", "Serial Port", "ポート, 3"); // a comma and Japanese
    }
    hx::QtPreferences again(m_path);
    EXPECT_EQ(again.GetInt("Settings", "Serial Number", 1), 0x25000010);
    EXPECT_EQ(again.GetString("Settings", "Serial Port", ""), "/dev/ttyUSB0");
    EXPECT_EQ(static_cast<uint32_t>(again.GetInt("Settings", "Negative", 1)), 0x99999999u);
    EXPECT_EQ(again.GetString("Other", "Serial Port", ""), "ポート, 3");
    // Integers are stored as numbers, texts as texts, in the section's group.
    std::ifstream in(m_path);
    const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(file.find("[Settings]"), std::string::npos) << file;
    EXPECT_NE(file.find("Serial%20Number=620757008"), std::string::npos) << file;
}

TEST_F(QtPreferencesTest, EditedOrDamagedFilesFallBackToDefaults) {
    WriteFile("[Settings]\n"
              "Serial%20Number=twelve\n"
              "Big=4294967296\n"
              "Unsigned=2576980377\n"
              "Spaced= 42 \n"
              "\x01\x02garbage without equals\n");
    hx::QtPreferences prefs(m_path);
    EXPECT_EQ(prefs.GetInt("Settings", "Serial Number", 1), 1);
    EXPECT_EQ(prefs.GetInt("Settings", "Big", 7), 7);
    // A 32-bit value written unsigned by hand reads back as the same 32 bits.
    EXPECT_EQ(static_cast<uint32_t>(prefs.GetInt("Settings", "Unsigned", 0)), 0x99999999u);
    EXPECT_EQ(prefs.GetInt("Settings", "Spaced", 0), 42);

    // Such a file is still written to, and the write is reported as done.
    prefs.WriteInt("Settings", "Serial Number", 5);
    EXPECT_TRUE(prefs.LastWriteOk());
    EXPECT_EQ(hx::QtPreferences(m_path).GetInt("Settings", "Serial Number", 1), 5);

    WriteFile(std::string("\0\xff\xfe[[[", 6));
    hx::QtPreferences binary(m_path);
    EXPECT_EQ(binary.GetInt("Settings", "Serial Number", 1), 1);
    EXPECT_EQ(binary.GetString("Settings", "Serial Port", "x"), "x");
}

TEST_F(QtPreferencesTest, AWriteThatCannotReachTheStoreIsReported) {
    WriteFile("");
    // The file's folder is a file: nothing can be stored below it.
    hx::QtPreferences prefs(m_path + "/HX-5310-Config.ini");
    prefs.WriteInt("Settings", "Serial Number", 2);
    EXPECT_FALSE(prefs.LastWriteOk());
}

} // namespace
