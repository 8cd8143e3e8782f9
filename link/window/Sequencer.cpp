// The command sequencer: the operations on the box as chains of AT commands, with retries,
// time-outs, the success ends and the error end.
#include "HX5310ConfigDlg.h"
#include "HexRecord.h"
#include "SerialNumber.h"
#include "SerialText.h"
#include "UserTexts.h"
#include "Version.h"

#include <cctype>
#include <cstdio>

namespace hx {
namespace {

// A line "is" a word when it is the whole word, in either case ("OK " is not "OK").
bool Is(const std::string& line, const char* word) {
    return SameIgnoringCase(line, word);
}

// A command as the box echoes it: without its carriage return.
std::string Echo(const std::string& command) {
    return command.substr(0, command.find('\r'));
}

// Commands after which the box no longer holds what it held before the operation.
bool ChangesBox(const std::string& command) {
    for (const char* word : {"ATSTX\r", "AT&W\r", "ATR\r", "AT&F\r"})
        if (command == word)
            return true;
    return command.rfind("AT!SN=", 0) == 0;
}

OutcomeKind ErrorOutcome(int code) {
    switch (code) {
    case ERR_MODEL:
        return OutcomeKind::NotTheModel;
    case ERR_RECEIVE:
        return OutcomeKind::ReceiveFailed;
    case ERR_SEND:
        return OutcomeKind::SendFailed;
    case ERR_VERIFY:
        return OutcomeKind::VerifyFailed;
    default:
        return OutcomeKind::BoxRefused;
    }
}

} // namespace

void CHX5310ConfigDlg::OnReceiveSettings() {
    // A read replaces every field: edits that no send or save has kept go only when the user
    // says so (Enter reads too). The default keeps them.
    if (HasUnkeptEdits() &&
        !m_win.AskYesNo("送信も保存もしていない変更があります。装置から受信すると、この変更は"
                        "失われます。\n受信しますか？",
                        MsgIcon::Warning))
        return;
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
void CHX5310ConfigDlg::Provision() {
    // Like every operation but a read, only once the box's image is here.
    if (m_nStep != 0 || m_bMonitorMode || !m_bImageFromBox)
        return;
    StartOperation(STEP_PROVISION_FIRST);
}

void CHX5310ConfigDlg::StartOperation(int firstStep) {
    if (firstStep != STEP_TX_FIRST)
        m_bResumeMonitor = 0;
    const bool fieldsPassed = UpdateData(true);
    const bool provision = firstStep == STEP_PROVISION_FIRST;
    // Steps that write the editor's image to the box.
    const bool writesImage = firstStep == STEP_TX_FIRST || provision;

    // A box without a serial number gets the text of field 1066; a text that is not a serial
    // number must reach neither the box nor the stored counter, so the reset does not start.
    const uint32_t boxSerial = GetU32(m_SettingsImage, kSerialOffset);
    bool giveSerial = (firstStep == STEP_FACTORY_FIRST || provision) && boxSerial == kNoSerial;
    uint32_t typed = 0;
    bool typedByUser = false;
    if (giveSerial) {
        if (!ParseSerialText(m_strNewSerial, typed)) {
            Refuse(OutcomeKind::BadNewSerial, m_strNewSerial);
            return;
        }
        // The field shows the counter's number unless the user typed another.
        typedByUser = typed != m_app.m_nSerialNumber;
    } else if (firstStep == STEP_TX_FIRST && ParseSerialText(m_strSerial, typed) &&
               typed != boxSerial) {
        // A send that writes a serial number the box does not hold (field 1061 typed) gives
        // that number like a reset does: through the counter.
        giveSerial = true;
        typedByUser = true;
    }
    // A send or a factory reset goes only with fields that passed their checks: the refused
    // field has shown its message and holds the focus, and nothing reaches the box. A read or a
    // restart goes on (the read replaces the fields, a restart does not use them).
    if (!fieldsPassed && (writesImage || firstStep == STEP_FACTORY_FIRST)) {
        RefuseField(writesImage ? "設定を送信していません" : "装置は変更していません");
        return;
    }

    // The settings the box holds are kept before anything can change it, and before a serial
    // number is reserved: a backup that cannot be written changes nothing unless the user
    // chooses to go on without one.
    std::string backupNote;
    if (writesImage || firstStep == STEP_FACTORY_FIRST) {
        std::string why;
        if (!BackupBoxImage(&why)) {
            backupNote = m_strBackupError;
            if (!m_win.AskYesNo(m_strBackupError + "。\nバックアップなしで続けますか？",
                                MsgIcon::Warning, Question::GoOnWithoutBackup)) {
                Refuse(OutcomeKind::BackupFailed, why);
                return;
            }
        }
    }

    if (!OpenPort()) {
        RefusePortNotOpened();
        return;
    }
    const char* operation = provision                    ? "provision"
                            : firstStep == STEP_TX_FIRST ? "send"
                                                         : "factory-reset";
    if (giveSerial && !ReserveSerial(typedByUser ? &typed : nullptr, operation))
        return;
    m_bGiveSerial = giveSerial ? 1 : 0;
    m_bProvision = provision ? 1 : 0;
    m_win.KillTimer(TIMER_CLEAR_INFO);
    m_strInfo.clear();
    m_strBackupError = backupNote; // going on without a backup: shown with the outcome
    BeginCommands();
    UpdateData(false);
    if (writesImage)
        ExchangeImage(true);
    // The image sent carries the number the box is given (the box stores the whole image).
    if (provision && giveSerial)
        PutU32(m_SettingsImage, kSerialOffset, m_nGivenSerial);
    EnableOperationControls(false);
    switch (firstStep) {
    case STEP_RX_FIRST:
        m_bImageValid = 0;
        m_bImageFromBox = 0;
        m_nVersionMajor = 0;
        m_nVersionMinor = 0;
        m_SettingsImage.fill(0);
        break;
    case STEP_TX_FIRST:
    case STEP_PROVISION_FIRST:
        m_nSendAddress = 0;
        m_nSentAddress = 0;
        m_bImageValid = 0;
        break;
    case STEP_FACTORY_FIRST:
        // The read-back at the end must bring its own end-of-file record to count as complete.
        m_bImageValid = 0;
        m_bImageFromBox = 0;
        break;
    default:
        break;
    }
    m_imageCovered.reset();
    // A provision runs the factory reset's first steps, then the send's.
    m_nStep = provision ? STEP_FACTORY_FIRST : firstStep;
    GreetBox();
}

void CHX5310ConfigDlg::GreetBox() {
    // A box left streaming status frames (a program that ended during the monitor, a cable
    // pulled) hears nothing else until a lone carriage return ends the stream; a box that is
    // not streaming passes over the empty line.
    CommWriteText("\r");
    SendCommand("AT\r", 200);
}

bool CHX5310ConfigDlg::ReserveSerial(const uint32_t* typed, const char* operation) {
    // The number is reserved before the box hears of it, with what the production record
    // keeps of the box.
    BoxRecord record;
    record.operation = operation;
    record.port = m_strPortName;
    record.toolVersion = HX_VERSION;
    record.model = m_strModelLine;
    char firmware[16];
    std::snprintf(firmware, sizeof firmware, "%u.%02u", static_cast<unsigned>(m_nVersionMajor),
                  static_cast<unsigned>(m_nVersionMinor));
    record.firmware = firmware;
    m_bSerialStored = 0;
    m_bSerialWithImage = record.operation != "factory-reset";
    SerialReservation r = m_app.ReserveSerial(typed, false, record);
    if (r.problem == CounterProblem::Lower &&
        m_win.AskYesNo(MoveCounterBackQuestion(FormatSerialText(*typed), r.value), MsgIcon::Warning,
                       Question::MoveCounterBack))
        r = m_app.ReserveSerial(typed, /*moveBack=*/true, record);
    if (!r.ok()) {
        ClosePort();
        if (r.problem == CounterProblem::Damaged) {
            // The field must not offer a number the counter does not hold.
            m_app.m_nSerialNumber = kNoSerial;
            m_strNewSerial.clear();
        }
        Refuse(r.problem == CounterProblem::Lower ? OutcomeKind::SerialBelowCounter
                                                  : OutcomeKind::CounterUnavailable,
               CounterProblemText(r));
        return false;
    }
    m_nGivenSerial = r.given;
    m_strNewSerial = FormatSerialText(r.next);
    m_edNewSerial.SetWindowText(m_strNewSerial);
    m_bGiveSerial = 1;
    return true;
}

void CHX5310ConfigDlg::FinishSerial() {
    if (!m_app.ReservationOpen())
        return;
    // A provision or a send that changed the box has sent its image, or part of it (a
    // provision's first change is the factory settings): the record keeps which image it was.
    const bool sent = m_bSerialWithImage && m_bBoxChanged;
    m_app.FinishSerial(m_bSerialStored != 0,
                       sent ? std::string(m_SettingsImage.begin(), m_SettingsImage.end())
                            : std::string());
}

void CHX5310ConfigDlg::RefuseField(const std::string& notDone) {
    // The fields keep what the user typed (a text that is no number would not survive a write
    // of the members): only the information field changes.
    m_win.KillTimer(TIMER_CLEAR_INFO);
    m_strBackupError.clear();
    m_bBoxChanged = 0;
    SetOutcome(OutcomeKind::FieldRefused, notDone);
    SetInfoNow(m_strInfo);
}

void CHX5310ConfigDlg::RefusePortNotOpened() {
    if (m_strPortName.empty()) {
        Refuse(OutcomeKind::NoPortChosen, {});
        return;
    }
    Refuse(OutcomeKind::PortNotOpened, m_strPortName);
    m_outcome.portError = m_pComm ? m_pComm->LastOpenError() : PortOpenError::Other;
    m_strInfo = InfoText(m_outcome);
    UpdateData(false);
}

void CHX5310ConfigDlg::BeginCommands() {
    m_outcome = Outcome{};
    m_replies.Begin();
    m_bBoxChanged = 0;
}

void CHX5310ConfigDlg::Refuse(OutcomeKind kind, const std::string& detail) {
    m_win.KillTimer(TIMER_CLEAR_INFO); // a success before must not clear this text
    m_strBackupError.clear();
    m_bBoxChanged = 0;
    SetOutcome(kind, detail);
    UpdateData(false);
}

void CHX5310ConfigDlg::SendCommand(const std::string& command, unsigned periodMs) {
    if (ChangesBox(command))
        m_bBoxChanged = 1;
    m_replies.Command(Echo(command));
    CommWriteText(command);
    if (periodMs != 0) {
        m_nRetries = 2;
        m_strLastCommand = command;
        m_win.SetTimer(TIMER_RETRY, periodMs);
    }
}

void CHX5310ConfigDlg::ResendCommand() {
    m_replies.Resend();
    CommWriteText(m_strLastCommand);
}

bool CHX5310ConfigDlg::OnResponseLine(const std::string& line) {
    if (m_nStep == 0)
        return false;
    const bool ok = Is(line, "OK");
    // Only an answer to the command now awaited moves the operation on; what answers an earlier
    // copy, and the box's echoes, are passed over.
    if (m_replies.Take(line, ok || Is(line, "ERROR")) != ReplyLedger::Kind::Current)
        return false;
    // A final ERROR is the box refusing the command. Where a step reads other lines (the
    // banner, the model line, the records) it counts as such a line.
    if (Is(line, "ERROR") && m_nStep != 2 && m_nStep != 3 && m_nStep != 4 && m_nStep != 14 &&
        m_nStep != 35) {
        m_nStep = ERR_REFUSED;
        m_bMoreToSend = 0;
        ErrorEnd();
        return true;
    }
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
            else
                m_strModelLine = line;
        }
        break;
    case 4:
        if (ok) {
            if (m_bImageValid)
                ReceiveSuccessEnd(OutcomeKind::Received);
            else
                m_nStep = ERR_RECEIVE;
        } else if (!Is(line, "ATSRX")) {
            record(HEX_STORE, ERR_RECEIVE);
        }
        break;
    case 12:
        if (ok) {
            // The whole image goes out record by record, one per transmit-empty event; the box
            // answers OK once, after the whole image. One time-out covers the stream.
            m_win.KillTimer(TIMER_RETRY);
            m_nStep = 13;
            char buffer[kRecordBufferSize];
            m_bMoreToSend = BuildHexRecord(buffer);
            m_replies.Stream();
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
                SetInfoNow(kTextSentBeforeReadBack);
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
    case 31: {
        // A provision's image already carries the number it gives: whether it gives one is
        // its own.
        const bool none =
            m_bProvision ? m_bGiveSerial != 0 : GetU32(m_SettingsImage, kSerialOffset) == kNoSerial;
        if (ok)
            next(none ? 32 : 33, "AT&F\r", 200);
        break;
    }
    case 32:
        if (ok) {
            // The number was reserved before the operation started.
            next(33, "AT!SN=" + FormatSerialText(m_nGivenSerial) + "\r", 200);
        }
        break;
    case 33:
        if (!ok)
            break;
        if (!m_bProvision) {
            next(34, "AT&W\r", 500);
            break;
        }
        // A provision goes on with the image, whose store and read-back are the send's.
        [[fallthrough]];
    case 11:
        if (ok)
            next(12, "ATSTX\r", 200);
        break;
    case 34:
        if (ok) {
            if (m_bGiveSerial) {
                ShowSerialRow(false);
                m_bSerialStored = 1; // the box has stored its number
            }
            next(35, "ATSRX\r", 1000);
        }
        break;
    case 35:
        if (ok) {
            if (m_bImageValid)
                ReceiveSuccessEnd(OutcomeKind::FactoryReset);
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
            BeginFrameStream();
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

void CHX5310ConfigDlg::SetOutcome(OutcomeKind kind, const std::string& detail) {
    // A reset that reserved a number ends here, whichever way: the production record learns
    // whether the box stored its number, once the box has been left alone.
    FinishSerial();
    m_outcome = Outcome{kind, detail, m_bBoxChanged != 0, {}};
    if (m_bGiveSerial && m_bBoxChanged)
        m_outcome.givenSerial = FormatSerialText(m_nGivenSerial);
    m_strInfo = InfoText(m_outcome);
    // Notes that an operation leaves beside its outcome (a backup that failed) are shown after
    // it and stay until the next operation.
    const bool notes = !m_strBackupError.empty();
    if (notes)
        m_strInfo += "／" + m_strBackupError;
    if (IsSuccess(kind) && !notes && !m_strInfo.empty())
        m_win.SetTimer(TIMER_CLEAR_INFO, 5000);
}

std::string CHX5310ConfigDlg::SerialTheBoxMayHold() const {
    if (!m_outcome.givenSerial.empty())
        return m_outcome.givenSerial;
    return m_bGiveSerial && m_bBoxChanged && m_nStep != 0 ? FormatSerialText(m_nGivenSerial)
                                                          : std::string();
}

void CHX5310ConfigDlg::SetFileOutcome(OutcomeKind kind, const std::string& detail) {
    m_outcome = Outcome{kind, detail, false, {}};
    m_strInfo = InfoText(m_outcome);
}

void CHX5310ConfigDlg::ReceiveSuccessEnd(OutcomeKind kind) {
    m_win.KillTimer(TIMER_RETRY);
    m_nStep = 0;
    CloseAfterSuccess();
    ExchangeImage(false);
    KeepBoxImage();
    m_bImageFromBox = 1;
    SetOutcome(kind);
    UpdateData(false);
    MarkEditorKept();
    EnableOperationControls(true);
    m_win.SetTitle(SuccessTitle());
    if (GetU32(m_SettingsImage, kSerialOffset) == kNoSerial)
        ShowSerialRow(true);
}

void CHX5310ConfigDlg::SendSuccessEnd() {
    m_win.KillTimer(TIMER_RETRY);
    m_nStep = 0;
    CloseAfterSuccess();
    EnableOperationControls(true);
    if (m_bProvision) {
        // The read-back matched: the image is what the box now holds, its number included.
        ExchangeImage(false);
        KeepBoxImage();
        m_bImageFromBox = 1;
        if (m_bGiveSerial)
            ShowSerialRow(false);
        m_win.SetTitle(SuccessTitle());
    }
    if (m_bGiveSerial)
        m_bSerialStored = 1; // the box stored the settings with the number typed for it
    SetOutcome(m_bProvision ? OutcomeKind::Provisioned : OutcomeKind::Sent);
    UpdateData(false);
    MarkEditorKept();
    if (m_bResumeMonitor) {
        m_chkMonitor.SetCheck(1);
        StartStopMonitor();
        m_bResumeMonitor = 0;
    }
}

void CHX5310ConfigDlg::RestartSuccessEnd() {
    m_win.KillTimer(TIMER_RETRY);
    m_nStep = 0;
    CloseAfterSuccess();
    EnableOperationControls(true);
    SetOutcome(OutcomeKind::Restarted);
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
    SetOutcome(ErrorOutcome(code), code == ERR_REFUSED ? m_replies.Awaited() : std::string());
    UpdateData(false);
    m_rxLen = 0;
    m_nStep = 0;
    m_btnReceive.EnableWindow(true);
    // After a failed send the edits can be sent again or saved: the image still holds the
    // box's settings beneath them.
    if (m_bImageValid || m_bImageFromBox)
        EnableOperationControls(true);
}

void CHX5310ConfigDlg::TimeOut() {
    m_win.KillTimer(TIMER_RETRY);
    m_win.KillTimer(TIMER_TX_PACE);
    m_rxLen = 0;
    m_bMoreToSend = 0;
    SetOutcome(OutcomeKind::NoAnswer);
    UpdateData(false);
    ClosePort();
    m_btnReceive.EnableWindow(true);
    if (m_bImageValid || m_bImageFromBox) {
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
            ResendCommand();
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
