// The window's handlers that run the editor's rules: a field left (the coupling rules), a
// preset chosen, a transmit condition chosen. The rules themselves are pure functions of the
// editor values (CouplingRules, Presets, TxSelect).
#include "CouplingRules.h"
#include "HX5310ConfigDlg.h"
#include "Presets.h"
#include "TxSelect.h"

#include <algorithm>

namespace hx {

void CHX5310ConfigDlg::OnFieldKillFocus(int id) {
    // The data exchange of a rule moves the focus to a refused field; the field that loses it
    // then must not start a rule of its own inside this one.
    if (m_bInEditorRule)
        return;
    m_bInEditorRule = 1;
    EditorValues& v = *this;

    // Each rule reads the fields first and goes on with the values as they then stand, also
    // when the read refused a field.
    auto rule = [&](bool (*apply)(EditorValues&, Channel), Channel ch) {
        UpdateData(true);
        if (apply(v, ch))
            UpdateData(false);
    };
    auto delayRuleA = [&] { rule(AudioDelayRule, Channel::A); };
    auto responseRule = [&](Channel ch) {
        const int32_t old = ch == Channel::A ? m_nResponseTimeA : m_nResponseTimeB;
        UpdateData(true);
        if (!ResponseTimeRule(v, ch, old))
            return;
        UpdateData(false);
        delayRuleA(); // both response times end with channel A's delay rule
    };

    switch (id) {
    case IDC_DELAY_A:
        delayRuleA();
        break;
    case IDC_DELAY_B:
        rule(AudioDelayRule, Channel::B);
        break;
    case IDC_RESP_A:
        responseRule(Channel::A);
        break;
    case IDC_RESP_B:
        responseRule(Channel::B);
        break;
    case IDC_SIGNAL_ON:
        UpdateData(true);
        if (SignalOnRule(v))
            UpdateData(false);
        break;
    case IDC_SIGNAL_OFF:
        UpdateData(true);
        if (SignalOffRule(v))
            UpdateData(false);
        break;
    case IDC_NOISE_ON_A:
        rule(NoiseOnRule, Channel::A);
        break;
    case IDC_NOISE_ON_B:
        rule(NoiseOnRule, Channel::B);
        break;
    case IDC_NOISE_OFF_A:
        rule(NoiseOffRule, Channel::A);
        break;
    case IDC_NOISE_OFF_B:
        rule(NoiseOffRule, Channel::B);
        break;
    case IDC_RXGAIN_A:
        rule(RxGainRule, Channel::A);
        break;
    case IDC_RXGAIN_B:
        rule(RxGainRule, Channel::B);
        break;
    default:
        break;
    }
    m_bInEditorRule = 0;
}

// Choosing the preset that is already applied does nothing, even after its values were
// edited. Otherwise the fields are read first (a refused field does not stop the preset), so
// that values typed into other fields survive it.
void CHX5310ConfigDlg::ApplyPresetA() {
    const int p = m_cbPresetA.GetCurSel();
    if (p == m_nPresetA)
        return;
    m_nPresetA = p;
    const bool nested = m_bInEditorRule != 0;
    m_bInEditorRule = 1;
    UpdateData(true);
    SetPresetValues(*this, Channel::A, p);
    m_cbTxSelectA.SetCurSel(m_nTxSelectA);
    ApplyTxSelectA();
    m_cbPriority.SetCurSel(m_nPriority);
    UpdateData(false);
    if (!nested)
        m_bInEditorRule = 0;
}

void CHX5310ConfigDlg::ApplyPresetB() {
    const int p = m_cbPresetB.GetCurSel();
    if (p == m_nPresetB)
        return;
    m_nPresetB = p;
    const bool nested = m_bInEditorRule != 0;
    m_bInEditorRule = 1;
    UpdateData(true);
    SetPresetValues(*this, Channel::B, p);
    m_cbTxSelectB.SetCurSel(m_nTxSelectB);
    ApplyTxSelectB();
    UpdateData(false);
    if (!nested)
        m_bInEditorRule = 0;
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
