#pragma once
// The in-memory window: every control is a record, timers and posted events run in virtual
// time, and message boxes and file dialogs are recorded and answered by the test.
#include "DialogTemplate.h"
#include "WindowServices.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace hx {

// Virtual time for in-process models (the box model behind an in-process port).
class IVirtualClock {
public:
    virtual ~IVirtualClock() = default;
    virtual uint64_t Now() const = 0;
    // Runs fn once, delayMs from now, on the window's thread.
    virtual void After(uint64_t delayMs, std::function<void()> fn) = 0;
};

// Pixels of an owner-drawn control in the in-memory window; kept between paints.
class MemoryCanvas : public ICanvas {
public:
    MemoryCanvas(int width = 0, int height = 0, Rgb fill = {255, 255, 255});
    void FillRect(const Rect& r, Rgb colour) override;
    Rgb Pixel(int x, int y) const;
    int Width() const { return m_width; }
    int Height() const { return m_height; }

private:
    int m_width, m_height;
    std::vector<Rgb> m_pixels;
};

class MemoryWindow : public IWindowServices, public IVirtualClock {
public:
    struct Control {
        ControlDef def;
        std::string text;
        bool enabled = true;
        bool visible = true;
        int check = 0;
        std::vector<std::string> items;
        std::vector<std::string> itemTips;
        int selection = -1;
        int lowest = 0, highest = 100, step = 1;
        bool rangeSet = false;
        LampImage lamp = LampImage::None;
        std::string tooltip;
        IOwnerDraw* painter = nullptr;
        MemoryCanvas canvas;
        int redraws = 0;
        bool textSelected = false;
    };
    struct Message {
        std::string text;
        MsgIcon icon;
        bool question = false; // asked with Yes and No
        bool yes = false;      // the answer given
    };

    MemoryWindow();

    // IWindowServices
    int RunModal(const DialogTemplate& tpl, IWindowEvents& events) override;
    void EndDialog(int result) override;
    void SetTitle(const std::string& title) override { m_title = title; }
    std::string GetTitle() const override { return m_title; }
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
    void AppendSystemMenuItem(unsigned id, const std::string& text) override {
        m_sysMenu.push_back({id, text});
    }
    void ShowModalBox(const DialogTemplate& tpl) override { m_boxesShown.push_back(tpl.id); }
    void SetTimer(unsigned id, unsigned periodMs) override;
    void KillTimer(unsigned id) override;
    void PostCommEvent(unsigned event, long tag) override;
    void MessageBox(const std::string& text, MsgIcon icon) override;
    bool AskYesNo(const std::string& text, MsgIcon icon, Question what = Question::Other) override;
    bool IsShiftDown() const override { return m_shift; }
    bool IsCtrlDown() const override { return m_ctrl; }
    void SetFocus(int id) override;
    int GetFocus() const override { return m_focus; }
    std::optional<std::string> AskFileName(const FileDialogSpec& request) override;
    std::string AppDataFolder() const override { return m_appData; }
    void OpenFolder(const std::string& path) override { m_openedFolders.push_back(path); }

    // IVirtualClock
    uint64_t Now() const override { return m_now; }
    void After(uint64_t delayMs, std::function<void()> fn) override;

    // --- What a test does ---
    // Runs posted events until none is left (no time passes).
    void RunPending();
    // Lets ms of virtual time pass, running timers, scheduled work and posted events in order.
    void Advance(uint64_t ms);
    // Advances in steps of 1 ms until pred() holds or maxMs have passed; returns pred().
    bool AdvanceUntil(const std::function<bool()>& pred, uint64_t maxMs);
    // User actions; each returns false when the control is disabled, hidden or absent.
    bool Click(int id);                         // buttons and check boxes (auto check boxes toggle)
    bool Choose(int id, int index);             // pick a list item (selection change notification)
    bool DropDown(int id);                      // open a list
    bool Type(int id, const std::string& text); // replace an edit field's text
    void MoveFocus(int id);                     // focus moves to id (0: out of the window)
    bool PressEnter();                          // the default button
    void PressEscape();                         // asks to close, as "閉じる" does
    void SetModifiers(bool shift, bool ctrl) {
        m_shift = shift;
        m_ctrl = ctrl;
    }
    void QueueFileAnswer(std::optional<std::string> path) { m_fileAnswers.push_back(path); }
    // Answers to Yes/No questions, in order; once they are used up, the default (No unless
    // set otherwise) answers.
    void QueueYesNoAnswer(bool yes) { m_yesNoAnswers.push_back(yes); }
    void SetYesNoDefault(bool yes) { m_yesNoDefault = yes; }
    // The answer to every question of one kind that no queued answer takes.
    void SetAnswer(Question what, bool yes) { m_answers[what] = yes; }
    void SetAppDataFolder(const std::string& path) { m_appData = path; }
    // A window driven by a real clock: a timer started by a handler counts from the moment
    // it is started, read from now(), even when the virtual clock has not caught up yet (a
    // slow handler before it), so that it never falls due early.
    void SetRealClock(std::function<uint64_t()> now) { m_realNow = std::move(now); }

    // --- What a test looks at ---
    const Control* Find(int id) const;
    Control* Find(int id);
    bool Has(int id) const { return Find(id) != nullptr; }
    const std::vector<Message>& Messages() const { return m_messages; }
    void ClearMessages() { m_messages.clear(); }
    const std::vector<FileDialogSpec>& FileDialogs() const { return m_fileDialogs; }
    bool TimerRunning(unsigned id) const { return m_timers.count(id) != 0; }
    // The virtual time at which the next timer or scheduled work falls due; UINT64_MAX when
    // nothing is due. A loop that drives the window by a real clock sleeps until then.
    uint64_t NextDue() const;
    // Moves the clock forward to time, or to NextDue() if that comes first, without running
    // anything. Such a loop calls it before Advance, so that the events that arrived while it
    // slept run at the time they arrived and the timers they start are due from then.
    void MoveClockTo(uint64_t time);
    unsigned TimerPeriod(unsigned id) const;
    std::vector<std::string> ListItems(int id) const;
    LampImage Lamp(int id) const;
    int Redraws(int id) const;
    const MemoryCanvas* Canvas(int id) const;
    void SetCanvasSize(int id, int width, int height);
    bool Ended() const { return m_ended; }
    int Result() const { return m_result; }
    std::string ItemTip(int id, int index) const;
    const std::vector<std::pair<unsigned, std::string>>& SystemMenu() const { return m_sysMenu; }
    const std::vector<int>& ModalBoxesShown() const { return m_boxesShown; }
    const std::vector<std::string>& OpenedFolders() const { return m_openedFolders; }
    void ChooseSystemMenu(unsigned id) {
        if (m_events && !m_ended)
            m_events->OnSysCommand(id);
    }

private:
    struct Timer {
        unsigned period;
        uint64_t due;
        uint64_t seq;
    };
    struct Scheduled {
        uint64_t due;
        uint64_t seq;
        std::function<void()> fn;
    };
    Control& At(int id);
    const Control& At(int id) const;
    bool RunNextDue(uint64_t limit);

    IWindowEvents* m_events = nullptr;
    std::map<int, Control> m_controls;
    std::string m_title;
    std::map<unsigned, Timer> m_timers;
    std::vector<Scheduled> m_scheduled;
    std::deque<std::function<void()>> m_posted;
    std::vector<Message> m_messages;
    std::vector<std::pair<unsigned, std::string>> m_sysMenu;
    std::vector<int> m_boxesShown;
    std::vector<std::string> m_openedFolders;
    std::vector<FileDialogSpec> m_fileDialogs;
    std::deque<std::optional<std::string>> m_fileAnswers;
    std::deque<bool> m_yesNoAnswers;
    bool m_yesNoDefault = false;
    std::map<Question, bool> m_answers;
    std::string m_appData;
    std::function<uint64_t()> m_realNow;
    uint64_t m_now = 0;
    uint64_t m_seq = 0;
    int m_focus = 0;
    bool m_shift = false, m_ctrl = false;
    bool m_ended = false;
    int m_result = -1;
    int m_defaultButton = 0;
    Control m_nowhere; // returned for ids that do not exist
};

} // namespace hx
