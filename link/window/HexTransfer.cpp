// The window's Intel HEX operations on its image, and the record pump.
#include "HX5310ConfigDlg.h"
#include "HexRecord.h"

namespace hx {

int CHX5310ConfigDlg::ReceiveRecord(const char* record, int mode) {
    RecordSpan span;
    const int r = ParseRecord(record, mode, m_SettingsImage, &span);
    if (r == 0) {
        for (int i = 0; i < span.count; ++i)
            m_imageCovered.set(span.address + static_cast<size_t>(i));
    } else if (r == 1 && !m_imageCovered.all()) {
        return -1; // an end-of-file record after an image with gaps: records went missing
    }
    return r;
}

int CHX5310ConfigDlg::BuildHexRecord(char* buffer) {
    return BuildRecord(m_SettingsImage, m_nSendAddress, buffer);
}

void CHX5310ConfigDlg::PumpRecords(long tag) {
    // The port's own event: every record written so far has left it.
    if (tag != TIMER_TX_PACE && m_nStep == 13)
        m_nSentAddress = m_nSendAddress;
    if (!m_bMoreToSend)
        return;
    if (tag != TIMER_TX_PACE)
        m_win.KillTimer(TIMER_TX_PACE); // the port's own event: a pending re-try is not needed
    if (!(m_pComm->GetStatus() & MS_DSR_ON)) {
        // The box holds DSR off: try again in 2 ms, without waiting here.
        m_win.SetTimer(TIMER_TX_PACE, 2);
        return;
    }
    char buffer[kRecordBufferSize];
    if (BuildHexRecord(buffer) == 0)
        m_bMoreToSend = 0;
    CommWriteText(buffer);
}

} // namespace hx
