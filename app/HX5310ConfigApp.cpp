#include "HX5310ConfigApp.h"

#include "HX5310ConfigDlg.h"

namespace hx {

void CHX5310ConfigApp::LoadPreferences() {
    m_strSection = "Settings";
    m_nSerialNumber = static_cast<uint32_t>(GetProfileInt("Serial Number", 1));
}

SerialReservation CHX5310ConfigApp::ReserveSerial(const uint32_t* typed, bool moveBack) {
    SerialReservation r = SerialCounter(m_prefs, m_strSection).Reserve(typed, moveBack);
    if (r.ok())
        m_nSerialNumber = r.next;
    return r;
}

int CHX5310ConfigApp::InitInstance(IWindowServices& win, IPortFactory& ports) {
    LoadPreferences();
    CHX5310ConfigDlg dlg(win, ports, *this);
    dlg.SetPortName(GetProfileString("Serial Port", ""));
    const int result = dlg.DoModal();
    if (result == 2)
        WriteProfileString("Serial Port", dlg.PortName());
    return result;
}

} // namespace hx
