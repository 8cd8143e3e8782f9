#pragma once
// The editor's 25 settings as plain integers, with the values the window starts with.
#include <cstdint>

namespace hx {

struct EditorValues {
    uint32_t m_nAudioDelayA = 248;
    uint32_t m_nAudioDelayB = 328;
    uint32_t m_nHoldTimeA = 504;
    uint32_t m_nHoldTimeB = 504;
    uint32_t m_nRxGainA = 0;
    uint32_t m_nRxGainB = 0;
    uint32_t m_nUnmodulatedLimit = 60;
    uint32_t m_nContinuousTxLimit = 0;
    int32_t m_nTxGainA = 0;
    int32_t m_nTxGainB = 0;
    int32_t m_nSignalOnLevel = -20;
    int32_t m_nSignalOffLevel = -32;
    int32_t m_nNoiseOnLevelA = -52;
    int32_t m_nNoiseOffLevelA = -64;
    int32_t m_nNoiseOnLevelB = -72;
    int32_t m_nNoiseOffLevelB = -84;
    int32_t m_nMicGain = 30;
    int32_t m_nPresetA = -1;
    int32_t m_nPresetB = -1;
    int32_t m_nTxSelectA = 1;
    int32_t m_nTxSelectB = 1;
    int32_t m_nMicTxSelect = 0;
    int32_t m_nPriority = 0;
    int32_t m_nResponseTimeA = 24;
    int32_t m_nResponseTimeB = 24;
};

} // namespace hx
