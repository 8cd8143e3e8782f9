// Placeholder until the image layout is written.
#include "app/HX5310ConfigDlg.h"
namespace hx {
void CHX5310ConfigDlg::ExchangeImage(bool) {}
} // namespace hx
