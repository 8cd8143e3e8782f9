#include "LinePort.h"

namespace hx::cli {
namespace {

class LinePort : public IPort {
public:
    LinePort(std::unique_ptr<IPort> inner, LineState& state)
        : m_inner(std::move(inner)), m_state(state) {}
    ~LinePort() override {
        if (m_state.port == m_inner.get())
            m_state.port = nullptr;
    }

    void SetPortName(const std::string& name) override {
        m_name = name;
        m_inner->SetPortName(name);
    }
    void SetBaudRate(const std::string& text) override { m_inner->SetBaudRate(text); }
    void SetDataBits(const std::string& text) override { m_inner->SetDataBits(text); }
    void SetParity(const std::string& text) override { m_inner->SetParity(text); }
    void SetStopBits(const std::string& text) override { m_inner->SetStopBits(text); }
    void SetFlow(const std::string& text) override { m_inner->SetFlow(text); }
    void SetEventMask(unsigned long mask) override { m_inner->SetEventMask(mask); }

    int Open(std::function<void(unsigned)> notify) override {
        LineState& state = m_state;
        const int result = m_inner->Open([&state, notify = std::move(notify)](unsigned event) {
            if (event == EV_TXEMPTY && !state.drained) {
                state.drained = true;
                if (state.trace)
                    state.trace->Line("  transmit empty");
            }
            notify(event);
        });
        if (m_state.afterOpen)
            m_state.afterOpen();
        m_state.openError.clear();
        m_state.dsrKnown = false;
        if (result) {
            m_state.open = true;
            m_state.drained = true;
            m_state.port = m_inner.get();
        } else {
            m_state.openError = m_inner->LastError();
        }
        Trace("open " + m_name + (result ? ": ok" : ": failed") +
              (m_state.openError.empty() ? "" : " (" + m_state.openError + ")"));
        return result;
    }
    int SetDtr(int on) override {
        const int result = m_inner->SetDtr(on);
        Trace(std::string("DTR ") + (on ? "on" : "off") + (result ? "" : ": failed"));
        return result;
    }
    int Read(char* buf, int capacity) override {
        const int n = m_inner->Read(buf, capacity);
        if (n > 0) {
            m_state.bytesRead += static_cast<uint64_t>(n);
            if (m_state.trace)
                m_state.trace->Bytes('<', buf, static_cast<size_t>(n));
            m_fullNoted = false;
        } else if (capacity <= 0 && !m_fullNoted) {
            Trace("receive buffer full");
            m_fullNoted = true;
        }
        return n;
    }
    void TakeWaiting() override { m_inner->TakeWaiting(); }
    void Write(const char* data, int length) override {
        if (length > 0) {
            m_state.bytesWritten += static_cast<uint64_t>(length);
            m_state.drained = false;
            if (m_state.trace)
                m_state.trace->Bytes('>', data, static_cast<size_t>(length));
        }
        m_inner->Write(data, length);
    }
    unsigned long GetStatus() override {
        const unsigned long status = m_inner->GetStatus();
        const bool dsr = (status & MS_DSR_ON) != 0;
        if (!m_state.dsrKnown || dsr != m_state.dsrOn) {
            // Only the changes: the record pump asks before every record.
            Trace(std::string("DSR ") + (dsr ? "on" : "off"));
            m_state.dsrKnown = true;
            m_state.dsrOn = dsr;
        }
        return status;
    }
    void Close() override {
        m_inner->Close();
        if (m_state.open)
            Trace("close");
        m_state.open = false;
        m_state.drained = true;
    }

private:
    void Trace(const std::string& text) {
        if (m_state.trace)
            m_state.trace->Line(text);
    }

    std::unique_ptr<IPort> m_inner;
    LineState& m_state;
    std::string m_name;
    bool m_fullNoted = false;
};

} // namespace

std::unique_ptr<IPort> LinePortFactory::CreatePort() {
    std::unique_ptr<IPort> inner = m_inner.CreatePort();
    if (!inner)
        return nullptr;
    return std::make_unique<LinePort>(std::move(inner), m_state);
}

bool LinePortFactory::LineLost() const {
    return m_state.open && m_state.port && !m_state.port->IsOpen();
}

} // namespace hx::cli
