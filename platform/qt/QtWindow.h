#pragma once
// The window services over Qt Widgets: a QDialog built from a dialog template, one widget per
// control, QTimers by id, queued calls for the port's events, QMessageBox and QFileDialog.
#include "DialogTemplate.h"
#include "QtWindowRules.h"
#include "WindowServices.h"

#include <QPointer>

#include <map>
#include <string>
#include <vector>

class QAction;
class QDialog;
class QLineEdit;
class QTimer;
class QWidget;

namespace hx {

class QtDialogWidget;

// Settles how Qt draws the window; called before the QApplication is made. On X11 the window
// is drawn without the X server's shared memory: with it, Qt waits for the server at every
// paint of a spot it painted the time before, and the live monitor paints its meters 50 times
// a second. A window this small is sent as quickly over the connection. A choice made in the
// environment stands.
void PrepareQtDrawing();

// Installs Qt's own Japanese texts (the file dialogs, their questions) in the application.
// False when they are not installed; folder then names where they were looked for.
bool InstallQtJapaneseTexts(std::string& folder);

class QtWindow : public IWindowServices {
public:
    QtWindow();
    ~QtWindow() override;
    QtWindow(const QtWindow&) = delete;
    QtWindow& operator=(const QtWindow&) = delete;

    // --- IWindowServices ---
    int RunModal(const DialogTemplate& tpl, IWindowEvents& events) override;
    void EndDialog(int result) override;
    // The close button, Escape or the title bar's close: ends with 2 once the window agrees.
    void RequestClose();
    void SetTitle(const std::string& title) override;
    std::string GetTitle() const override;
    void SetText(int id, const std::string& text) override;
    std::string GetText(int id) const override;
    void Enable(int id, bool enable) override;
    bool IsEnabled(int id) const override;
    void Show(int id, bool show) override;
    bool IsVisible(int id) const override;
    void SetCheck(int id, int state) override;
    int GetCheck(int id) const override;
    void SelectAllText(int id) override;
    void ListReset(int id) override;
    int ListAdd(int id, const std::string& text) override;
    int ListInsert(int id, int index, const std::string& text) override;
    int ListCount(int id) const override;
    std::string ListText(int id, int index) const override;
    void ListSelect(int id, int index) override;
    int ListSelection(int id) const override;
    void ListSetItemTip(int id, int index, const std::string& tip) override;
    void SetUpDownRange(int id, int lowest, int highest, int step) override;
    void SetLamp(int id, LampImage image) override;
    void AttachOwnerDraw(int id, IOwnerDraw* painter) override;
    void RedrawNow(int id) override;
    bool AddTooltip(int id, const std::string& text) override;
    void AppendSystemMenuItem(unsigned id, const std::string& text) override;
    void ShowModalBox(const DialogTemplate& tpl) override;
    void SetTimer(unsigned id, unsigned periodMs) override;
    void KillTimer(unsigned id) override;
    void PostCommEvent(unsigned event, long tag) override;
    void MessageBox(const std::string& text, MsgIcon icon) override;
    bool AskYesNo(const std::string& text, MsgIcon icon, Question what = Question::Other) override;
    bool IsShiftDown() const override;
    bool IsCtrlDown() const override;
    void SetFocus(int id) override;
    int GetFocus() const override;
    std::optional<std::string> AskFileName(const FileDialogSpec& request) override;
    std::string AppDataFolder() const override;
    void OpenFolder(const std::string& path) override;

    // --- Beyond the services ---
    // RunModal without the modal loop: builds the window, runs OnInitDialog and shows the
    // window; false when OnInitDialog ended it. The caller's event loop runs it from then on.
    bool Open(const DialogTemplate& tpl, IWindowEvents& events);
    QDialog* Dialog() const;
    QWidget* Widget(int id) const; // null for an id the window does not have
    DialogBaseUnits BaseUnits() const { return m_base; }
    bool Ended() const { return m_ended; }
    int Result() const { return m_result; }
    // The texts of the message boxes shown so far, oldest first.
    const std::vector<std::string>& MessagesShown() const { return m_messages; }
    // The entries of the window's context menu (the system menu's stand-in), in menu order.
    QList<QAction*> MenuActions() const;

    // The command id of the context-menu entry that opens the backup folder.
    static constexpr unsigned kOpenBackupsCommand = 0x0020;

private:
    struct Control {
        ControlDef def;
        QWidget* widget = nullptr;
    };

    // Builds the dialog widget of tpl; the main window's controls go into controls.
    QtDialogWidget* BuildDialog(const DialogTemplate& tpl, std::map<int, Control>& controls,
                                DialogBaseUnits& base, bool mainWindow);
    QWidget* CreateControl(const ControlDef& def, QWidget* parent, QWidget* previous,
                           bool mainWindow);
    bool Start(const DialogTemplate& tpl, IWindowEvents& events);
    void Teardown();
    void ShowWholeOrShortened(QLineEdit* edit, const std::string& text);
    void FocusFirstControl();
    const Control* Find(int id) const;
    int IdOf(const QWidget* w) const;
    bool HasFocusWithin(const QWidget* w) const;
    void ParkFocus(int id);
    void ReturnParkedFocus(int id);
    void OnFocusChanged(QWidget* old, QWidget* now);
    void Deliver(int id, Notify code, int newFocusId = 0);
    void ShowContextMenu(const QPoint& globalPos);
    void RunSysCommand(unsigned id);
    void AddMenuAction(unsigned id, const std::string& text);

    QMetaObject::Connection m_focusWatch; // QApplication::focusChanged, from the first run on
    QPointer<QtDialogWidget> m_dialog;
    std::map<int, Control> m_controls;
    std::map<unsigned, QTimer*> m_timers;
    std::vector<QAction*> m_menu;
    IWindowEvents* m_events = nullptr;
    DialogBaseUnits m_base;
    std::string m_caption; // the template's caption: the title of the message boxes
    bool m_ended = true;
    int m_result = -1;
    unsigned m_run = 0;   // counts the runs, so that events posted for an earlier run are dropped
    int m_modalDepth = 0; // a box of our own is open: the focus moving to it is no kill-focus
    int m_closeAsked = 0; // the window is asked whether to close (a second request waits)
    int m_muteFocus = 0;  // focus moves made by the window itself
    int m_killFocusDepth = 0; // inside a kill-focus notification
    int m_parkedFrom = 0;     // the control whose focus the window holds while it is disabled
    std::vector<std::string> m_messages;
    mutable QString m_lastFolder; // the folder of the last file dialog
};

} // namespace hx
