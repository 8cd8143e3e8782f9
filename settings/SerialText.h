#pragma once
// The box's serial number as text: eight upper-case hexadecimal digits. 0xFFFFFFFF is not a
// serial number; it marks a box that has none yet.
#include <cstdint>
#include <string>

namespace hx {

// Reads a serial-number text typed by the user. True when the text is one or more hexadecimal
// digits (either case, leading zeros allowed) whose value lies in 0 to 0xFFFFFFFE; the value
// is then in out. Anything else (empty, another character, a value that does not fit or is
// 0xFFFFFFFF) gives false and leaves out as it was. Nothing wraps: "100000000" is refused,
// not read as 0.
bool ParseSerialText(const std::string& text, uint32_t& out);

// The serial number as the window shows it: eight upper-case hexadecimal digits.
std::string FormatSerialText(uint32_t serial);

} // namespace hx
