// The stored preferences in an INI file: defaults, types, persistence, edited files, and a
// counter shared by programs that every read takes from the disk.
#include "QtPreferences.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

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

namespace {

std::string Read(hx::QtPreferences& prefs) {
    std::string text;
    return prefs.ReadNow("Settings", "Serial Number", text) == hx::IPreferences::Read::Present
               ? text
               : "(" + text + ")";
}

} // namespace

TEST_F(QtPreferencesTest, TheCounterIsReadFromTheDiskEvenWhenTimeAndSizeLookUnchanged) {
    // A file system that keeps times to the second: a second program's write leaves the file
    // with the same size and the same time.
    WriteFile("[Settings]\nSerial%20Number=5\n");
    namespace fs = std::filesystem;
    const fs::file_time_type before = fs::last_write_time(m_path);
    hx::QtPreferences window(m_path), other(m_path);
    ASSERT_EQ(Read(window), "5");
    other.WriteInt("Settings", "Serial Number", 6);
    ASSERT_TRUE(other.LastWriteOk());
    fs::last_write_time(m_path, before);
    EXPECT_EQ(Read(window), "6");
    // The window's own later write keeps the other program's value of every other entry.
    other.WriteString("Settings", "Serial Port", "COM3");
    fs::last_write_time(m_path, before);
    window.WriteInt("Settings", "Serial Number", 7);
    EXPECT_EQ(hx::QtPreferences(m_path).GetString("Settings", "Serial Port", ""), "COM3");
}

TEST_F(QtPreferencesTest, AStoreThatIsNotThereIsNeverStartedAgainSilently) {
    std::string why;
    // Named in a folder that does not exist (a share that is not mounted): nothing is made.
    const std::string unmounted = m_dir.path().toStdString() + "/share/line/counter.ini";
    hx::QtPreferences named(unmounted);
    EXPECT_EQ(Read(named).front(), '(');
    EXPECT_FALSE(named.Lock(100, why));
    EXPECT_NE(why.find("does not exist"), std::string::npos) << why;
    named.WriteInt("Settings", "Serial Number", 2);
    EXPECT_FALSE(named.LastWriteOk());
    EXPECT_FALSE(QDir(m_dir.path() + "/share").exists());

    // Read once, then gone.
    WriteFile("[Settings]\nSerial%20Number=9\n");
    hx::QtPreferences seen(m_path);
    ASSERT_EQ(Read(seen), "9");
    ASSERT_EQ(std::remove(m_path.c_str()), 0);
    EXPECT_NE(Read(seen).find("vanished"), std::string::npos) << Read(seen);

    // A new file in a folder that exists starts the numbers.
    hx::QtPreferences fresh(m_dir.path().toStdString() + "/new.ini");
    std::string text;
    EXPECT_EQ(fresh.ReadNow("Settings", "Serial Number", text), hx::IPreferences::Read::Absent);
}

TEST_F(QtPreferencesTest, OneFileOneLockWhateverNameReachesIt) {
#ifdef _WIN32
    GTEST_SKIP() << "symbolic and hard links of POSIX file systems";
#else
    // A link to a file not written yet takes the lock of the file it leads to.
    const std::string link = m_dir.path().toStdString() + "/link.ini";
    ASSERT_EQ(::symlink(m_path.c_str(), link.c_str()), 0);
    hx::QtPreferences byLink(link), byName(m_path);
    EXPECT_EQ(byLink.LockPath(), byName.LockPath());
    std::string why;
    ASSERT_TRUE(byLink.Lock(100, why)) << why;
    EXPECT_FALSE(byName.Lock(100, why));
    byLink.Unlock();

    // Two hard links would part into two counters at the first write: refused.
    WriteFile("[Settings]\nSerial%20Number=9\n");
    const std::string second = m_dir.path().toStdString() + "/second.ini";
    ASSERT_EQ(::link(m_path.c_str(), second.c_str()), 0);
    hx::QtPreferences hard(second);
    EXPECT_FALSE(hard.Lock(100, why));
    EXPECT_NE(why.find("hard links"), std::string::npos) << why;
#endif
}
