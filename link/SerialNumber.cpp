#include "link/SerialNumber.h"

#include <cstdio>

namespace hx {

bool ParseSerialHex(const std::string& text, uint32_t& value) {
    if (text.empty())
        return false;
    uint64_t v = 0;
    for (char c : text) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else
            return false;
        v = v * 16 + static_cast<uint64_t>(d);
        if (v > 0xFFFFFFFEull)
            return false;
    }
    value = static_cast<uint32_t>(v);
    return true;
}

std::string FormatSerial(uint32_t value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08lX", static_cast<unsigned long>(value));
    return buf;
}

bool NextSerial(uint32_t value, uint32_t& next, std::string& nextText) {
    std::string text = FormatSerial(value);
    for (int i = 7; i >= 0; --i) {
        if (text[static_cast<size_t>(i)] == '9') {
            text[static_cast<size_t>(i)] = '0';
            continue;
        }
        text[static_cast<size_t>(i)] = static_cast<char>(text[static_cast<size_t>(i)] + 1);
        break;
    }
    nextText = text;
    return ParseSerialHex(text, next);
}

} // namespace hx
