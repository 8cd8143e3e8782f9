// ExchangeImage: the editor's values, lists, check boxes and serial text to and from the image.
#include "HX5310ConfigDlg.h"
#include "ImageLayout.h"

namespace hx {

void CHX5310ConfigDlg::ExchangeImage(bool bToImage) {
    EditorValues& values = *this;
    ImageChecks checks;
    if (bToImage) {
        m_nTxSelectA = m_cbTxSelectA.GetCurSel();
        m_nTxSelectB = m_cbTxSelectB.GetCurSel();
        m_nMicTxSelect = m_cbMicTxSelect.GetCurSel();
        // Both priority bits set in the box is no choice of the list: without a choice the
        // box's own bits stay.
        if (m_cbPriority.GetCurSel() >= 0)
            m_nPriority = m_cbPriority.GetCurSel();
        checks.bassCutA = m_chkBassCutA.GetCheck() > 0;
        checks.bassCutB = m_chkBassCutB.GetCheck() > 0;
        checks.noTxOnTone = m_chkNoTxTone.GetCheck() > 0;
        checks.noTxOnNoise = m_chkNoTxNoise.GetCheck() > 0;
        checks.pttInverted = m_chkPttInvert.GetCheck() > 0;
        StoreSettings(values, checks, m_strSerial, m_SettingsImage);
        return;
    }
    LoadSettings(m_SettingsImage, values, checks, m_strSerial);
    m_cbTxSelectA.SetCurSel(m_nTxSelectA);
    m_cbTxSelectB.SetCurSel(m_nTxSelectB);
    m_cbMicTxSelect.SetCurSel(m_nMicTxSelect);
    m_cbPriority.SetCurSel(m_nPriority);
    m_chkBassCutA.SetCheck(checks.bassCutA ? 1 : 0);
    m_chkBassCutB.SetCheck(checks.bassCutB ? 1 : 0);
    m_chkNoTxTone.SetCheck(checks.noTxOnTone ? 1 : 0);
    m_chkNoTxNoise.SetCheck(checks.noTxOnNoise ? 1 : 0);
    m_chkPttInvert.SetCheck(checks.pttInverted ? 1 : 0);
    ApplyTxSelectA();
    ApplyTxSelectB();
}

} // namespace hx
