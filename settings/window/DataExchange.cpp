// The data exchange between the controls and the members: the port name, the information
// text, the two serial numbers and the nineteen numeric fields, in that order. Reading
// validates; the first field refused shows one message, takes the focus with its text selected,
// and ends the read (later fields keep their values).
#include "EditorFields.h"
#include "HX5310ConfigDlg.h"
#include "SerialText.h"

namespace hx {

// A validation message: only the first of one user action (a click, a choice, a focus change,
// and what the window does in its wake) is shown. A rule, a preset or an operation reads and
// writes the fields more than once, and one typing error is one message.
void CHX5310ConfigDlg::Warn(const std::string& text) {
    if (m_bEditorMessageShown)
        return;
    m_win.MessageBox(text, MsgIcon::Warning);
    m_bEditorMessageShown = 1;
}

bool CHX5310ConfigDlg::UpdateData(bool bSaveAndValidate) {
    // A read that no user action and no operation asked for (a program reading the fields)
    // is an action of its own.
    if (bSaveAndValidate && m_nActionDepth == 0 && m_nStep == 0)
        m_bEditorMessageShown = 0;
    bool ok = true;
    DoDataExchange(bSaveAndValidate, ok);
    return ok;
}

bool CHX5310ConfigDlg::ValidateHexSerial(const std::string& text) {
    uint32_t value = 0;
    if (text.empty() || ParseSerialText(text, value))
        return true;
    Warn(HexSerialMessage());
    return false;
}

void CHX5310ConfigDlg::DoDataExchange(bool bSaveAndValidate, bool& ok) {
    ok = true;
    auto failAt = [&](int id, const std::string* message) {
        if (message)
            Warn(*message);
        m_win.SetFocus(id);
        m_win.SelectAllText(id);
        ok = false;
    };
    EditorValues& values = *this;

    if (bSaveAndValidate) {
        const int port = m_cbPort.GetCurSel();
        m_strPortName = port >= 0 ? m_cbPort.GetLBText(port) : std::string();
        m_strInfo = m_edInfo.GetWindowText();

        m_strSerial = m_edSerial.GetWindowText();
        if (!ValidateHexSerial(m_strSerial))
            return failAt(IDC_SERIAL, nullptr);
        // The new serial number counts only while its row is shown (a box without one); a
        // hidden field never holds up the fields after it.
        if (m_edNewSerial.IsWindowVisible()) {
            m_strNewSerial = m_edNewSerial.GetWindowText();
            if (!ValidateHexSerial(m_strNewSerial))
                return failAt(IDC_NEW_SERIAL, nullptr);
        }

        for (const NumericField& f : NumericFields()) {
            int64_t number = 0;
            switch (ParseFieldText(m_win.GetText(f.id), f.kind, number)) {
            case NumberText::NotANumber: {
                const std::string message = NotANumberMessage(f.kind);
                return failAt(f.id, &message);
            }
            case NumberText::TooLarge: { // cannot be held: the value stays as it was
                const std::string message = OutOfRangeMessage(f.lowest, f.highest);
                return failAt(f.id, &message);
            }
            case NumberText::Ok:
                break;
            }
            f.Set(values, number);
            if (number < f.lowest || number > f.highest) {
                const std::string message = OutOfRangeMessage(f.lowest, f.highest);
                return failAt(f.id, &message);
            }
            if (f.multipleOf8 && number % 8 != 0) {
                const std::string message = MultipleOfMessage(8);
                return failAt(f.id, &message);
            }
        }
        return;
    }

    // Writing: every text goes into its field first, so that no field keeps a stale text; then
    // the checks of this direction run, and the first one that fails is reported.
    for (int i = 0; i < m_cbPort.GetCount(); ++i) {
        if (m_cbPort.GetLBText(i) == m_strPortName) {
            m_cbPort.SetCurSel(i);
            break;
        }
    }
    m_edInfo.SetWindowText(m_strInfo);
    m_edSerial.SetWindowText(m_strSerial);
    m_edNewSerial.SetWindowText(m_strNewSerial);
    for (const NumericField& f : NumericFields())
        m_win.SetText(f.id, FieldText(f.Get(values)));

    if (!ValidateHexSerial(m_strSerial))
        return failAt(IDC_SERIAL, nullptr);
    if (m_edNewSerial.IsWindowVisible() && !ValidateHexSerial(m_strNewSerial))
        return failAt(IDC_NEW_SERIAL, nullptr);
    for (const NumericField& f : NumericFields()) {
        if (f.multipleOf8 && f.Get(values) % 8 != 0) {
            const std::string message = MultipleOfMessage(8);
            return failAt(f.id, &message);
        }
    }
}

} // namespace hx
