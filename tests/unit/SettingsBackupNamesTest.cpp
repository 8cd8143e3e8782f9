#include "Backup.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace hx {
namespace {

std::tm At(int y, int mo, int d, int h, int mi, int s) {
    std::tm t{};
    t.tm_year = y - 1900;
    t.tm_mon = mo - 1;
    t.tm_mday = d;
    t.tm_hour = h;
    t.tm_min = mi;
    t.tm_sec = s;
    return t;
}

TEST(SettingsBackupNames, NameOfTheBoxAndTheTime) {
    EXPECT_EQ(BackupFileName(0x25000009, At(2026, 12, 7, 19, 45, 1)),
              "HX5310-25000009-20261207-194501.txt");
    EXPECT_EQ(BackupFileName(0xFFFFFFFF, At(2027, 1, 2, 3, 4, 5)),
              "HX5310-noserial-20270102-030405.txt");
    EXPECT_EQ(BackupFileName(0xAB, At(2027, 1, 2, 3, 4, 5), 2),
              "HX5310-000000AB-20270102-030405-2.txt");
}

TEST(SettingsBackupNames, OnlyBackupNamesAreRecognised) {
    std::string key;
    for (const char* good :
         {"HX5310-25000009-20261207-194501.txt", "HX5310-noserial-20261207-194501-12.txt"})
        EXPECT_TRUE(BackupSortKey(good, key)) << good;
    for (const char* bad :
         {"notes.txt", "HX5310-25000009-20261207-194501.bin", "HX5310-2500000-20261207-194501.txt",
          "HX5310-25000009-2026120-1945011.txt", "HX5310-25000009-20261207-194501-.txt",
          "HX5310-25000009-20261207-194501-x.txt", "HX5310-2500000g-20261207-194501.txt",
          "HX5310-25000009-20261207-194501.txt~"})
        EXPECT_FALSE(BackupSortKey(bad, key)) << bad;
}

TEST(SettingsBackupNames, TheOldestByFileTimeGoAndTheNewOneStays) {
    constexpr int64_t s = 1000000000; // ns
    const int64_t now = 2000 * s;
    const std::vector<FolderEntry> files = {
        {"HX5310-00000001-20300101-000000.txt", 1500 * s}, // named in the future, written before
        {"HX5310-FFFFFFFE-20200101-000000.txt", 1000 * s}, // oldest by time
        {"notes.txt", 1 * s},                              // not a backup
        {"HX5310-noserial-20260102-000000.txt", 1900 * s},
        {"HX5310-00000002-20260102-000000-10.txt", 1900 * s},
        // written before the clock was set back
        {"HX5310-00000003-20260101-000000.txt", 2500 * s},
        {"HX5310-00000004-20250101-000000.txt", 2400 * s},
        // just made, with a time older than all (a clock set back further)
        {"HX5310-00000005-20250101-000000.txt", 10 * s},
    };
    const std::string made = "HX5310-00000005-20250101-000000.txt";
    EXPECT_EQ(BackupsToDelete(files, 100, made, now), std::vector<std::string>{});
    EXPECT_EQ(BackupsToDelete(files, 4, made, now),
              (std::vector<std::string>{"HX5310-00000004-20250101-000000.txt",
                                        "HX5310-00000003-20260101-000000.txt",
                                        "HX5310-FFFFFFFE-20200101-000000.txt"}));
    // Equal times go by name; the one just made stays even when only one is kept.
    const auto one = BackupsToDelete(files, 1, made, now);
    ASSERT_EQ(one.size(), 6u);
    EXPECT_EQ(one[4], "HX5310-noserial-20260102-000000.txt");
    EXPECT_EQ(one[5], "HX5310-00000002-20260102-000000-10.txt");
    EXPECT_EQ(std::count(one.begin(), one.end(), made), 0);
}

} // namespace
} // namespace hx
