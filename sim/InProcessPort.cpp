#include "InProcessPort.h"

#include <algorithm>

namespace hx::sim {

// The port's state lives apart from the port object, so that work scheduled in virtual time
// finds out that the port was closed or deleted in the meantime.
struct PortState {
    InProcessPortFactory* factory = nullptr;
    bool open = false;
    unsigned generation = 0; // bumped by every open and close: bytes in flight are lost
    std::function<void(unsigned)> notify;
    std::string rx;        // arrived, not yet read
    uint64_t txFreeAt = 0; // when the tool's line has sent everything written
    uint64_t rxFreeAt = 0; // when the box's line has sent everything it answered
    bool polling = false;  // status frames are being collected from the box
    std::string name;
    int paceMs = 0;          // SetReceivePace
    uint64_t lastReport = 0; // when EV_RXCHAR was last reported
    bool reportDue = false;  // arrivals wait for the end of the pace
};

class InProcessPort : public IPort {
public:
    explicit InProcessPort(InProcessPortFactory& factory) : m_state(std::make_shared<PortState>()) {
        m_state->factory = &factory;
    }
    ~InProcessPort() override { Close(); }

    void SetPortName(const std::string& name) override { m_state->name = name; }
    void SetBaudRate(const std::string&) override {}
    void SetDataBits(const std::string&) override {}
    void SetParity(const std::string&) override {}
    void SetStopBits(const std::string&) override {}
    void SetFlow(const std::string&) override {}
    void SetEventMask(unsigned long) override {}

    int Open(std::function<void(unsigned)> notify) override {
        auto& f = *m_state->factory;
        const auto& names = f.m_names;
        if (std::find(names.begin(), names.end(), m_state->name) == names.end()) {
            m_openError = PortOpenError::NotFound;
            return 0;
        }
        if (f.options.openFails) {
            m_openError = f.options.openError;
            return 0;
        }
        m_openError = PortOpenError::None;
        if (!m_state->open) {
            ++m_state->generation;
            m_state->open = true;
            m_state->rx.clear();
            ++f.opens;
        }
        m_state->notify = std::move(notify);
        f.lastOpenedName = m_state->name;
        f.anyOpen = true;
        return 1;
    }

    PortOpenError LastOpenError() const override { return m_openError; }
    int SetDtr(int) override { return 1; }

    void SetReceivePace(int ms) override {
        m_state->paceMs = std::max(ms, 0);
        m_state->factory->receivePace = m_state->paceMs;
    }

    int Read(char* buf, int capacity) override {
        auto& s = *m_state;
        if (!s.open || capacity <= 0 || s.rx.empty())
            return 0;
        size_t n = std::min(s.rx.size(), static_cast<size_t>(capacity));
        if (s.factory->options.splitEveryByte)
            n = 1;
        std::copy_n(s.rx.begin(), n, buf);
        s.rx.erase(0, n);
        return static_cast<int>(n);
    }

    void Write(const char* data, int length) override {
        auto& s = *m_state;
        if (!s.open || length <= 0)
            return;
        auto& f = *s.factory;
        const std::string bytes(data, static_cast<size_t>(length));
        f.written += bytes;
        const uint64_t now = f.m_clock.Now();
        const unsigned rate = std::max(1u, f.options.bytesPerMs);
        const uint64_t wire = (bytes.size() + rate - 1) / rate;
        s.txFreeAt = std::max(s.txFreeAt, now) + wire;
        std::weak_ptr<PortState> weak = m_state;
        const unsigned gen = s.generation;
        // The bytes reach the box when they have crossed the line, also when the port was
        // closed meanwhile (a close lets written bytes leave first); the box answers after its
        // reaction time; the transmit queue is empty when the last byte has left.
        InProcessPortFactory* line = &f; // outlives its ports
        f.m_clock.After(s.txFreeAt - now, [line, weak, gen, bytes] {
            const std::string answer = line->m_box.Input(bytes, line->m_clock.Now());
            auto st = weak.lock();
            if (!st || !st->open || st->generation != gen)
                return;
            Deliver(st, answer);
            StartPolling(st);
        });
        f.m_clock.After(s.txFreeAt - now, [weak, gen] {
            auto st = weak.lock();
            if (st && st->open && st->generation == gen && st->notify)
                st->notify(EV_TXEMPTY);
        });
    }

    unsigned long GetStatus() override {
        auto& f = *m_state->factory;
        return f.m_box.Dsr(f.m_clock.Now()) ? static_cast<unsigned long>(MS_DSR_ON) : 0ul;
    }

    void Close() override {
        auto& s = *m_state;
        if (!s.open)
            return;
        s.open = false;
        ++s.generation;
        s.rx.clear();
        s.polling = false;
        s.paceMs = 0;
        s.reportDue = false;
        s.factory->receivePace = 0;
        ++s.factory->closes;
        s.factory->anyOpen = false;
    }

    // Bytes from the box, paced at the line rate, each slice announced by EV_RXCHAR.
    static void Deliver(const std::shared_ptr<PortState>& st, const std::string& bytes) {
        if (bytes.empty())
            return;
        auto& f = *st->factory;
        const uint64_t now = f.m_clock.Now();
        const bool split = f.options.splitEveryByte;
        const size_t rate = std::max(1u, f.options.bytesPerMs);
        st->rxFreeAt = std::max(st->rxFreeAt, now + f.options.replyDelayMs);
        std::weak_ptr<PortState> weak = st;
        const unsigned gen = st->generation;
        for (size_t at = 0; at < bytes.size(); at += rate) {
            const std::string slice = bytes.substr(at, rate);
            const uint64_t when = st->rxFreeAt;
            st->rxFreeAt += 1;
            f.m_clock.After(when - now, [weak, gen, slice, split] {
                auto s = weak.lock();
                if (!s || !s->open || s->generation != gen)
                    return;
                if (split) {
                    for (char c : slice) {
                        s->rx += c;
                        ReportArrival(s);
                    }
                } else {
                    s->rx += slice;
                    ReportArrival(s);
                }
            });
        }
    }

    // EV_RXCHAR at once, or, under a receive pace, at the end of the pace that the last report
    // began.
    static void ReportArrival(const std::shared_ptr<PortState>& s) {
        auto& f = *s->factory;
        const uint64_t now = f.m_clock.Now();
        if (s->paceMs == 0 || now >= s->lastReport + static_cast<uint64_t>(s->paceMs)) {
            Report(*s);
            return;
        }
        if (s->reportDue)
            return;
        s->reportDue = true;
        std::weak_ptr<PortState> weak = s;
        const unsigned gen = s->generation;
        f.m_clock.After(s->lastReport + static_cast<uint64_t>(s->paceMs) - now, [weak, gen] {
            auto st = weak.lock();
            if (!st || !st->open || st->generation != gen)
                return;
            st->reportDue = false;
            Report(*st);
        });
    }

    static void Report(PortState& s) {
        s.lastReport = s.factory->m_clock.Now();
        ++s.factory->rxReports;
        if (s.notify)
            s.notify(EV_RXCHAR);
    }

    // While the box streams status frames, collect them every millisecond.
    static void StartPolling(const std::shared_ptr<PortState>& st) {
        auto& f = *st->factory;
        if (st->polling || !f.m_box.Monitoring())
            return;
        st->polling = true;
        Poll(st, st->generation);
    }

    static void Poll(const std::shared_ptr<PortState>& st, unsigned gen) {
        std::weak_ptr<PortState> weak = st;
        st->factory->m_clock.After(1, [weak, gen] {
            auto s = weak.lock();
            if (!s || !s->open || s->generation != gen)
                return;
            auto& fac = *s->factory;
            if (!fac.m_box.Monitoring()) {
                s->polling = false;
                return;
            }
            Deliver(s, fac.m_box.Tick(fac.m_clock.Now()));
            Poll(s, gen);
        });
    }

private:
    PortOpenError m_openError = PortOpenError::None;
    std::shared_ptr<PortState> m_state;
};

std::unique_ptr<IPort> InProcessPortFactory::CreatePort() {
    return std::make_unique<InProcessPort>(*this);
}

} // namespace hx::sim
