#pragma once
// The whole window against the box model, in virtual time.
#include "AppStart.h"
#include "BoxModel.h"
#include "HX5310ConfigApp.h"
#include "HX5310ConfigDlg.h"
#include "InProcessPort.h"
#include "MemoryPreferences.h"
#include "MemoryWindow.h"

#include <map>
#include <memory>
#include <string>

namespace hx::test {

// A new empty folder in the system's folder for temporary files, its name prefix and a random
// part; empty when none could be made.
std::string NewTempFolder(const std::string& prefix);

class Harness {
public:
    // storedPort: the "Serial Port" preference; the box's port is "COM1".
    explicit Harness(const std::string& storedPort = "COM1", bool start = true);
    ~Harness();

    // Makes the window and runs its start-up as the application object does.
    void Start();
    // Lets virtual time pass until no operation runs (m_nStep 0); false after maxMs.
    bool RunUntilIdle(uint64_t maxMs = 20000);
    // Clicks a control and lets the operation it starts run to its end.
    bool ClickAndWait(int id, uint64_t maxMs = 20000);

    std::string Info() const { return win.GetText(1002); }
    // A fresh per-user folder of this harness (backups go below it); removed with the harness.
    const std::string& AppData() const { return m_appData; }
    bool Enabled(int id) const { return win.IsEnabled(id); }
    bool Visible(int id) const { return win.IsVisible(id); }
    // What an editor control shows: a list's selection, a check box's state or a field's text.
    std::string Shown(int id) const;
    // Sets what Shown reads: chooses a list item, sets a check box, or puts a text into a field.
    void Show(int id, const std::string& value);
    // Every list, check box and edit field of the settings (1003 to 1073) as Shown.
    std::map<int, std::string> Editor() const;

    MemoryWindow win;
    MemoryPreferences prefs;
    CHX5310ConfigApp app{prefs};
    sim::BoxModel box;
    sim::InProcessPortFactory ports{win, box};
    std::unique_ptr<CHX5310ConfigDlg> dlg;

private:
    std::string m_appData;
};

} // namespace hx::test
