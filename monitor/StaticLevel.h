#pragma once
// The level meter: one 16-bit level as a bar on a -60 dB to 0 dB scale, with a held peak.
#include "Canvas.h"

#include <array>
#include <cstdint>

namespace hx {

class CStaticLevel : public IOwnerDraw {
public:
    int16_t m_nLevel = 0; // 0 ... 32767 = full scale
    int16_t m_nPeak = 0;  // held peak; never below the level after a paint
    uint16_t m_nHold = 0; // frames left before the monitor drops the peak
    // The next paint shows no level at all (a stopped monitor): everything inside the frame
    // becomes background, also the columns a paint otherwise leaves as they were.
    bool m_bBlankNext = false;

    void DrawItem(ICanvas& canvas, const Rect& rc) override;
};

// 0 ... 299 units, 5 units per dB, 0 units = -60 dB relative to 32768.
uint16_t LevelToUnits(int16_t v);

// Frames a raised peak is held before the monitor drops it.
constexpr uint16_t kPeakHoldFrames = 63;

// Colours of the meter.
constexpr Rgb kMeterBar{0, 255, 0};
constexpr Rgb kMeterPeakFull{255, 0, 0};
constexpr Rgb kMeterPeak{255, 208, 0};
constexpr Rgb kMeterBackground{240, 240, 240};
constexpr Rgb kMeterFrameDark{96, 96, 96};
constexpr Rgb kMeterFrameLight{192, 192, 192};

struct MeterFill {
    Rect rect;
    Rgb colour;
};

// One paint of the meter: the filled rectangles in paint order (the four frame lines first).
// Pixels that no fill covers keep what earlier paints left there.
struct MeterPaint {
    static constexpr int kMaxFills = 7;
    std::array<MeterFill, kMaxFills> fills{};
    int count = 0;
    Rect inner; // the area of bar, marker and background

    void Add(const Rect& r, Rgb colour) {
        if (r.right > r.left && r.bottom > r.top && count < kMaxFills)
            fills[static_cast<size_t>(count++)] = MeterFill{r, colour};
    }
};

// What a paint of the meter with item rectangle rc draws. Raises peak to level (and re-arms
// hold) first when the level is above it, as every paint does.
MeterPaint ComputeMeterPaint(int16_t level, int16_t& peak, uint16_t& hold, const Rect& rc);

} // namespace hx
