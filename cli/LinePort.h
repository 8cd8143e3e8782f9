#pragma once
// The port the window opens, wrapped: every byte, open and close goes to the trace, the bytes
// are counted for the progress display and the benchmark, and the line's state (drained,
// lost, why an open failed) is there for the command line to ask.
#include "Port.h"
#include "TraceLog.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace hx::cli {

// What the wrapped ports have seen; one per run.
struct LineState {
    TraceLog* trace = nullptr; // null or closed: no record
    uint64_t bytesWritten = 0;
    uint64_t bytesRead = 0;
    bool open = false;           // opened and not yet closed by the window
    bool drained = true;         // everything written has left (transmit empty came)
    std::string openError;       // why the last open failed, when the port could tell
    bool dsrKnown = false;       // the last line status seen ...
    bool dsrOn = false;          // ... and whether it held DSR on
    const IPort* port = nullptr; // the real port of the open line
    // Called after an open, which may take a while: the window's clock catches up with the
    // time it took, so that the retry timer started next runs its whole period in real time.
    std::function<void()> afterOpen;
};

class LinePortFactory : public IPortFactory {
public:
    LinePortFactory(IPortFactory& inner, LineState& state) : m_inner(inner), m_state(state) {}
    std::unique_ptr<IPort> CreatePort() override;
    std::vector<std::string> ListPorts() override { return m_inner.ListPorts(); }
    std::string DescribePort(const std::string& path) override {
        return m_inner.DescribePort(path);
    }

    // True while the window holds the port open but the device has gone (a pulled cable, a
    // virtual box that ended).
    bool LineLost() const;

private:
    IPortFactory& m_inner;
    LineState& m_state;
};

} // namespace hx::cli
