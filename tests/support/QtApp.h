#pragma once
// The application object of a Qt test binary, made on first use: a QApplication on the
// offscreen platform (unless the environment names another), so that tests with widgets and
// tests with the serial port can share a binary. And the main window started on the Qt window
// as the application object starts it.
#include "AppStart.h"
#include "QtWindow.h"

#include <QApplication>

namespace hx::test {

inline void EnsureQtApp() {
    if (QCoreApplication::instance())
        return;
    // Wine passes no QT_ variable on to a Windows program: HX_TEST_QPA stands in for it.
    if (qEnvironmentVariableIsSet("HX_TEST_QPA"))
        qputenv("QT_QPA_PLATFORM", qgetenv("HX_TEST_QPA"));
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "hx5310-tests";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

// The Qt window: its start-up runs and the window shows; the test's event loop then runs it in
// place of the modal loop. Null when the start-up ended the window.
inline std::unique_ptr<CHX5310ConfigDlg> StartAsTheApplication(CHX5310ConfigApp& app, QtWindow& win,
                                                               IPortFactory& ports) {
    std::unique_ptr<CHX5310ConfigDlg> dlg = app.MakeMainWindow(win, ports);
    if (!win.Open(MainDialogTemplate(), *dlg))
        return nullptr;
    return dlg;
}

} // namespace hx::test
