#include "SerialNumber.h"

namespace hx {

bool NextSerial(uint32_t value, uint32_t& next, std::string& nextText) {
    std::string text = FormatSerialText(value);
    bool carried = true; // every digit carried: 99999999 has no next number
    for (int i = 7; i >= 0; --i) {
        if (text[static_cast<size_t>(i)] == '9') {
            text[static_cast<size_t>(i)] = '0';
            continue;
        }
        text[static_cast<size_t>(i)] = static_cast<char>(text[static_cast<size_t>(i)] + 1);
        carried = false;
        break;
    }
    if (carried)
        return false;
    nextText = text;
    return ParseSerialText(text, next);
}

} // namespace hx
