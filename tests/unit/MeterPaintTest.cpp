// The level meter's scale and the pixels of its paints.
#include "MemoryWindow.h"
#include "StaticLevel.h"

#include <gtest/gtest.h>

namespace hx {
namespace {

TEST(LevelToUnits, ScalePoints) {
    EXPECT_EQ(LevelToUnits(0), 0);
    EXPECT_EQ(LevelToUnits(-1), 0);
    EXPECT_EQ(LevelToUnits(-32768), 0);
    for (int v = 1; v <= 33; ++v)
        EXPECT_EQ(LevelToUnits(static_cast<int16_t>(v)), 0) << v;
    EXPECT_EQ(LevelToUnits(34), 1);
    EXPECT_EQ(LevelToUnits(100), 48);
    EXPECT_EQ(LevelToUnits(1000), 148);
    EXPECT_EQ(LevelToUnits(3276), 199);
    EXPECT_EQ(LevelToUnits(3277), 200);
    EXPECT_EQ(LevelToUnits(32767), 299);
}

TEST(LevelToUnits, NeverFallsAsTheLevelRises) {
    uint16_t last = 0;
    for (int v = 0; v <= 32767; ++v) {
        const uint16_t u = LevelToUnits(static_cast<int16_t>(v));
        ASSERT_GE(u, last) << v;
        ASSERT_LE(u, 299) << v;
        last = u;
    }
}

// A meter on a canvas whose inner area is exactly 300 pixels wide: L = 3 + 10 = 13.
class MeterPixels : public ::testing::Test {
protected:
    static constexpr int kLeft = 10, kWidth = 306, kHeight = 12;
    static constexpr int L = kLeft + 3, T = 3, W = 300;
    const Rect rc{kLeft, 0, kLeft + kWidth, kHeight};
    const Rgb untouched{1, 2, 3};
    MemoryCanvas canvas{kLeft + kWidth + 4, kHeight, untouched};
    CStaticLevel meter;

    void Paint(int16_t level) {
        meter.m_nLevel = level;
        meter.DrawItem(canvas, rc);
    }
    void Wipe() { canvas = MemoryCanvas(kLeft + kWidth + 4, kHeight, untouched); }
    // The colour of column x of the inner area, checked to be the same on every inner row.
    Rgb Column(int x) const {
        const Rgb c = canvas.Pixel(x, T);
        for (int y = T; y < kHeight - 3; ++y)
            EXPECT_EQ(canvas.Pixel(x, y), c) << "column " << x << " row " << y;
        return c;
    }
    void ExpectColumns(int from, int to, Rgb colour) {
        for (int x = from; x <= to; ++x)
            EXPECT_EQ(Column(x), colour) << "column L+" << x - L;
    }
};

TEST_F(MeterPixels, FrameAndUntouchedBand) {
    Paint(0);
    const int right = kLeft + kWidth - 1, bottom = kHeight - 1;
    EXPECT_EQ(canvas.Pixel(kLeft, 0), kMeterFrameDark);
    EXPECT_EQ(canvas.Pixel(kLeft + 100, 0), kMeterFrameDark);
    EXPECT_EQ(canvas.Pixel(kLeft, 5), kMeterFrameDark);
    EXPECT_EQ(canvas.Pixel(right, 0), kMeterFrameLight);
    EXPECT_EQ(canvas.Pixel(right, 5), kMeterFrameLight);
    EXPECT_EQ(canvas.Pixel(kLeft + 100, bottom), kMeterFrameLight);
    EXPECT_EQ(canvas.Pixel(kLeft, bottom), kMeterFrameLight);
    // Nothing outside the item rectangle, nothing in the two-pixel band inside the frame.
    EXPECT_EQ(canvas.Pixel(kLeft - 1, 5), untouched);
    EXPECT_EQ(canvas.Pixel(right + 1, 5), untouched);
    for (int d = 1; d <= 2; ++d) {
        EXPECT_EQ(canvas.Pixel(kLeft + 100, d), untouched);
        EXPECT_EQ(canvas.Pixel(kLeft + 100, bottom - d), untouched);
        EXPECT_EQ(canvas.Pixel(right - d, 5), untouched);
    }
    EXPECT_EQ(canvas.Pixel(L + 50, T - 1), untouched);
    EXPECT_EQ(canvas.Pixel(L + 50, kHeight - 3), untouched);
}

TEST_F(MeterPixels, ZeroLevelAndPeakIsAllBackgroundFromSecondColumn) {
    Paint(0);
    EXPECT_EQ(Column(L), untouched);
    ExpectColumns(L + 1, L + W - 1, kMeterBackground);
    EXPECT_EQ(meter.m_nPeak, 0);
    EXPECT_EQ(meter.m_nHold, 0);
}

TEST_F(MeterPixels, LevelBelowFullScalePeakLeavesMarkerColumnsAlone) {
    meter.m_nPeak = 32767;
    Paint(3277);
    ExpectColumns(L, L + 199, kMeterBar);
    EXPECT_EQ(Column(L + 200), untouched);
    ExpectColumns(L + 201, L + 296, kMeterBackground);
    ExpectColumns(L + 297, L + 299, untouched);
    EXPECT_EQ(meter.m_nHold, 0) << "a paint below the peak does not re-arm the hold";
}

TEST_F(MeterPixels, LevelAtItsPeakPaintsTheMarker) {
    Paint(3277); // raises the peak from 0 to the level
    EXPECT_EQ(meter.m_nPeak, 3277);
    EXPECT_EQ(meter.m_nHold, kPeakHoldFrames);
    ExpectColumns(L, L + 197, kMeterBar);
    EXPECT_EQ(Column(L + 198), untouched);
    ExpectColumns(L + 199, L + 200, kMeterPeak);
    EXPECT_EQ(Column(L + 201), untouched);
    ExpectColumns(L + 202, L + W - 1, kMeterBackground);
}

TEST_F(MeterPixels, FullScaleRaisesPeakWithRedMarker) {
    meter.m_nPeak = 1000;
    Paint(32767);
    EXPECT_EQ(meter.m_nPeak, 32767);
    EXPECT_EQ(meter.m_nHold, kPeakHoldFrames);
    const int markX = L + W * 299 / 300 - 1;
    ExpectColumns(markX, markX + 1, kMeterPeakFull);
    ExpectColumns(L, markX - 2, kMeterBar);
}

TEST_F(MeterPixels, TinyLevelsDrawNoBarAndPutTheMarkerAtTheLeftEdge) {
    for (int16_t v : {1, 17, 33}) {
        Wipe();
        meter.m_nPeak = 0;
        Paint(v);
        EXPECT_EQ(meter.m_nPeak, v);
        EXPECT_EQ(canvas.Pixel(L - 1, T), kMeterPeak) << v;
        EXPECT_EQ(Column(L), kMeterPeak) << v;
        EXPECT_EQ(Column(L + 1), untouched) << v;
        ExpectColumns(L + 2, L + W - 1, kMeterBackground);
    }
}

TEST_F(MeterPixels, NegativeLevelDrawsNoBarAndKeepsThePeak) {
    Paint(-500);
    EXPECT_EQ(meter.m_nPeak, 0);
    EXPECT_EQ(meter.m_nHold, 0);
    ExpectColumns(L + 1, L + W - 1, kMeterBackground);
}

TEST_F(MeterPixels, MarkerStaysWhileTheLevelFallsAndMovesWhenItRises) {
    Paint(16384); // at the peak: marker painted
    const int mark = L + W * LevelToUnits(16384) / 300 - 1;
    ExpectColumns(mark, mark + 1, kMeterPeak);
    meter.m_nHold = 10;
    for (int16_t v : {8000, 3000, 500, 0}) {
        Paint(v);
        ExpectColumns(mark, mark + 1, kMeterPeak);
        EXPECT_EQ(meter.m_nPeak, 16384);
        EXPECT_EQ(meter.m_nHold, 10);
        const int barEnd = L + W * LevelToUnits(v) / 300;
        if (barEnd > L) {
            EXPECT_EQ(Column(barEnd - 1), kMeterBar);
        }
        EXPECT_EQ(Column(barEnd + 1), kMeterBackground);
    }
    // A paint asked for by the window system with the level above the peak raises it.
    Paint(20000);
    const int newMark = L + W * LevelToUnits(20000) / 300 - 1;
    EXPECT_EQ(meter.m_nPeak, 20000);
    EXPECT_EQ(meter.m_nHold, kPeakHoldFrames);
    ExpectColumns(newMark, newMark + 1, kMeterPeak);
    ExpectColumns(mark, mark + 1, kMeterBar);
}

TEST(MeterPaint, TooSmallRectanglePaintsOnlyWhatFits) {
    for (int w = 0; w <= 8; ++w) {
        int16_t peak = 0;
        uint16_t hold = 0;
        const MeterPaint p = ComputeMeterPaint(20000, peak, hold, Rect{0, 0, w, w});
        for (int i = 0; i < p.count; ++i) {
            const Rect& r = p.fills[static_cast<size_t>(i)].rect;
            EXPECT_GT(r.right, r.left);
            EXPECT_GT(r.bottom, r.top);
            EXPECT_GE(r.left, 0);
            EXPECT_GE(r.top, 0);
            EXPECT_LE(r.right, w);
            EXPECT_LE(r.bottom, w);
        }
    }
}

} // namespace
} // namespace hx
