#pragma once
// The whole main window on the Qt window, against the in-process box model in real time.
#include "BoxModel.h"
#include "HX5310ConfigApp.h"
#include "HX5310ConfigDlg.h"
#include "InProcessPort.h"
#include "MemoryPreferences.h"
#include "QtApp.h"
#include "QtTestSupport.h"
#include "QtWindow.h"

#include <QDialog>
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace hx::test {

class QtAppTest : public ::testing::Test {
protected:
    QtAppTest() { EnsureApp(); }
    ~QtAppTest() override {
        if (dlg && !win.Ended())
            win.EndDialog(2);
    }

    // Starts the window as the application object does, without the modal loop.
    void Open(const std::string& storedPort = "COM1") {
        if (!storedPort.empty())
            prefs.WriteString("Settings", "Serial Port", storedPort);
        ports.SetPortNames({"COM1"});
        dlg = StartAsTheApplication(app, win, ports);
        ASSERT_TRUE(dlg);
        ASSERT_TRUE(WaitFor([this] { return win.Dialog()->isActiveWindow(); }));
    }
    QWidget* W(int id) const { return win.Widget(id); }
    std::string Info() const { return win.GetText(IDC_INFO); }
    // Waits until no operation runs.
    bool Idle(int ms = 5000) {
        return WaitFor([this] { return TestState(*dlg).m_nStep == 0; }, ms);
    }

    QtWindow win;
    MemoryPreferences prefs;
    CHX5310ConfigApp app{prefs};
    QtClock clock;
    sim::BoxModel box;
    sim::InProcessPortFactory ports{clock, box};
    std::unique_ptr<CHX5310ConfigDlg> dlg;
};

} // namespace hx::test
