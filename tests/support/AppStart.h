#pragma once
// The main window as the application object starts it, for every fixture: the application
// object makes the window (CHX5310ConfigApp::MakeMainWindow: the preferences, the stored port)
// and the window's start-up runs; the test stands in for the modal loop (virtual time, or the
// Qt event loop). The Qt window's start-up is in QtApp.h.
#include "HX5310ConfigApp.h"
#include "HX5310ConfigDlg.h"
#include "MemoryWindow.h"

#include <memory>

namespace hx::test {

// The operation controls: buttons 1001, 1007, 1008, 1062, 1063, 1064 and check box 1029. While
// an operation runs they are disabled.
inline constexpr int kOperationControls[] = {1001, 1007, 1008, 1062, 1063, 1064, 1029};

// The in-memory window: its modal run returns once the start-up has run.
inline std::unique_ptr<CHX5310ConfigDlg>
StartAsTheApplication(CHX5310ConfigApp& app, MemoryWindow& win, IPortFactory& ports) {
    std::unique_ptr<CHX5310ConfigDlg> dlg = app.MakeMainWindow(win, ports);
    dlg->DoModal();
    return dlg;
}

} // namespace hx::test
