#pragma once
// The main window in the in-memory window, on a port whose far end is the fuzzer: what the
// port reads is what the input says, when it says it. After every step the rig checks the
// rules that no input may break and aborts with a message when one is broken.
#include "HX5310ConfigApp.h"
#include "HX5310ConfigDlg.h"
#include "MemoryPreferences.h"
#include "MemoryWindow.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace hx::fuzz {

// Reads an input from the front: the byte sequences a seed writer produces are the ones the
// rig reads back. Past the end every read gives 0.
class InputReader {
public:
    InputReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool Done() const { return m_at >= m_size; }
    size_t Left() const { return m_size - m_at; }
    uint8_t Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    uint16_t U16() {
        const uint16_t lo = Byte();
        return static_cast<uint16_t>(lo | (Byte() << 8));
    }
    std::string Bytes(size_t n) {
        n = n < Left() ? n : Left();
        std::string s(reinterpret_cast<const char*>(m_data + m_at), n);
        m_at += n;
        return s;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

// The line as both ends see it; it outlives the port object the window deletes.
struct FuzzLine {
    bool open = false;
    unsigned generation = 0;
    std::function<void(unsigned)> notify;
    std::string rx;        // arrived from the box, not yet read
    size_t maxRead = 4096; // the most one read returns (a slow line returns little at a time)
    bool dsr = true;       // the box holds DSR on
    std::string written;   // everything the tool wrote
    int recordWrites = 0;  // writes that held a record
    const CHX5310ConfigDlg* dlg = nullptr;
};

class FuzzPortFactory : public IPortFactory {
public:
    FuzzPortFactory(MemoryWindow& win, std::shared_ptr<FuzzLine> line) : m_win(win), m_line(line) {}
    std::unique_ptr<IPort> CreatePort() override;
    std::vector<std::string> ListPorts() override { return {"COM1"}; }

private:
    MemoryWindow& m_win;
    std::shared_ptr<FuzzLine> m_line;
};

// Aborts with the message when the condition does not hold: libFuzzer keeps the input.
void Require(bool condition, const char* rule);

// The actions an input is made of; the seed writer uses the same codes.
enum Action : uint8_t {
    kActBytes = 0,   // a length byte (1..256 bytes follow, 0 meaning 256) arrive from the box
    kActAdvance = 1, // two bytes: milliseconds of virtual time pass (at most 10 000)
    kActDsr = 2,     // one byte: bit 0 is the box's DSR from now on
    kActTxEmpty = 3, // the port reports "transmit empty" on its own
    kActUser = 4,    // one byte: what the user does (see Rig::UserAction)
    kActMaxRead = 5, // one byte: the most bytes one read returns (0: 4096)
    kActCount = 6
};

class Rig {
public:
    Rig();
    ~Rig();

    // The window as after a successful read of a box: image valid, every operation usable.
    // boxWithoutSerial gives the image the serial number 0xFFFFFFFF.
    void AsAfterReceive(bool boxWithoutSerial);
    // Bytes arrive from the box and the port says so; the events run.
    void Arrive(const std::string& bytes);
    // Runs one action read from the input.
    void Step(InputReader& in);
    // What a user may do at any moment: click one of the operation controls or the monitor
    // check box, move the focus out of the information field, hold Shift and Ctrl, close.
    void UserAction(uint8_t what);
    // The rules that hold after every event, whatever the box sent.
    void CheckInvariants();
    // Lets time pass without a byte from the box: every operation must come to an end.
    void CheckSilenceEndsEverything();
    // With HX_FUZZ_TRACE set: one line on what the window shows now.
    void Trace(const char* when) const;

    MemoryWindow win;
    MemoryPreferences prefs;
    CHX5310ConfigApp app{prefs};
    std::shared_ptr<FuzzLine> line = std::make_shared<FuzzLine>();
    FuzzPortFactory ports{win, line};
    std::unique_ptr<CHX5310ConfigDlg> dlg;
    bool monitorUsed = false; // monitor mode leaves the port open when it stops
    bool closed = false;      // the user closed the window
};

} // namespace hx::fuzz
