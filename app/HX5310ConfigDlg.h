#pragma once
// The main window: the one dialog of the tool. It owns every object of the system; its
// operations are defined in the folder of the subsystem that owns them:
//   app/       construction, start-up, message routing, enabling of control groups, About
//   link/      serial link, command sequencer, Intel HEX records and the record pump
//   settings/  image layout, data exchange and validation, coupling rules, presets, files
//   monitor/   monitor mode and status frames
#include "Controls.h"
#include "EditorValues.h"
#include "HX5310ConfigApp.h"
#include "Outcome.h"
#include "Port.h"
#include "Progress.h"
#include "ReplyLedger.h"
#include "Resources.h"
#include "SettingsImage.h"
#include "StaticLevel.h"
#include "StatusFrame.h"
#include "WindowServices.h"

#include <bitset>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace hx {

enum : unsigned {
    WM_COMM_EVENT = 0x0E00,
    TIMER_RETRY = 101,      // re-sends the last command; time-out after the last re-send
    TIMER_CLEAR_INFO = 102, // clears the information field 5000 ms after a success
    TIMER_TX_PACE = 123,    // re-tries a record write every 2 ms while the box holds DSR off
    // While the monitor runs: ends it when no valid frame comes any more.
    TIMER_MONITOR_WATCH = 124,
};

// Step codes of the running operation (m_nStep); 90 and above are error codes.
enum : int {
    STEP_IDLE = 0,
    STEP_RX_FIRST = 1,
    STEP_TX_FIRST = 11,
    STEP_RESTART_FIRST = 21,
    STEP_FACTORY_FIRST = 31,
    // Factory settings, a serial number, then the editor's settings: Provision starts it, and
    // it runs the steps of Factory reset up to the number, then those of Send from step 12.
    STEP_PROVISION_FIRST = 41,
    STEP_MONITOR_FIRST = 51,
    ERR_MODEL = 99,    // the box is not the expected model
    ERR_RECEIVE = 100, // receive failed
    ERR_SEND = 101,    // send failed
    ERR_VERIFY = 102,  // read-back differs
    ERR_REFUSED = 104, // the box answered ERROR to a command
};

// System menu (or context menu) entries
enum : unsigned {
    IDM_OPEN_BACKUPS = 0x0020, // opens the folder of the automatic backups
};

class CHX5310ConfigDlg;
struct CHX5310ConfigDlgState;
CHX5310ConfigDlgState& TestState(CHX5310ConfigDlg& dlg);

// Every member of the main window, in declaration order. The window holds them as a private
// base: only its own operations (in app/, link/, settings/ and monitor/) use them; the programs
// around it read the named accessors below, and tests the one accessor TestState.
struct CHX5310ConfigDlgState : EditorValues {
    CHX5310ConfigDlgState(IWindowServices& win, IPortFactory& ports, CHX5310ConfigApp& app)
        : m_win(win), m_ports(ports), m_app(app) {}

    // --- The platform ---
    IWindowServices& m_win;
    IPortFactory& m_ports;
    CHX5310ConfigApp& m_app;

    // --- Members of the window, in declaration order ---
    CToolTipCtrl m_ToolTip;
    std::unique_ptr<IPort> m_pComm; // null until the first open

    CComboBox m_cbPort, m_cbPresetA, m_cbPresetB, m_cbTxSelectA, m_cbTxSelectB, m_cbMicTxSelect,
        m_cbPriority;
    CButton m_btnReceive, m_btnSend, m_btnRestart, m_btnFactory, m_btnSave, m_btnLoad, m_chkMonitor,
        m_btnClose, m_chkNoTxTone, m_chkNoTxNoise, m_chkBassCutA, m_chkBassCutB, m_chkPttInvert;
    CEdit m_edInfo, m_edSerial, m_edNewSerial, m_edAudioDelayA, m_edAudioDelayB, m_edHoldTimeA,
        m_edHoldTimeB, m_edSignalOn, m_edSignalOff, m_edNoiseOnA, m_edNoiseOffA, m_edNoiseOnB,
        m_edNoiseOffB, m_edResponseTimeA, m_edResponseTimeB;
    CSpinButtonCtrl m_spAudioDelayA, m_spAudioDelayB, m_spHoldTimeA, m_spHoldTimeB, m_spRxGainA,
        m_spRxGainB, m_spUnmodulatedLimit, m_spContinuousTxLimit;
    CWnd m_wndAvgA, m_wndAvgB;
    CSpinButtonCtrl m_spTxGainA, m_spTxGainB, m_spSignalOn, m_spSignalOff, m_spNoiseOnA,
        m_spNoiseOffA, m_spNoiseOnB, m_spNoiseOffB, m_spMicGain, m_spResponseTimeA,
        m_spResponseTimeB;
    CStatic m_stSerialLabel, m_stArrow;
    CStatic m_lamp[8]; // 1039 to 1046
    CStatic m_stLevelA, m_stLevelB;
    CStaticLevel m_meterA, m_meterB;

    std::string m_strNewSerial;
    std::string m_strLastCommand;
    std::string m_strPortName;
    std::string m_strInfo;
    std::string m_strSerial;

    CBitmap m_bmpRed, m_bmpGreen, m_bmpYellow, m_bmpGrey, m_bmpRedCross, m_bmpGreyCross;

    int m_bPortOpen = 0;
    int m_bImageValid = 0;
    int m_bMoreToSend = 0;
    int m_bMonitorMode = 0;
    int m_bResumeMonitor = 0;
    int m_bFirstFrame = 0;
    uint8_t m_rxBuf[4096] = {};
    uint8_t m_nVersionMajor = 0;
    uint8_t m_nVersionMinor = 0;
    uint16_t m_rxLen = 0;
    int16_t m_nRetries = 0;
    uint16_t m_nSendAddress = 0;
    // EditorValues: the base class
    uint32_t m_nAvgFrames = 0;
    int m_nStep = 0;
    int32_t m_nSumA = 0, m_nSumB = 0;
    SettingsImage m_SettingsImage = {};
    uint8_t m_prevFrame[14] = {};
    int m_hIcon = IDR_MAINFRAME;

    // --- Beyond the original window ---
    // The image exactly as the box last sent it (after a Receive or the read-back of a
    // Factory reset), kept for the automatic backup before the box is written.
    SettingsImage m_boxImage = {};
    int m_bBoxImageValid = 0;
    std::string m_strBackupError; // empty, or why the last backup failed
    // The image bytes that the records of the running receive or read-back have covered: an
    // image counts as complete only when every byte came with a good record.
    std::bitset<kImageSize> m_imageCovered;
    // Set while a coupling rule or a preset runs: the focus moves its data exchange makes do
    // not start another rule.
    int m_bInEditorRule = 0;
    // A validation message has been shown for the user action now handled (or the operation
    // it started): one action shows at most one. m_nActionDepth counts the notifications being
    // handled.
    int m_bEditorMessageShown = 0;
    int m_nActionDepth = 0;
    // How the last operation ended.
    Outcome m_outcome;
    // The serial number reserved for the box of the running factory reset.
    uint32_t m_nGivenSerial = 0;
    int m_bGiveSerial = 0;
    // The box of the running reset has acknowledged the store of its new number.
    int m_bSerialStored = 0;
    // The running operation sends its settings image with the number (a provision, a send).
    int m_bSerialWithImage = 0;
    // The model line of the last read (kept in the production record with a number).
    std::string m_strModelLine;
    // Every copy of every command of the running operation, and which the box has answered.
    ReplyLedger m_replies;
    // A command that changes the box has been sent in the running operation.
    int m_bBoxChanged = 0;
    // Valid status frames since the monitor watch last looked (timer 124).
    int m_nWatchFrames = 0;
    // The paths of the ports in the list, entry by entry.
    std::vector<std::string> m_portPaths;
    // Image bytes of the running send whose records have left the port (the port said its
    // queue drained after them): the send's progress.
    uint16_t m_nSentAddress = 0;
    // The image holds what a whole receive brought: a send's read-back only compares with it,
    // so after a failed send the editor can still be sent or saved.
    int m_bImageFromBox = 0;
    // What the editor showed when its settings last were read, sent, saved or loaded; empty
    // before the first read. Anything else shown is an edit that would be lost.
    std::vector<std::string> m_cleanEditor;
    // A program's chain of operations on one box: the port stays open from one successful
    // operation to the next (a failure still closes it).
    int m_bHoldPort = 0;
    // The running or last operation is a provision (Provision()).
    int m_bProvision = 0;
};

class CHX5310ConfigDlg : public IWindowEvents, private CHX5310ConfigDlgState {
    friend CHX5310ConfigDlgState& TestState(CHX5310ConfigDlg& dlg);

public:
    CHX5310ConfigDlg(IWindowServices& win, IPortFactory& ports, CHX5310ConfigApp& app);
    ~CHX5310ConfigDlg() override;
    CHX5310ConfigDlg(const CHX5310ConfigDlg&) = delete;
    CHX5310ConfigDlg& operator=(const CHX5310ConfigDlg&) = delete;

    // Runs the window (template 102) until it ends; returns the dialog result.
    int DoModal();

    // --- IWindowEvents: the message map ---
    int OnInitDialog() override;
    void OnCommand(int id, Notify code, int newFocusId) override;
    void OnTimer(unsigned id) override;
    int OnCommEvent(unsigned event, long tag) override;
    void OnSysCommand(unsigned id) override;
    bool OnClose() override;
    void OnDestroy() override;

    // --- What the programs around the window read ---
    // How the last operation ended, and whether one runs now.
    const Outcome& LastOutcome() const { return m_outcome; }
    bool OperationRunning() const { return m_nStep != 0; }
    // The step code of the running operation, for traces (0 when none runs).
    int StepCode() const { return m_nStep; }
    // How many more times the retry timer re-sends the last command.
    int RetriesLeft() const { return m_nRetries; }
    bool PortOpen() const { return m_bPortOpen != 0; }
    // The port the window opens (the start-up preference, then what the list showed).
    const std::string& PortName() const { return m_strPortName; }
    void SetPortName(const std::string& name) { m_strPortName = name; }
    const SettingsImage& Image() const { return m_SettingsImage; }
    // An end-of-file record closed the last receive or read-back, and every byte of the image
    // came with a good record.
    bool ImageValid() const { return m_bImageValid != 0; }
    bool ImageComplete() const { return m_imageCovered.all(); }
    uint8_t VersionMajor() const { return m_nVersionMajor; }
    uint8_t VersionMinor() const { return m_nVersionMinor; }
    // Records of a send still to be written; the next record's address.
    bool RecordsWaiting() const { return m_bMoreToSend != 0; }
    uint16_t SendAddress() const { return m_nSendAddress; }
    // Bytes received and not yet taken by a line or a frame.
    size_t BufferedBytes() const { return m_rxLen; }
    size_t BufferCapacity() const { return sizeof m_rxBuf; }
    // The text of the information field as the window holds it.
    const std::string& InformationText() const { return m_strInfo; }
    // The new-serial-number field's text: the counter's next number, or what the user typed.
    const std::string& NewSerialText() const { return m_strNewSerial; }
    // A command that changes the box has been sent by the running or last operation.
    bool BoxChanged() const { return m_bBoxChanged != 0; }
    // The serial number that the running or last factory reset may have given the box: empty
    // unless one was reserved and a command that changes the box was sent.
    std::string SerialTheBoxMayHold() const;
    // Monitor mode: on; a valid frame has been shown since it started; the meters' levels
    // (0: meter A, 1: meter B); the last frame applied; the monitor comes back after a send.
    bool MonitorRunning() const { return m_bMonitorMode != 0; }
    bool MonitorShowsAFrame() const { return m_bFirstFrame == 0; }
    int16_t MeterLevel(int meter) const {
        return meter == 0 ? m_meterA.m_nLevel : m_meterB.m_nLevel;
    }
    const uint8_t* LastFrame() const { return m_prevFrame; }
    bool MonitorResumes() const { return m_bResumeMonitor != 0; }

    // --- app/ ---
    void EnableOperationControls(bool enable); // 1001, 1007, 1008, 1062, 1063, 1064, 1029
    void EnableWindowControls(bool enable);    // 2 and 1000
    void ShowSerialRow(bool show);             // 1060, 1061, 1065, 1066
    // Edits that no send or save has kept: the editor differs from what it showed when it
    // was last read, sent, saved or loaded.
    bool HasUnkeptEdits() const;
    void MarkEditorKept();
    void SetInfoNow(const std::string& text); // m_strInfo into field 1002 at once, nothing else
    // How far the running operation has come, and that progress in field 1002 while it runs
    // (after each port event; m_strInfo, the outcome, is not touched).
    OperationProgress Progress() const;
    void ShowProgress();

    // --- link/window/: serial link ---
    int OpenPort();
    void ClosePort();
    void CommWriteText(const std::string& text);
    bool SplitLines(); // the line splitter; true when the error end ran
    void FillPortList();
    // The path of a port shown in the list by that name; a name not listed is a path itself.
    std::string PortPath(const std::string& name) const;

    // --- link/window/: command sequencer ---
    void OnReceiveSettings();
    void OnSendSettings();
    void OnRestartBox();
    void OnFactoryReset();
    // A box's pass on a production line, for programs (no control starts it): factory
    // settings, a serial number for a box without one (field 1066, through the counter, as a
    // factory reset gives it), then the editor's settings with the box's number, sent, verified
    // and stored. Needs an image received from the box.
    void Provision();
    // Keeps the port open between successful operations (see m_bHoldPort); false closes it.
    void HoldPort(bool hold);
    void StartOperation(int firstStep);
    void SendCommand(const std::string& command, unsigned periodMs);
    // Advances the running operation by one reply line; returns true when the error end ran.
    bool OnResponseLine(const std::string& line);
    void ErrorEnd();
    // Ends with an outcome: records it and puts its text, with the notes of the operation,
    // into m_strInfo (the caller shows it). Starts timer 102 for a success without notes.
    void SetOutcome(OutcomeKind kind, const std::string& detail = {});
    // The outcome of a file save or load (no notes, no timer).
    void SetFileOutcome(OutcomeKind kind, const std::string& detail = {});
    // A refusal before anything was sent: the text stays until the next operation.
    void Refuse(OutcomeKind kind, const std::string& detail);
    // Reserves the serial number to give the box (typed: the user's own, else the counter's),
    // asking before the counter is moved back; on failure the port is closed and the refusal
    // shown. operation: what gives it, as the production record names it ("factory-reset",
    // "provision", or "send" for a number typed into the box's own field).
    bool ReserveSerial(const uint32_t* typed, const char* operation);
    // The end of the running operation's reservation, with the image it sent with the number.
    void FinishSerial();
    // The first command of every operation, after the carriage return that ends a stream of
    // status frames the box may still be sending.
    void GreetBox();
    // Writes the command awaited once more (the retry timer).
    void ResendCommand();
    // A field's check failed: the send, reset or save did not start; notDone says what.
    void RefuseField(const std::string& notDone);
    // The port did not open: the refusal, with the reason the port gives.
    void RefusePortNotOpened();
    // A new chain of commands begins: no command is awaited, nothing has changed the box.
    void BeginCommands();
    void TimeOut();
    void ReceiveSuccessEnd(OutcomeKind kind);
    void SendSuccessEnd();
    void RestartSuccessEnd();
    // Closes the port after a success unless it is held (HoldPort).
    void CloseAfterSuccess();
    std::string SuccessTitle() const;

    // --- link/window/: Intel HEX records ---
    int BuildHexRecord(char* buffer); // 1 while records remain, 0 after the last
    // A record of a receive or read-back into the image (0 data, 1 end of file, -1 error); an
    // end-of-file record counts only when the records before it covered the whole image.
    int ReceiveRecord(const char* record, int mode);
    void PumpRecords(long tag); // event 4 while m_bMoreToSend

    // --- settings/window/ ---
    void ExchangeImage(bool bToImage);
    bool UpdateData(bool bSaveAndValidate);
    void DoDataExchange(bool bSaveAndValidate, bool& ok);
    bool ValidateHexSerial(const std::string& text);
    void ApplyTxSelectA();
    void ApplyTxSelectB();
    void ApplyPresetA();
    void ApplyPresetB();
    void OnFieldKillFocus(int id); // the coupling rule of the field left
    void OnSaveToFile();
    void OnLoadFromFile();
    // What the save writes: the editor's values (as the members hold them) stored into the
    // image, as a settings file.
    std::string SaveText();
    // Automatic backups: the image exactly as the box last sent it is kept (m_boxImage) and
    // saved as a settings file before a Send or a Factory reset writes the box. False when the
    // backup could not be written; m_strBackupError then says why as a note, and why (when
    // given) gets the bare reason.
    void KeepBoxImage();
    bool BackupBoxImage(std::string* why = nullptr);
    std::string BackupFolder() const;

    // --- monitor/window/ ---
    void StartStopMonitor();
    void OnMonitorClicked();
    void OnInfoKillFocus(int newFocusId);
    void ProcessMonitorFrame();
    void OnMonitorWatch(); // timer 124

private:
    // --- monitor/window/: the steps of monitor mode ---
    void StartMonitor();
    void BeginFrameStream();
    void StopMonitor();
    void ApplyFrame(const StatusFrame& frame);
    void EnableWhileMonitoring(bool enable);
    void ResetMeters(int16_t levelA = 0, int16_t levelB = 0);
    void CountDownHold(CStaticLevel& meter, int id);
    CStatic& LampControl(int id);
    LampImage Picture(LampImage image) const;
    // --- settings/window/: a validation message (one per rule) ---
    void Warn(const std::string& text);

public:
};

// The one accessor for tests: the window's members.
inline CHX5310ConfigDlgState& TestState(CHX5310ConfigDlg& dlg) {
    return dlg;
}

} // namespace hx
