#include "settings/ImageLayout.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace hx {
namespace {

using namespace layout;

// An image of box bytes that the tool must carry: every byte a different pattern.
SettingsImage PatternImage() {
    SettingsImage img{};
    for (std::size_t i = 0; i < img.size(); ++i)
        img[i] = static_cast<uint8_t>(i * 37 + 11);
    return img;
}

SettingsImage Stored(const EditorValues& v, const ImageChecks& c = {}, const std::string& s = "",
                     SettingsImage img = {}) {
    StoreSettings(v, c, s, img);
    return img;
}

TEST(SettingsImageLayout, BytesAtTheRangeLimits) {
    struct Case {
        const char* what;
        void (*set)(EditorValues&);
        std::size_t offset;
        uint8_t byte;
    };
    const std::vector<Case> cases = {
        {"delay 16", [](EditorValues& v) { v.m_nAudioDelayA = 16; }, kAudioDelayA, 1},
        {"delay 880", [](EditorValues& v) { v.m_nAudioDelayB = 880; }, kAudioDelayB, 109},
        {"hold 8", [](EditorValues& v) { v.m_nHoldTimeA = 8; }, kHoldTimeA, 0},
        {"hold 2048", [](EditorValues& v) { v.m_nHoldTimeB = 2048; }, kHoldTimeB, 255},
        {"response 16", [](EditorValues& v) { v.m_nResponseTimeA = 16; }, kResponseTimeA, 0},
        {"response 880", [](EditorValues& v) { v.m_nResponseTimeB = 880; }, kResponseTimeB, 108},
        {"tx gain 0", [](EditorValues& v) { v.m_nTxGainA = 0; }, kTxGainA, 0},
        {"tx gain -63", [](EditorValues& v) { v.m_nTxGainB = -63; }, kTxGainB, 63},
        {"signal on -10", [](EditorValues& v) { v.m_nSignalOnLevel = -10; }, kSignalOn, 0},
        {"signal on -58", [](EditorValues& v) { v.m_nSignalOnLevel = -58; }, kSignalOn, 48},
        {"signal off -11", [](EditorValues& v) { v.m_nSignalOffLevel = -11; }, kSignalOff, 1},
        {"signal off -59", [](EditorValues& v) { v.m_nSignalOffLevel = -59; }, kSignalOff, 49},
        {"noise on -40", [](EditorValues& v) { v.m_nNoiseOnLevelA = -40; }, kNoiseOnA, 0},
        {"noise on -109", [](EditorValues& v) { v.m_nNoiseOnLevelB = -109; }, kNoiseOnB, 69},
        {"noise off -41", [](EditorValues& v) { v.m_nNoiseOffLevelA = -41; }, kNoiseOffA, 1},
        {"noise off -110", [](EditorValues& v) { v.m_nNoiseOffLevelB = -110; }, kNoiseOffB, 70},
        {"mic 55", [](EditorValues& v) { v.m_nMicGain = 55; }, kMicGain, 5},
        {"mic -67", [](EditorValues& v) { v.m_nMicGain = -67; }, kMicGain, 127},
        {"rx gain 49", [](EditorValues& v) { v.m_nRxGainA = 49; }, kRxGainA, 49},
        {"rx gain 49 doubled", [](EditorValues& v) { v.m_nRxGainA = 49; }, kRxGainDoubledA, 98},
        {"rx gain B doubled", [](EditorValues& v) { v.m_nRxGainB = 7; }, kRxGainDoubledB, 14},
    };
    for (const auto& c : cases) {
        EditorValues v;
        c.set(v);
        EXPECT_EQ(Stored(v)[c.offset], c.byte) << c.what;
    }
}

TEST(SettingsImageLayout, OutOfRangeValuesWrapWithoutClamping) {
    EditorValues v;
    v.m_nAudioDelayA = 12;   // not a multiple of 8: rounded down, 8 / 8 - 1
    v.m_nAudioDelayB = 0;    // 0 - 1 wraps
    v.m_nResponseTimeA = 15; // (15 - 16) / 8 truncates toward zero
    v.m_nResponseTimeB = 8;  // (8 - 16) / 8 = -1
    v.m_nRxGainA = 300;      // low 8 bits
    v.m_nTxGainA = 5;        // a positive transmit gain is stored negated
    v.m_nUnmodulatedLimit = 0x12345;
    const SettingsImage img = Stored(v);
    EXPECT_EQ(img[kAudioDelayA], 0);
    EXPECT_EQ(img[kAudioDelayB], 0xFF);
    EXPECT_EQ(img[kResponseTimeA], 0);
    EXPECT_EQ(img[kResponseTimeB], 0xFF);
    EXPECT_EQ(img[kRxGainA], 44);
    EXPECT_EQ(img[kRxGainDoubledA], static_cast<uint8_t>(600));
    EXPECT_EQ(img[kTxGainA], 0xFB);
    EXPECT_EQ(GetU16(img, kUnmodulatedLimit), 0x2345);
}

TEST(SettingsImageLayout, MicGainSecondForm) {
    const std::pair<int32_t, uint8_t> cases[] = {{30, 68}, {55, 118}, {-3, 2}, {-4, 0},
                                                 {-67, 0}, {60, 127}, {61, 0}};
    for (auto [gain, second] : cases) {
        EditorValues v;
        v.m_nMicGain = gain;
        EXPECT_EQ(Stored(v)[kMicGainSecond], second) << gain;
    }
}

TEST(SettingsImageLayout, RangeFlagByteKeepsTheBoxBits) {
    EditorValues v;
    SettingsImage img{};
    img[kRangeFlags] = 0xCF; // every bit of the box set, 4 and 5 clear
    v.m_nNoiseOnLevelA = -60;
    v.m_nNoiseOnLevelB = -61;
    StoreSettings(v, {}, "", img);
    EXPECT_EQ(img[kRangeFlags], 0xCF | kLowNoiseOnB);
    v.m_nNoiseOnLevelA = -61;
    v.m_nNoiseOnLevelB = -40;
    StoreSettings(v, {}, "", img);
    EXPECT_EQ(img[kRangeFlags], 0xCF | kLowNoiseOnA);
}

TEST(SettingsImageLayout, TransmitConditionCodes) {
    EXPECT_EQ(TxConditionCode(0), 0x01);
    EXPECT_EQ(TxConditionCode(1), 0x03);
    EXPECT_EQ(TxConditionCode(2), 0x05);
    EXPECT_EQ(TxConditionCode(3), 0x0D);
    EXPECT_EQ(TxConditionCode(-1), 0x00);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(TxConditionIndex(TxConditionCode(i)), i);
    EXPECT_EQ(TxConditionIndex(0x07), 1); // noise detection wins
    EXPECT_EQ(TxConditionIndex(0x04), 2);
    EXPECT_EQ(TxConditionIndex(0x0C), 3);
    EXPECT_EQ(TxConditionIndex(0x00), 0);
}

TEST(SettingsImageLayout, ListsAndCheckBoxesInTheFlagWords) {
    EditorValues v;
    v.m_nMicTxSelect = 3;
    v.m_nPriority = 2;
    v.m_nTxSelectA = 3;
    v.m_nTxSelectB = -1;
    ImageChecks c;
    c.bassCutB = true;
    c.noTxOnNoise = true;
    c.pttInverted = true;
    const SettingsImage img = Stored(v, c);
    EXPECT_EQ(GetU16(img, kFlagWord1), kBassCutB | kNoTxOnNoise);
    EXPECT_EQ(GetU16(img, kFlagWord2), kPttInverted | kMicTxBit0 | kMicTxBit1 | kPriorityBit1);
    EXPECT_EQ(img[kTxConditionA], 0x0D);
    EXPECT_EQ(img[kTxConditionB], 0x00);

    EditorValues back;
    ImageChecks checksBack;
    std::string serial;
    LoadSettings(img, back, checksBack, serial);
    EXPECT_EQ(back.m_nMicTxSelect, 3);
    EXPECT_EQ(back.m_nPriority, 2);
    EXPECT_EQ(back.m_nTxSelectA, 3);
    EXPECT_EQ(back.m_nTxSelectB, 0); // code 0 loads as 信号検知
    EXPECT_TRUE(checksBack == c);
}

TEST(SettingsImageLayout, SerialWord) {
    EditorValues v;
    ImageChecks c;
    std::string serial;
    SettingsImage img{};
    PutU32(img, kSerialOffset, 0x0000ABCD);
    LoadSettings(img, v, c, serial);
    EXPECT_EQ(serial, "0000ABCD");
    PutU32(img, kSerialOffset, kNoSerial);
    LoadSettings(img, v, c, serial);
    EXPECT_EQ(serial, "");

    PutU32(img, kSerialOffset, 0x25000009);
    StoreSettings(v, c, "", img); // empty: unchanged
    EXPECT_EQ(GetU32(img, kSerialOffset), 0x25000009u);
    StoreSettings(v, c, "1ABCDEF01", img); // nine digits do not wrap into 0xABCDEF01
    EXPECT_EQ(GetU32(img, kSerialOffset), 0x25000009u);
    StoreSettings(v, c, "12 4", img); // not a serial number
    EXPECT_EQ(GetU32(img, kSerialOffset), 0x25000009u);
    StoreSettings(v, c, "00ab00cd", img);
    EXPECT_EQ(GetU32(img, kSerialOffset), 0x00AB00CDu);
}

TEST(SettingsImageLayout, RoundTripInsideTheRanges) {
    EditorValues lows;
    lows.m_nAudioDelayA = 16;
    lows.m_nAudioDelayB = 16;
    lows.m_nHoldTimeA = 8;
    lows.m_nHoldTimeB = 8;
    lows.m_nRxGainA = 0;
    lows.m_nRxGainB = 0;
    lows.m_nUnmodulatedLimit = 0;
    lows.m_nContinuousTxLimit = 0;
    lows.m_nTxGainA = -63;
    lows.m_nTxGainB = -63;
    lows.m_nSignalOnLevel = -58;
    lows.m_nSignalOffLevel = -59;
    lows.m_nNoiseOnLevelA = -109;
    lows.m_nNoiseOffLevelA = -110;
    lows.m_nNoiseOnLevelB = -109;
    lows.m_nNoiseOffLevelB = -110;
    lows.m_nMicGain = -67;
    lows.m_nTxSelectA = 0;
    lows.m_nTxSelectB = 2;
    lows.m_nMicTxSelect = 1;
    lows.m_nPriority = 1;
    lows.m_nResponseTimeA = 16;
    lows.m_nResponseTimeB = 16;

    EditorValues highs;
    highs.m_nAudioDelayA = 880;
    highs.m_nAudioDelayB = 872;
    highs.m_nHoldTimeA = 2048;
    highs.m_nHoldTimeB = 2040;
    highs.m_nRxGainA = 49;
    highs.m_nRxGainB = 48;
    highs.m_nUnmodulatedLimit = 65535;
    highs.m_nContinuousTxLimit = 65535;
    highs.m_nTxGainA = 0;
    highs.m_nTxGainB = -1;
    highs.m_nSignalOnLevel = -10;
    highs.m_nSignalOffLevel = -11;
    highs.m_nNoiseOnLevelA = -40;
    highs.m_nNoiseOffLevelA = -41;
    highs.m_nNoiseOnLevelB = -40;
    highs.m_nNoiseOffLevelB = -41;
    highs.m_nMicGain = 55;
    highs.m_nTxSelectA = 3;
    highs.m_nTxSelectB = 1;
    highs.m_nMicTxSelect = 2;
    highs.m_nPriority = 2;
    highs.m_nResponseTimeA = 880;
    highs.m_nResponseTimeB = 872;

    for (const EditorValues& in : {EditorValues{}, lows, highs}) {
        ImageChecks checks;
        checks.bassCutA = true;
        checks.noTxOnTone = true;
        SettingsImage img = PatternImage();
        StoreSettings(in, checks, "25000009", img);
        EditorValues out;
        out.m_nPresetA = 1; // presets are not in the image and stay as they are
        ImageChecks checksOut;
        std::string serial;
        LoadSettings(img, out, checksOut, serial);
        EditorValues expected = in;
        expected.m_nPresetA = 1;
        EXPECT_EQ(0, std::memcmp(&out, &expected, sizeof out));
        EXPECT_TRUE(checksOut == checks);
        EXPECT_EQ(serial, "25000009");
    }
}

TEST(SettingsImageLayout, BoxBytesAndBitsSurviveLoadThenStore) {
    for (uint8_t fill : {uint8_t{0x00}, uint8_t{0xFF}}) {
        SettingsImage img = PatternImage();
        img[kFlagWord1] = fill;
        img[kFlagWord1 + 1] = fill;
        img[kFlagWord2] = fill;
        img[kFlagWord2 + 1] = fill;
        img[kRangeFlags] = fill;
        img[kTxConditionA] = 0x03;
        img[kTxConditionB] = 0x0D;
        img[kMicGain] = 30; // a gain whose second form is 2 * 30 + 8
        PutU32(img, kSerialOffset, 0x12345678);
        EditorValues v;
        ImageChecks c;
        std::string serial;
        LoadSettings(img, v, c, serial);
        SettingsImage again = img;
        StoreSettings(v, c, serial, again);

        // Only the bytes derived on store may differ.
        for (std::size_t i = 0; i < img.size(); ++i) {
            if (i == kMicGainSecond || i == kRxGainDoubledA || i == kRxGainDoubledB ||
                i == kRangeFlags)
                continue;
            EXPECT_EQ(again[i], img[i]) << "offset " << i;
        }
        EXPECT_EQ(again[kRangeFlags] & ~(kLowNoiseOnA | kLowNoiseOnB), fill & 0xCF);
        EXPECT_EQ(again[kMicGainSecond], 68);
    }
}

} // namespace
} // namespace hx
