#pragma once
// Serial numbers: eight hexadecimal digits whose digits count in decimal (25000009 is followed
// by 25000010). 0xFFFFFFFF means "no serial number" and is never given to a box.
#include "SerialText.h"

#include <cstdint>
#include <string>

namespace hx {

// The next serial number after value, counted decimally digit by digit from the right: a "9"
// becomes "0" and carries; any other digit becomes the next character and the count stops.
// Returns false when the result is not a serial number that can be given to a box (a digit
// after "F", or FFFFFFFF) and after 99999999, whose count would start again at 00000000; next
// is then left as it was.
bool NextSerial(uint32_t value, uint32_t& next, std::string& nextText);

} // namespace hx
