// The real window (QtWindow, QtPortFactory) against hx5310-sim over a pseudo-terminal: a read,
// an edited value sent with verification, a restart, and a factory reset that gives the box its
// serial number; what the information field says and which controls are usable after each.
#include "E2ESupport.h"
#include "HX5310ConfigApp.h"
#include "HX5310ConfigDlg.h"
#include "MemoryPreferences.h"
#include "QtSerialPort.h"
#include "QtWindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

namespace hx {
namespace {

using test::kOperationControls;

class WindowE2E : public ::testing::Test {
protected:
    WindowE2E() { e2e::EnsureQtApp(); }
    ~WindowE2E() override {
        if (dlg && !win.Ended())
            win.EndDialog(2);
    }
    void Open() {
        ASSERT_TRUE(folders.Valid());
        ASSERT_TRUE(sim.Start());
        prefs.WriteString("Settings", "Serial Port", sim.Link());
        prefs.WriteInt("Settings", "Serial Number", 0x19);
        dlg = test::StartAsTheApplication(app, win, ports);
        ASSERT_TRUE(dlg);
        ASSERT_TRUE(QTest::qWaitForWindowActive(win.Dialog()));
        // The box's port is in the list by its own name, selected as the stored port.
        ASSERT_EQ(win.GetText(IDC_PORT), "hx5310-sim");
    }
    // Clicks an operation button and waits for the operation's end; returns the information.
    std::string Run(int id) {
        EXPECT_TRUE(win.IsEnabled(id)) << id;
        QTest::mouseClick(win.Widget(id), Qt::LeftButton);
        EXPECT_TRUE(e2e::RunUntil([this] { return TestState(*dlg).m_nStep == 0; }, 8000)) << id;
        return win.GetText(IDC_INFO);
    }
    void Type(int id, const char* text) {
        auto* edit = qobject_cast<QLineEdit*>(win.Widget(id));
        edit->setFocus(Qt::MouseFocusReason);
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    void ExpectAllUsable() {
        for (int id : kOperationControls)
            EXPECT_TRUE(win.IsEnabled(id)) << id;
        EXPECT_TRUE(win.IsEnabled(IDCANCEL));
        EXPECT_TRUE(win.IsEnabled(IDC_PORT));
    }

    e2e::TestFolders folders;
    e2e::SimProcess sim;
    QtWindow win;
    MemoryPreferences prefs;
    CHX5310ConfigApp app{prefs};
    QtPortFactory ports;
    std::unique_ptr<CHX5310ConfigDlg> dlg;
};

TEST_F(WindowE2E, ReadEditSendRestartAndFactoryReset) {
    Open();
    EXPECT_EQ(Run(IDC_RECEIVE), "設定の受信に成功しました");
    ExpectAllUsable();
    EXPECT_NE(win.GetTitle().find("Serial No.FFFFFFFF"), std::string::npos) << win.GetTitle();
    EXPECT_TRUE(win.IsVisible(IDC_NEW_SERIAL)); // a box without a serial number
    EXPECT_EQ(win.GetText(IDC_NEW_SERIAL), "00000019");
    if (const QString dir = qEnvironmentVariable("HX_SCREENSHOT_DIR"); !dir.isEmpty()) {
        QDir().mkpath(dir);
        win.Dialog()->grab().save(dir + "/screenshot.png");
    }

    // Edited values go to the box, are verified by reading them back, and stay after a read.
    Type(IDC_DELAY_A, "440");
    Type(IDC_TXGAIN_B, "-6");
    EXPECT_EQ(Run(IDC_SEND), "設定の送信、確認と保存に成功しました");
    ExpectAllUsable();
    win.SetText(IDC_DELAY_A, "16");
    // The edit was neither sent nor saved: the window asks before the read replaces it.
    QTimer::singleShot(100, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(Run(IDC_RECEIVE), "設定の受信に成功しました");
    EXPECT_EQ(win.GetText(IDC_DELAY_A), "440");
    EXPECT_EQ(win.GetText(IDC_TXGAIN_B), "-6");

    EXPECT_EQ(Run(IDC_RESTART), "再起動に成功しました");
    ExpectAllUsable();

    // The factory reset gives the box the next serial number and counts the stored one on.
    EXPECT_EQ(Run(IDC_FACTORY), "出荷時の設定に戻しました");
    ExpectAllUsable();
    EXPECT_NE(win.GetTitle().find("Serial No.00000019"), std::string::npos) << win.GetTitle();
    EXPECT_FALSE(win.IsVisible(IDC_NEW_SERIAL));
    EXPECT_EQ(prefs.GetInt("Settings", "Serial Number", 0), 0x20);
    EXPECT_EQ(win.GetText(IDC_DELAY_A), "248");
    EXPECT_EQ(win.MessagesShown().size(), 1u); // the question before the read over the edit
}

} // namespace
} // namespace hx
