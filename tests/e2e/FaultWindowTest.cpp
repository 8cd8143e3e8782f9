// The window on the real Qt window and serial port, against hx5310-sim on a pseudo-terminal,
// with the faults whose handling the Qt layer has a part in: the line hung up under a running
// read (the simulator killed, as a pulled cable), a garbage flood that must not starve the
// window's timers, and the end of the monitor, which must leave the box quiet before the port
// closes. What the window's logic makes of each fault on the line (a pulled cable in every
// operation, noise, a line that never ends, a box that answers twice) is proved in virtual time
// by the behaviour tests; here: no crash, no hang, a message, the port closed, the controls as
// the rules say, and the next operation works once the box is back.
#include "E2ESupport.h"
#include "HX5310ConfigApp.h"
#include "HX5310ConfigDlg.h"
#include "MemoryPreferences.h"
#include "QtSerialPort.h"
#include "QtWindow.h"
#include "SettingsFile.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QTest>

#include <filesystem>
#include <memory>

using namespace hx;
using hx::e2e::RunUntil;

namespace {

const char kNoAnswer[] = "応答がありませんでした";
const char kReceived[] = "設定の受信に成功しました";
const char kStored[] = "設定の送信、確認と保存に成功しました";
using test::kOperationControls;

class FaultWindow : public ::testing::Test {
protected:
    FaultWindow() { e2e::EnsureQtApp(); }
    ~FaultWindow() override {
        if (dlg && !win.Ended())
            win.EndDialog(2);
    }

    // Starts the box with args and opens the window with its port stored.
    void Open(const QStringList& args) {
        ASSERT_TRUE(folders.Valid());
        ASSERT_TRUE(sim.Start(args));
        prefs.WriteString("Settings", "Serial Port", sim.Link());
        prefs.WriteInt("Settings", "Serial Number", 0x25000009);
        dlg = test::StartAsTheApplication(app, win, ports);
        ASSERT_TRUE(dlg);
        ASSERT_EQ(win.GetText(IDC_PORT), "hx5310-sim") << "the box's port is not selected";
        m_prefWrites = prefs.Writes();
    }
    void Click(int id) {
        ASSERT_TRUE(win.IsEnabled(id)) << "control " << id;
        QTest::mouseClick(win.Widget(id), Qt::LeftButton);
    }
    bool Idle(int ms) {
        return RunUntil([this] { return TestState(*dlg).m_nStep == 0; }, ms);
    }
    std::string Info() const { return win.GetText(IDC_INFO); }
    void Receive() {
        Click(IDC_RECEIVE);
        ASSERT_TRUE(Idle(8000));
        ASSERT_EQ(Info(), kReceived);
    }
    bool PortOpen() const {
        const auto* port = dynamic_cast<const QtPort*>(TestState(*dlg).m_pComm.get());
        return port && port->IsOpen();
    }

    // After a fault: a message that is no success, no operation left running, the port
    // closed, and Receive usable (the rest only while the image is valid).
    void ExpectFailedSafely(const std::string& message) {
        EXPECT_EQ(TestState(*dlg).m_nStep, 0);
        EXPECT_EQ(Info(), message);
        EXPECT_EQ(TestState(*dlg).m_bPortOpen, 0);
        EXPECT_FALSE(PortOpen()) << "the port stays open";
        EXPECT_TRUE(win.IsEnabled(IDCANCEL));
        EXPECT_TRUE(win.IsEnabled(IDC_PORT));
        for (int id : kOperationControls)
            EXPECT_EQ(win.IsEnabled(id), id == IDC_RECEIVE || TestState(*dlg).m_bImageValid ||
                                             TestState(*dlg).m_bImageFromBox)
                << "control " << id;
        EXPECT_TRUE(win.MessagesShown().empty()) << "a message box for a line fault";
        EXPECT_EQ(prefs.Writes(), m_prefWrites) << "a stored preference was written";
        ExpectBackupsWhole();
    }
    // Every backup made before a send is a whole settings file.
    void ExpectBackupsWhole() {
        const std::string folder = dlg->BackupFolder();
        if (folder.empty() || !std::filesystem::exists(folder))
            return;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            SettingsImage img{};
            std::string reason;
            EXPECT_EQ(ReadSettingsFile(entry.path().string(), img, reason), FileRead::Ok)
                << entry.path();
        }
    }
    // The box is back (a fresh simulator on the same port): a read and a send work.
    void ExpectNextOperationsWork() {
        if (!sim.Running()) {
            ASSERT_TRUE(sim.Start({"--pace"}));
        }
        Receive();
        Click(IDC_SEND);
        ASSERT_TRUE(Idle(10000));
        EXPECT_EQ(Info(), kStored);
        EXPECT_FALSE(PortOpen());
    }
    // Runs until pred holds, then kills the simulator.
    void KillWhen(const std::function<bool()>& pred) {
        ASSERT_TRUE(RunUntil(pred, 8000));
        sim.Kill();
    }

    e2e::TestFolders folders;
    e2e::SimProcess sim;
    QtWindow win;
    MemoryPreferences prefs;
    CHX5310ConfigApp app{prefs};
    QtPortFactory ports;
    std::unique_ptr<CHX5310ConfigDlg> dlg;
    int m_prefWrites = 0;
};

TEST_F(FaultWindow, SimKilledDuringARead) {
    Open({"--pace"});
    Click(IDC_RECEIVE);
    KillWhen([&] {
        return TestState(*dlg).m_nStep == 4 && TestState(*dlg).m_imageCovered.count() >= 512;
    });
    // The read gives up 3 periods of 1000 ms after "ATSRX".
    ASSERT_TRUE(Idle(6000));
    ExpectFailedSafely(kNoAnswer);
    EXPECT_EQ(TestState(*dlg).m_bImageValid, 0);
    EXPECT_EQ(win.GetTitle().find("Serial No."), std::string::npos);
    ExpectNextOperationsWork();
}

// The flood's bytes come faster than the window takes them: its retry timer must still run.
TEST_F(FaultWindow, GarbageFloodIsNeverASuccess) {
    Open({"--garbage", "200000"});
    Click(IDC_RECEIVE);
    ASSERT_TRUE(Idle(8000)) << "the flood keeps the operation running";
    EXPECT_NE(Info(), kReceived);
    ExpectFailedSafely(Info());
    EXPECT_FALSE(Info().empty());
}

// The box is told to stop, and the lone carriage return leaves the port before it closes:
// nothing more comes from the box afterwards.
void ExpectBoxQuiet(const std::string& link) {
    QSerialPort line(QString::fromStdString(link));
    ASSERT_TRUE(line.open(QIODevice::ReadWrite)) << line.errorString().toStdString();
    line.clear(QSerialPort::Input);
    RunUntil([] { return false; }, 500);
    EXPECT_EQ(line.bytesAvailable(), 0) << "the box still streams its status";
}

TEST_F(FaultWindow, EscapeWhileMonitoringLeavesTheBoxQuiet) {
    Open({});
    Receive();
    Click(IDC_MONITOR);
    ASSERT_TRUE(RunUntil(
        [&] { return TestState(*dlg).m_bMonitorMode && !TestState(*dlg).m_bFirstFrame; }, 5000));
    QTest::keyClick(win.Widget(IDC_INFO), Qt::Key_Escape);
    ASSERT_TRUE(RunUntil([&] { return win.Ended(); }, 2000));
    ExpectBoxQuiet(sim.Link());
}

} // namespace
