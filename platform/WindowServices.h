#pragma once
// The window services: what the main window needs of the dialog framework and the window
// system. The Qt implementation builds real widgets; the in-memory one records everything and
// runs timers and posted events in virtual time.
#include "Canvas.h"
#include "Types.h"

#include <optional>
#include <string>

namespace hx {

struct DialogTemplate;

// What the window services deliver to the dialog, one at a time on the window's thread.
class IWindowEvents {
public:
    virtual ~IWindowEvents() = default;
    // After the controls exist. Returns 1 when the window is ready, 0 after EndDialog.
    virtual int OnInitDialog() = 0;
    // A control notification. For KillFocus, newFocusId is the control that takes the focus
    // (0 when the focus leaves the window).
    virtual void OnCommand(int id, Notify code, int newFocusId) = 0;
    virtual void OnTimer(unsigned id) = 0;
    // WM_COMM_EVENT: returns 1 when the port was open, 0 otherwise.
    virtual int OnCommEvent(unsigned event, long tag) = 0;
    // The About entry of the system menu (or its stand-in: a shortcut, a context menu).
    virtual void OnSysCommand(unsigned id) = 0;
    // The user asks to close the window (the close button, Escape, the title bar's close);
    // true lets it end with 2.
    virtual bool OnClose() { return true; }
    // The window is going away; the port is closed here.
    virtual void OnDestroy() = 0;
};

class IWindowServices {
public:
    virtual ~IWindowServices() = default;

    // Builds the window from the template, calls OnInitDialog and runs the window until
    // EndDialog. The in-memory window returns at once after OnInitDialog (-1 while running).
    virtual int RunModal(const DialogTemplate& tpl, IWindowEvents& events) = 0;
    virtual void EndDialog(int result) = 0;

    // Window
    virtual void SetTitle(const std::string& title) = 0;
    virtual std::string GetTitle() const = 0;

    // Controls by id
    virtual void SetText(int id, const std::string& text) = 0;
    virtual std::string GetText(int id) const = 0;
    virtual void Enable(int id, bool enable) = 0;
    virtual bool IsEnabled(int id) const = 0;
    virtual void Show(int id, bool show) = 0;
    virtual bool IsVisible(int id) const = 0;
    virtual void SetCheck(int id, int state) = 0;
    virtual int GetCheck(int id) const = 0;
    virtual void SelectAllText(int id) = 0;

    // Drop-down lists (indices from 0; -1 means none)
    virtual void ListReset(int id) = 0;
    virtual int ListAdd(int id, const std::string& text) = 0;
    virtual int ListInsert(int id, int index, const std::string& text) = 0;
    virtual int ListCount(int id) const = 0;
    virtual std::string ListText(int id, int index) const = 0;
    virtual void ListSelect(int id, int index) = 0;
    virtual int ListSelection(int id) const = 0;
    // The tooltip of one item, shown over the item in the opened list and over the closed list
    // while the item is selected (after the control's own tooltip).
    virtual void ListSetItemTip(int id, int index, const std::string& tip) = 0;

    // Up-down controls: range and step per press
    virtual void SetUpDownRange(int id, int lowest, int highest, int step) = 0;

    // Lamps and owner-drawn controls
    virtual void SetLamp(int id, LampImage image) = 0;
    virtual void AttachOwnerDraw(int id, IOwnerDraw* painter) = 0;
    // The control paints now (an owner-drawn one runs its painter before returning); the
    // screen shows it with the window's next paint, at most once per refresh of the screen.
    virtual void RedrawNow(int id) = 0;

    // Tooltips; false when the tooltip could not be registered
    virtual bool AddTooltip(int id, const std::string& text) = 0;

    // Appends an entry to the window's system menu (or its stand-in where the platform has
    // none); choosing it calls OnSysCommand(id).
    virtual void AppendSystemMenuItem(unsigned id, const std::string& text) = 0;
    // Shows a modal box built from a template (the About box) until its OK ends it.
    virtual void ShowModalBox(const DialogTemplate& tpl) = 0;

    // Timers by id: they repeat until killed; setting a running timer replaces its period.
    virtual void SetTimer(unsigned id, unsigned periodMs) = 0;
    virtual void KillTimer(unsigned id) = 0;

    // Posts WM_COMM_EVENT to the window's queue.
    virtual void PostCommEvent(unsigned event, long tag) = 0;

    // Message box with an OK button, modal.
    virtual void MessageBox(const std::string& text, MsgIcon icon) = 0;
    // Message box with Yes and No buttons, modal, No the default; true for Yes.
    virtual bool AskYesNo(const std::string& text, MsgIcon icon,
                          Question what = Question::Other) = 0;

    // Keyboard
    virtual bool IsShiftDown() const = 0;
    virtual bool IsCtrlDown() const = 0;
    virtual void SetFocus(int id) = 0;
    virtual int GetFocus() const = 0; // 0 when no control of the window has the focus

    // Standard file dialogs; nullopt when cancelled.
    virtual std::optional<std::string> AskFileName(const FileDialogSpec& request) = 0;

    // Per-user folder for the tool's own files (backups); empty when there is none.
    virtual std::string AppDataFolder() const = 0;
    // Shows a folder in the platform's file manager.
    virtual void OpenFolder(const std::string& path) = 0;
};

} // namespace hx
