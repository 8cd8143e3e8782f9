// Placeholder until the automatic backups are written.
#include "app/HX5310ConfigDlg.h"
namespace hx {
void CHX5310ConfigDlg::KeepBoxImage() {
    m_boxImage = m_SettingsImage;
    m_bBoxImageValid = 1;
}
bool CHX5310ConfigDlg::BackupBoxImage() { return true; }
std::string CHX5310ConfigDlg::BackupFolder() const { return m_win.AppDataFolder(); }
} // namespace hx
