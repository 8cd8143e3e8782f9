// The coupling rules: the arithmetic that couples the fields of the editor.
#include "CouplingRules.h"

#include <algorithm>

namespace hx {
namespace {

constexpr int64_t kMaxDelay = 880;
constexpr int64_t kTotalDelay = 896;

struct ChannelValues {
    uint32_t& delay;
    int32_t& response;
    uint32_t& otherDelay;
    int32_t& otherResponse;
    uint32_t& rxGain;
    int32_t& noiseOn;
    int32_t& noiseOff;
};

ChannelValues Of(EditorValues& v, Channel ch) {
    if (ch == Channel::A)
        return {v.m_nAudioDelayA, v.m_nResponseTimeA, v.m_nAudioDelayB,   v.m_nResponseTimeB,
                v.m_nRxGainA,     v.m_nNoiseOnLevelA, v.m_nNoiseOffLevelA};
    return {v.m_nAudioDelayB, v.m_nResponseTimeB, v.m_nAudioDelayA,   v.m_nResponseTimeA,
            v.m_nRxGainB,     v.m_nNoiseOnLevelB, v.m_nNoiseOffLevelB};
}

// Delays and gains are unsigned: a result below 0 (only reachable from values that the editor
// already refused) becomes 0 rather than wrapping to four thousand million.
uint32_t Unsigned(int64_t v) {
    return static_cast<uint32_t>(std::clamp<int64_t>(v, 0, UINT32_MAX));
}
int32_t Signed(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

} // namespace

bool AudioDelayRule(EditorValues& values, Channel ch) {
    ChannelValues c = Of(values, ch);
    int64_t delay = c.delay, otherDelay = c.otherDelay;
    const int64_t response = c.response, otherResponse = c.otherResponse;
    if (delay < response)
        delay = response; // the other channel then gets the remainder even below the total
    else if (delay + std::max(otherDelay, otherResponse) < kTotalDelay)
        return false;
    delay = std::min(delay, kMaxDelay);
    otherDelay = kTotalDelay - delay;
    if (otherDelay < otherResponse) {
        otherDelay = otherResponse;
        delay = kTotalDelay - otherResponse;
    }
    c.delay = Unsigned(delay);
    c.otherDelay = Unsigned(otherDelay);
    return true;
}

bool ResponseTimeRule(EditorValues& values, Channel ch, int32_t oldResponse) {
    ChannelValues c = Of(values, ch);
    const int64_t response = c.response;
    if (response == oldResponse)
        return false;
    int64_t delay = int64_t{c.delay} + response - oldResponse;
    if (delay < response)
        delay = response;
    else if (delay > kMaxDelay)
        delay = kMaxDelay;
    c.delay = Unsigned(delay);
    return true;
}

bool SignalOnRule(EditorValues& v) {
    if (v.m_nSignalOffLevel < v.m_nSignalOnLevel)
        return false;
    v.m_nSignalOffLevel = Signed(std::max<int64_t>(int64_t{v.m_nSignalOnLevel} - 12, -59));
    return true;
}

bool SignalOffRule(EditorValues& v) {
    if (v.m_nSignalOffLevel < v.m_nSignalOnLevel)
        return false;
    v.m_nSignalOnLevel = Signed(std::min<int64_t>(int64_t{v.m_nSignalOffLevel} + 12, -10));
    return true;
}

bool NoiseOnRule(EditorValues& values, Channel ch) {
    ChannelValues c = Of(values, ch);
    const int64_t gainLimit = int64_t{c.noiseOn} + 109;
    if (c.noiseOff < c.noiseOn && c.rxGain < gainLimit)
        return false;
    if (c.rxGain > gainLimit)
        c.rxGain = Unsigned(gainLimit);
    // Also when the non-detection threshold was already below: it is set 12 dB below.
    c.noiseOff = Signed(std::max<int64_t>(int64_t{c.noiseOn} - 12, -110));
    return true;
}

bool NoiseOffRule(EditorValues& values, Channel ch) {
    ChannelValues c = Of(values, ch);
    if (c.noiseOff < c.noiseOn)
        return false;
    c.noiseOn = Signed(std::min<int64_t>(int64_t{c.noiseOff} + 12, -40));
    return true;
}

bool RxGainRule(EditorValues& values, Channel ch) {
    ChannelValues c = Of(values, ch);
    const int64_t gain = c.rxGain;
    if (gain < int64_t{c.noiseOn} + 109)
        return false;
    c.noiseOn = Signed(gain - 109);
    c.noiseOff = Signed(std::max<int64_t>(gain - 121, -110));
    return true;
}

} // namespace hx
