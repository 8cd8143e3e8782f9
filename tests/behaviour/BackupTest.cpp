// Automatic backups of the box's settings before the box is written.
#include "Backup.h"
#include "Harness.h"
#include "SettingsFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
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
        base = test::NewTempFolder("hx-backup");
        ASSERT_NE(base, "");
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
    EXPECT_EQ(TestState(*h.dlg).m_bBoxImageValid, 0);
    EXPECT_TRUE(h.dlg->BackupBoxImage());
    EXPECT_TRUE(Files(Folder()).empty());
    EXPECT_EQ(TestState(*h.dlg).m_strBackupError, "");
}

TEST_F(Backup, ABackupLoadsBackAsTheImageTheBoxSent) {
    Receive();
    const SettingsImage sent = h.box.Ram();
    h.win.SetText(1003, "480"); // edits do not reach the backup
    h.dlg->UpdateData(true);
    h.dlg->ExchangeImage(true);
    ASSERT_TRUE(h.dlg->BackupBoxImage());
    EXPECT_EQ(TestState(*h.dlg).m_strBackupError, "");
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
    EXPECT_EQ(TestState(*h.dlg).m_strBackupError,
              "バックアップを保存できませんでした（フォルダーが見つかりません）");

    h.win.SetAppDataFolder("");
    EXPECT_FALSE(h.dlg->BackupBoxImage());
    EXPECT_EQ(TestState(*h.dlg).m_strBackupError, "バックアップの保存先がありません");

    h.win.SetAppDataFolder(appData);
    EXPECT_TRUE(h.dlg->BackupBoxImage());
    EXPECT_EQ(TestState(*h.dlg).m_strBackupError, "");
}

TEST_F(Backup, ASendOrResetThatCannotBackUpAsksAndByDefaultChangesNothing) {
    PutU32(h.box.Ram(), kSerialOffset, kNoSerial);
    Receive();
    const SettingsImage before = h.box.Ram();
    const uint32_t counter = h.app.m_nSerialNumber;
    std::ofstream(base + "/plain") << "a file, not a folder";
    h.win.SetAppDataFolder(base + "/plain");
    h.win.SetText(1003, "480");
    const std::size_t commands = h.box.Commands().size();
    for (int id : {IDC_SEND, IDC_FACTORY}) {
        h.win.ClearMessages();
        ASSERT_TRUE(h.ClickAndWait(id));
        ASSERT_EQ(h.win.Messages().size(), 1u);
        EXPECT_TRUE(h.win.Messages()[0].question);
        EXPECT_EQ(h.win.Messages()[0].text,
                  "バックアップを保存できませんでした（フォルダーが見つかりませ"
                  "ん）。\nバックアップなしで続けますか？");
        EXPECT_EQ(h.dlg->LastOutcome().kind, OutcomeKind::BackupFailed);
        EXPECT_EQ(h.Info(), "バックアップを保存できないため、装置は変更していません（フォルダーが"
                            "見つかりません）");
        EXPECT_FALSE(h.win.TimerRunning(TIMER_CLEAR_INFO));
        EXPECT_TRUE(h.Enabled(IDC_SEND));
    }
    EXPECT_EQ(h.box.Commands().size(), commands) << "the box heard nothing";
    EXPECT_TRUE(h.box.Ram() == before);
    EXPECT_EQ(h.app.m_nSerialNumber, counter) << "no serial number was used up";

    // Yes: the send goes on, and says it went without a backup.
    h.win.QueueYesNoAnswer(true);
    ASSERT_TRUE(h.ClickAndWait(IDC_SEND));
    EXPECT_EQ(h.dlg->LastOutcome().kind, OutcomeKind::Sent);
    EXPECT_EQ(h.Info(), "設定の送信、確認と保存に成功しました／バックアップを保存できませんでした（"
                        "フォルダーが見つかりません）");
    EXPECT_NE(h.box.Ram(), before);
}

TEST_F(Backup, TheNewestHundredByFileTimeAreKeptAndTheNewOneAlways) {
    Receive();
    fs::create_directories(Folder());
    const auto now = fs::file_time_type::clock::now();
    auto make = [&](const std::string& name, fs::file_time_type time) {
        std::ofstream(Folder() + "/" + name) << "old";
        fs::last_write_time(Folder() + "/" + name, time);
    };
    // Named from 2001-01-01 on, written in the opposite order: the later the name, the older
    // the file.
    for (int i = 0; i < 103; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "HX5310-00000001-2001%02d%02d-000000.txt", 1 + i / 28,
                      1 + i % 28);
        make(name, now - std::chrono::hours(1) - std::chrono::seconds(i));
    }
    // Written before the clock was set back by a year: named and stamped in the future.
    for (int i = 0; i < 3; ++i)
        make("HX5310-00000001-2099010" + std::to_string(i + 1) + "-000000.txt",
             now + std::chrono::hours(24 * 365));
    std::ofstream(Folder() + "/notes.txt") << "not a backup";
    ASSERT_TRUE(h.dlg->BackupBoxImage());

    const auto files = Files(Folder());
    ASSERT_EQ(files.size(), 101u); // 100 backups and the notes
    auto has = [&](const std::string& name) {
        return std::find(files.begin(), files.end(), name) != files.end();
    };
    EXPECT_TRUE(has("notes.txt"));
    EXPECT_EQ(
        std::count_if(files.begin(), files.end(),
                      [](const std::string& f) { return f.rfind("HX5310-25000009-", 0) == 0; }),
        1);
    EXPECT_FALSE(has("HX5310-00000001-20990101-000000.txt"));
    EXPECT_FALSE(has("HX5310-00000001-20990103-000000.txt"));
    // The four oldest by time: the last four names (i = 99 ... 102: April 16th to 19th).
    EXPECT_TRUE(has("HX5310-00000001-20010101-000000.txt"));
    EXPECT_TRUE(has("HX5310-00000001-20010415-000000.txt"));
    EXPECT_FALSE(has("HX5310-00000001-20010416-000000.txt"));
    EXPECT_FALSE(has("HX5310-00000001-20010419-000000.txt"));
}

} // namespace
} // namespace hx
