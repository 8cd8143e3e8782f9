#include "Harness.h"

#include <filesystem>
#include <random>
#include <system_error>

namespace hx::test {

std::string NewTempFolder(const std::string& prefix) {
    std::error_code ec;
    const std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
    if (ec)
        return {};
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path folder =
            temp / (prefix + "-" + std::to_string(random() % 1000000000u));
        if (std::filesystem::create_directory(folder, ec))
            return folder.u8string();
    }
    return {};
}

Harness::Harness(const std::string& storedPort, bool start) {
    if (!storedPort.empty())
        prefs.WriteString("Settings", "Serial Port", storedPort);
    ports.SetPortNames({"COM1"});
    m_appData = NewTempFolder("hx5310-test");
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
    dlg = StartAsTheApplication(app, win, ports);
}

bool Harness::RunUntilIdle(uint64_t maxMs) {
    return win.AdvanceUntil([this] { return TestState(*dlg).m_nStep == 0; }, maxMs);
}

std::string Harness::Shown(int id) const {
    const MemoryWindow::Control* c = win.Find(id);
    if (c && c->def.kind == ControlKind::DropList)
        return std::to_string(win.ListSelection(id));
    if (c && c->def.kind == ControlKind::CheckBox)
        return std::to_string(win.GetCheck(id));
    return win.GetText(id);
}

void Harness::Show(int id, const std::string& value) {
    const MemoryWindow::Control* c = win.Find(id);
    if (c && c->def.kind == ControlKind::DropList)
        win.Choose(id, std::stoi(value));
    else if (c && c->def.kind == ControlKind::CheckBox)
        win.SetCheck(id, std::stoi(value));
    else
        win.SetText(id, value);
}

std::map<int, std::string> Harness::Editor() const {
    std::map<int, std::string> shown;
    for (int id = 1003; id <= 1073; ++id) {
        const MemoryWindow::Control* c = win.Find(id);
        if (!c || id == IDC_MONITOR || id == IDC_NEW_SERIAL || id == IDC_AVG_A || id == IDC_AVG_B)
            continue;
        const ControlKind k = c->def.kind;
        if (k == ControlKind::DropList || k == ControlKind::CheckBox || k == ControlKind::Edit)
            shown[id] = Shown(id);
    }
    return shown;
}

bool Harness::ClickAndWait(int id, uint64_t maxMs) {
    if (!win.Click(id))
        return false;
    return RunUntilIdle(maxMs);
}

} // namespace hx::test
