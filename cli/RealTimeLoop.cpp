#include "RealTimeLoop.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>

namespace hx::cli {

RealTimeLoop::RealTimeLoop(MemoryWindow& win) : m_win(win) {
    m_wake.setSingleShot(true);
    m_wake.setTimerType(Qt::PreciseTimer);
    m_clock.start();
    m_win.MoveClockTo(0);
    m_win.SetRealClock([this] { return ElapsedMs(); });
}

RealTimeLoop::~RealTimeLoop() {
    m_win.SetRealClock(nullptr);
}

void RealTimeLoop::CatchUp() {
    // Events that arrived while the loop slept run at the time they arrived, so the retry
    // timers they start are due a whole period later in real time.
    const uint64_t now = ElapsedMs();
    m_win.MoveClockTo(now);
    m_win.Advance(now > m_win.Now() ? now - m_win.Now() : 0);
}

void RealTimeLoop::Slice(unsigned maxWaitMs) {
    CatchUp();
    uint64_t wait = maxWaitMs;
    const uint64_t due = m_win.NextDue();
    if (due != UINT64_MAX)
        wait = std::min<uint64_t>(wait, due > m_win.Now() ? due - m_win.Now() : 0);
    if (wait > 0) {
        m_wake.start(static_cast<int>(wait));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        m_wake.stop();
    } else {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    CatchUp();
}

} // namespace hx::cli
