// Monitor mode: the start and stop, the check box and the focus rule, and the frame step that
// turns the box's status frames into lamps, level meters and the averaged read-outs.
#include "HX5310ConfigDlg.h"
#include "StatusFrame.h"

#include <cstring>

namespace hx {
namespace {

const char kLabelMic[] = "マイクレベル";
const char kLabelRxA[] = "受信レベル Ａ";
const char kLabelRxB[] = "受信レベル Ｂ";

// The box streams frames many times a second; a monitor that has seen no valid frame for a whole
// period of the watch has lost the box (a cable pulled, the box switched off, only noise).
constexpr unsigned kMonitorWatchMs = 3000;

// While frames stream, the port reports what came some 50 times a second, not for each of the
// 822 frames, and the frame step applies every frame that came, in turn. A little longer than
// a screen refresh, so that each report can be painted at once.
constexpr int kFrameStreamPaceMs = 20;

} // namespace

LampImage CHX5310ConfigDlg::Picture(LampImage image) const {
    // The lamp pictures loaded at start-up, by what they show.
    switch (image) {
    case LampImage::Red:
        return m_bmpRed.Image();
    case LampImage::Green:
        return m_bmpGreen.Image();
    case LampImage::Yellow:
        return m_bmpYellow.Image();
    case LampImage::Grey:
        return m_bmpGrey.Image();
    case LampImage::RedCross:
        return m_bmpRedCross.Image();
    case LampImage::GreyCross:
        return m_bmpGreyCross.Image();
    case LampImage::None:
        break;
    }
    return LampImage::None;
}

CStatic& CHX5310ConfigDlg::LampControl(int id) {
    return m_lamp[id - IDC_LAMP_TONE_A];
}

void CHX5310ConfigDlg::ResetMeters(int16_t levelA, int16_t levelB) {
    m_meterA.m_nLevel = levelA;
    m_meterB.m_nLevel = levelB;
    for (CStaticLevel* m : {&m_meterA, &m_meterB}) {
        m->m_nPeak = 0;
        m->m_nHold = 0;
    }
    m_win.RedrawNow(IDC_METER_A);
    m_win.RedrawNow(IDC_METER_B);
}

// Every control that must not be used while the box streams frames: the close button, the
// port list and the buttons that start other operations. The check box stays usable.
void CHX5310ConfigDlg::EnableWhileMonitoring(bool enable) {
    EnableWindowControls(enable);
    for (CWnd* w : {static_cast<CWnd*>(&m_btnReceive), static_cast<CWnd*>(&m_btnSend),
                    static_cast<CWnd*>(&m_btnRestart), static_cast<CWnd*>(&m_btnFactory),
                    static_cast<CWnd*>(&m_btnSave), static_cast<CWnd*>(&m_btnLoad)})
        w->EnableWindow(enable);
}

void CHX5310ConfigDlg::StartMonitor() {
    UpdateData(true);
    if (!OpenPort()) {
        RefusePortNotOpened();
        return;
    }
    // The outcome of the send that brings the monitor back stays readable for as long as a
    // success text stays; anything else gives way to the monitor.
    const bool sentShown = m_outcome.kind == OutcomeKind::Sent && !m_strInfo.empty();
    if (!sentShown) {
        m_win.KillTimer(TIMER_CLEAR_INFO);
        m_strInfo.clear();
    }
    BeginCommands();
    UpdateData(false);
    EnableWhileMonitoring(false);
    std::memset(m_prevFrame, 0, sizeof m_prevFrame);
    m_bFirstFrame = 1;
    m_nStep = STEP_MONITOR_FIRST;
    GreetBox();
    m_edInfo.SetFocus();
    m_nAvgFrames = 0;
    m_nSumA = 0;
    m_nSumB = 0;
    m_nWatchFrames = 0;
    m_win.SetTimer(TIMER_MONITOR_WATCH, kMonitorWatchMs);
}

// The box has taken "AT*M1" and streams status frames from now on.
void CHX5310ConfigDlg::BeginFrameStream() {
    m_bMonitorMode = 1;
    m_outcome = Outcome{OutcomeKind::MonitorStarted, {}, false, {}};
    if (m_pComm)
        m_pComm->SetReceivePace(kFrameStreamPaceMs);
}

void CHX5310ConfigDlg::StopMonitor() {
    if (m_bMonitorMode)
        m_outcome = Outcome{OutcomeKind::MonitorStopped, {}, false, {}};
    m_bMonitorMode = 0;
    // Whatever the box says next is answered at once again.
    if (m_pComm)
        m_pComm->SetReceivePace(0);
    m_win.KillTimer(TIMER_CLEAR_INFO);
    m_win.KillTimer(TIMER_MONITOR_WATCH);
    // Unchecked while the start handshake still runs: the handshake ends here. Left running,
    // its last "OK" would switch monitor mode on behind an unchecked box with every button
    // enabled, and the next operation's replies would be taken for frames.
    if (m_nStep >= STEP_MONITOR_FIRST && m_nStep <= STEP_MONITOR_FIRST + 2) {
        m_win.KillTimer(TIMER_RETRY);
        m_nStep = STEP_IDLE;
    }
    CommWriteText("\r");
    EnableWhileMonitoring(true);

    const uint8_t prevLamps = m_prevFrame[kFrameLampBits];
    const uint16_t prevMode = FrameU16(m_prevFrame, kFrameModeBits);
    for (const LampDef& lamp : Lamps()) {
        if ((prevLamps >> lamp.bit) & 1u)
            LampControl(lamp.id).SetBitmap(Picture(DarkLampImage(lamp, prevMode)));
    }
    m_stLevelA.SetWindowText(kLabelRxA);
    m_stLevelB.SetWindowText(kLabelRxB);
    // A stopped monitor's meters show no level, not even the slivers a paint leaves.
    m_meterA.m_bBlankNext = true;
    m_meterB.m_bBlankNext = true;
    ResetMeters();
}

// The peak of a meter falls kPeakHoldFrames frames after its last rise; the repaint raises it
// again to the current level.
void CHX5310ConfigDlg::CountDownHold(CStaticLevel& meter, int id) {
    if (meter.m_nHold == 0)
        return;
    if (--meter.m_nHold == 0 && meter.m_nPeak > 0) {
        meter.m_nPeak = 0;
        m_win.RedrawNow(id);
    }
}

void CHX5310ConfigDlg::ApplyFrame(const StatusFrame& frame) {
    uint8_t* prev = m_prevFrame;
    if (m_bFirstFrame) {
        // Every lamp and the display mode differ from this "previous" frame, so all are set.
        m_bFirstFrame = 0;
        prev[kFrameLampBits] = static_cast<uint8_t>(~frame[kFrameLampBits]);
        prev[kFrameModeBits] = static_cast<uint8_t>(~frame[kFrameModeBits]);
        prev[kFrameModeBits + 1] = static_cast<uint8_t>(~frame[kFrameModeBits + 1]);
    }
    const StatusFields now = DecodeFrame(frame.data());
    const StatusFields before = DecodeFrame(prev);

    for (const LampDef& lamp : Lamps()) {
        if (LampChanged(lamp, before.lampBits, before.modeBits, now.lampBits, now.modeBits))
            LampControl(lamp.id).SetBitmap(Picture(LampImageFor(lamp, now.lampBits, now.modeBits)));
    }

    CountDownHold(m_meterA, IDC_METER_A);
    CountDownHold(m_meterB, IDC_METER_B);

    if ((now.modeBits ^ before.modeBits) & kModeMicLevel) {
        const bool mic = now.modeBits & kModeMicLevel;
        m_stLevelA.SetWindowText(mic ? kLabelMic : kLabelRxA);
        m_stLevelB.SetWindowText(mic ? "" : kLabelRxB);
        m_win.Show(IDC_METER_B, !mic);
        // The meters start again from this frame's levels: a level that then stays the same
        // from frame to frame is drawn all the same.
        ResetMeters(now.levelA, now.levelB);
    } else {
        m_nSumA += now.sampleA;
        m_nSumB += now.sampleB;
        if (++m_nAvgFrames == kAverageFrames) {
            m_nAvgFrames = 0;
            m_wndAvgA.SetWindowText(AverageText(m_nSumA));
            m_wndAvgB.SetWindowText(AverageText(m_nSumB));
            m_nSumA = 0;
            m_nSumB = 0;
        }
        if (now.levelA != before.levelA) {
            m_meterA.m_nLevel = now.levelA;
            m_win.RedrawNow(IDC_METER_A);
        }
        if (now.levelB != before.levelB) {
            m_meterB.m_nLevel = now.levelB;
            m_win.RedrawNow(IDC_METER_B);
        }
    }
    std::memcpy(prev, frame.data(), kFrameSize);
}

void CHX5310ConfigDlg::StartStopMonitor() {
    if (m_chkMonitor.GetCheck())
        StartMonitor();
    else
        StopMonitor();
}

void CHX5310ConfigDlg::OnMonitorClicked() {
    StartStopMonitor();
    m_bResumeMonitor = 0;
    if (!m_chkMonitor.GetCheck())
        return;
    // Shift and Ctrl held while checking: the averaged read-outs are shown, for service use.
    const bool service = m_win.IsShiftDown() && m_win.IsCtrlDown();
    for (CWnd* w : {&m_wndAvgA, &m_wndAvgB}) {
        if (service)
            w->SetWindowText("");
        w->ShowWindow(service);
    }
}

void CHX5310ConfigDlg::OnInfoKillFocus(int newFocusId) {
    // The user has gone to work on the settings: the monitor stops, and comes back after the
    // next successful send.
    if (newFocusId == IDC_MONITOR || !m_bMonitorMode)
        return;
    m_chkMonitor.SetCheck(0);
    StartStopMonitor();
    m_bResumeMonitor = 1;
}

// Every whole frame in the buffer is taken in turn, each as if it had come alone: the port
// gathers the frames of a few milliseconds into one read, and a frame left waiting would show
// an old state until more bytes came.
void CHX5310ConfigDlg::ProcessMonitorFrame() {
    while (m_bMonitorMode) {
        const FrameStepResult r = TakeFrame(m_rxBuf, m_rxLen);
        if (r.kind == FrameStepKind::None)
            return;
        if (r.kind == FrameStepKind::Valid) {
            ++m_nWatchFrames;
            ApplyFrame(r.frame);
        }
    }
}

void CHX5310ConfigDlg::OnMonitorWatch() {
    if (m_nStep >= STEP_MONITOR_FIRST && m_nStep <= STEP_MONITOR_FIRST + 2) {
        // The start handshake has its own time-out; the watch counts from its end.
        m_nWatchFrames = 0;
        m_win.SetTimer(TIMER_MONITOR_WATCH, kMonitorWatchMs);
        return;
    }
    if (!m_bMonitorMode) {
        m_win.KillTimer(TIMER_MONITOR_WATCH);
        return;
    }
    if (m_nWatchFrames == 0 && m_pComm) {
        // After a pause of the program (stopped, a laptop suspended) its timers come due before
        // the port has said what came meanwhile: what the port holds is read before the box
        // counts as silent, and a watch period missed in the pause starts again from now.
        m_pComm->TakeWaiting();
        OnCommEvent(EV_RXCHAR, 0);
        if (!m_bMonitorMode)
            return;
        if (m_nWatchFrames > 0)
            m_win.SetTimer(TIMER_MONITOR_WATCH, kMonitorWatchMs);
    }
    if (m_nWatchFrames > 0) {
        m_nWatchFrames = 0;
        return;
    }
    // The lamps would go on showing a state the box no longer has: the monitor ends as if the
    // user had unchecked it, the port is closed, and the information field says why.
    m_chkMonitor.SetCheck(0);
    StartStopMonitor();
    ClosePort();
    m_rxLen = 0;
    SetOutcome(OutcomeKind::MonitorLost);
    SetInfoNow(m_strInfo);
}

} // namespace hx
