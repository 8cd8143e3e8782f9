// Placeholder until the transmit selection and presets are written.
#include "app/HX5310ConfigDlg.h"
namespace hx {
void CHX5310ConfigDlg::ApplyTxSelectA() {}
void CHX5310ConfigDlg::ApplyTxSelectB() {}
void CHX5310ConfigDlg::ApplyPresetA() {}
void CHX5310ConfigDlg::ApplyPresetB() {}
} // namespace hx
