// Placeholder until the presets are written.
#include "app/HX5310ConfigDlg.h"
namespace hx {
void CHX5310ConfigDlg::ApplyPresetA() {}
void CHX5310ConfigDlg::ApplyPresetB() {}
} // namespace hx
