#include "MemoryWindow.h"

#include <algorithm>
#include <cctype>

namespace hx {

MemoryCanvas::MemoryCanvas(int width, int height, Rgb fill)
    : m_width(width), m_height(height),
      m_pixels(static_cast<size_t>(std::max(0, width) * std::max(0, height)), fill) {}

void MemoryCanvas::FillRect(const Rect& r, Rgb colour) {
    const int x0 = std::max(0, r.left), x1 = std::min(m_width, r.right);
    const int y0 = std::max(0, r.top), y1 = std::min(m_height, r.bottom);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            m_pixels[static_cast<size_t>(y * m_width + x)] = colour;
}

Rgb MemoryCanvas::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return {};
    return m_pixels[static_cast<size_t>(y * m_width + x)];
}

MemoryWindow::MemoryWindow() = default;

MemoryWindow::Control& MemoryWindow::At(int id) {
    auto it = m_controls.find(id);
    if (it == m_controls.end()) {
        m_nowhere = Control{};
        return m_nowhere;
    }
    return it->second;
}

const MemoryWindow::Control& MemoryWindow::At(int id) const {
    auto it = m_controls.find(id);
    return it == m_controls.end() ? m_nowhere : it->second;
}

const MemoryWindow::Control* MemoryWindow::Find(int id) const {
    auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : &it->second;
}

MemoryWindow::Control* MemoryWindow::Find(int id) {
    auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : &it->second;
}

int MemoryWindow::RunModal(const DialogTemplate& tpl, IWindowEvents& events) {
    m_controls.clear();
    for (const auto& def : tpl.controls) {
        if (def.id < 0)
            continue;
        Control c;
        c.def = def;
        if (def.kind != ControlKind::Edit)
            c.text = def.caption;
        c.visible = (def.flags & kHidden) == 0;
        c.items = def.items;
        if (def.kind == ControlKind::Meter)
            c.canvas = MemoryCanvas(306, 21, {255, 255, 255});
        if (def.flags & kDefaultButton)
            m_defaultButton = def.id;
        m_controls[def.id] = std::move(c);
    }
    m_title = tpl.caption;
    m_events = &events;
    m_ended = false;
    m_result = -1;
    events.OnInitDialog();
    return m_ended ? m_result : -1;
}

void MemoryWindow::EndDialog(int result) {
    if (m_ended)
        return;
    m_ended = true;
    m_result = result;
    m_timers.clear();
    m_posted.clear();
    if (m_events)
        m_events->OnDestroy();
}

void MemoryWindow::SetText(int id, const std::string& text) {
    At(id).text = text;
}
std::string MemoryWindow::GetText(int id) const {
    return At(id).text;
}
void MemoryWindow::Enable(int id, bool enable) {
    At(id).enabled = enable;
}
bool MemoryWindow::IsEnabled(int id) const {
    return Find(id) && At(id).enabled;
}
void MemoryWindow::Show(int id, bool show) {
    At(id).visible = show;
}
bool MemoryWindow::IsVisible(int id) const {
    return Find(id) && At(id).visible;
}
void MemoryWindow::SetCheck(int id, int state) {
    At(id).check = state;
}
int MemoryWindow::GetCheck(int id) const {
    return At(id).check;
}
void MemoryWindow::SelectAllText(int id) {
    At(id).textSelected = true;
}

void MemoryWindow::ListReset(int id) {
    At(id).items.clear();
    At(id).itemTips.clear();
    At(id).selection = -1;
}

int MemoryWindow::ListAdd(int id, const std::string& text) {
    auto& c = At(id);
    c.items.push_back(text);
    return static_cast<int>(c.items.size()) - 1;
}

int MemoryWindow::ListInsert(int id, int index, const std::string& text) {
    auto& c = At(id);
    if (index < 0 || index > static_cast<int>(c.items.size()))
        index = static_cast<int>(c.items.size());
    c.items.insert(c.items.begin() + index, text);
    if (c.selection >= index)
        ++c.selection;
    return index;
}

int MemoryWindow::ListCount(int id) const {
    return static_cast<int>(At(id).items.size());
}

std::string MemoryWindow::ListText(int id, int index) const {
    const auto& c = At(id);
    if (index < 0 || index >= static_cast<int>(c.items.size()))
        return {};
    return c.items[static_cast<size_t>(index)];
}

void MemoryWindow::ListSelect(int id, int index) {
    auto& c = At(id);
    c.selection = (index >= 0 && index < static_cast<int>(c.items.size())) ? index : -1;
    c.text = c.selection >= 0 ? c.items[static_cast<size_t>(c.selection)] : std::string();
}

int MemoryWindow::ListSelection(int id) const {
    return At(id).selection;
}

void MemoryWindow::SetUpDownRange(int id, int lowest, int highest, int step) {
    auto& c = At(id);
    c.lowest = lowest;
    c.highest = highest;
    c.step = step;
    c.rangeSet = true;
}

void MemoryWindow::SetLamp(int id, LampImage image) {
    At(id).lamp = image;
}

void MemoryWindow::AttachOwnerDraw(int id, IOwnerDraw* painter) {
    At(id).painter = painter;
}

void MemoryWindow::RedrawNow(int id) {
    auto* c = Find(id);
    if (!c)
        return;
    ++c->redraws;
    if (c->painter)
        c->painter->DrawItem(c->canvas, Rect{0, 0, c->canvas.Width(), c->canvas.Height()});
}

bool MemoryWindow::AddTooltip(int id, const std::string& text) {
    auto* c = Find(id);
    if (!c)
        return false;
    c->tooltip = text;
    return true;
}

void MemoryWindow::SetTimer(unsigned id, unsigned periodMs) {
    const unsigned period = std::max(1u, periodMs);
    const uint64_t from = m_realNow ? std::max(m_now, m_realNow()) : m_now;
    m_timers[id] = Timer{period, from + period, m_seq++};
}

void MemoryWindow::KillTimer(unsigned id) {
    m_timers.erase(id);
}

void MemoryWindow::PostCommEvent(unsigned event, long tag) {
    if (m_ended)
        return;
    m_posted.push_back([this, event, tag] {
        if (m_events)
            m_events->OnCommEvent(event, tag);
    });
}

void MemoryWindow::MessageBox(const std::string& text, MsgIcon icon) {
    m_messages.push_back({text, icon});
}

bool MemoryWindow::AskYesNo(const std::string& text, MsgIcon icon, Question what) {
    const auto answer = m_answers.find(what);
    bool yes = answer != m_answers.end() ? answer->second : m_yesNoDefault;
    if (!m_yesNoAnswers.empty()) {
        yes = m_yesNoAnswers.front();
        m_yesNoAnswers.pop_front();
    }
    m_messages.push_back({text, icon, true, yes});
    return yes;
}

void MemoryWindow::SetFocus(int id) {
    const int old = m_focus;
    if (old == id)
        return;
    m_focus = id;
    const Control* c = Find(old);
    if (c && c->def.kind == ControlKind::Edit && m_events && !m_ended)
        m_events->OnCommand(old, Notify::KillFocus, id);
}

std::optional<std::string> MemoryWindow::AskFileName(const FileDialogSpec& request) {
    m_fileDialogs.push_back(request);
    if (m_fileAnswers.empty())
        return std::nullopt;
    auto answer = m_fileAnswers.front();
    m_fileAnswers.pop_front();
    return answer;
}

void MemoryWindow::After(uint64_t delayMs, std::function<void()> fn) {
    m_scheduled.push_back(Scheduled{m_now + delayMs, m_seq++, std::move(fn)});
}

void MemoryWindow::RunPending() {
    // A bound keeps a runaway loop of self-posting events from hanging a test.
    for (int guard = 0; !m_posted.empty() && guard < 10'000'000; ++guard) {
        auto fn = std::move(m_posted.front());
        m_posted.pop_front();
        fn();
    }
}

bool MemoryWindow::RunNextDue(uint64_t limit) {
    // The earliest of the timers and the scheduled work, first armed first when due together.
    const Timer* bestTimer = nullptr;
    unsigned bestId = 0;
    for (auto& [id, t] : m_timers) {
        if (t.due <= limit && (!bestTimer || t.due < bestTimer->due ||
                               (t.due == bestTimer->due && t.seq < bestTimer->seq))) {
            bestTimer = &t;
            bestId = id;
        }
    }
    auto bestWork = m_scheduled.end();
    for (auto it = m_scheduled.begin(); it != m_scheduled.end(); ++it) {
        if (it->due <= limit && (bestWork == m_scheduled.end() || it->due < bestWork->due ||
                                 (it->due == bestWork->due && it->seq < bestWork->seq)))
            bestWork = it;
    }
    const bool workFirst = bestWork != m_scheduled.end() &&
                           (!bestTimer || bestWork->due < bestTimer->due ||
                            (bestWork->due == bestTimer->due && bestWork->seq < bestTimer->seq));
    if (workFirst) {
        m_now = std::max(m_now, bestWork->due);
        auto fn = std::move(bestWork->fn);
        m_scheduled.erase(bestWork);
        fn();
    } else if (bestTimer) {
        m_now = std::max(m_now, bestTimer->due);
        auto& t = m_timers[bestId];
        t.due = m_now + t.period;
        t.seq = m_seq++;
        if (m_events && !m_ended)
            m_events->OnTimer(bestId);
    } else {
        return false;
    }
    RunPending();
    return true;
}

void MemoryWindow::Advance(uint64_t ms) {
    const uint64_t target = m_now + ms;
    RunPending();
    while (RunNextDue(target)) {
    }
    m_now = target;
    RunPending();
}

bool MemoryWindow::AdvanceUntil(const std::function<bool()>& pred, uint64_t maxMs) {
    RunPending();
    for (uint64_t i = 0; i < maxMs && !pred(); ++i)
        Advance(1);
    return pred();
}

static bool Usable(const MemoryWindow::Control* c) {
    return c && c->enabled && c->visible;
}

bool MemoryWindow::Click(int id) {
    auto* c = Find(id);
    if (!Usable(c) || m_ended)
        return false;
    SetFocus(id);
    if (c->def.kind == ControlKind::CheckBox && (c->def.flags & kAutoCheckBox))
        c->check = c->check ? 0 : 1;
    if (id == 2 || id == 1) {
        // "閉じる" ends the dialog with 2 once the window agrees; the hidden OK ends it with 1.
        if (id == 2 && !m_events->OnClose())
            return true;
        EndDialog(id);
        return true;
    }
    m_events->OnCommand(id, Notify::Clicked, 0);
    RunPending();
    return true;
}

bool MemoryWindow::Choose(int id, int index) {
    auto* c = Find(id);
    if (!Usable(c) || m_ended || index < 0 || index >= static_cast<int>(c->items.size()))
        return false;
    SetFocus(id);
    ListSelect(id, index);
    m_events->OnCommand(id, Notify::SelChange, 0);
    RunPending();
    return true;
}

bool MemoryWindow::DropDown(int id) {
    auto* c = Find(id);
    if (!Usable(c) || m_ended)
        return false;
    SetFocus(id);
    m_events->OnCommand(id, Notify::DropDown, 0);
    RunPending();
    return true;
}

bool MemoryWindow::Type(int id, const std::string& text) {
    auto* c = Find(id);
    if (!Usable(c) || m_ended || c->def.kind != ControlKind::Edit || (c->def.flags & kReadOnly))
        return false;
    SetFocus(id);
    std::string accepted;
    for (char ch : text) {
        if ((c->def.flags & kDigitsOnly) && !std::isdigit(static_cast<unsigned char>(ch)))
            continue;
        if (c->def.flags & kUpperCase)
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        accepted += ch;
    }
    c->text = accepted;
    return true;
}

void MemoryWindow::MoveFocus(int id) {
    SetFocus(id);
    RunPending();
}

bool MemoryWindow::PressEnter() {
    if (m_defaultButton == 0)
        return false;
    return Click(m_defaultButton);
}

void MemoryWindow::PressEscape() {
    if (m_ended || (m_events && !m_events->OnClose()))
        return;
    EndDialog(2);
}

uint64_t MemoryWindow::NextDue() const {
    uint64_t due = UINT64_MAX;
    for (const auto& [id, t] : m_timers)
        due = std::min(due, t.due);
    for (const auto& work : m_scheduled)
        due = std::min(due, work.due);
    return due;
}

void MemoryWindow::MoveClockTo(uint64_t time) {
    m_now = std::max(m_now, std::min(time, NextDue()));
}

unsigned MemoryWindow::TimerPeriod(unsigned id) const {
    auto it = m_timers.find(id);
    return it == m_timers.end() ? 0 : it->second.period;
}

std::vector<std::string> MemoryWindow::ListItems(int id) const {
    return At(id).items;
}
LampImage MemoryWindow::Lamp(int id) const {
    return At(id).lamp;
}
int MemoryWindow::Redraws(int id) const {
    return At(id).redraws;
}

const MemoryCanvas* MemoryWindow::Canvas(int id) const {
    const auto* c = Find(id);
    return c ? &c->canvas : nullptr;
}

void MemoryWindow::SetCanvasSize(int id, int width, int height) {
    if (auto* c = Find(id))
        c->canvas = MemoryCanvas(width, height, {255, 255, 255});
}

void MemoryWindow::ListSetItemTip(int id, int index, const std::string& tip) {
    auto& c = At(id);
    if (index < 0 || index >= static_cast<int>(c.items.size()))
        return;
    c.itemTips.resize(c.items.size());
    c.itemTips[static_cast<size_t>(index)] = tip;
}

std::string MemoryWindow::ItemTip(int id, int index) const {
    const auto& c = At(id);
    return index >= 0 && index < static_cast<int>(c.itemTips.size())
               ? c.itemTips[static_cast<size_t>(index)]
               : std::string();
}

} // namespace hx
