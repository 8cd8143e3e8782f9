// Placeholder until the data exchange is written.
#include "app/HX5310ConfigDlg.h"
namespace hx {
bool CHX5310ConfigDlg::UpdateData(bool bSaveAndValidate) {
    bool ok = true;
    DoDataExchange(bSaveAndValidate, ok);
    return ok;
}
void CHX5310ConfigDlg::DoDataExchange(bool bSaveAndValidate, bool& ok) {
    ok = true;
    if (bSaveAndValidate) {
        m_strPortName = m_cbPort.GetWindowText();
    } else {
        m_edInfo.SetWindowText(m_strInfo);
    }
}
bool CHX5310ConfigDlg::ValidateHexSerial(const std::string&) { return true; }
} // namespace hx
