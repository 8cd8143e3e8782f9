#pragma once
// Where the editor's settings lie in the box's settings image, and the arithmetic between the
// value the user sees and the byte the box stores. Nothing is clamped or checked here: a value
// outside the editor's ranges is stored with the same arithmetic, wrapped to the field width.
// Every byte and bit not listed belongs to the box and is carried unchanged.
#include "EditorValues.h"
#include "SettingsImage.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace hx {

// Offsets of the settings the tool edits.
namespace layout {
constexpr std::size_t kResponseTimeA = 35; // u8: (ms - 16) / 8
constexpr std::size_t kResponseTimeB = 36;
constexpr std::size_t kNoiseOffA = 41; // u8: -dB - 40
constexpr std::size_t kNoiseOnA = 42;
constexpr std::size_t kNoiseOffB = 43;
constexpr std::size_t kNoiseOnB = 44;
constexpr std::size_t kSignalOff = 81; // u8: -dB - 10
constexpr std::size_t kSignalOn = 82;
constexpr std::size_t kUnmodulatedLimit = 220;  // u16, s
constexpr std::size_t kContinuousTxLimit = 222; // u16, s
constexpr std::size_t kFlagWord1 = 230;         // u16: bits 8, 9, 12, 14
constexpr std::size_t kFlagWord2 = 232;         // u16: bits 0 to 4
constexpr std::size_t kMicGain = 1931;          // u8: 60 - dB
constexpr std::size_t kMicGainSecond = 1987;    // u8, derived, never read back
constexpr std::size_t kRxGainDoubledB = 1988;   // u8, derived
constexpr std::size_t kRxGainDoubledA = 1989;   // u8, derived
constexpr std::size_t kAudioDelayA = 2003;      // u8: ms / 8 - 1
constexpr std::size_t kAudioDelayB = 2004;
constexpr std::size_t kRxGainA = 2005; // u8, dB
constexpr std::size_t kRxGainB = 2006;
constexpr std::size_t kTxGainA = 2007; // u8: -dB
constexpr std::size_t kTxGainB = 2008;
constexpr std::size_t kHoldTimeA = 2009; // u8: ms / 8 - 1
constexpr std::size_t kHoldTimeB = 2010;
constexpr std::size_t kRangeFlags = 2012;   // u8: bits 4, 5, derived
constexpr std::size_t kTxConditionA = 2014; // u8: transmit condition code
constexpr std::size_t kTxConditionB = 2015;

// Flag word 1
constexpr uint16_t kBassCutA = 1u << 8;
constexpr uint16_t kBassCutB = 1u << 9;
constexpr uint16_t kNoTxOnTone = 1u << 12;
constexpr uint16_t kNoTxOnNoise = 1u << 14;
// Flag word 2
constexpr uint16_t kPttInverted = 1u << 0;
constexpr uint16_t kMicTxBit0 = 1u << 1;
constexpr uint16_t kMicTxBit1 = 1u << 2;
constexpr uint16_t kPriorityBit0 = 1u << 3;
constexpr uint16_t kPriorityBit1 = 1u << 4;
// Range flag byte: the noise detection threshold lies below -60 dB
constexpr uint8_t kLowNoiseOnA = 1u << 4;
constexpr uint8_t kLowNoiseOnB = 1u << 5;
} // namespace layout

// The five check boxes that live only in the image's flag words (true = ticked).
struct ImageChecks {
    bool bassCutA = false;    // 1058 低音減衰 A
    bool bassCutB = false;    // 1059 低音減衰 B
    bool noTxOnTone = false;  // 1049 トーン検知
    bool noTxOnNoise = false; // 1050 ノイズ検知
    bool pttInverted = false; // 1070 PTT 極性
    bool operator==(const ImageChecks& o) const {
        return bassCutA == o.bassCutA && bassCutB == o.bassCutB && noTxOnTone == o.noTxOnTone &&
               noTxOnNoise == o.noTxOnNoise && pttInverted == o.pttInverted;
    }
};

// Transmit condition list index (0 to 3, -1 none) to the code the box stores, and back.
uint8_t TxConditionCode(int index);
int TxConditionIndex(uint8_t code);

// The second form of the microphone gain, from m = 60 - gain as a byte.
uint8_t MicGainSecondForm(uint8_t m);

// Editor to image. The list indices are those in v (m_nTxSelectA/B, m_nMicTxSelect,
// m_nPriority). serialText, when not empty and a valid serial number, goes to the serial word;
// otherwise the word is left as it was.
void StoreSettings(const EditorValues& v, const ImageChecks& checks, const std::string& serialText,
                   SettingsImage& image);

// Image to editor: every stored value, the list indices, the check boxes and the serial text
// (empty for a box without a serial number). The presets in v are left alone.
void LoadSettings(const SettingsImage& image, EditorValues& v, ImageChecks& checks,
                  std::string& serialText);

} // namespace hx
