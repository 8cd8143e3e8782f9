#pragma once
// The window's way to a serial-number store that may take its time (a line's database: a server
// restarting or out of reach is tried again for seconds). The store is asked on a thread of its
// own while the window goes on painting: a reservation is waited for with the window's input
// set aside, and a note says what the window waits for once the answer is slow in coming; the
// end of a reservation is not waited for. The store's calls run one after another, in the
// order they were made, and the last of them has run when this object is gone.
#include "SerialStore.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace hx {

class QtWaitingStore : public ISerialStore {
public:
    // store: asked only from this object's thread from now on; it must outlive this object.
    explicit QtWaitingStore(ISerialStore& store);
    ~QtWaitingStore() override;
    QtWaitingStore(const QtWaitingStore&) = delete;
    QtWaitingStore& operator=(const QtWaitingStore&) = delete;

    SerialReservation Reserve(const uint32_t* typed, bool moveBack,
                              const BoxRecord& record) override;
    // Goes to the store behind what was asked before, and returns at once: true.
    bool Finish(const SerialReservation& r, bool programmed, const std::string& sent,
                std::string& why) override;
    std::string Location() const override { return m_location; }

    // How long a reservation waits before the note is shown.
    static constexpr int kNoteAfterMs = 300;

private:
    void Post(std::function<void()> call);
    void Work();

    ISerialStore& m_store;
    const std::string m_location;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_calls;
    bool m_ending = false;
    std::thread m_thread;
};

} // namespace hx
