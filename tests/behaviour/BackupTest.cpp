// Automatic backups of the box's settings before the box is written.
#include "settings/Backup.h"
#include "settings/SettingsFile.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace hx {
namespace {

namespace fs = std::filesystem;
using test::Harness;

std::vector<std::string> Files(const std::string& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class Backup : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/hx-backup-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        base = pattern;
        appData = base + "/HX-5310-Config"; // not there yet: the backups create it
        h.win.SetAppDataFolder(appData);
        PutU32(h.box.Ram(), kSerialOffset, 0x25000009);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(base, ec);
    }
    void Receive() {
        ASSERT_TRUE(h.ClickAndWait(IDC_RECEIVE));
        ASSERT_EQ(h.Info(), "設定の受信に成功しました");
    }
    std::string Folder() const { return appData + "/backups"; }

    Harness h;
    std::string base, appData;
};

TEST_F(Backup, NothingReadNothingKept) {
    EXPECT_EQ(h.dlg->m_bBoxImageValid, 0);
    EXPECT_TRUE(h.dlg->BackupBoxImage());
    EXPECT_TRUE(Files(Folder()).empty());
    EXPECT_EQ(h.dlg->m_strBackupError, "");
}

TEST_F(Backup, ABackupLoadsBackAsTheImageTheBoxSent) {
    Receive();
    const SettingsImage sent = h.box.Ram();
    h.win.SetText(1003, "480"); // edits do not reach the backup
    h.dlg->UpdateData(true);
    h.dlg->ExchangeImage(true);
    ASSERT_TRUE(h.dlg->BackupBoxImage());
    EXPECT_EQ(h.dlg->m_strBackupError, "");
    const auto files = Files(Folder());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].rfind("HX5310-25000009-", 0), 0u) << files[0];

    SettingsImage fromFile{};
    std::string reason;
    ASSERT_EQ(ReadSettingsFile(Folder() + "/" + files[0], fromFile, reason), FileRead::Ok);
    EXPECT_TRUE(fromFile == sent);

    // And "読出..." brings it back into the editor.
    h.win.QueueFileAnswer(Folder() + "/" + files[0]);
    ASSERT_TRUE(h.win.Click(IDC_LOAD));
    EXPECT_EQ(h.Info(), "ファイルから設定を読み出しました");
    EXPECT_EQ(h.win.GetText(1003), "248");
}

TEST_F(Backup, ASendBacksUpTheSettingsItReplaces) {
    Receive();
    const SettingsImage before = h.box.Ram();
    h.win.SetText(1003, "480");
    ASSERT_TRUE(h.ClickAndWait(IDC_SEND));
    ASSERT_NE(h.box.Ram(), before);
    const auto files = Files(Folder());
    ASSERT_EQ(files.size(), 1u);
    SettingsImage fromFile{};
    std::string reason;
    ASSERT_EQ(ReadSettingsFile(Folder() + "/" + files[0], fromFile, reason), FileRead::Ok);
    EXPECT_TRUE(fromFile == before);
}

TEST_F(Backup, BackupsInOneSecondAreAllKept) {
    PutU32(h.box.Ram(), kSerialOffset, kNoSerial);
    Receive();
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(h.dlg->BackupBoxImage());
    const auto files = Files(Folder());
    ASSERT_GE(files.size(), 3u); // more when the clock's second turned in between
    for (const auto& f : files)
        EXPECT_EQ(f.rfind("HX5310-noserial-", 0), 0u) << f;
}

TEST_F(Backup, AFailedBackupSaysWhy) {
    Receive();
    std::ofstream(base + "/plain") << "a file, not a folder";
    h.win.SetAppDataFolder(base + "/plain");
    EXPECT_FALSE(h.dlg->BackupBoxImage());
    EXPECT_EQ(h.dlg->m_strBackupError,
              "バックアップを保存できませんでした（フォルダーが見つかりません）");

    h.win.SetAppDataFolder("");
    EXPECT_FALSE(h.dlg->BackupBoxImage());
    EXPECT_EQ(h.dlg->m_strBackupError, "バックアップの保存先がありません");

    h.win.SetAppDataFolder(appData);
    EXPECT_TRUE(h.dlg->BackupBoxImage());
    EXPECT_EQ(h.dlg->m_strBackupError, "");
}

TEST_F(Backup, OnlyTheNewestHundredAreKept) {
    Receive();
    fs::create_directories(Folder());
    for (int i = 0; i < 105; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "HX5310-00000001-2001%02d%02d-000000.txt", 1 + i / 28,
                      1 + i % 28);
        std::ofstream(Folder() + "/" + name) << "old";
    }
    std::ofstream(Folder() + "/notes.txt") << "not a backup";
    ASSERT_TRUE(h.dlg->BackupBoxImage());
    const auto files = Files(Folder());
    ASSERT_EQ(files.size(), 101u); // 100 backups and the notes
    // The six oldest went: January 1st to 6th of 2001.
    EXPECT_EQ(files[0], "HX5310-00000001-20010107-000000.txt");
    EXPECT_NE(std::find(files.begin(), files.end(), "notes.txt"), files.end());
    EXPECT_EQ(
        std::count_if(files.begin(), files.end(),
                      [](const std::string& f) { return f.rfind("HX5310-25000009-", 0) == 0; }),
        1);
}

} // namespace
} // namespace hx
