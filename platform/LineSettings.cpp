#include "LineSettings.h"

#include "Decimal.h"

namespace hx {

bool ParseLineBaudRate(const std::string& text, uint32_t& value) {
    uint64_t v = 0;
    if (ParseDigits(text, 99999999, v) != DigitsText::Ok || v == 0) // at most 8 digits
        return false;
    value = static_cast<uint32_t>(v);
    return true;
}

bool ParseLineDataBits(const std::string& text, int& value) {
    if (text.size() != 1 || text[0] < '5' || text[0] > '8')
        return false;
    value = text[0] - '0';
    return true;
}

bool ParseLineParity(const std::string& text, LineParity& value) {
    // The tool gives the Japanese names; the English ones are accepted as well.
    if (text == "なし" || text == "None")
        value = LineParity::None;
    else if (text == "偶数" || text == "Even")
        value = LineParity::Even;
    else if (text == "奇数" || text == "Odd")
        value = LineParity::Odd;
    else if (text == "マーク" || text == "Mark")
        value = LineParity::Mark;
    else if (text == "スペース" || text == "Space")
        value = LineParity::Space;
    else
        return false;
    return true;
}

bool ParseLineStopBits(const std::string& text, LineStopBits& value) {
    if (text == "1")
        value = LineStopBits::One;
    else if (text == "1.5")
        value = LineStopBits::OneAndHalf;
    else if (text == "2")
        value = LineStopBits::Two;
    else
        return false;
    return true;
}

bool ParseLineFlow(const std::string& text, LineFlow& value) {
    if (text == "DTR/DSR")
        value = LineFlow::DtrDsr;
    else if (text == "なし" || text == "None")
        value = LineFlow::None;
    else if (text == "RTS/CTS")
        value = LineFlow::RtsCts;
    else if (text == "XON/XOFF")
        value = LineFlow::XonXoff;
    else
        return false;
    return true;
}

uint64_t LineTimeMicros(uint64_t bytes, const LineSettings& line) {
    if (line.baud == 0)
        return 0;
    // In half bits, so that 1.5 stop bits count exactly.
    uint64_t halfBits = 2 * (1 + static_cast<uint64_t>(line.dataBits));
    if (line.parity != LineParity::None)
        halfBits += 2;
    halfBits += line.stopBits == LineStopBits::One ? 2 : line.stopBits == LineStopBits::Two ? 4 : 3;
    const uint64_t perSecond = 2ULL * line.baud;
    return (bytes * halfBits * 1000000ULL + perSecond - 1) / perSecond;
}

} // namespace hx
