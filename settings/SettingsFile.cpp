// Placeholder until the settings files are written.
#include "app/HX5310ConfigDlg.h"
namespace hx {
void CHX5310ConfigDlg::OnSaveToFile() {}
void CHX5310ConfigDlg::OnLoadFromFile() {}
} // namespace hx
