// What a person sees of the level meters in the Qt window: the held peak stays visible while
// the level falls, through the window system's own repaints too.
#include "monitor/StaticLevel.h"
#include "tests/qt/QtWindowAppFixture.h"

#include <QImage>
#include <QWidget>

namespace hx::test {
namespace {

class MeterWidgetTest : public QtAppTest {
protected:
    // The meter as it is on screen now.
    QImage Shown(int id) const { return W(id)->grab().toImage(); }
    static Rgb At(const QImage& img, int x, int y) {
        const QRgb c = img.pixel(x, y);
        return Rgb{static_cast<uint8_t>(qRed(c)), static_cast<uint8_t>(qGreen(c)),
                   static_cast<uint8_t>(qBlue(c))};
    }
    void Set(int16_t level) {
        dlg->m_meterA.m_nLevel = level;
        win.RedrawNow(IDC_METER_A);
    }
};

TEST_F(MeterWidgetTest, PeakMarkerStaysWhileTheLevelFalls) {
    Open();
    QWidget* meter = W(IDC_METER_A);
    ASSERT_NE(meter, nullptr);
    ASSERT_TRUE(WaitFor([meter] { return meter->isVisible(); }));
    const int width = meter->width(), mid = meter->height() / 2;
    ASSERT_GT(width, 100);
    const int L = 3, W = width - 6;
    auto column = [&](int16_t v) { return L + W * LevelToUnits(v) / 300; };

    Set(16384);
    const int mark = column(16384) - 1;
    QImage img = Shown(IDC_METER_A);
    EXPECT_EQ(At(img, mark, mid), kMeterPeak);
    EXPECT_EQ(At(img, L + 1, mid), kMeterBar);
    EXPECT_EQ(At(img, 0, 0), kMeterFrameDark);
    EXPECT_EQ(At(img, width - 1, meter->height() - 1), kMeterFrameLight);

    for (int16_t v : {12000, 4000, 600, 0}) {
        Set(v);
        img = Shown(IDC_METER_A);
        EXPECT_EQ(At(img, mark, mid), kMeterPeak) << v;
        EXPECT_EQ(At(img, mark + 1, mid), kMeterPeak) << v;
        EXPECT_EQ(At(img, column(v) + 1, mid), kMeterBackground) << v;
    }

    // The window system repaints the meter (covered and shown again): nothing moves.
    meter->hide();
    meter->show();
    meter->repaint();
    img = Shown(IDC_METER_A);
    EXPECT_EQ(At(img, mark, mid), kMeterPeak);
    EXPECT_EQ(At(img, L + 1, mid), kMeterBackground);

    // Full scale: the marker turns red at its new place and the old one is covered by the bar.
    Set(32767);
    img = Shown(IDC_METER_A);
    EXPECT_EQ(At(img, L + W * 299 / 300 - 1, mid), kMeterPeakFull);
    EXPECT_EQ(At(img, mark, mid), kMeterBar);
}

} // namespace
} // namespace hx::test
