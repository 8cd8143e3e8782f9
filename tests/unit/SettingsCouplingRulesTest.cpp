#include "CouplingRules.h"

#include <gtest/gtest.h>

namespace hx {
namespace {

EditorValues Delays(uint32_t a, uint32_t b, int32_t ra = 24, int32_t rb = 24) {
    EditorValues v;
    v.m_nAudioDelayA = a;
    v.m_nAudioDelayB = b;
    v.m_nResponseTimeA = ra;
    v.m_nResponseTimeB = rb;
    return v;
}

TEST(SettingsCouplingRules, AudioDelay) {
    struct Case {
        EditorValues in;
        Channel ch;
        bool changes;
        uint32_t a, b;
    };
    const Case cases[] = {
        {Delays(440, 440), Channel::A, false, 440, 440},        // 880 lies below 896
        {Delays(1000, 328, 24, 16), Channel::A, true, 880, 16}, // at most 880
        {Delays(1000, 328), Channel::A, true, 872, 24},         // ... and B at least its response
        {Delays(800, 96, 24, 200), Channel::A, true, 696, 200}, // B keeps its response time
        {Delays(440, 480), Channel::B, true, 416, 480},         // the same with A and B exchanged
        {Delays(248, 16, 24, 40), Channel::B, true, 856, 40},
        {Delays(100, 100, 24, 900), Channel::A, true, 0, 900}, // refused values: no wrap below 0
    };
    for (const auto& c : cases) {
        EditorValues v = c.in;
        SCOPED_TRACE(testing::Message() << c.in.m_nAudioDelayA << "/" << c.in.m_nAudioDelayB);
        EXPECT_EQ(AudioDelayRule(v, c.ch), c.changes);
        EXPECT_EQ(v.m_nAudioDelayA, c.a);
        EXPECT_EQ(v.m_nAudioDelayB, c.b);
    }
}

TEST(SettingsCouplingRules, ResponseTimeMovesTheDelay) {
    EditorValues v = Delays(248, 328);
    EXPECT_FALSE(ResponseTimeRule(v, Channel::A, 24));

    v = Delays(860, 328, 104);
    EXPECT_TRUE(ResponseTimeRule(v, Channel::A, 24)); // 940: at most 880
    EXPECT_EQ(v.m_nAudioDelayA, 880u);

    v = Delays(16, 328, 32); // below the new response time: raised to it
    EXPECT_TRUE(ResponseTimeRule(v, Channel::A, 24));
    EXPECT_EQ(v.m_nAudioDelayA, 32u);

    v = Delays(248, 328, 24, 16);
    EXPECT_TRUE(ResponseTimeRule(v, Channel::B, 24));
    EXPECT_EQ(v.m_nAudioDelayB, 320u);
    EXPECT_EQ(v.m_nAudioDelayA, 248u);
}

TEST(SettingsCouplingRules, SignalThresholds) {
    EditorValues v;
    v.m_nSignalOnLevel = -20;
    v.m_nSignalOffLevel = -32;
    EXPECT_FALSE(SignalOnRule(v)); // already apart
    EXPECT_FALSE(SignalOffRule(v));

    v.m_nSignalOnLevel = -50;
    v.m_nSignalOffLevel = -45;
    EXPECT_TRUE(SignalOnRule(v));
    EXPECT_EQ(v.m_nSignalOffLevel, -59); // -62 lies below the bound
}

TEST(SettingsCouplingRules, NoiseThresholdsAndReceiveGain) {
    EditorValues v;
    v.m_nRxGainB = 0;
    v.m_nNoiseOnLevelB = -109;
    EXPECT_TRUE(RxGainRule(v, Channel::B));
    EXPECT_EQ(v.m_nNoiseOnLevelA, -52); // the other channel is left alone
    EXPECT_EQ(v.m_nNoiseOffLevelA, -64);

    v = EditorValues{}; // -52 / -64, gain 0
    EXPECT_FALSE(RxGainRule(v, Channel::A));
    EXPECT_FALSE(NoiseOnRule(v, Channel::A));
    EXPECT_FALSE(NoiseOffRule(v, Channel::A));

    v.m_nNoiseOffLevelA = -45; // above the detection threshold
    EXPECT_TRUE(NoiseOnRule(v, Channel::A));
    EXPECT_EQ(v.m_nNoiseOffLevelA, -64);
    v.m_nNoiseOffLevelA = -45;
    EXPECT_TRUE(NoiseOffRule(v, Channel::A));
    EXPECT_EQ(v.m_nNoiseOnLevelA, -40); // -33 lies above the bound

    v = EditorValues{};
    v.m_nRxGainA = 40;
    v.m_nNoiseOnLevelA = -100; // gain above -100 + 109: lowered, non-detection reset
    v.m_nNoiseOffLevelA = -105;
    EXPECT_TRUE(NoiseOnRule(v, Channel::A));
    EXPECT_EQ(v.m_nRxGainA, 9u);
    EXPECT_EQ(v.m_nNoiseOffLevelA, -110);

    v.m_nNoiseOnLevelA = -115; // refused by the editor; the gain does not wrap below 0
    v.m_nRxGainA = 0;
    EXPECT_TRUE(NoiseOnRule(v, Channel::A));
    EXPECT_EQ(v.m_nRxGainA, 0u);
}

} // namespace
} // namespace hx
