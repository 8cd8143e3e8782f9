#include "SettingsDiff.h"

#include "ImageLayout.h"

#include <cstdio>

namespace hx::cli {

uint8_t InterpretedBits(std::size_t a) {
    using namespace layout;
    // Whole bytes: the settings, the bytes derived from them, the serial number, the model.
    for (std::size_t whole : {kResponseTimeA, kResponseTimeB, kNoiseOffA, kNoiseOnA, kNoiseOffB,
                              kNoiseOnB, kSignalOff, kSignalOn, kMicGain, kMicGainSecond,
                              kRxGainDoubledB, kRxGainDoubledA, kTxConditionA, kTxConditionB})
        if (a == whole)
            return 0xFF;
    if ((a >= kUnmodulatedLimit && a < kUnmodulatedLimit + 2) ||
        (a >= kContinuousTxLimit && a < kContinuousTxLimit + 2) ||
        (a >= kAudioDelayA && a <= kHoldTimeB) || (a >= kSerialOffset && a < kSerialOffset + 4) ||
        (a >= kModelCodeOffset && a < kModelCodeOffset + 2))
        return 0xFF;
    // The flag words (little-endian) and the range flags: only their named bits.
    const uint16_t word1 = kBassCutA | kBassCutB | kNoTxOnTone | kNoTxOnNoise;
    const uint16_t word2 = kPttInverted | kMicTxBit0 | kMicTxBit1 | kPriorityBit0 | kPriorityBit1;
    if (a == kFlagWord1 || a == kFlagWord1 + 1)
        return static_cast<uint8_t>(word1 >> (8 * (a - kFlagWord1)));
    if (a == kFlagWord2 || a == kFlagWord2 + 1)
        return static_cast<uint8_t>(word2 >> (8 * (a - kFlagWord2)));
    if (a == kRangeFlags)
        return kLowNoiseOnA | kLowNoiseOnB;
    return 0;
}

std::vector<Difference> DiffSettings(const SettingValues& box, const SettingValues& file,
                                     const SettingsImage& boxImage,
                                     const SettingsImage& fileImage) {
    std::vector<Difference> out;
    for (const SettingDef& s : SettingDefs()) {
        if (s.kind == SettingKind::Serial)
            continue;
        const auto b = box.find(s.name);
        const auto f = file.find(s.name);
        const std::string bv = b == box.end() ? std::string() : b->second;
        const std::string fv = f == file.end() ? std::string() : f->second;
        if (bv != fv)
            out.push_back({s.name, -1, bv, fv});
    }
    for (std::size_t a = 0; a < kImageSize; ++a) {
        const uint8_t loose = static_cast<uint8_t>(~InterpretedBits(a));
        if (((boxImage[a] ^ fileImage[a]) & loose) == 0)
            continue;
        char bv[3], fv[3];
        std::snprintf(bv, sizeof bv, "%02X", boxImage[a]);
        std::snprintf(fv, sizeof fv, "%02X", fileImage[a]);
        out.push_back({{}, static_cast<int>(a), bv, fv});
    }
    return out;
}

} // namespace hx::cli
