#include "ImageLayout.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace hx {
namespace {

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
    EXPECT_EQ(img[2003], 0);
    EXPECT_EQ(img[2004], 0xFF);
    EXPECT_EQ(img[35], 0);
    EXPECT_EQ(img[36], 0xFF);
    EXPECT_EQ(img[2005], 44);
    EXPECT_EQ(img[1989], static_cast<uint8_t>(600));
    EXPECT_EQ(img[2007], 0xFB);
    EXPECT_EQ(GetU16(img, 220), 0x2345);
}

TEST(SettingsImageLayout, MicGainSecondForm) {
    const std::pair<int32_t, uint8_t> cases[] = {{30, 68}, {55, 118}, {-3, 2}, {-4, 0},
                                                 {-67, 0}, {60, 127}, {61, 0}};
    for (auto [gain, second] : cases) {
        EditorValues v;
        v.m_nMicGain = gain;
        EXPECT_EQ(Stored(v)[1987], second) << gain;
    }
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

TEST(SettingsImageLayout, SerialWord) {
    EditorValues v;
    ImageChecks c;
    std::string serial;
    SettingsImage img{};
    PutU32(img, 1924, 0x0000ABCD);
    LoadSettings(img, v, c, serial);
    EXPECT_EQ(serial, "0000ABCD");
    PutU32(img, 1924, 0xFFFFFFFF);
    LoadSettings(img, v, c, serial);
    EXPECT_EQ(serial, "");

    PutU32(img, 1924, 0x25000009);
    StoreSettings(v, c, "", img); // empty: unchanged
    EXPECT_EQ(GetU32(img, 1924), 0x25000009u);
    StoreSettings(v, c, "1ABCDEF01", img); // nine digits do not wrap into 0xABCDEF01
    EXPECT_EQ(GetU32(img, 1924), 0x25000009u);
    StoreSettings(v, c, "12 4", img); // not a serial number
    EXPECT_EQ(GetU32(img, 1924), 0x25000009u);
    StoreSettings(v, c, "00ab00cd", img);
    EXPECT_EQ(GetU32(img, 1924), 0x00AB00CDu);
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
        img[230] = fill;
        img[231] = fill;
        img[232] = fill;
        img[233] = fill;
        img[2012] = fill;
        img[2014] = 0x03;
        img[2015] = 0x0D;
        img[1931] = 30; // a gain whose second form is 2 * 30 + 8
        PutU32(img, 1924, 0x12345678);
        EditorValues v;
        ImageChecks c;
        std::string serial;
        LoadSettings(img, v, c, serial);
        SettingsImage again = img;
        StoreSettings(v, c, serial, again);

        // Only the bytes derived on store may differ.
        for (std::size_t i = 0; i < img.size(); ++i) {
            if (i == 1987 || i == 1989 || i == 1988 || i == 2012)
                continue;
            EXPECT_EQ(again[i], img[i]) << "offset " << i;
        }
        EXPECT_EQ(again[2012] & ~0x30, fill & 0xCF);
        EXPECT_EQ(again[1987], 68);
    }
}

} // namespace
} // namespace hx
