#pragma once
// What the widget tests share: the one QApplication, real-time waiting, answering modal boxes,
// a clock for the in-process box model, and a recorder of the window's notifications.
#include "MemoryWindow.h"
#include "WindowServices.h"

#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace hx::test {

// The QApplication of the test binary, made on first use (offscreen when no platform is set).
void EnsureApp();

// Whether the platform has fonts to measure text with. Qt's offscreen platform on Windows has
// none (Qt for Windows here is built without FreeType): the tests that measure text or the
// pixels of a layout made from it skip there.
bool PlatformHasFonts();
#define HX_SKIP_WITHOUT_FONTS()                                                                    \
    do {                                                                                           \
        if (!::hx::test::PlatformHasFonts())                                                       \
            GTEST_SKIP() << "no fonts on this platform";                                           \
    } while (0)

// Runs the event loop until pred() holds or ms have passed; returns pred().
bool WaitFor(const std::function<bool()>& pred, int ms = 3000);

// Closes the next modal box (message box, file dialog, About box) that opens within ms with
// its default answer after handing it to inspect; returns at once.
void AnswerNextModal(std::function<void(QWidget*)> inspect = {}, int ms = 3000);

// Real time for the in-process box model: the same clock interface the in-memory window gives
// it, over the Qt event loop. Its callbacks run in the order of their due times, and in the
// order given at equal times, as a serial line delivers bytes: one Qt timer wakes the clock for
// the earliest, since separate timers may fire out of order under load (they do under Wine).
class QtClock : public IVirtualClock {
public:
    QtClock() { m_elapsed.start(); }
    ~QtClock() override;
    uint64_t Now() const override { return static_cast<uint64_t>(m_elapsed.elapsed()); }
    void After(uint64_t delayMs, std::function<void()> fn) override;

private:
    void RunDue();
    void Wake();

    QElapsedTimer m_elapsed;
    std::multimap<uint64_t, std::function<void()>> m_due; // by due time, then as given
    std::unique_ptr<QTimer> m_wake; // made on first use, when the application exists
};

// Records what the window delivers; the services-level tests use it as the window's owner.
class RecordingEvents : public IWindowEvents {
public:
    struct Command {
        int id;
        Notify code;
        int newFocusId;
    };
    int OnInitDialog() override;
    void OnCommand(int id, Notify code, int newFocusId) override;
    void OnTimer(unsigned id) override { timers.push_back(id); }
    int OnCommEvent(unsigned event, long tag) override;
    void OnSysCommand(unsigned id) override { sysCommands.push_back(id); }
    void OnDestroy() override { ++destroys; }

    std::function<int()> onInit;                   // OnInitDialog's work; returns 1 when absent
    std::function<void(const Command&)> onCommand; // runs after a command is recorded
    std::vector<Command> commands;
    std::vector<unsigned> timers;
    std::vector<std::pair<unsigned, long>> commEvents;
    std::vector<unsigned> sysCommands;
    int destroys = 0;

    int Count(int id, Notify code) const;
};

} // namespace hx::test
