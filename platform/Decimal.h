#pragma once
// Whole decimal numbers as the system reads them from text: the one parser of digits.
#include <charconv>
#include <cstdint>
#include <string_view>

namespace hx {

enum class DigitsText { Ok, NotDigits, TooLarge };

// text must be one or more digits 0-9 (no sign, no space); Ok when their value is at most
// highest, TooLarge when it is more (however many digits), NotDigits otherwise.
inline DigitsText ParseDigits(std::string_view text, uint64_t highest, uint64_t& value) {
    if (text.empty())
        return DigitsText::NotDigits;
    for (char c : text)
        if (c < '0' || c > '9')
            return DigitsText::NotDigits;
    uint64_t v = 0;
    const auto [end, err] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (err == std::errc::result_out_of_range || (err == std::errc() && v > highest))
        return DigitsText::TooLarge;
    if (err != std::errc() || end != text.data() + text.size())
        return DigitsText::NotDigits;
    value = v;
    return DigitsText::Ok;
}

} // namespace hx
