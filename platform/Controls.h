#pragma once
// Control wrappers in the style of the dialog framework: each is bound to a control id of the
// window and forwards to the window services.
#include "WindowServices.h"

#include <string>

namespace hx {

class CWnd {
public:
    void Bind(IWindowServices* win, int id) {
        m_win = win;
        m_id = id;
    }
    int GetDlgCtrlID() const { return m_id; }
    void SetWindowText(const std::string& text) { m_win->SetText(m_id, text); }
    std::string GetWindowText() const { return m_win->GetText(m_id); }
    void EnableWindow(bool enable) { m_win->Enable(m_id, enable); }
    bool IsWindowEnabled() const { return m_win->IsEnabled(m_id); }
    void ShowWindow(bool show) { m_win->Show(m_id, show); }
    bool IsWindowVisible() const { return m_win->IsVisible(m_id); }
    void SetFocus() { m_win->SetFocus(m_id); }
    void RedrawWindow() { m_win->RedrawNow(m_id); }

protected:
    IWindowServices* m_win = nullptr;
    int m_id = 0;
};

class CComboBox : public CWnd {
public:
    void ResetContent() { m_win->ListReset(m_id); }
    int AddString(const std::string& text) { return m_win->ListAdd(m_id, text); }
    int InsertString(int index, const std::string& text) {
        return m_win->ListInsert(m_id, index, text);
    }
    int GetCount() const { return m_win->ListCount(m_id); }
    std::string GetLBText(int index) const { return m_win->ListText(m_id, index); }
    int GetCurSel() const { return m_win->ListSelection(m_id); }
    void SetCurSel(int index) { m_win->ListSelect(m_id, index); }
};

class CButton : public CWnd {
public:
    int GetCheck() const { return m_win->GetCheck(m_id); }
    void SetCheck(int state) { m_win->SetCheck(m_id, state); }
};

class CEdit : public CWnd {
public:
    void SetSelAll() { m_win->SelectAllText(m_id); }
};

class CSpinButtonCtrl : public CWnd {
public:
    void SetRange32(int lowest, int highest, int step = 1) {
        m_win->SetUpDownRange(m_id, lowest, highest, step);
    }
};

class CStatic : public CWnd {
public:
    void SetBitmap(LampImage image) { m_win->SetLamp(m_id, image); }
};

// A lamp picture loaded from the program's resources (bitmaps 132 to 137).
class CBitmap {
public:
    bool LoadBitmap(int resourceId) {
        switch (resourceId) {
        case 132:
            m_image = LampImage::Red;
            break;
        case 133:
            m_image = LampImage::Green;
            break;
        case 134:
            m_image = LampImage::Yellow;
            break;
        case 135:
            m_image = LampImage::Grey;
            break;
        case 136:
            m_image = LampImage::RedCross;
            break;
        case 137:
            m_image = LampImage::GreyCross;
            break;
        default:
            return false;
        }
        return true;
    }
    LampImage Image() const { return m_image; }

private:
    LampImage m_image = LampImage::None;
};

} // namespace hx

namespace hx {

// The tooltip control: registers texts for controls of the window.
class CToolTipCtrl : public CWnd {
public:
    bool Create(IWindowServices* win) {
        m_win = win;
        return m_win != nullptr;
    }
    void SetDelayTime(unsigned ms) { m_delay = ms; }
    unsigned GetDelayTime() const { return m_delay; }
    bool AddTool(int id, const std::string& text) { return m_win->AddTooltip(id, text); }
    void Activate(bool on) { m_active = on; }
    bool IsActive() const { return m_active; }

private:
    unsigned m_delay = 0;
    bool m_active = false;
};

} // namespace hx
