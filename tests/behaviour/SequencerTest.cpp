// The device operations end to end against the box model, in virtual time.
#include "Harness.h"

#include "HexRecord.h"

#include <gtest/gtest.h>

using namespace hx;
using test::Harness;
using test::kOperationControls;

namespace {

void ExpectOperationControls(const Harness& h, bool enabled, const char* when) {
    for (int id : kOperationControls) {
        EXPECT_EQ(h.Enabled(id), enabled) << "control " << id << " " << when;
    }
}

void ExpectOnlyReceiveEnabled(const Harness& h) {
    EXPECT_TRUE(h.Enabled(IDC_RECEIVE));
    for (int id : kOperationControls) {
        if (id != IDC_RECEIVE) {
            EXPECT_FALSE(h.Enabled(id)) << "control " << id;
        }
    }
}

size_t Count(const std::string& haystack, const std::string& needle) {
    size_t n = 0;
    for (size_t at = haystack.find(needle); at != std::string::npos;
         at = haystack.find(needle, at + 1))
        ++n;
    return n;
}

void Receive(Harness& h) {
    ASSERT_TRUE(h.ClickAndWait(IDC_RECEIVE));
    ASSERT_EQ(h.Info(), "設定の受信に成功しました");
}

} // namespace

TEST(Receive, ReadsTheBoxAndShowsItsVersionAndSerialNumber) {
    Harness h;
    h.box.versionMajor = 2;
    h.box.versionMinor = 5;
    PutU32(h.box.Ram(), kSerialOffset, 0x25000009);
    ASSERT_TRUE(h.win.Click(IDC_RECEIVE));
    ExpectOperationControls(h, false, "while reading");
    EXPECT_TRUE(h.Enabled(IDCANCEL));
    EXPECT_TRUE(h.Enabled(IDC_PORT));
    ASSERT_TRUE(h.RunUntilIdle());
    EXPECT_EQ(h.Info(), "設定の受信に成功しました");
    EXPECT_EQ(h.win.GetTitle(), "HX-5310 Configuration, Ver2.05, Serial No.25000009");
    EXPECT_EQ(TestState(*h.dlg).m_SettingsImage, h.box.Ram());
    EXPECT_EQ(h.ports.written, "\rAT\rATI3\rATI4\rATSRX\r");
    EXPECT_FALSE(h.ports.anyOpen);
    ExpectOperationControls(h, true, "after a read");
    EXPECT_FALSE(h.Visible(IDC_NEW_SERIAL)) << "the box has a serial number";
}

TEST(Receive, ABoxWithoutSerialNumberShowsTheSerialRow) {
    Harness h;
    Receive(h);
    EXPECT_EQ(h.win.GetTitle(), "HX-5310 Configuration, Ver1.20, Serial No.FFFFFFFF");
    for (int id : {IDC_SERIAL_LABEL, IDC_SERIAL, IDC_ARROW_LABEL, IDC_NEW_SERIAL})
        EXPECT_TRUE(h.Visible(id)) << id;
}

TEST(Receive, SuccessTextIsClearedAfterFiveSecondsErrorTextStays) {
    Harness h;
    Receive(h);
    h.win.Advance(4990);
    EXPECT_EQ(h.Info(), "設定の受信に成功しました");
    h.win.Advance(20);
    EXPECT_EQ(h.Info(), "");
    EXPECT_FALSE(h.win.TimerRunning(TIMER_CLEAR_INFO));

    h.box.faults.wrongModel = true;
    ASSERT_TRUE(h.ClickAndWait(IDC_RECEIVE));
    const std::string error = h.Info();
    EXPECT_FALSE(error.empty());
    h.win.Advance(10000);
    EXPECT_EQ(h.Info(), error);
}

TEST(Receive, TolerantOfHowTheBoxWritesItsLines) {
    struct Variant {
        const char* name;
        void (*apply)(Harness&);
    } variants[] = {
        {"lower-case ok", [](Harness& h) { h.box.faults.lowerCase = true; }},
        {"comment lines", [](Harness& h) { h.box.faults.comments = true; }},
        {"no echo", [](Harness& h) { h.box.faults.noEcho = true; }},
        {"one byte per read", [](Harness& h) { h.ports.options.splitEveryByte = true; }},
    };
    for (const auto& v : variants) {
        Harness h;
        v.apply(h);
        ASSERT_TRUE(h.ClickAndWait(IDC_RECEIVE)) << v.name;
        EXPECT_EQ(h.Info(), "設定の受信に成功しました") << v.name;
        EXPECT_EQ(TestState(*h.dlg).m_SettingsImage, h.box.Ram()) << v.name;
    }
}

TEST(Receive, IdentityAndRecordErrors) {
    struct Variant {
        const char* name;
        void (*apply)(Harness&);
        const char* text;
    } variants[] = {
        {"wrong banner", [](Harness& h) { h.box.faults.wrongBanner = true; },
         "接続された装置は HX-5310 ではありません"},
        {"wrong model", [](Harness& h) { h.box.faults.wrongModel = true; },
         "接続された装置は HX-5310 ではありません"},
        {"extra text line", [](Harness& h) { h.box.faults.extraLine = true; },
         "接続された装置は HX-5310 ではありません"},
        {"short model line", [](Harness& h) { h.box.modelLine = "HX-53"; },
         "接続された装置は HX-5310 ではありません"},
        {"bad record", [](Harness& h) { h.box.faults.badRecord = 7; }, "設定の受信に失敗しました"},
        {"no end-of-file record", [](Harness& h) { h.box.faults.missingEof = true; },
         "設定の受信に失敗しました"},
    };
    for (const auto& v : variants) {
        Harness h;
        v.apply(h);
        ASSERT_TRUE(h.ClickAndWait(IDC_RECEIVE)) << v.name;
        EXPECT_EQ(h.Info(), v.text) << v.name;
        EXPECT_EQ(TestState(*h.dlg).m_nStep, 0) << v.name;
        EXPECT_FALSE(h.ports.anyOpen) << v.name;
        EXPECT_EQ(TestState(*h.dlg).m_rxLen, 0) << v.name;
        ExpectOnlyReceiveEnabled(h);
        EXPECT_EQ(h.win.GetTitle(), "HX-5310-Config") << v.name;
    }
}

TEST(Receive, OkWithoutBannerAndAnErrorWordInsteadOfRecords) {
    Harness h;
    h.box.faults.noBanner = true;
    ASSERT_TRUE(h.ClickAndWait(IDC_RECEIVE));
    EXPECT_EQ(h.Info(), "接続された装置は HX-5310 ではありません");
    EXPECT_EQ(h.ports.written, "\rAT\rATI3\r");

    Harness refused;
    refused.box.faults.refuseRead = true;
    ASSERT_TRUE(refused.ClickAndWait(IDC_RECEIVE));
    EXPECT_EQ(refused.Info(), "設定の受信に失敗しました");
    EXPECT_FALSE(refused.ports.anyOpen);
}

TEST(Receive, ASilentBoxTimesOutAfterThreePeriods) {
    Harness h;
    h.box.faults.silent = true;
    ASSERT_TRUE(h.win.Click(IDC_RECEIVE));
    h.win.Advance(599);
    EXPECT_EQ(TestState(*h.dlg).m_nStep, 1);
    h.win.Advance(1);
    EXPECT_EQ(TestState(*h.dlg).m_nStep, 0);
    EXPECT_EQ(h.Info(), "応答がありませんでした");
    EXPECT_EQ(h.ports.written, "\rAT\rAT\rAT\r");
    ExpectOnlyReceiveEnabled(h);
    EXPECT_FALSE(h.ports.anyOpen);
    // Events still queued or arriving after the close are ignored.
    EXPECT_EQ(h.dlg->OnCommEvent(EV_RXCHAR, 0), 0);
    EXPECT_EQ(h.dlg->OnCommEvent(EV_TXEMPTY, 0), 0);
}

TEST(Send, WritesVerifiesAndStores) {
    Harness h;
    h.box.Ram()[0x300] = 0x5A; // a byte the editor does not know: the send carries it unchanged
    Receive(h);
    h.box.Ram()[0x300] = 0;
    const std::string before = h.ports.written;
    ASSERT_TRUE(h.ClickAndWait(IDC_SEND));
    EXPECT_EQ(h.Info(), "設定の送信、確認と保存に成功しました");
    EXPECT_EQ(h.box.Flash(), TestState(*h.dlg).m_SettingsImage);
    EXPECT_EQ(h.box.Flash()[0x300], 0x5A);
    EXPECT_EQ(h.box.Stores(), 1);
    const std::string sent = h.ports.written.substr(before.size());
    EXPECT_EQ(sent, "\rAT\rATSTX\r" + ImageToRecords(TestState(*h.dlg).m_SettingsImage) +
                        "ATSRX\rAT&W\r");
    ExpectOperationControls(h, true, "after a send");
    h.win.Advance(5000);
    EXPECT_EQ(h.Info(), "");
}

TEST(Send, AReadBackThatDiffersIsNotStored) {
    Harness h;
    Receive(h);
    h.box.faults.badReadBack = true;
    ASSERT_TRUE(h.ClickAndWait(IDC_SEND));
    EXPECT_EQ(h.Info(), "設定の確認に失敗しました");
    EXPECT_EQ(h.box.Stores(), 0);
    EXPECT_EQ(h.ports.written.find("AT&W"), std::string::npos);
    // The edits are not lost with the failure: they can be sent again or saved.
    ExpectOperationControls(h, true, "after a failed read-back");
    h.box.faults.badReadBack = false;
    ASSERT_TRUE(h.ClickAndWait(IDC_SEND));
    EXPECT_EQ(h.Info(), "設定の送信、確認と保存に成功しました");
    EXPECT_EQ(h.box.Stores(), 1);
}

TEST(Send, RecordPumpWaitsWhileTheBoxHoldsDsrOff) {
    Harness h;
    Receive(h);
    h.box.faults.dsrOffAfterRecord = 5;
    h.box.faults.dsrOffMs = 10;
    ASSERT_TRUE(h.win.Click(IDC_SEND));
    bool sawPacing = false;
    ASSERT_TRUE(h.win.AdvanceUntil(
        [&] {
            sawPacing = sawPacing || h.win.TimerRunning(TIMER_TX_PACE);
            return TestState(*h.dlg).m_nStep == 0;
        },
        20000));
    EXPECT_TRUE(sawPacing);
    EXPECT_EQ(h.Info(), "設定の送信、確認と保存に成功しました");
    // Every record went out exactly once.
    EXPECT_EQ(Count(h.ports.written, ":00000001FF\r"), 1u);
    EXPECT_EQ(Count(h.ports.written, ":2000E000"), 1u);
}

TEST(Send, DsrOffForGoodEndsFiveSecondsAfterTheFirstRecord) {
    Harness h;
    Receive(h);
    h.box.faults.dsrOffAfterRecord = 3;
    h.box.faults.dsrOffMs = -1;
    ASSERT_TRUE(h.win.Click(IDC_SEND));
    ASSERT_TRUE(h.win.AdvanceUntil([&] { return TestState(*h.dlg).m_nStep == 13; }, 1000));
    const uint64_t streamStart = h.win.Now();
    ASSERT_TRUE(h.RunUntilIdle());
    EXPECT_GE(h.win.Now() - streamStart, 4990u);
    EXPECT_LE(h.win.Now() - streamStart, 5010u);
    EXPECT_EQ(h.Info(), "応答がありませんでした");
    EXPECT_EQ(TestState(*h.dlg).m_bMoreToSend, 0);
    const std::string written = h.ports.written;
    h.win.Advance(1000);
    EXPECT_EQ(h.ports.written, written) << "no record is written after the time-out";
    EXPECT_TRUE(h.Enabled(IDCANCEL));
    EXPECT_TRUE(h.Enabled(IDC_PORT));
    // The image beneath the edits is still the box's: they can be sent again or saved.
    ExpectOperationControls(h, true, "after a send timed out");
}

TEST(Send, OkBeforeTheWholeImageIsASendError) {
    Harness h;
    Receive(h);
    h.box.faults.dsrOffAfterRecord = 0;
    h.box.faults.dsrOffMs = -1;
    ASSERT_TRUE(h.win.Click(IDC_SEND));
    ASSERT_TRUE(h.win.AdvanceUntil([&] { return TestState(*h.dlg).m_nStep == 13; }, 1000));
    h.win.Advance(20);
    ASSERT_EQ(TestState(*h.dlg).m_bMoreToSend, 1);
    EXPECT_TRUE(h.dlg->OnResponseLine("OK"));
    EXPECT_EQ(h.Info(), "設定の送信に失敗しました");
    EXPECT_EQ(TestState(*h.dlg).m_bMoreToSend, 0);
    EXPECT_FALSE(h.ports.anyOpen);
}

TEST(Restart, RestartsTheBoxAndKeepsTheImageAndTitle) {
    Harness h;
    Receive(h);
    const std::string title = h.win.GetTitle();
    const SettingsImage image = TestState(*h.dlg).m_SettingsImage;
    ASSERT_TRUE(h.ClickAndWait(IDC_RESTART));
    EXPECT_EQ(h.Info(), "再起動に成功しました");
    EXPECT_EQ(h.box.Restarts(), 1);
    EXPECT_EQ(h.win.GetTitle(), title);
    EXPECT_EQ(TestState(*h.dlg).m_SettingsImage, image);
    ExpectOperationControls(h, true, "after a restart");
}

TEST(FactoryReset, GivesABoxWithoutSerialNumberTheNextOne) {
    Harness h;
    h.prefs.WriteInt("Settings", "Serial Number", 0x25000009);
    h.win.EndDialog(2);
    h.Start();
    EXPECT_EQ(h.win.GetText(IDC_NEW_SERIAL), "25000009");
    Receive(h);
    h.box.Ram()[0x200] = 0x77; // a setting the factory reset puts back
    ASSERT_TRUE(h.ClickAndWait(IDC_FACTORY));
    EXPECT_EQ(h.Info(), "出荷時の設定に戻しました");
    EXPECT_NE(h.ports.written.find("AT&F\rAT!SN=25000009\rAT&W\rATSRX\r"), std::string::npos);
    EXPECT_EQ(GetU32(h.box.Flash(), kSerialOffset), 0x25000009u);
    EXPECT_EQ(h.prefs.GetInt("Settings", "Serial Number", 0), 0x25000010);
    EXPECT_EQ(TestState(*h.dlg).m_strNewSerial, "25000010");
    EXPECT_EQ(h.win.GetText(IDC_NEW_SERIAL), "25000010");
    EXPECT_EQ(h.win.GetTitle(), "HX-5310 Configuration, Ver1.20, Serial No.25000009");
    for (int id : {IDC_SERIAL_LABEL, IDC_SERIAL, IDC_ARROW_LABEL, IDC_NEW_SERIAL})
        EXPECT_FALSE(h.Visible(id)) << id;
    EXPECT_EQ(TestState(*h.dlg).m_SettingsImage, h.box.Ram());
}

TEST(FactoryReset, ABoxWithASerialNumberKeepsItAndTheCounterStays) {
    Harness h;
    PutU32(h.box.Ram(), kSerialOffset, 0x00000042);
    Receive(h);
    const int writes = h.prefs.Writes();
    ASSERT_TRUE(h.ClickAndWait(IDC_FACTORY));
    EXPECT_EQ(h.Info(), "出荷時の設定に戻しました");
    EXPECT_EQ(h.ports.written.find("AT!SN"), std::string::npos);
    EXPECT_EQ(h.prefs.Writes(), writes);
    EXPECT_EQ(TestState(*h.dlg).m_strNewSerial, "00000001");
}

TEST(FactoryReset, ARefusedNewSerialNumberNeverReachesTheBoxOrTheCounter) {
    for (const char* text : {"FFFFFFFF", "12G4", "100000001", ""}) {
        Harness h;
        Receive(h);
        h.win.ClearMessages();
        h.win.SetText(IDC_NEW_SERIAL, text);
        const std::string written = h.ports.written;
        const int writes = h.prefs.Writes();
        h.win.Click(IDC_FACTORY);
        h.RunUntilIdle();
        EXPECT_EQ(h.ports.written, written) << text;
        EXPECT_EQ(h.prefs.Writes(), writes) << text;
        EXPECT_NE(h.Info().find("新しい製造番号"), std::string::npos) << text;
        EXPECT_EQ(h.box.FactoryResets(), 0) << text;
    }
}

TEST(FactoryReset, ItsReadBackMustEndWithAnEndOfFileRecord) {
    Harness h;
    Receive(h);
    h.box.faults.missingEof = true;
    ASSERT_TRUE(h.ClickAndWait(IDC_FACTORY));
    EXPECT_EQ(h.Info(), "設定の受信に失敗しました");
    ExpectOnlyReceiveEnabled(h);
}

TEST(PortList, SortedWithTheStoredPortSelected) {
    Harness h("COM3", false);
    h.ports.SetPortNames({"COM10", "COM3", "COM1"});
    h.Start();
    EXPECT_EQ(h.win.ListItems(IDC_PORT), (std::vector<std::string>{"COM1", "COM3", "COM10"}));
    EXPECT_EQ(h.win.ListSelection(IDC_PORT), 1);
    h.ports.SetPortNames({"COM2", "COM1"});
    h.win.DropDown(IDC_PORT);
    EXPECT_EQ(h.win.ListItems(IDC_PORT), (std::vector<std::string>{"COM1", "COM2"}));

    Harness absent("COM9", false);
    absent.ports.SetPortNames({"COM10", "COM2"});
    absent.Start();
    EXPECT_EQ(absent.win.ListSelection(IDC_PORT), -1);
}

#ifndef _WIN32
// Device paths show as the names a person knows them by, in natural order; the path is the
// item's tooltip and the port opened.
TEST(PortList, ShortNamesInNaturalOrderOpenTheirPaths) {
    Harness h("ttyUSB10", false);
    h.ports.SetPortNames(
        {"/dev/ttyUSB10", "/dev/ttyUSB2", "/dev/ttyACM0", "/tmp/hx/boxB", "/tmp/hx/boxA"});
    h.Start();
    EXPECT_EQ(h.win.ListItems(IDC_PORT),
              (std::vector<std::string>{"boxA", "boxB", "ttyACM0", "ttyUSB2", "ttyUSB10"}));
    EXPECT_EQ(h.win.ListSelection(IDC_PORT), 4);
    EXPECT_EQ(h.win.ItemTip(IDC_PORT, 0), "/tmp/hx/boxA");
    ASSERT_TRUE(h.win.Click(IDC_RECEIVE));
    EXPECT_EQ(h.ports.lastOpenedName, "/dev/ttyUSB10");
    ASSERT_TRUE(h.RunUntilIdle());

    // A stored path selects its entry; two ports of one name show their paths.
    Harness twice("/dev/serial/ttyUSB0", false);
    twice.ports.SetPortNames({"/dev/ttyUSB0", "/dev/serial/ttyUSB0"});
    twice.Start();
    EXPECT_EQ(twice.win.ListItems(IDC_PORT),
              (std::vector<std::string>{"/dev/serial/ttyUSB0", "/dev/ttyUSB0"}));
    EXPECT_EQ(twice.win.ListSelection(IDC_PORT), 0);
}
#endif

TEST(PortList, AnOperationWithNoPortChosenSaysSo) {
    Harness h("", false);
    h.ports.SetPortNames({"COM1"});
    h.Start();
    ASSERT_EQ(h.win.ListSelection(IDC_PORT), -1);
    ASSERT_TRUE(h.win.Click(IDC_RECEIVE));
    EXPECT_EQ(h.Info(), "ポートが選択されていません。ポートを選んでください");
    EXPECT_EQ(h.ports.opens, 0);
}

TEST(PortList, AFailedOpenNamesThePortAndChangesNothingElse) {
    Harness h("COM7", false);
    h.ports.SetPortNames({"COM7"});
    h.ports.options.openFails = true;
    h.Start();
    ASSERT_TRUE(h.win.Click(IDC_RECEIVE));
    EXPECT_EQ(h.Info(), "ポート（COM7）のオープンに失敗しました");
    EXPECT_EQ(TestState(*h.dlg).m_nStep, 0);
    EXPECT_FALSE(h.win.TimerRunning(TIMER_RETRY));
    EXPECT_TRUE(h.Enabled(IDC_RECEIVE));
    h.ports.options.openFails = false;
    Receive(h);
}

TEST(Lifecycle, ClosingWhileAnOperationRunsClosesThePort) {
    Harness h;
    ASSERT_TRUE(h.win.Click(IDC_RECEIVE));
    h.win.Advance(5);
    ASSERT_TRUE(h.ports.anyOpen);
    h.win.QueueYesNoAnswer(true); // asked whether to stop the read and close
    h.win.PressEscape();
    EXPECT_FALSE(h.ports.anyOpen);
    EXPECT_EQ(h.win.Result(), 2);
    ASSERT_EQ(h.win.Messages().size(), 1u);
    EXPECT_TRUE(h.win.Messages()[0].question);
    h.win.Advance(5000); // nothing scheduled may touch the deleted port
}

TEST(PartialImages, AReadWithAMissingRecordIsNeverASuccess) {
    Harness h;
    h.box.faults.missingRecord = 12;
    ASSERT_TRUE(h.ClickAndWait(IDC_RECEIVE));
    EXPECT_EQ(h.Info(), "設定の受信に失敗しました");
    ExpectOnlyReceiveEnabled(h);
    EXPECT_EQ(h.win.GetTitle(), "HX-5310-Config");
}

TEST(PartialImages, AReadBackWithAMissingRecordIsNotStored) {
    Harness h;
    Receive(h);
    h.box.faults.missingRecord = 40;
    ASSERT_TRUE(h.ClickAndWait(IDC_SEND));
    EXPECT_EQ(h.Info(), "設定の確認に失敗しました");
    EXPECT_EQ(h.box.Stores(), 0);
}

TEST(PartialImages, AFactoryResetWhoseReadBackHasAGapFails) {
    Harness h;
    Receive(h);
    h.box.faults.missingRecord = 0;
    ASSERT_TRUE(h.ClickAndWait(IDC_FACTORY));
    EXPECT_EQ(h.Info(), "設定の受信に失敗しました");
}
