#pragma once
// The line settings as the system gives them to a port in text ("115200", "8", "なし", "1",
// "DTR/DSR"), read into values every serial adapter maps onto its own calls; and how long the
// line takes to carry bytes with them.
#include <cstdint>
#include <string>

namespace hx {

enum class LineParity { None, Even, Odd, Mark, Space };
enum class LineStopBits { One, OneAndHalf, Two };
enum class LineFlow { None, DtrDsr, RtsCts, XonXoff };

struct LineSettings {
    uint32_t baud = 115200;
    int dataBits = 8;
    LineParity parity = LineParity::None;
    LineStopBits stopBits = LineStopBits::One;
    LineFlow flow = LineFlow::None;
};

// Each returns false, leaving value as it was, for a text that names no setting.
bool ParseLineBaudRate(const std::string& text, uint32_t& value);
bool ParseLineDataBits(const std::string& text, int& value);
bool ParseLineParity(const std::string& text, LineParity& value);
bool ParseLineStopBits(const std::string& text, LineStopBits& value);
bool ParseLineFlow(const std::string& text, LineFlow& value);

// Microseconds, rounded up, that bytes characters take on the line: a start bit, the data
// bits, the parity bit if any and the stop bits each, at the baud rate.
uint64_t LineTimeMicros(uint64_t bytes, const LineSettings& line);

} // namespace hx
