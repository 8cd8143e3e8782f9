// What a person sees of the level meters in the Qt window: the held peak stays visible while
// the level falls, through the window system's own repaints too.
#include "QtWindowAppFixture.h"
#include "QtWindowWidgets.h"
#include "StaticLevel.h"

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
        TestState(*dlg).m_meterA.m_nLevel = level;
        win.RedrawNow(IDC_METER_A);
    }
};

TEST_F(MeterWidgetTest, PeakMarkerStaysWhileTheLevelFalls) {
    HX_SKIP_WITHOUT_FONTS();
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

TEST_F(MeterWidgetTest, ABurstOfChangesIsPaintedOnceButEveryChangeCounts) {
    HX_SKIP_WITHOUT_FONTS();
    Open();
    auto* dialog = static_cast<QtDialogWidget*>(win.Dialog());
    ASSERT_TRUE(WaitFor([&] { return W(IDC_METER_A)->isVisible(); }));
    WaitFor([] { return false; }, 50); // the first paints of the window are done
    const long long before = dialog->PaintsDone();
    // A hundred status frames' worth of changes, as fast as they come: each one reaches the
    // meter's state (the peak follows the highest level), the screen gets one or two paints.
    for (int i = 1; i <= 100; ++i)
        Set(static_cast<int16_t>(i * 300));
    TestState(*dlg).m_meterA.m_nLevel = 0;
    EXPECT_EQ(TestState(*dlg).m_meterA.m_nPeak, 30000);
    WaitFor([] { return false; }, 100);
    const long long paints = dialog->PaintsDone() - before;
    EXPECT_GE(paints, 1);
    EXPECT_LE(paints, 3);
    // What is shown is the last change: the peak's marker where 30000 puts it.
    const int inner = W(IDC_METER_A)->width() - 6;
    EXPECT_EQ(At(Shown(IDC_METER_A), 3 + inner * LevelToUnits(30000) / 300 - 1,
                 W(IDC_METER_A)->height() / 2),
              kMeterPeak);
}

TEST_F(MeterWidgetTest, ABurstShowsExactlyWhatDrawingEachChangeAtOnceWould) {
    Open();
    QWidget* meter = W(IDC_METER_A);
    ASSERT_TRUE(WaitFor([meter] { return meter->isVisible(); }));
    // The same meter drawn change by change straight into a copy of what is shown now.
    QImage expected = Shown(IDC_METER_A).convertToFormat(QImage::Format_RGB32);
    CStaticLevel reference = TestState(*dlg).m_meterA;
    QtImageCanvas canvas(expected);
    const Rect rc{0, 0, expected.width(), expected.height()};
    // Rises, falls below the held peak, full scale, and a new peak below the old one's place.
    for (int16_t v : {16384, 20000, 5000, 32767, 100, 8000, 0, 12000, 3000}) {
        Set(v);
        reference.m_nLevel = v;
        reference.DrawItem(canvas, rc);
    }
    EXPECT_EQ(Shown(IDC_METER_A).convertToFormat(QImage::Format_RGB32), expected);
}

} // namespace
} // namespace hx::test
