// The presets of the two channels.
#include "Presets.h"

namespace hx {
namespace {

struct Preset {
    uint32_t audioDelay, holdTime, rxGain;
    int32_t txGain, noiseOn, noiseOff, responseTime, txSelect, priority;
};

// Per preset: delay, hold time, rx gain, tx gain, noise on/off, response time, tx condition,
// priority (channel A only).
const Preset kPresetsA[] = {
    /* 特定小電力無線機全般     */ {248, 504, 0, -6, -52, -64, 24, 1, 0},
    /* デジタル無線機全般       */ {328, 504, 0, 0, -72, -84, 24, 1, 0},
    /* アルインコ特小同時送受信 */ {248, 504, 0, -6, -52, -64, 152, 1, 1},
};
const Preset kPresetsB[] = {
    /* 特定小電力無線機全般 */ {248, 504, 0, -6, -52, -64, 24, 1, 0},
    /* デジタル無線機全般   */ {328, 504, 0, 0, -72, -84, 24, 1, 0},
};

} // namespace

bool SetPresetValues(EditorValues& v, Channel ch, int p) {
    const bool a = ch == Channel::A;
    const int count = a ? 3 : 2;
    if (p < 0 || p >= count)
        return false;
    const Preset& s = a ? kPresetsA[p] : kPresetsB[p];
    (a ? v.m_nAudioDelayA : v.m_nAudioDelayB) = s.audioDelay;
    (a ? v.m_nHoldTimeA : v.m_nHoldTimeB) = s.holdTime;
    (a ? v.m_nRxGainA : v.m_nRxGainB) = s.rxGain;
    (a ? v.m_nTxGainA : v.m_nTxGainB) = s.txGain;
    (a ? v.m_nNoiseOnLevelA : v.m_nNoiseOnLevelB) = s.noiseOn;
    (a ? v.m_nNoiseOffLevelA : v.m_nNoiseOffLevelB) = s.noiseOff;
    (a ? v.m_nResponseTimeA : v.m_nResponseTimeB) = s.responseTime;
    (a ? v.m_nTxSelectA : v.m_nTxSelectB) = s.txSelect;
    if (a)
        v.m_nPriority = s.priority;
    return true;
}

} // namespace hx
