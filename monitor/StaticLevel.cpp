#include "StaticLevel.h"

#include <algorithm>
#include <cmath>

namespace hx {

uint16_t LevelToUnits(int16_t v) {
    if (v <= 0)
        return 0;
    // 20 * log10(32768) - 60: 0 units at -60 dB relative to full scale.
    constexpr double kMinus60dB = 30.30899869919436;
    const double dB = 20.0 * std::log10(static_cast<double>(v)) - kMinus60dB;
    return static_cast<uint16_t>(5.0 * std::max(0.0, dB));
}

MeterPaint ComputeMeterPaint(int16_t level, int16_t& peak, uint16_t& hold, const Rect& rc) {
    if (peak < level) {
        peak = level;
        hold = kPeakHoldFrames;
    }
    const int nL = LevelToUnits(level);
    const int nP = LevelToUnits(peak);
    const Rgb marker = peak == 32767 ? kMeterPeakFull : kMeterPeak;

    MeterPaint p;
    // A one-pixel frame on the outermost ring of the item rectangle: top and left dark,
    // right and bottom light (those two also take the corners they share with the others).
    p.Add({rc.left, rc.top, rc.right - 1, rc.top + 1}, kMeterFrameDark);
    p.Add({rc.left, rc.top, rc.left + 1, rc.bottom - 1}, kMeterFrameDark);
    p.Add({rc.right - 1, rc.top, rc.right, rc.bottom}, kMeterFrameLight);
    p.Add({rc.left, rc.bottom - 1, rc.right, rc.bottom}, kMeterFrameLight);

    const int L = rc.left + 3, T = rc.top + 3, R = rc.right - 3, B = rc.bottom - 3;
    const int W = R - L;
    p.inner = {L, T, R, B};
    if (R <= L || B <= T)
        return p; // no room inside the frame
    const int barEnd = L + W * nL / 300;
    const int markX = L + W * nP / 300 - 1;
    auto columns = [&](int x0, int x1, Rgb colour) { p.Add({x0, T, x1, B}, colour); };

    if (markX <= barEnd && barEnd <= markX + 2) {
        // The level is at its peak: the marker is painted at its (new) place.
        if (peak != 0) {
            columns(markX, markX + 2, marker);
            columns(L, markX - 1, kMeterBar);
            columns(markX + 3, R, kMeterBackground);
        } else {
            columns(L, barEnd, kMeterBar);
            columns(barEnd + 1, R, kMeterBackground);
        }
    } else {
        // Below the held peak: the marker's columns keep what the last paint at the peak
        // left there, so the marker stays visible without being painted again.
        columns(L, barEnd, kMeterBar);
        columns(barEnd + 1, markX - 1, kMeterBackground);
        columns(markX + 3, R, kMeterBackground);
    }
    return p;
}

void CStaticLevel::DrawItem(ICanvas& canvas, const Rect& rc) {
    const MeterPaint p = ComputeMeterPaint(m_nLevel, m_nPeak, m_nHold, rc);
    for (int i = 0; i < p.count; ++i)
        canvas.FillRect(p.fills[static_cast<size_t>(i)].rect,
                        p.fills[static_cast<size_t>(i)].colour);
    if (m_bBlankNext) {
        m_bBlankNext = false;
        canvas.FillRect(Rect{rc.left + 1, rc.top + 1, rc.right - 1, rc.bottom - 1},
                        kMeterBackground);
    }
}

} // namespace hx
