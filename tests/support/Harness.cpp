#include "tests/support/Harness.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace hx::test {

Harness::Harness(const std::string& storedPort, bool start) {
    if (!storedPort.empty())
        prefs.WriteString("Settings", "Serial Port", storedPort);
    ports.SetPortNames({"COM1"});
    std::string pattern = (std::filesystem::temp_directory_path() / "hx5310-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()))
        m_appData = pattern;
    win.SetAppDataFolder(m_appData);
    if (start)
        Start();
}

Harness::~Harness() {
    if (dlg && !win.Ended())
        win.EndDialog(2);
    std::error_code ec;
    if (!m_appData.empty())
        std::filesystem::remove_all(m_appData, ec);
}

void Harness::Start() {
    app.LoadPreferences();
    dlg = std::make_unique<CHX5310ConfigDlg>(win, ports, app);
    dlg->m_strPortName = app.GetProfileString("Serial Port", "");
    dlg->DoModal();
}

bool Harness::RunUntilIdle(uint64_t maxMs) {
    return win.AdvanceUntil([this] { return dlg->m_nStep == 0; }, maxMs);
}

bool Harness::ClickAndWait(int id, uint64_t maxMs) {
    if (!win.Click(id))
        return false;
    return RunUntilIdle(maxMs);
}

} // namespace hx::test
