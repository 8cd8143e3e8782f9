// The transmit-condition rules: each channel's list enables the fields its condition uses.
#include "settings/TxSelect.h"

#include "app/HX5310ConfigDlg.h"

namespace hx {

TxSelectEnables TxSelectRule(int own, int other) {
    TxSelectEnables e{};
    const bool signal = own <= 0, noise = own == 1, busy = own >= 2;
    e.holdTime = signal;
    e.enableSignal = signal;
    e.noiseThresholds = noise;
    e.responseTime = !busy;
    e.commonChecks = !busy || other <= 1;
    return e;
}

namespace {

struct ChannelFields {
    int hold, noiseOn, noiseOff, response;
};

void ApplyTxSelect(IWindowServices& win, const TxSelectEnables& e, const ChannelFields& f) {
    win.Enable(f.hold, e.holdTime);
    if (e.enableSignal) {
        win.Enable(IDC_SIGNAL_ON, true);
        win.Enable(IDC_SIGNAL_OFF, true);
    }
    win.Enable(f.noiseOn, e.noiseThresholds);
    win.Enable(f.noiseOff, e.noiseThresholds);
    win.Enable(f.response, e.responseTime);
    win.Enable(IDC_NO_TX_TONE, e.commonChecks);
    win.Enable(IDC_NO_TX_NOISE, e.commonChecks);
}

} // namespace

void CHX5310ConfigDlg::ApplyTxSelectA() {
    ApplyTxSelect(m_win, TxSelectRule(m_cbTxSelectA.GetCurSel(), m_cbTxSelectB.GetCurSel()),
                  {IDC_HOLD_A, IDC_NOISE_ON_A, IDC_NOISE_OFF_A, IDC_RESP_A});
}

void CHX5310ConfigDlg::ApplyTxSelectB() {
    ApplyTxSelect(m_win, TxSelectRule(m_cbTxSelectB.GetCurSel(), m_cbTxSelectA.GetCurSel()),
                  {IDC_HOLD_B, IDC_NOISE_ON_B, IDC_NOISE_OFF_B, IDC_RESP_B});
}

} // namespace hx
