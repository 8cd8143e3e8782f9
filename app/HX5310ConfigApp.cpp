#include "HX5310ConfigApp.h"

#include "HX5310ConfigDlg.h"

namespace hx {

void CHX5310ConfigApp::LoadPreferences() {
    m_strSection = "Settings";
    m_nSerialNumber = static_cast<uint32_t>(GetProfileInt("Serial Number", 1));
}

SerialReservation CHX5310ConfigApp::ReserveSerial(const uint32_t* typed, bool moveBack,
                                                  const BoxRecord& record) {
    SerialCounter file(m_prefs, m_strSection);
    ISerialStore& store = m_pStore ? *m_pStore : file;
    m_lastReservation = store.Reserve(typed, moveBack, record);
    m_strRecordProblem.clear();
    m_bReservationOpen = m_lastReservation.ok() ? 1 : 0;
    if (m_lastReservation.ok())
        m_nSerialNumber = m_lastReservation.next;
    return m_lastReservation;
}

void CHX5310ConfigApp::FinishSerial(bool programmed, const std::string& sent) {
    if (!m_bReservationOpen)
        return;
    m_bReservationOpen = 0;
    SerialCounter file(m_prefs, m_strSection);
    ISerialStore& store = m_pStore ? *m_pStore : file;
    std::string why;
    if (!store.Finish(m_lastReservation, programmed, sent, why))
        m_strRecordProblem = why;
}

std::unique_ptr<CHX5310ConfigDlg> CHX5310ConfigApp::MakeMainWindow(IWindowServices& win,
                                                                   IPortFactory& ports) {
    LoadPreferences();
    auto dlg = std::make_unique<CHX5310ConfigDlg>(win, ports, *this);
    dlg->SetPortName(GetProfileString("Serial Port", ""));
    return dlg;
}

int CHX5310ConfigApp::EndMainWindow(const CHX5310ConfigDlg& dlg, int result) {
    if (result == 2)
        WriteProfileString("Serial Port", dlg.PortName());
    return result;
}

int CHX5310ConfigApp::InitInstance(IWindowServices& win, IPortFactory& ports) {
    const std::unique_ptr<CHX5310ConfigDlg> dlg = MakeMainWindow(win, ports);
    return EndMainWindow(*dlg, dlg->DoModal());
}

} // namespace hx
