// The command sequencer: the operations on the box as chains of AT commands, with retries,
// time-outs, the success ends and the error end.
#include "app/HX5310ConfigDlg.h"
#include "link/HexRecord.h"
#include "link/SerialNumber.h"

#include <cctype>
#include <cstdio>

namespace hx {
namespace {

bool Is(const std::string& line, const char* word) {
    size_t i = 0;
    for (; word[i]; ++i) {
        if (i >= line.size() || std::toupper(static_cast<unsigned char>(line[i])) !=
                                    std::toupper(static_cast<unsigned char>(word[i])))
            return false;
    }
    return i == line.size();
}

std::string Format(const char* pattern, const std::string& arg) {
    std::string out;
    for (const char* p = pattern; *p; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            out += arg;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

const char* ErrorText(int code) {
    switch (code) {
    case ERR_MODEL:
        return "接続された装置は HX-5310 ではありません";
    case ERR_RECEIVE:
        return "設定の受信に失敗しました";
    case ERR_SEND:
        return "設定の送信に失敗しました";
    case ERR_VERIFY:
        return "設定の確認に失敗しました";
    default:
        return "";
    }
}

std::string BadNewSerialText(const std::string& text) {
    return Format("新しい製造番号（%s）が正しくありません。00000000～FFFFFFFE の16進数を入力して"
                  "ください",
                  text);
}

} // namespace

void CHX5310ConfigDlg::OnReceiveSettings() {
    StartOperation(STEP_RX_FIRST);
}
void CHX5310ConfigDlg::OnSendSettings() {
    StartOperation(STEP_TX_FIRST);
}
void CHX5310ConfigDlg::OnRestartBox() {
    StartOperation(STEP_RESTART_FIRST);
}
void CHX5310ConfigDlg::OnFactoryReset() {
    StartOperation(STEP_FACTORY_FIRST);
}

void CHX5310ConfigDlg::StartOperation(int firstStep) {
    if (firstStep != STEP_TX_FIRST)
        m_bResumeMonitor = 0;
    UpdateData(true);

    // A box without a serial number gets the text of field 1066; a text that is not a serial
    // number must reach neither the box nor the stored counter, so the reset does not start.
    uint32_t newSerial = 0;
    if (firstStep == STEP_FACTORY_FIRST && GetU32(m_SettingsImage, kSerialOffset) == kNoSerial &&
        !ParseSerialText(m_strNewSerial, newSerial)) {
        SetInfoNow(BadNewSerialText(m_strNewSerial));
        return;
    }

    if (!OpenPort()) {
        m_strInfo = OpenFailedText();
        UpdateData(false);
        return;
    }
    m_win.KillTimer(TIMER_CLEAR_INFO);
    m_strInfo.clear();
    m_strBackupError.clear();
    m_strCounterNote.clear();
    UpdateData(false);
    if (firstStep == STEP_TX_FIRST)
        ExchangeImage(true);
    EnableOperationControls(false);
    switch (firstStep) {
    case STEP_RX_FIRST:
        m_bImageValid = 0;
        m_nVersionMajor = 0;
        m_nVersionMinor = 0;
        m_SettingsImage.fill(0);
        break;
    case STEP_TX_FIRST:
        BackupBoxImage();
        m_nSendAddress = 0;
        m_bImageValid = 0;
        break;
    case STEP_FACTORY_FIRST:
        BackupBoxImage();
        // The read-back at the end must bring its own end-of-file record to count as complete.
        m_bImageValid = 0;
        break;
    default:
        break;
    }
    m_imageCovered.reset();
    m_nStep = firstStep;
    SendCommand("AT\r", 200);
}

void CHX5310ConfigDlg::SendCommand(const std::string& command, unsigned periodMs) {
    CommWriteText(command);
    if (periodMs != 0) {
        m_nRetries = 2;
        m_strLastCommand = command;
        m_win.SetTimer(TIMER_RETRY, periodMs);
    }
}

bool CHX5310ConfigDlg::OnResponseLine(const std::string& line) {
    const bool ok = Is(line, "OK");
    auto next = [this](int step, const std::string& command, unsigned periodMs) {
        m_win.KillTimer(TIMER_RETRY);
        m_nStep = step;
        SendCommand(command, periodMs);
    };
    // Records of the image during a receive or a read-back.
    auto record = [this, &line](int mode, int errorCode) {
        const int r = ReceiveRecord(line.c_str(), mode);
        if (r < 0)
            m_nStep = errorCode;
        else if (r == 1)
            m_bImageValid = 1;
    };

    switch (m_nStep) {
    case 1:
        if (ok)
            next(2, "ATI3\r", 200);
        break;
    case 2:
        if (ok) {
            if (m_nVersionMajor == 0)
                m_nStep = ERR_MODEL;
            else
                next(3, "ATI4\r", 200);
        } else if (!Is(line, "ATI3")) {
            unsigned char major = 0, minor = 0;
            if (std::sscanf(line.c_str(), "QORVA Voice Relay Control Version %hhu.%hhu", &major,
                            &minor) < 2) {
                m_nStep = ERR_MODEL;
            } else {
                m_nVersionMajor = major;
                m_nVersionMinor = minor;
            }
        }
        break;
    case 3:
        if (ok) {
            next(4, "ATSRX\r", 1000);
        } else if (!Is(line, "ATI4")) {
            if (!Is(line.substr(0, 7), "HX-5310"))
                m_nStep = ERR_MODEL;
        }
        break;
    case 4:
        if (ok) {
            if (m_bImageValid)
                ReceiveSuccessEnd("設定の受信に成功しました");
            else
                m_nStep = ERR_RECEIVE;
        } else if (!Is(line, "ATSRX")) {
            record(HEX_STORE, ERR_RECEIVE);
        }
        break;
    case 11:
        if (ok)
            next(12, "ATSTX\r", 200);
        break;
    case 12:
        if (ok) {
            // The whole image goes out record by record, one per transmit-empty event; the box
            // answers OK once, after the whole image. One time-out covers the stream.
            m_win.KillTimer(TIMER_RETRY);
            m_nStep = 13;
            char buffer[kRecordBufferSize];
            m_bMoreToSend = BuildHexRecord(buffer);
            CommWriteText(buffer);
            m_nRetries = 0;
            m_win.SetTimer(TIMER_RETRY, 5000);
        }
        break;
    case 13:
        if (ok) {
            if (m_bMoreToSend) {
                m_bMoreToSend = 0;
                m_nStep = ERR_SEND;
            } else {
                m_win.KillTimer(TIMER_RETRY);
                SetInfoNow("設定の送信に成功しました");
                m_nStep = 14;
                SendCommand("ATSRX\r", 500);
            }
        }
        break;
    case 14:
        if (ok) {
            if (m_bImageValid)
                next(15, "AT&W\r", 500);
            else
                m_nStep = ERR_VERIFY;
        } else if (!Is(line, "ATSRX")) {
            record(HEX_COMPARE, ERR_VERIFY);
        }
        break;
    case 15:
        if (ok)
            SendSuccessEnd();
        break;
    case 21:
        if (ok)
            next(22, "ATR\r", 200);
        break;
    case 22:
        if (ok)
            RestartSuccessEnd();
        break;
    case 31:
        if (ok)
            next(GetU32(m_SettingsImage, kSerialOffset) == kNoSerial ? 32 : 33, "AT&F\r", 200);
        break;
    case 32:
        if (ok) {
            uint32_t serial = 0;
            if (!ParseSerialText(m_strNewSerial, serial)) {
                // The text changed while the reset ran and is no serial number.
                m_nStep = ERR_NEW_SERIAL;
                break;
            }
            m_app.m_nSerialNumber = serial;
            next(33, "AT!SN=" + FormatSerialText(serial) + "\r", 200);
        }
        break;
    case 33:
        if (ok)
            next(34, "AT&W\r", 500);
        break;
    case 34:
        if (ok) {
            if (GetU32(m_SettingsImage, kSerialOffset) == kNoSerial) {
                // The box has stored the number it was given: count on from it.
                uint32_t nextSerial = 0;
                std::string nextText;
                if (NextSerial(m_app.m_nSerialNumber, nextSerial, nextText)) {
                    m_app.m_nSerialNumber = nextSerial;
                    m_app.WriteProfileInt("Serial Number", static_cast<int>(nextSerial));
                } else {
                    m_strCounterNote = Format("次の製造番号（%s）は使えません。新しい番号を入力"
                                              "してください",
                                              nextText);
                }
                m_strNewSerial = nextText;
                ShowSerialRow(false);
            }
            next(35, "ATSRX\r", 1000);
        }
        break;
    case 35:
        if (ok) {
            if (m_bImageValid)
                ReceiveSuccessEnd("出荷時の設定に戻しました");
            else
                m_nStep = ERR_RECEIVE;
        } else if (!Is(line, "ATSRX")) {
            record(HEX_STORE, ERR_RECEIVE);
        }
        break;
    case 51:
        if (ok)
            next(52, "ATS67=2\r", 200);
        break;
    case 52:
        if (ok)
            next(53, "AT*M1\r", 200);
        break;
    case 53:
        if (ok) {
            m_win.KillTimer(TIMER_RETRY);
            m_nStep = 0;
            m_bMonitorMode = 1;
        }
        break;
    default:
        break;
    }
    if (m_nStep >= 90) {
        ErrorEnd();
        return true;
    }
    return false;
}

// Notes that an operation leaves beside its outcome (a backup or the serial-number counter that
// failed) are shown after it and stay until the next operation.
static bool AppendNotes(std::string& info, const std::string& a, const std::string& b) {
    for (const std::string* note : {&a, &b})
        if (!note->empty())
            info += "／" + *note;
    return !a.empty() || !b.empty();
}

void CHX5310ConfigDlg::ReceiveSuccessEnd(const char* message) {
    m_win.KillTimer(TIMER_RETRY);
    m_nStep = 0;
    ClosePort();
    ExchangeImage(false);
    KeepBoxImage();
    m_strInfo = message;
    if (!AppendNotes(m_strInfo, m_strBackupError, m_strCounterNote))
        m_win.SetTimer(TIMER_CLEAR_INFO, 5000);
    UpdateData(false);
    EnableOperationControls(true);
    m_win.SetTitle(SuccessTitle());
    if (GetU32(m_SettingsImage, kSerialOffset) == kNoSerial)
        ShowSerialRow(true);
}

void CHX5310ConfigDlg::SendSuccessEnd() {
    m_win.KillTimer(TIMER_RETRY);
    m_nStep = 0;
    ClosePort();
    EnableOperationControls(true);
    m_strInfo = "設定の送信、確認と保存に成功しました";
    if (!AppendNotes(m_strInfo, m_strBackupError, m_strCounterNote))
        m_win.SetTimer(TIMER_CLEAR_INFO, 5000);
    UpdateData(false);
    if (m_bResumeMonitor) {
        m_chkMonitor.SetCheck(1);
        StartStopMonitor();
        m_bResumeMonitor = 0;
    }
}

void CHX5310ConfigDlg::RestartSuccessEnd() {
    m_win.KillTimer(TIMER_RETRY);
    m_nStep = 0;
    ClosePort();
    EnableOperationControls(true);
    m_strInfo = "再起動に成功しました";
    m_win.SetTimer(TIMER_CLEAR_INFO, 5000);
    UpdateData(false);
}

std::string CHX5310ConfigDlg::SuccessTitle() const {
    char title[96];
    std::snprintf(title, sizeof title, "HX-5310 Configuration, Ver%u.%02u, Serial No.%08X",
                  static_cast<unsigned>(m_nVersionMajor), static_cast<unsigned>(m_nVersionMinor),
                  static_cast<unsigned>(GetU32(m_SettingsImage, kSerialOffset)));
    return title;
}

void CHX5310ConfigDlg::ErrorEnd() {
    const int code = m_nStep;
    m_win.KillTimer(TIMER_RETRY);
    m_win.KillTimer(TIMER_TX_PACE);
    ClosePort();
    m_strInfo = code == ERR_NEW_SERIAL ? BadNewSerialText(m_strNewSerial) : ErrorText(code);
    AppendNotes(m_strInfo, m_strBackupError, m_strCounterNote);
    UpdateData(false);
    m_rxLen = 0;
    m_nStep = 0;
    m_btnReceive.EnableWindow(true);
    if (m_bImageValid)
        EnableOperationControls(true);
}

void CHX5310ConfigDlg::TimeOut() {
    m_win.KillTimer(TIMER_RETRY);
    m_win.KillTimer(TIMER_TX_PACE);
    m_rxLen = 0;
    m_bMoreToSend = 0;
    m_strInfo = "応答がありませんでした";
    AppendNotes(m_strInfo, m_strBackupError, m_strCounterNote);
    UpdateData(false);
    ClosePort();
    m_btnReceive.EnableWindow(true);
    if (m_bImageValid) {
        EnableWindowControls(true);
        EnableOperationControls(true);
    }
    m_nStep = 0;
}

void CHX5310ConfigDlg::OnTimer(unsigned id) {
    switch (id) {
    case TIMER_RETRY:
        if (m_nRetries > 0) {
            --m_nRetries;
            CommWriteText(m_strLastCommand);
        } else {
            TimeOut();
        }
        break;
    case TIMER_CLEAR_INFO:
        m_win.KillTimer(TIMER_CLEAR_INFO);
        m_edInfo.SetWindowText("");
        break;
    case TIMER_TX_PACE:
        m_win.KillTimer(TIMER_TX_PACE);
        m_win.PostCommEvent(EV_TXEMPTY, TIMER_TX_PACE);
        break;
    case TIMER_MONITOR_WATCH:
        OnMonitorWatch();
        break;
    default:
        break;
    }
}

} // namespace hx
