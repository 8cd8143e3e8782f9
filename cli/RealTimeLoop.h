#pragma once
// Runs the in-memory window by the real clock: Qt's events (the serial port's notifications)
// and the window's timers, posted events and time all move together.
#include "MemoryWindow.h"

#include <QElapsedTimer>
#include <QTimer>

#include <cstdint>

namespace hx::cli {

class RealTimeLoop {
public:
    // Needs a QCoreApplication. The window's clock follows the real one from now on.
    explicit RealTimeLoop(MemoryWindow& win);
    ~RealTimeLoop();
    RealTimeLoop(const RealTimeLoop&) = delete;
    RealTimeLoop& operator=(const RealTimeLoop&) = delete;

    // Waits for Qt's events for at most maxWaitMs, and no longer than until the window's next
    // timer is due; then runs them and brings the window's clock up to the real one, running
    // its posted events and the timers that fell due, in order.
    void Slice(unsigned maxWaitMs);

    // Brings the window's clock up to the real one, running what fell due. Called before a
    // user action, so that the timers it starts are due a whole period from now.
    void CatchUp();

    // Milliseconds since the loop was made.
    uint64_t ElapsedMs() const { return static_cast<uint64_t>(m_clock.elapsed()); }

private:
    MemoryWindow& m_win;
    QElapsedTimer m_clock;
    QTimer m_wake; // ends a wait at the next due timer
};

} // namespace hx::cli
