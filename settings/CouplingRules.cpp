// Placeholder until the coupling rules are written.
#include "app/HX5310ConfigDlg.h"
namespace hx {
void CHX5310ConfigDlg::OnFieldKillFocus(int) {}
} // namespace hx
