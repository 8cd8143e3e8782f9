// Faults on the line, in virtual time: the cable pulled in the middle of each operation, DSR held
// off for good, noise, a line that never ends, a box that answers everything twice. After each:
// no hang, a clear message, the port closed, the controls as the rules say, nothing stored that
// was not verified, no file or preference damaged, and the next operation works once the box is
// back.
#include "AppStart.h"
#include "BoxModel.h"
#include "HX5310ConfigApp.h"
#include "HX5310ConfigDlg.h"
#include "HexRecord.h"
#include "InProcessPort.h"
#include "MemoryPreferences.h"
#include "MemoryWindow.h"
#include "SettingsFile.h"
#include "StatusFrame.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

using namespace hx;
using hx::test::kOperationControls;

namespace {

const char kNoAnswer[] = "応答がありませんでした";
const char kReceived[] = "設定の受信に成功しました";
const char kStored[] = "設定の送信、確認と保存に成功しました";

// The cable between the window's port and the box: it can be pulled and plugged back in, and
// noise can be put on it. A pulled cable carries nothing of the box's either way and drops DSR,
// as an RS-232 line does when its plug is out; the port itself stays there (a USB adapter).
// Noise reaches the port whether the plug is in or out.
struct Cable {
    bool pulled = false;
    std::string noise; // bytes on the line before the box's own
    std::function<void(unsigned)> notify;
};

class CablePort : public IPort {
public:
    CablePort(std::unique_ptr<IPort> inner, std::shared_ptr<Cable> cable)
        : m_inner(std::move(inner)), m_cable(std::move(cable)) {}
    void SetPortName(const std::string& n) override { m_inner->SetPortName(n); }
    void SetBaudRate(const std::string& t) override { m_inner->SetBaudRate(t); }
    void SetDataBits(const std::string& t) override { m_inner->SetDataBits(t); }
    void SetParity(const std::string& t) override { m_inner->SetParity(t); }
    void SetStopBits(const std::string& t) override { m_inner->SetStopBits(t); }
    void SetFlow(const std::string& t) override { m_inner->SetFlow(t); }
    void SetEventMask(unsigned long m) override { m_inner->SetEventMask(m); }
    int Open(std::function<void(unsigned)> notify) override {
        std::weak_ptr<Cable> weak = m_cable;
        m_cable->notify = notify;
        m_cable->noise.clear();
        return m_inner->Open([weak, notify](unsigned event) {
            auto c = weak.lock();
            if (c && !c->pulled)
                notify(event);
        });
    }
    int SetDtr(int on) override { return m_inner->SetDtr(on); }
    int Read(char* buf, int capacity) override {
        if (m_cable->pulled) {
            char sink[4096];
            while (m_inner->Read(sink, sizeof sink) > 0) {
            } // what was on its way is lost
        }
        if (!m_cable->noise.empty() && capacity > 0) {
            const size_t n = std::min(m_cable->noise.size(), static_cast<size_t>(capacity));
            m_cable->noise.copy(buf, n);
            m_cable->noise.erase(0, n);
            return static_cast<int>(n);
        }
        return m_cable->pulled ? 0 : m_inner->Read(buf, capacity);
    }
    void Write(const char* data, int length) override {
        if (!m_cable->pulled)
            m_inner->Write(data, length);
    }
    unsigned long GetStatus() override { return m_cable->pulled ? 0ul : m_inner->GetStatus(); }
    void Close() override {
        m_cable->notify = nullptr;
        m_inner->Close();
    }

private:
    std::unique_ptr<IPort> m_inner;
    std::shared_ptr<Cable> m_cable;
};

class CablePortFactory : public IPortFactory {
public:
    CablePortFactory(IPortFactory& inner, std::shared_ptr<Cable> cable)
        : m_inner(inner), m_cable(std::move(cable)) {}
    std::unique_ptr<IPort> CreatePort() override {
        return std::make_unique<CablePort>(m_inner.CreatePort(), m_cable);
    }
    std::vector<std::string> ListPorts() override { return m_inner.ListPorts(); }

private:
    IPortFactory& m_inner;
    std::shared_ptr<Cable> m_cable;
};

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class FaultLine : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = std::filesystem::path(::testing::TempDir()) /
                   ("hx5310-fault-" + std::to_string(::getpid()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder / "appdata");
        win.SetAppDataFolder((m_folder / "appdata").string());
        prefs.WriteString("Settings", "Serial Port", "COM1");
        prefs.WriteInt("Settings", "Serial Number", 0x25000009);
        dlg = test::StartAsTheApplication(app, win, ports);
    }
    void TearDown() override {
        if (!win.Ended())
            win.EndDialog(2);
        std::filesystem::remove_all(m_folder);
    }

    bool RunUntilIdle(uint64_t maxMs = 20000) {
        return win.AdvanceUntil([this] { return TestState(*dlg).m_nStep == 0; }, maxMs);
    }
    bool AdvanceUntil(const std::function<bool()>& pred, uint64_t maxMs = 5000) {
        return win.AdvanceUntil(pred, maxMs);
    }
    std::string Info() const { return win.GetText(IDC_INFO); }

    // A good read of the box, and the user's own settings file saved from it.
    void ReadAndSave() {
        ASSERT_TRUE(win.Click(IDC_RECEIVE));
        ASSERT_TRUE(RunUntilIdle());
        ASSERT_EQ(Info(), kReceived);
        m_userFile = (m_folder / "mine.txt").string();
        win.QueueFileAnswer(m_userFile);
        ASSERT_TRUE(win.Click(IDC_SAVE));
        m_userFileBytes = ReadBytes(m_userFile);
        ASSERT_EQ(m_userFileBytes.size(), kSettingsFileSize);
        m_prefWrites = prefs.Writes();
        m_flashBefore = box.Flash();
        win.Advance(6000); // the success text goes
    }

    // What must hold after any fault: the operation ended with a message that is no success,
    // the port is closed, and only what a failure allows is usable.
    void ExpectFailedSafely(const std::string& message) {
        EXPECT_EQ(TestState(*dlg).m_nStep, 0) << "the operation still runs";
        EXPECT_EQ(Info(), message);
        EXPECT_FALSE(inner.anyOpen) << "the port stays open";
        EXPECT_EQ(TestState(*dlg).m_bPortOpen, 0);
        EXPECT_FALSE(win.TimerRunning(TIMER_RETRY));
        EXPECT_FALSE(win.TimerRunning(TIMER_TX_PACE));
        EXPECT_TRUE(win.IsEnabled(IDC_RECEIVE));
        EXPECT_TRUE(win.IsEnabled(IDCANCEL));
        EXPECT_TRUE(win.IsEnabled(IDC_PORT));
        for (int id : kOperationControls)
            EXPECT_EQ(win.IsEnabled(id), id == IDC_RECEIVE || TestState(*dlg).m_bImageValid ||
                                             TestState(*dlg).m_bImageFromBox)
                << "control " << id;
    }

    // Nothing the user keeps was harmed: the settings file, the stored preferences, the box's
    // stored settings (nothing was stored unverified), and every backup is a whole settings
    // file of what the box held.
    void ExpectNothingDamaged() {
        if (!m_userFile.empty()) {
            EXPECT_EQ(ReadBytes(m_userFile), m_userFileBytes) << "the user's settings file";
        }
        EXPECT_EQ(prefs.Writes(), m_prefWrites) << "a stored preference was written";
        EXPECT_EQ(prefs.GetInt("Settings", "Serial Number", 0), 0x25000009);
        EXPECT_EQ(box.Flash(), m_flashBefore) << "the box stored settings";
        const auto folder = m_folder / "appdata" / "backups";
        if (std::filesystem::exists(folder)) {
            for (const auto& entry : std::filesystem::directory_iterator(folder)) {
                SettingsImage img{};
                std::string reason;
                EXPECT_EQ(ReadSettingsFile(entry.path().string(), img, reason), FileRead::Ok)
                    << entry.path();
                EXPECT_EQ(img, m_flashBefore) << "a backup of something else " << entry.path();
            }
        }
    }

    // The box is back (cable in, switched on again): a read and a send work.
    void ExpectNextOperationsWork() {
        cable->pulled = false;
        box.faults = sim::BoxFaults{};
        box.PowerCycle();
        win.Advance(5000); // what the box was still sending has crossed the line
        ASSERT_TRUE(win.Click(IDC_RECEIVE));
        ASSERT_TRUE(RunUntilIdle());
        EXPECT_EQ(Info(), kReceived);
        EXPECT_EQ(TestState(*dlg).m_SettingsImage, box.Ram());
        ASSERT_TRUE(win.Click(IDC_SEND));
        ASSERT_TRUE(RunUntilIdle());
        EXPECT_EQ(Info(), kStored);
        EXPECT_EQ(box.Flash(), TestState(*dlg).m_SettingsImage);
    }

    // Lets the operation run until pred, then pulls the cable.
    void PullWhen(const std::function<bool()>& pred) {
        ASSERT_TRUE(AdvanceUntil(pred));
        cable->pulled = true;
    }

    MemoryWindow win;
    MemoryPreferences prefs;
    CHX5310ConfigApp app{prefs};
    sim::BoxModel box;
    sim::InProcessPortFactory inner{win, box};
    std::shared_ptr<Cable> cable = std::make_shared<Cable>();
    CablePortFactory ports{inner, cable};
    std::unique_ptr<CHX5310ConfigDlg> dlg;

    std::filesystem::path m_folder;
    std::string m_userFile, m_userFileBytes;
    int m_prefWrites = 0;
    SettingsImage m_flashBefore{};
};

// --- The cable pulled ---

TEST_F(FaultLine, CablePulledDuringTheFirstReadLeavesOnlyReceive) {
    const std::string title = win.GetTitle();
    const std::string delay = win.GetText(IDC_DELAY_A);
    m_flashBefore = box.Flash();
    m_prefWrites = prefs.Writes();
    ASSERT_TRUE(win.Click(IDC_RECEIVE));
    // Half of the image has come when the plug comes out.
    PullWhen([&] {
        return TestState(*dlg).m_nStep == 4 && TestState(*dlg).m_imageCovered.count() >= 1024;
    });
    ASSERT_TRUE(RunUntilIdle());
    ExpectFailedSafely(kNoAnswer);
    EXPECT_EQ(TestState(*dlg).m_bImageValid, 0);
    EXPECT_EQ(win.GetTitle(), title) << "no title for a box that was never read whole";
    EXPECT_EQ(win.GetText(IDC_DELAY_A), delay) << "the editor shows half an image";
    ExpectNothingDamaged();
    ExpectNextOperationsWork();
}

TEST_F(FaultLine, CablePulledDuringASendsRecordStreamStoresNothing) {
    ReadAndSave();
    ASSERT_TRUE(win.Click(IDC_SEND));
    PullWhen(
        [&] { return TestState(*dlg).m_nStep == 13 && TestState(*dlg).m_nSendAddress >= 0x400; });
    const uint64_t pulledAt = win.Now();
    const size_t writtenAtPull = inner.written.size();
    ASSERT_TRUE(RunUntilIdle());
    // The record stream has one time-out, 5000 ms from its first record.
    EXPECT_LE(win.Now() - pulledAt, 5000u);
    ExpectFailedSafely(kNoAnswer);
    EXPECT_EQ(TestState(*dlg).m_bMoreToSend, 0);
    EXPECT_EQ(box.Stores(), 0);
    cable->pulled = false;
    win.Advance(1000);
    EXPECT_EQ(inner.written.size(), writtenAtPull) << "records written after the time-out";
    ExpectNothingDamaged();
    ExpectNextOperationsWork();
}

TEST_F(FaultLine, CablePulledDuringTheReadBackIsNeverReportedStored) {
    ReadAndSave();
    ASSERT_TRUE(win.Click(IDC_SEND));
    PullWhen([&] {
        return TestState(*dlg).m_nStep == 14 && TestState(*dlg).m_imageCovered.count() >= 256;
    });
    ASSERT_TRUE(RunUntilIdle());
    ExpectFailedSafely(kNoAnswer);
    EXPECT_EQ(box.Stores(), 0) << "stored without a whole read-back";
    EXPECT_EQ(inner.written.find("AT&W"), std::string::npos);
    // The box has the new settings in its working memory, not stored: they are lost when it
    // is switched off, and the box's stored settings are still those of the backup.
    ExpectNothingDamaged();
    ExpectNextOperationsWork();
}

TEST_F(FaultLine, CablePulledBeforeTheStoreAnswersIsATimeOut) {
    ReadAndSave();
    ASSERT_TRUE(win.Click(IDC_SEND));
    // The read-back matched and "AT&W" went out; the plug comes out before its "OK".
    ASSERT_TRUE(AdvanceUntil([&] { return TestState(*dlg).m_nStep == 15; }));
    cable->pulled = true;
    ASSERT_TRUE(RunUntilIdle());
    ExpectFailedSafely(kNoAnswer);
    EXPECT_NE(Info(), kStored);
    ExpectNextOperationsWork();
}

TEST_F(FaultLine, CablePulledWhileMonitoringEndsTheMonitorWithAMessage) {
    ReadAndSave();
    ASSERT_TRUE(win.Click(IDC_MONITOR));
    ASSERT_TRUE(AdvanceUntil(
        [&] { return TestState(*dlg).m_bMonitorMode && !TestState(*dlg).m_bFirstFrame; }));
    // A lit lamp, so that the test sees it put out.
    ASSERT_TRUE(
        AdvanceUntil([&] { return TestState(*dlg).m_prevFrame[kFrameLampBits] != 0; }, 60000));
    cable->pulled = true;
    const uint64_t pulledAt = win.Now();
    ASSERT_TRUE(AdvanceUntil([&] { return !TestState(*dlg).m_bMonitorMode; }, 10000))
        << "the lamps go on showing a box that is gone";
    // The watch looks every 3000 ms: between one and two periods.
    EXPECT_LE(win.Now() - pulledAt, 6000u);
    EXPECT_EQ(Info(), "状態監視中に装置からの応答がなくなりました");
    EXPECT_EQ(win.GetCheck(IDC_MONITOR), 0);
    EXPECT_FALSE(inner.anyOpen);
    EXPECT_EQ(TestState(*dlg).m_bPortOpen, 0);
    EXPECT_FALSE(win.TimerRunning(TIMER_MONITOR_WATCH));
    for (int id : kOperationControls)
        EXPECT_TRUE(win.IsEnabled(id)) << "control " << id;
    EXPECT_TRUE(win.IsEnabled(IDCANCEL));
    EXPECT_TRUE(win.IsEnabled(IDC_PORT));
    for (int id = IDC_LAMP_TONE_A; id <= IDC_LAMP_PTT_B; ++id)
        EXPECT_TRUE(win.Lamp(id) == LampImage::Grey || win.Lamp(id) == LampImage::GreyCross)
            << "lamp " << id << " still lit";
    ExpectNothingDamaged();
    ExpectNextOperationsWork();
}

TEST_F(FaultLine, OnlyDamagedFramesWhileMonitoringEndTheMonitorToo) {
    ReadAndSave();
    ASSERT_TRUE(win.Click(IDC_MONITOR));
    ASSERT_TRUE(AdvanceUntil(
        [&] { return TestState(*dlg).m_bMonitorMode && !TestState(*dlg).m_bFirstFrame; }));
    win.Advance(10000);
    ASSERT_TRUE(TestState(*dlg).m_bMonitorMode) << "a box that streams keeps the monitor running";
    // From now on every frame has a wrong checksum: bytes come, but nothing to show.
    box.frames.faults.badChecksumEvery = 1;
    ASSERT_TRUE(AdvanceUntil([&] { return !TestState(*dlg).m_bMonitorMode; }, 10000));
    EXPECT_EQ(Info(), "状態監視中に装置からの応答がなくなりました");
    EXPECT_FALSE(inner.anyOpen);
    win.Advance(10); // the last bytes cross the line
    EXPECT_FALSE(box.Monitoring()) << "the box was not told to stop streaming";
    ExpectNextOperationsWork();
}

TEST_F(FaultLine, AStartByteInsideEveryFrameDoesNotFreezeTheMonitor) {
    ReadAndSave();
    ASSERT_TRUE(win.Click(IDC_MONITOR));
    ASSERT_TRUE(AdvanceUntil(
        [&] { return TestState(*dlg).m_bMonitorMode && !TestState(*dlg).m_bFirstFrame; }));
    cable->pulled = true; // from here on, only the frames below reach the port
    // Channel B's PTT lamp crossed while dark: every frame carries 0x02 in its byte 3.
    auto frame = [](uint8_t lamps) {
        StatusFields f;
        f.lampBits = lamps;
        f.modeBits = kModeCrossDarkB;
        return EncodeFrame(f);
    };
    // One read of the port each.
    auto read = [&](const uint8_t* bytes, size_t n) {
        cable->noise.assign(reinterpret_cast<const char*>(bytes), n);
        cable->notify(EV_RXCHAR);
        win.Advance(1);
    };
    // The line lost the first three bytes of a frame: the step starts on the 0x02 in byte 3.
    const StatusFrame cut = frame(0xFF);
    read(cut.data() + 3, kFrameSize - 3);
    for (uint8_t i = 1; i <= 6; ++i) {
        const StatusFrame f = frame(i);
        read(f.data(), f.size());
        EXPECT_EQ(TestState(*dlg).m_prevFrame[kFrameLampBits], i) << "read " << int(i);
    }
}

// --- DSR held off for good ---

TEST_F(FaultLine, DsrHeldOffForGoodEndsTheSendAndKeepsTheBackup) {
    ReadAndSave();
    box.faults.dsrOffAfterRecord = 10;
    box.faults.dsrOffMs = -1;
    ASSERT_TRUE(win.Click(IDC_SEND));
    ASSERT_TRUE(AdvanceUntil([&] { return TestState(*dlg).m_nStep == 13; }));
    const uint64_t streamStart = win.Now();
    bool paced = false;
    ASSERT_TRUE(win.AdvanceUntil(
        [&] {
            paced = paced || win.TimerRunning(TIMER_TX_PACE);
            return TestState(*dlg).m_nStep == 0;
        },
        20000));
    EXPECT_TRUE(paced) << "the pump never waited for DSR";
    EXPECT_NEAR(static_cast<double>(win.Now() - streamStart), 5000.0, 10.0);
    ExpectFailedSafely(kNoAnswer);
    EXPECT_EQ(box.RecordsReceived(), 11) << "records written while DSR was off";
    ExpectNothingDamaged();
    // The user can still read the box's settings while DSR stays off: only the record
    // stream of a send waits for it.
    ASSERT_TRUE(win.Click(IDC_RECEIVE));
    ASSERT_TRUE(RunUntilIdle());
    EXPECT_EQ(Info(), kReceived);
    ExpectNextOperationsWork();
}

// --- Noise and a line that never ends ---

std::string Noise(size_t n, uint32_t seed) {
    std::string s(n, '\0');
    for (char& c : s) {
        seed = seed * 1664525u + 1013904223u;
        c = static_cast<char>(seed >> 24);
    }
    return s;
}

TEST_F(FaultLine, AGarbageFloodDuringAReadIsNeverASuccess) {
    const uint64_t start = win.Now();
    ASSERT_TRUE(win.Click(IDC_RECEIVE));
    // 64 KiB of noise, CR and LF among it, in pieces while the box answers.
    for (uint32_t piece = 0; piece < 64 && TestState(*dlg).m_nStep != 0; ++piece) {
        cable->noise += Noise(1024, piece);
        if (cable->notify)
            cable->notify(EV_RXCHAR);
        win.Advance(5);
    }
    ASSERT_TRUE(RunUntilIdle());
    EXPECT_LT(win.Now() - start, 5000u);
    EXPECT_NE(Info(), kReceived);
    ExpectFailedSafely(Info());
    EXPECT_FALSE(Info().empty());
    EXPECT_EQ(TestState(*dlg).m_bImageValid, 0);
    ExpectNextOperationsWork();
}

TEST_F(FaultLine, GarbageDuringTheReadBackFailsTheVerification) {
    ReadAndSave();
    ASSERT_TRUE(win.Click(IDC_SEND));
    ASSERT_TRUE(AdvanceUntil(
        [&] { return TestState(*dlg).m_nStep == 14 && TestState(*dlg).m_imageCovered.any(); }));
    cable->noise = "\r\n" + Noise(300, 7) + "\r\n";
    cable->notify(EV_RXCHAR);
    ASSERT_TRUE(RunUntilIdle());
    ExpectFailedSafely("設定の確認に失敗しました");
    EXPECT_EQ(box.Stores(), 0);
    ExpectNothingDamaged();
    ExpectNextOperationsWork();
}

TEST_F(FaultLine, ALineOfTenThousandBytesCostsOnlyThatOperation) {
    ReadAndSave();
    box.faults.longLine = 10000;
    ASSERT_TRUE(win.Click(IDC_RECEIVE));
    ASSERT_TRUE(RunUntilIdle());
    // The 4096-byte buffer fills without a carriage return; the retries cannot help.
    ExpectFailedSafely(kNoAnswer);
    EXPECT_EQ(TestState(*dlg).m_rxLen, 0u) << "the full buffer outlives the operation";
    // The image is the one read before: the failed read did not take its place.
    EXPECT_EQ(TestState(*dlg).m_bImageValid, 0);
    ExpectNothingDamaged();
    ExpectNextOperationsWork();
}

// --- A box that answers every command twice ---

TEST_F(FaultLine, DoubleRepliesNeverGiveASuccessThatDidNotHappen) {
    ReadAndSave();
    for (int id : {IDC_RECEIVE, IDC_SEND, IDC_RESTART, IDC_FACTORY}) {
        SCOPED_TRACE(id);
        if (!win.IsEnabled(id)) {
            // The failed read before left only Receive: read the box as it is now.
            box.faults.doubleReplies = false;
            ASSERT_TRUE(win.Click(IDC_RECEIVE));
            ASSERT_TRUE(RunUntilIdle());
            ASSERT_EQ(Info(), kReceived);
        }
        box.faults.doubleReplies = true;
        const SettingsImage flash = box.Flash();
        ASSERT_TRUE(win.Click(id));
        ASSERT_TRUE(RunUntilIdle());
        const std::string info = Info();
        win.Advance(3000); // the rest of the doubled answers reaches a closed port
        EXPECT_FALSE(inner.anyOpen);
        EXPECT_FALSE(info.empty());
        EXPECT_EQ(Info(), info) << "a late answer changed the outcome";
        if (info == kReceived) {
            EXPECT_EQ(TestState(*dlg).m_SettingsImage, box.Ram());
        }
        if (info.rfind(kStored, 0) == 0) {
            EXPECT_EQ(box.Flash(), TestState(*dlg).m_SettingsImage)
                << "stored what was not verified";
        } else if (id == IDC_SEND) {
            EXPECT_EQ(box.Flash(), flash) << "a failed send stored settings";
        }
    }
    ExpectNextOperationsWork();
}

} // namespace
