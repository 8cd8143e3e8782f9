#include "SerialText.h"

#include "SettingsImage.h"

#include <cstdio>

namespace hx {

bool ParseSerialText(const std::string& text, uint32_t& out) {
    if (text.empty())
        return false;
    uint64_t value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else
            return false;
        value = value * 16 + static_cast<uint64_t>(digit);
        if (value >= kNoSerial) // stop before it can grow past 64 bits; leading zeros add nothing
            return false;
    }
    out = static_cast<uint32_t>(value);
    return true;
}

std::string FormatSerialText(uint32_t serial) {
    char text[16];
    std::snprintf(text, sizeof text, "%08lX", static_cast<unsigned long>(serial));
    return text;
}

} // namespace hx
