#pragma once
// The level meter: one 16-bit level as a bar on a -60 dB to 0 dB scale, with a held peak.
#include "platform/Canvas.h"

#include <cstdint>

namespace hx {

class CStaticLevel : public IOwnerDraw {
public:
    int16_t m_nLevel = 0;  // 0 ... 32767 = full scale
    int16_t m_nPeak = 0;   // held peak; never below the level after a paint
    uint16_t m_nHold = 0;  // frames left before the monitor drops the peak

    void DrawItem(ICanvas& canvas, const Rect& rc) override;
};

// 0 ... 299 units, 5 units per dB, 0 units = -60 dB relative to 32768.
uint16_t LevelToUnits(int16_t v);

} // namespace hx
