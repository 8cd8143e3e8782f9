#pragma once
// A port wired in-process to a box model, in the virtual time of the in-memory window: bytes
// cross the line at 115200 baud (10 bits a byte), and "transmit empty" comes when the written
// bytes have left.
#include "BoxModel.h"
#include "MemoryWindow.h"
#include "Port.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace hx::sim {

struct LineOptions {
    bool splitEveryByte = false; // every read returns one byte, every byte its own event
    bool openFails = false;      // the port cannot be opened ...
    PortOpenError openError = PortOpenError::Other; // ... for this reason
    unsigned bytesPerMs = 12;  // 115200 baud, 10 bits a byte: 11.52 bytes a millisecond
    unsigned replyDelayMs = 1; // the box's reaction time
};

class InProcessPort;

class InProcessPortFactory : public IPortFactory {
public:
    InProcessPortFactory(IVirtualClock& clock, BoxModel& box) : m_clock(clock), m_box(box) {}
    std::unique_ptr<IPort> CreatePort() override;
    std::vector<std::string> ListPorts() override { return m_names; }

    void SetPortNames(std::vector<std::string> names) { m_names = std::move(names); }
    LineOptions options;
    // Everything the tool wrote, in order, across all ports.
    std::string written;
    int opens = 0, closes = 0;
    std::string lastOpenedName;
    bool anyOpen = false;
    int receivePace = 0;    // the open port's SetReceivePace
    uint64_t rxReports = 0; // EV_RXCHAR reported, across all ports

private:
    friend class InProcessPort;
    IVirtualClock& m_clock;
    BoxModel& m_box;
    std::vector<std::string> m_names = {"COM1"};
};

} // namespace hx::sim
