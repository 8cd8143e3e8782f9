#pragma once
// The pseudo-terminal of hx5310-sim: the line to the tool, its announcement and its pace.
#include <cstddef>
#include <cstdint>
#include <string>

namespace hx::sim {

// A pseudo-terminal in raw mode. The simulator holds the master side; the tool opens the
// device (the slave side) like a serial port.
class PtyLine {
public:
    PtyLine() = default;
    ~PtyLine();
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    // Opens the pair; false with a message in error.
    bool Open(std::string& error);
    int Master() const { return m_master; }
    const std::string& Device() const { return m_device; }

private:
    int m_master = -1;
    std::string m_device;
};

// The path by which other programs reach device only while this process lives:
// /proc/<pid>/root<device>. A link to it leads nowhere once the process has gone, even when a
// new pseudo-terminal gets the same number, so a killed simulator's name never opens another
// box. The device itself where /proc cannot give such a path.
std::string OwnedDevicePath(const std::string& device);

// Puts a symbolic link folder/name to device (replacing an older link of that name, never
// anything else) into the announcement folder, making the folder when it is missing. False
// with a message in error; note says when a link to a live device was replaced.
bool AnnounceLink(const std::string& folder, const std::string& name, const std::string& device,
                  std::string& linkPath, std::string& error, std::string& note);
// Removes the link if it still points to device (another simulator may have taken the name).
void WithdrawLink(const std::string& linkPath, const std::string& device);

// Lets bytes cross at a line rate: credit builds up with time and every byte sent spends one.
// While bytes wait, a late wake-up is made up for (up to catchUp bytes of credit), so the
// average stays at the rate; once nothing waits (Idle), the credit drops to burst, so the
// first bytes after a pause do not rush out.
class LinePacer {
public:
    LinePacer(uint32_t bytesPerSecond, uint32_t burst, uint32_t catchUp, uint64_t nowUs)
        : m_rate(bytesPerSecond), m_burst(burst), m_catchUp(catchUp), m_lastUs(nowUs) {}
    // Bytes that may go at nowUs.
    std::size_t Allowance(uint64_t nowUs);
    // n bytes went.
    void Spend(std::size_t n);
    // Nothing waits to cross.
    void Idle();

private:
    uint64_t m_rate;
    uint64_t m_burst;
    uint64_t m_catchUp;
    uint64_t m_lastUs;
    uint64_t m_credit = 0; // in millionths of a byte
};

// 115200 baud with a start bit, eight data bits and a stop bit.
constexpr uint32_t kLineBytesPerSecond = 11520;

} // namespace hx::sim
