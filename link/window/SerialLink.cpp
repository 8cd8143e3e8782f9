// The serial link: opening the port, the read loop with the line splitter, the port list.
#include "HX5310ConfigDlg.h"
#include "PortNames.h"
#include "ReplyLedger.h"

#include <algorithm>
#include <cstring>

namespace hx {

int CHX5310ConfigDlg::OpenPort() {
    m_rxLen = 0;
    // A port held open from the last operation is the line to the same box.
    if (m_bHoldPort && m_bPortOpen && m_pComm && m_pComm->IsOpen())
        return 1;
    if (!m_pComm)
        m_pComm = m_ports.CreatePort();
    if (!m_pComm) {
        m_bPortOpen = 0;
        return 0;
    }
    m_pComm->SetPortName(PortPath(m_strPortName));
    m_pComm->SetBaudRate("115200");
    m_pComm->SetDataBits("8");
    m_pComm->SetParity("なし");
    m_pComm->SetStopBits("1");
    m_pComm->SetFlow("DTR/DSR");
    m_pComm->SetEventMask(EV_RXCHAR | EV_TXEMPTY);
    m_bPortOpen = m_pComm->Open([this](unsigned event) { m_win.PostCommEvent(event, 0); }) ? 1 : 0;
    if (m_bPortOpen)
        m_pComm->SetDtr(1);
    return m_bPortOpen;
}

void CHX5310ConfigDlg::ClosePort() {
    if (m_pComm)
        m_pComm->Close();
    m_bPortOpen = 0;
}

void CHX5310ConfigDlg::CloseAfterSuccess() {
    if (!m_bHoldPort)
        ClosePort();
}

void CHX5310ConfigDlg::HoldPort(bool hold) {
    m_bHoldPort = hold ? 1 : 0;
    if (!hold && m_bPortOpen && m_nStep == 0 && !m_bMonitorMode)
        ClosePort();
}

void CHX5310ConfigDlg::CommWriteText(const std::string& text) {
    if (m_pComm && m_bPortOpen)
        m_pComm->Write(text.data(), static_cast<int>(text.size()));
}

int CHX5310ConfigDlg::OnCommEvent(unsigned event, long tag) {
    if (!m_bPortOpen)
        return 0;
    if (event == EV_TXEMPTY) {
        PumpRecords(tag);
        ShowProgress();
        return 1;
    }
    if (event != EV_RXCHAR)
        return 1;
    // The read loop: take in what the port has, hand out lines or frames, until nothing is left.
    // A full buffer without a carriage return leaves no room; the operation then ends by its
    // time-out and the next open empties the buffer.
    while (m_bPortOpen) {
        const int n = m_pComm->Read(reinterpret_cast<char*>(m_rxBuf) + m_rxLen,
                                    static_cast<int>(sizeof m_rxBuf) - m_rxLen);
        if (n <= 0)
            break;
        m_rxLen = static_cast<uint16_t>(m_rxLen + n);
        if (m_bMonitorMode) {
            ProcessMonitorFrame();
        } else if (SplitLines()) {
            break; // the error end closed the port and emptied the buffer
        }
    }
    ShowProgress();
    return 1;
}

bool CHX5310ConfigDlg::SplitLines() {
    while (m_rxLen > 0) {
        uint8_t* cr = static_cast<uint8_t*>(std::memchr(m_rxBuf, '\r', m_rxLen));
        if (!cr)
            return false; // the partial line waits for the next read
        *cr = '\0';
        const size_t end = static_cast<size_t>(cr - m_rxBuf);
        size_t start = 0;
        while (start < end && (m_rxBuf[start] == '\r' || m_rxBuf[start] == '\n'))
            ++start;
        const std::string line(reinterpret_cast<const char*>(m_rxBuf + start));
        size_t consumed = end + 1;
        while (consumed < m_rxLen && (m_rxBuf[consumed] == '\r' || m_rxBuf[consumed] == '\n'))
            ++consumed;
        std::memmove(m_rxBuf, m_rxBuf + consumed, m_rxLen - consumed);
        m_rxLen = static_cast<uint16_t>(m_rxLen - consumed);
        if (line.empty() || line[0] == '#')
            continue;
        if (OnResponseLine(line))
            return true;
        if (m_bMonitorMode)
            return false; // what follows in the buffer are status frames
    }
    return false;
}

void CHX5310ConfigDlg::FillPortList() {
    // The list shows each port by its short name, in natural order; its path and what the
    // system knows of the adapter are its tooltip. Two ports of one short name show paths.
    m_cbPort.ResetContent();
    const std::vector<std::string> paths = m_ports.ListPorts();
    auto shown = [&paths](const std::string& path) {
        const std::string name = PortShortName(path);
        const auto same = std::count_if(paths.begin(), paths.end(), [&](const std::string& p) {
            return PortShortName(p) == name;
        });
        return same > 1 ? path : name;
    };
    std::vector<std::string> entries;
    m_portPaths.clear();
    for (const std::string& path : paths) {
        const std::string name = shown(path);
        const int at = PortInsertIndex(entries, name);
        entries.insert(entries.begin() + at, name);
        m_portPaths.insert(m_portPaths.begin() + at, path);
        m_cbPort.InsertString(at, name);
    }
    for (size_t i = 0; i < m_portPaths.size(); ++i) {
        const std::string about = m_ports.DescribePort(m_portPaths[i]);
        m_win.ListSetItemTip(IDC_PORT, static_cast<int>(i),
                             about.empty() ? m_portPaths[i] : m_portPaths[i] + "\n" + about);
    }
    // The port last used or stored, by its name or its path.
    for (size_t i = 0; i < entries.size(); ++i) {
        if (SameIgnoringCase(entries[i], m_strPortName) ||
            SameIgnoringCase(m_portPaths[i], m_strPortName)) {
            m_cbPort.SetCurSel(static_cast<int>(i));
            return;
        }
    }
}

std::string CHX5310ConfigDlg::PortPath(const std::string& name) const {
    for (size_t i = 0; i < m_portPaths.size(); ++i)
        if (m_cbPort.GetLBText(static_cast<int>(i)) == name)
            return m_portPaths[i];
    return name; // not listed: a path given as it is
}

} // namespace hx
