#include "HX5310ConfigDlg.h"

#include <cstdio>

namespace hx {

CHX5310ConfigDlg::CHX5310ConfigDlg(IWindowServices& win, IPortFactory& ports, CHX5310ConfigApp& app)
    : CHX5310ConfigDlgState(win, ports, app) {
    IWindowServices* w = &m_win;
    const std::pair<CWnd*, int> bindings[] = {
        {&m_cbPort, 1000},
        {&m_cbPresetA, 1072},
        {&m_cbPresetB, 1073},
        {&m_cbTxSelectA, 1025},
        {&m_cbTxSelectB, 1026},
        {&m_cbMicTxSelect, 1069},
        {&m_cbPriority, 1071},
        {&m_btnReceive, 1001},
        {&m_btnSend, 1007},
        {&m_btnRestart, 1008},
        {&m_btnFactory, 1062},
        {&m_btnSave, 1063},
        {&m_btnLoad, 1064},
        {&m_chkMonitor, 1029},
        {&m_btnClose, 2},
        {&m_chkNoTxTone, 1049},
        {&m_chkNoTxNoise, 1050},
        {&m_chkBassCutA, 1058},
        {&m_chkBassCutB, 1059},
        {&m_chkPttInvert, 1070},
        {&m_edInfo, 1002},
        {&m_edSerial, 1061},
        {&m_edNewSerial, 1066},
        {&m_edAudioDelayA, 1003},
        {&m_edAudioDelayB, 1005},
        {&m_edHoldTimeA, 1009},
        {&m_edHoldTimeB, 1011},
        {&m_edSignalOn, 1021},
        {&m_edSignalOff, 1027},
        {&m_edNoiseOnA, 1030},
        {&m_edNoiseOffA, 1032},
        {&m_edNoiseOnB, 1034},
        {&m_edNoiseOffB, 1036},
        {&m_edResponseTimeA, 1038},
        {&m_edResponseTimeB, 1052},
        {&m_spAudioDelayA, 1004},
        {&m_spAudioDelayB, 1006},
        {&m_spHoldTimeA, 1010},
        {&m_spHoldTimeB, 1012},
        {&m_spRxGainA, 1014},
        {&m_spRxGainB, 1016},
        {&m_spUnmodulatedLimit, 1055},
        {&m_spContinuousTxLimit, 1057},
        {&m_wndAvgA, 1067},
        {&m_wndAvgB, 1068},
        {&m_spTxGainA, 1018},
        {&m_spTxGainB, 1020},
        {&m_spSignalOn, 1022},
        {&m_spSignalOff, 1028},
        {&m_spNoiseOnA, 1031},
        {&m_spNoiseOffA, 1033},
        {&m_spNoiseOnB, 1035},
        {&m_spNoiseOffB, 1037},
        {&m_spMicGain, 1024},
        {&m_spResponseTimeA, 1051},
        {&m_spResponseTimeB, 1053},
        {&m_stSerialLabel, 1060},
        {&m_stArrow, 1065},
        {&m_stLevelA, 1047},
        {&m_stLevelB, 1048},
    };
    for (const auto& [wnd, id] : bindings)
        wnd->Bind(w, id);
    for (int i = 0; i < 8; ++i)
        m_lamp[i].Bind(w, IDC_LAMP_TONE_A + i);
}

CHX5310ConfigDlg::~CHX5310ConfigDlg() = default;

int CHX5310ConfigDlg::DoModal() {
    return m_win.RunModal(MainDialogTemplate(), *this);
}

int CHX5310ConfigDlg::OnInitDialog() {
    // 1. The initial member values into the controls.
    UpdateData(false);

    // 2. The About entry of the system menu.
    const std::string about = LoadStringResource(IDS_ABOUTBOX);
    if (!about.empty())
        m_win.AppendSystemMenuItem(IDM_ABOUTBOX, about);

    // 4.-7. Tooltips, in the order of the control table.
    if (!m_ToolTip.Create(&m_win)) {
        m_win.EndDialog(3);
        return 0;
    }
    m_ToolTip.SetDelayTime(500);
    const DialogTemplate& tpl = MainDialogTemplate();
    for (int id : TooltipOrder()) {
        const ControlDef* def = tpl.Find(id);
        if (!def || !m_ToolTip.AddTool(id, def->tooltip)) {
            m_win.EndDialog(3);
            return 0;
        }
    }
    m_ToolTip.Activate(true);

    // 8. The hidden third preset of channel A.
    if (m_win.IsShiftDown() && m_win.IsCtrlDown())
        m_cbPresetA.AddString("アルインコ特小同時送受信");

    // 9. List selections from the editor values.
    m_cbPresetA.SetCurSel(m_nPresetA);
    m_cbPresetB.SetCurSel(m_nPresetB);
    m_cbTxSelectA.SetCurSel(m_nTxSelectA);
    m_cbTxSelectB.SetCurSel(m_nTxSelectB);
    m_cbMicTxSelect.SetCurSel(m_nMicTxSelect);
    m_cbPriority.SetCurSel(m_nPriority);

    // 10. The next serial number to give a box.
    char serial[16];
    std::snprintf(serial, sizeof serial, "%08lX",
                  static_cast<unsigned long>(m_app.m_nSerialNumber));
    m_strNewSerial = serial;
    m_edNewSerial.SetWindowText(m_strNewSerial);

    // 11. Up-down ranges and steps.
    m_spAudioDelayA.SetRange32(16, 880, 8);
    m_spAudioDelayB.SetRange32(16, 880, 8);
    m_spHoldTimeA.SetRange32(40, 2040, 40);
    m_spHoldTimeB.SetRange32(40, 2040, 40);
    m_spRxGainA.SetRange32(0, 49);
    m_spRxGainB.SetRange32(0, 49);
    m_spTxGainA.SetRange32(-63, 0);
    m_spTxGainB.SetRange32(-63, 0);
    m_spSignalOn.SetRange32(-58, -10);
    m_spSignalOff.SetRange32(-59, -11);
    m_spNoiseOnA.SetRange32(-109, -40);
    m_spNoiseOffA.SetRange32(-110, -41);
    m_spNoiseOnB.SetRange32(-109, -40);
    m_spNoiseOffB.SetRange32(-110, -41);
    m_spMicGain.SetRange32(-67, 55);
    m_spUnmodulatedLimit.SetRange32(0, 65535, 10);
    m_spContinuousTxLimit.SetRange32(0, 65535, 10);
    m_spResponseTimeA.SetRange32(16, 880, 8);
    m_spResponseTimeB.SetRange32(16, 880, 8);

    // 12.-13. Lamp pictures; all lamps grey.
    m_bmpRed.LoadBitmap(IDB_RED);
    m_bmpGreen.LoadBitmap(IDB_GREEN);
    m_bmpYellow.LoadBitmap(IDB_YELLOW);
    m_bmpGrey.LoadBitmap(IDB_GREY);
    m_bmpRedCross.LoadBitmap(IDB_RED_CROSS);
    m_bmpGreyCross.LoadBitmap(IDB_GREY_CROSS);
    for (auto& lamp : m_lamp)
        lamp.SetBitmap(m_bmpGrey.Image());
    m_win.AttachOwnerDraw(IDC_METER_A, &m_meterA);
    m_win.AttachOwnerDraw(IDC_METER_B, &m_meterB);

    // 14. The port list, with the stored port selected.
    FillPortList();

    // 15. Only "設定受信" of the operation controls: nothing can be sent, saved, loaded, reset,
    // restarted or monitored before the box's settings have been read once.
    EnableOperationControls(false);
    m_btnReceive.EnableWindow(true);

    // 16. The transmit-condition rules, channel A then B.
    ApplyTxSelectA();
    ApplyTxSelectB();
    return 1;
}

void CHX5310ConfigDlg::OnCommand(int id, Notify code, int newFocusId) {
    // A new user action: it may show one validation message. A notification that comes while
    // the window handles one (a focus moved by a refused field) belongs to it.
    struct Action {
        int& depth;
        ~Action() { --depth; }
    } action{++m_nActionDepth};
    if (m_nActionDepth == 1)
        m_bEditorMessageShown = 0;
    switch (code) {
    case Notify::Clicked:
        switch (id) {
        case IDC_RECEIVE:
            OnReceiveSettings();
            break;
        case IDC_SEND:
            OnSendSettings();
            break;
        case IDC_RESTART:
            OnRestartBox();
            break;
        case IDC_FACTORY:
            OnFactoryReset();
            break;
        case IDC_SAVE:
            OnSaveToFile();
            break;
        case IDC_LOAD:
            OnLoadFromFile();
            break;
        case IDC_MONITOR:
            OnMonitorClicked();
            break;
        default:
            break;
        }
        break;
    case Notify::DropDown:
        if (id == IDC_PORT) {
            FillPortList();
            m_bResumeMonitor = 0;
        }
        break;
    case Notify::KillFocus:
        switch (id) {
        case IDC_DELAY_A:
        case IDC_DELAY_B:
        case IDC_SIGNAL_ON:
        case IDC_SIGNAL_OFF:
        case IDC_NOISE_ON_A:
        case IDC_NOISE_OFF_A:
        case IDC_NOISE_ON_B:
        case IDC_NOISE_OFF_B:
        case IDC_RXGAIN_A:
        case IDC_RXGAIN_B:
        case IDC_RESP_A:
        case IDC_RESP_B:
            OnFieldKillFocus(id);
            break;
        case IDC_INFO:
            OnInfoKillFocus(newFocusId);
            break;
        default:
            break;
        }
        break;
    case Notify::SelChange:
        switch (id) {
        case IDC_TXSEL_A:
            ApplyTxSelectA();
            break;
        case IDC_TXSEL_B:
            ApplyTxSelectB();
            break;
        case IDC_PRESET_A:
            ApplyPresetA();
            break;
        case IDC_PRESET_B:
            ApplyPresetB();
            break;
        default:
            break;
        }
        break;
    }
}

void CHX5310ConfigDlg::OnSysCommand(unsigned id) {
    if ((id & 0xFFF0) == IDM_ABOUTBOX)
        m_win.ShowModalBox(AboutDialogTemplate());
    else if ((id & 0xFFF0) == IDM_OPEN_BACKUPS)
        m_win.OpenFolder(BackupFolder());
}

bool CHX5310ConfigDlg::OnClose() {
    // Closing leaves the box as it is and the edits unkept: the user says so first. The
    // monitor (and its start) ends cleanly without a question: nothing is lost with it.
    const bool monitor =
        m_bMonitorMode || (m_nStep >= STEP_MONITOR_FIRST && m_nStep <= STEP_MONITOR_FIRST + 2);
    std::string question;
    if (m_nStep != 0 && !monitor)
        question += "装置との通信中です。閉じると、通信を中止します。\n";
    if (HasUnkeptEdits())
        question += "送信も保存もしていない変更があります。閉じると、この変更は失われます。\n";
    if (question.empty())
        return true;
    return m_win.AskYesNo(question + "閉じますか？", MsgIcon::Warning);
}

void CHX5310ConfigDlg::OnDestroy() {
    // A reset ended by the window's end (Ctrl-C of hx5310ctl) leaves its number taken; the
    // record says whether the box had stored it.
    FinishSerial();
    // An operation that still runs ends here: nothing more is written, no timer runs on.
    if (m_nStep != 0 && !(m_nStep >= STEP_MONITOR_FIRST && m_nStep <= STEP_MONITOR_FIRST + 2)) {
        m_win.KillTimer(TIMER_RETRY);
        m_win.KillTimer(TIMER_TX_PACE);
        m_bMoreToSend = 0;
        m_nStep = 0;
    }
    // A box that streams its status (or is being told to) is told to stop before the port
    // closes, however the window ends; the close lets that last byte leave first.
    if (m_bMonitorMode || (m_nStep >= STEP_MONITOR_FIRST && m_nStep <= STEP_MONITOR_FIRST + 2)) {
        m_chkMonitor.SetCheck(0);
        StartStopMonitor();
    }
    if (m_pComm) {
        m_pComm->Close();
        m_bPortOpen = 0;
        m_pComm.reset();
    }
}

void CHX5310ConfigDlg::EnableOperationControls(bool enable) {
    for (CWnd* w : {static_cast<CWnd*>(&m_btnReceive), static_cast<CWnd*>(&m_btnSend),
                    static_cast<CWnd*>(&m_btnRestart), static_cast<CWnd*>(&m_btnFactory),
                    static_cast<CWnd*>(&m_btnSave), static_cast<CWnd*>(&m_btnLoad),
                    static_cast<CWnd*>(&m_chkMonitor)})
        w->EnableWindow(enable);
}

void CHX5310ConfigDlg::EnableWindowControls(bool enable) {
    m_btnClose.EnableWindow(enable);
    m_cbPort.EnableWindow(enable);
}

void CHX5310ConfigDlg::ShowSerialRow(bool show) {
    m_stSerialLabel.ShowWindow(show);
    m_edSerial.ShowWindow(show);
    m_stArrow.ShowWindow(show);
    m_edNewSerial.ShowWindow(show);
}

namespace {

// The editor's controls whose state is the settings: the fields, the lists, the check boxes.
const int kEditorFields[] = {1003, 1005, 1009, 1011, 1013, 1015, 1017, 1019, 1021, 1027,
                             1030, 1032, 1034, 1036, 1023, 1054, 1056, 1038, 1052, 1061};
const int kEditorLists[] = {1072, 1073, 1025, 1026, 1069, 1071};
const int kEditorChecks[] = {1049, 1050, 1058, 1059, 1070};

std::vector<std::string> EditorShown(const IWindowServices& win) {
    std::vector<std::string> shown;
    for (int id : kEditorFields)
        shown.push_back(win.GetText(id));
    for (int id : kEditorLists)
        shown.push_back(std::to_string(win.ListSelection(id)));
    for (int id : kEditorChecks)
        shown.push_back(std::to_string(win.GetCheck(id)));
    return shown;
}

} // namespace

bool CHX5310ConfigDlg::HasUnkeptEdits() const {
    return !m_cleanEditor.empty() && EditorShown(m_win) != m_cleanEditor;
}

void CHX5310ConfigDlg::MarkEditorKept() {
    m_cleanEditor = EditorShown(m_win);
}

void CHX5310ConfigDlg::SetInfoNow(const std::string& text) {
    m_strInfo = text;
    m_edInfo.SetWindowText(m_strInfo);
}

} // namespace hx
