#include "settings/Backup.h"

#include <gtest/gtest.h>

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

TEST(SettingsBackupNames, TheOldestAreDeletedWhateverTheBox) {
    const std::vector<std::string> names = {
        "HX5310-FFFFFFFE-20260101-000000.txt",   // newest of the day before
        "HX5310-00000001-20250101-000000.txt",   // oldest
        "notes.txt",                             // not a backup
        "HX5310-noserial-20260102-000000-2.txt", // later than the one without a number
        "HX5310-noserial-20260102-000000.txt",
        "HX5310-00000002-20260102-000000-10.txt", // sequence 10 after 2
    };
    EXPECT_EQ(BackupsToDelete(names, 10), std::vector<std::string>{});
    EXPECT_EQ(BackupsToDelete(names, 3),
              (std::vector<std::string>{"HX5310-00000001-20250101-000000.txt",
                                        "HX5310-FFFFFFFE-20260101-000000.txt"}));
    EXPECT_EQ(BackupsToDelete(names, 1),
              (std::vector<std::string>{
                  "HX5310-00000001-20250101-000000.txt", "HX5310-FFFFFFFE-20260101-000000.txt",
                  "HX5310-noserial-20260102-000000.txt", "HX5310-noserial-20260102-000000-2.txt"}));
}

} // namespace
} // namespace hx
