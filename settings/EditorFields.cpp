#include "EditorFields.h"

#include "ControlIds.h"
#include "Decimal.h"

#include <cstdio>

namespace hx {

const std::vector<NumericField>& NumericFields() {
    using E = EditorValues;
    constexpr auto U = FieldKind::Unsigned;
    constexpr auto S = FieldKind::Signed;
    static const std::vector<NumericField> fields = {
        {IDC_DELAY_A, U, 16, 880, true, &E::m_nAudioDelayA, nullptr},
        {IDC_DELAY_B, U, 16, 880, true, &E::m_nAudioDelayB, nullptr},
        {IDC_HOLD_A, U, 8, 2048, true, &E::m_nHoldTimeA, nullptr},
        {IDC_HOLD_B, U, 8, 2048, true, &E::m_nHoldTimeB, nullptr},
        {IDC_RXGAIN_A, U, 0, 49, false, &E::m_nRxGainA, nullptr},
        {IDC_RXGAIN_B, U, 0, 49, false, &E::m_nRxGainB, nullptr},
        {IDC_TXGAIN_A, S, -63, 0, false, nullptr, &E::m_nTxGainA},
        {IDC_TXGAIN_B, S, -63, 0, false, nullptr, &E::m_nTxGainB},
        {IDC_SIGNAL_ON, S, -58, -10, false, nullptr, &E::m_nSignalOnLevel},
        {IDC_SIGNAL_OFF, S, -59, -11, false, nullptr, &E::m_nSignalOffLevel},
        {IDC_NOISE_ON_A, S, -109, -40, false, nullptr, &E::m_nNoiseOnLevelA},
        {IDC_NOISE_OFF_A, S, -110, -41, false, nullptr, &E::m_nNoiseOffLevelA},
        {IDC_NOISE_ON_B, S, -109, -40, false, nullptr, &E::m_nNoiseOnLevelB},
        {IDC_NOISE_OFF_B, S, -110, -41, false, nullptr, &E::m_nNoiseOffLevelB},
        {IDC_MICGAIN, S, -67, 55, false, nullptr, &E::m_nMicGain},
        {IDC_UNMOD_LIMIT, U, 0, 65535, false, &E::m_nUnmodulatedLimit, nullptr},
        {IDC_CONT_LIMIT, U, 0, 65535, false, &E::m_nContinuousTxLimit, nullptr},
        {IDC_RESP_A, S, 16, 880, true, nullptr, &E::m_nResponseTimeA},
        {IDC_RESP_B, S, 16, 880, true, nullptr, &E::m_nResponseTimeB},
    };
    return fields;
}

NumberText ParseFieldText(const std::string& text, FieldKind kind, int64_t& out) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    std::size_t i = 0, end = text.size();
    while (i < end && blank(text[i]))
        ++i;
    while (end > i && blank(text[end - 1]))
        --end;
    bool negative = false;
    if (i < end && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        if (negative && kind == FieldKind::Unsigned)
            return NumberText::NotANumber;
        ++i;
    }
    const uint64_t limit = kind == FieldKind::Unsigned
                               ? uint64_t{UINT32_MAX}
                               : (negative ? uint64_t{1} << 31 : uint64_t{INT32_MAX});
    uint64_t magnitude = 0;
    switch (ParseDigits(std::string_view(text).substr(i, end - i), limit, magnitude)) {
    case DigitsText::NotDigits:
        return NumberText::NotANumber;
    case DigitsText::TooLarge:
        return NumberText::TooLarge;
    case DigitsText::Ok:
        break;
    }
    out = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    return NumberText::Ok;
}

std::string FieldText(int64_t value) {
    return std::to_string(value);
}

std::string NotANumberMessage(FieldKind kind) {
    return kind == FieldKind::Unsigned ? "0 以上の整数を入力してください。"
                                       : "整数を入力してください。";
}

std::string OutOfRangeMessage(int64_t lowest, int64_t highest) {
    return std::to_string(lowest) + " から " + std::to_string(highest) +
           " までの整数を入力してください。";
}

std::string MultipleOfMessage(unsigned step) {
    char text[64];
    std::snprintf(text, sizeof text, "%u 単位で入力してください。", step);
    return text;
}

std::string HexSerialMessage() {
    char text[96];
    std::snprintf(text, sizeof text, "%X～%X までの16進数を入力してください。", 0u, 0xFFFFFFFEu);
    return text;
}

} // namespace hx
