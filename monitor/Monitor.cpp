// Placeholder until monitor mode is written.
#include "app/HX5310ConfigDlg.h"
namespace hx {
void CHX5310ConfigDlg::StartStopMonitor() {}
void CHX5310ConfigDlg::OnMonitorClicked() {}
void CHX5310ConfigDlg::OnInfoKillFocus(int) {}
void CHX5310ConfigDlg::ProcessMonitorFrame() {}
} // namespace hx
