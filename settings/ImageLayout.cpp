#include "ImageLayout.h"

#include "SerialText.h"

namespace hx {
namespace {

// The low 8 bits of a value; stored bytes wrap modulo 256.
uint8_t Low8(uint32_t v) {
    return static_cast<uint8_t>(v & 0xFFu);
}
uint8_t Low8(int64_t v) {
    return static_cast<uint8_t>(static_cast<uint64_t>(v) & 0xFFu);
}

// Audio delays and hold times: ms / 8 - 1 (a value not a multiple of 8 is rounded down).
uint8_t EighthsLessOne(uint32_t ms) {
    return Low8((ms >> 3) - 1u);
}

// Thresholds: -dB - offset, in unsigned arithmetic so that any value wraps without overflow.
uint8_t NegatedLess(int32_t db, uint32_t offset) {
    return Low8(0u - static_cast<uint32_t>(db) - offset);
}

void SetBits(uint16_t& word, uint16_t bits, bool on) {
    word = static_cast<uint16_t>(on ? (word | bits) : (word & ~bits));
}

} // namespace

uint8_t TxConditionCode(int index) {
    switch (index) {
    case 0:
        return 0x01; // 信号検知
    case 1:
        return 0x03; // ノイズ検知
    case 2:
        return 0x05; // ビジー入力（正極性）
    case 3:
        return 0x0D; // ビジー入力（負極性）
    default:
        return 0x00;
    }
}

int TxConditionIndex(uint8_t code) {
    if (code & 0x02) // noise detection wins over everything else
        return 1;
    if (!(code & 0x04))
        return 0;
    return (code & 0x08) ? 3 : 2;
}

uint8_t MicGainSecondForm(uint8_t m) {
    if (m >= 64)
        return 0;
    if (m == 0)
        return 127;
    return static_cast<uint8_t>(128 - 2 * m);
}

void StoreSettings(const EditorValues& v, const ImageChecks& checks, const std::string& serialText,
                   SettingsImage& image) {
    using namespace layout;
    image[kAudioDelayA] = EighthsLessOne(v.m_nAudioDelayA);
    image[kAudioDelayB] = EighthsLessOne(v.m_nAudioDelayB);
    image[kHoldTimeA] = EighthsLessOne(v.m_nHoldTimeA);
    image[kHoldTimeB] = EighthsLessOne(v.m_nHoldTimeB);

    image[kRxGainA] = Low8(v.m_nRxGainA);
    image[kRxGainB] = Low8(v.m_nRxGainB);

    const uint8_t m = Low8(60u - static_cast<uint32_t>(v.m_nMicGain));
    image[kMicGain] = m;
    image[kMicGainSecond] = MicGainSecondForm(m);

    image[kRxGainDoubledA] = Low8(2u * v.m_nRxGainA);
    image[kRxGainDoubledB] = Low8(2u * v.m_nRxGainB);

    image[kTxGainA] = NegatedLess(v.m_nTxGainA, 0);
    image[kTxGainB] = NegatedLess(v.m_nTxGainB, 0);

    image[kTxConditionA] = TxConditionCode(v.m_nTxSelectA);
    image[kTxConditionB] = TxConditionCode(v.m_nTxSelectB);

    uint16_t word2 = GetU16(image, kFlagWord2);
    SetBits(word2, kMicTxBit0, (v.m_nMicTxSelect & 1) != 0);
    SetBits(word2, kMicTxBit1, v.m_nMicTxSelect >= 2);
    SetBits(word2, kPriorityBit0, (v.m_nPriority & 1) != 0);
    SetBits(word2, kPriorityBit1, v.m_nPriority >= 2);

    PutU16(image, kUnmodulatedLimit, static_cast<uint16_t>(v.m_nUnmodulatedLimit));
    PutU16(image, kContinuousTxLimit, static_cast<uint16_t>(v.m_nContinuousTxLimit));

    // Signed division, truncating toward zero.
    image[kResponseTimeA] = Low8((static_cast<int64_t>(v.m_nResponseTimeA) - 16) / 8);
    image[kResponseTimeB] = Low8((static_cast<int64_t>(v.m_nResponseTimeB) - 16) / 8);

    image[kNoiseOnA] = NegatedLess(v.m_nNoiseOnLevelA, 40);
    image[kNoiseOffA] = NegatedLess(v.m_nNoiseOffLevelA, 40);
    image[kNoiseOnB] = NegatedLess(v.m_nNoiseOnLevelB, 40);
    image[kNoiseOffB] = NegatedLess(v.m_nNoiseOffLevelB, 40);

    image[kSignalOn] = NegatedLess(v.m_nSignalOnLevel, 10);
    image[kSignalOff] = NegatedLess(v.m_nSignalOffLevel, 10);

    uint8_t range = image[kRangeFlags];
    range = static_cast<uint8_t>(v.m_nNoiseOnLevelA < -60 ? (range | kLowNoiseOnA)
                                                          : (range & ~kLowNoiseOnA));
    range = static_cast<uint8_t>(v.m_nNoiseOnLevelB < -60 ? (range | kLowNoiseOnB)
                                                          : (range & ~kLowNoiseOnB));
    image[kRangeFlags] = range;

    uint32_t serial = 0;
    if (ParseSerialText(serialText, serial))
        PutU32(image, kSerialOffset, serial);

    uint16_t word1 = GetU16(image, kFlagWord1);
    SetBits(word1, kBassCutA, checks.bassCutA);
    SetBits(word1, kBassCutB, checks.bassCutB);
    SetBits(word1, kNoTxOnTone, checks.noTxOnTone);
    SetBits(word1, kNoTxOnNoise, checks.noTxOnNoise);
    PutU16(image, kFlagWord1, word1);
    SetBits(word2, kPttInverted, checks.pttInverted);
    PutU16(image, kFlagWord2, word2);
}

void LoadSettings(const SettingsImage& image, EditorValues& v, ImageChecks& checks,
                  std::string& serialText) {
    using namespace layout;
    v.m_nAudioDelayA = image[kAudioDelayA] * 8u + 8u;
    v.m_nAudioDelayB = image[kAudioDelayB] * 8u + 8u;
    v.m_nHoldTimeA = image[kHoldTimeA] * 8u + 8u;
    v.m_nHoldTimeB = image[kHoldTimeB] * 8u + 8u;

    v.m_nRxGainA = image[kRxGainA];
    v.m_nRxGainB = image[kRxGainB];

    v.m_nTxGainA = -static_cast<int32_t>(image[kTxGainA]);
    v.m_nTxGainB = -static_cast<int32_t>(image[kTxGainB]);

    v.m_nTxSelectA = TxConditionIndex(image[kTxConditionA]);
    v.m_nTxSelectB = TxConditionIndex(image[kTxConditionB]);

    const uint16_t word2 = GetU16(image, kFlagWord2);
    v.m_nMicTxSelect = ((word2 & kMicTxBit0) ? 1 : 0) + ((word2 & kMicTxBit1) ? 2 : 0);
    v.m_nPriority = ((word2 & kPriorityBit0) ? 1 : 0) + ((word2 & kPriorityBit1) ? 2 : 0);

    v.m_nUnmodulatedLimit = GetU16(image, kUnmodulatedLimit);
    v.m_nContinuousTxLimit = GetU16(image, kContinuousTxLimit);

    v.m_nResponseTimeA = image[kResponseTimeA] * 8 + 16;
    v.m_nResponseTimeB = image[kResponseTimeB] * 8 + 16;

    v.m_nNoiseOnLevelA = -40 - image[kNoiseOnA];
    v.m_nNoiseOffLevelA = -40 - image[kNoiseOffA];
    v.m_nNoiseOnLevelB = -40 - image[kNoiseOnB];
    v.m_nNoiseOffLevelB = -40 - image[kNoiseOffB];

    v.m_nSignalOnLevel = -10 - image[kSignalOn];
    v.m_nSignalOffLevel = -10 - image[kSignalOff];

    v.m_nMicGain = 60 - image[kMicGain];

    const uint32_t serial = GetU32(image, kSerialOffset);
    serialText = serial == kNoSerial ? std::string() : FormatSerialText(serial);

    const uint16_t word1 = GetU16(image, kFlagWord1);
    checks.bassCutA = (word1 & kBassCutA) != 0;
    checks.bassCutB = (word1 & kBassCutB) != 0;
    checks.noTxOnTone = (word1 & kNoTxOnTone) != 0;
    checks.noTxOnNoise = (word1 & kNoTxOnNoise) != 0;
    checks.pttInverted = (word2 & kPttInverted) != 0;
}

} // namespace hx
