// The main window on the Qt window: start-up, Enter and Escape, the stored preferences.
#include "platform/qt/QtWindowPictures.h"
#include "tests/qt/QtWindowAppFixture.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

namespace hx::test {
namespace {

class QtWindowAppTest : public QtAppTest {};

TEST_F(QtWindowAppTest, StartsWithOnlyReadingPossible) {
    Open();
    for (int id : {IDC_RECEIVE, IDCANCEL, IDC_PORT})
        EXPECT_TRUE(win.IsEnabled(id)) << id;
    for (int id : {IDC_SEND, IDC_RESTART, IDC_FACTORY, IDC_SAVE, IDC_LOAD, IDC_MONITOR})
        EXPECT_FALSE(win.IsEnabled(id)) << id;
    EXPECT_EQ(win.GetText(IDC_DELAY_A), "248");
    EXPECT_EQ(win.GetText(IDC_DELAY_B), "328");
    EXPECT_EQ(win.GetText(IDC_NOISE_OFF_B), "-84");
    EXPECT_EQ(win.GetText(IDC_NEW_SERIAL), "00000001");
    EXPECT_EQ(win.GetText(IDC_TXSEL_A), "ノイズ検知");
    EXPECT_EQ(win.ListSelection(IDC_PRESET_A), -1);
    EXPECT_EQ(win.ListCount(IDC_PRESET_A), 2);
    EXPECT_FALSE(win.IsEnabled(IDC_HOLD_A));
    EXPECT_FALSE(win.IsEnabled(IDC_HOLD_B));
    for (int id : {IDC_SERIAL_LABEL, IDC_SERIAL, IDC_ARROW_LABEL, IDC_NEW_SERIAL, IDC_AVG_A,
                   IDC_AVG_B, IDOK})
        EXPECT_FALSE(win.IsVisible(id)) << id;
    const QImage grey = LampPicture(LampImage::Grey);
    for (int id = IDC_LAMP_TONE_A; id <= IDC_LAMP_PTT_B; ++id)
        EXPECT_EQ(qobject_cast<QLabel*>(W(id))->pixmap().toImage(), grey) << id;
    for (int id : TooltipOrder())
        EXPECT_EQ(W(id)->toolTip().toStdString(), MainDialogTemplate().Find(id)->tooltip) << id;
    EXPECT_TRUE(W(IDC_SPIN_DELAY_A)->toolTip().isEmpty());
    EXPECT_EQ(win.GetText(IDC_PORT), "COM1");
    EXPECT_EQ(win.GetFocus(), IDC_PORT); // the first control that takes the focus
}

TEST_F(QtWindowAppTest, ShiftAndCtrlHeldAtStartOfferTheThirdPreset) {
    QWidget keys;
    keys.show();
    QTest::keyPress(&keys, Qt::Key_Shift, Qt::ShiftModifier);
    QTest::keyPress(&keys, Qt::Key_Control, Qt::ShiftModifier | Qt::ControlModifier);
    Open();
    QTest::keyRelease(&keys, Qt::Key_Control, Qt::ShiftModifier);
    QTest::keyRelease(&keys, Qt::Key_Shift, Qt::NoModifier);
    EXPECT_EQ(win.ListCount(IDC_PRESET_A), 3);
    EXPECT_EQ(win.ListText(IDC_PRESET_A, 2), "アルインコ特小同時送受信");
    EXPECT_EQ(win.ListCount(IDC_PRESET_B), 2);
}

TEST_F(QtWindowAppTest, EnterReadsTheBoxAndOpensTheOtherOperations) {
    Open();
    win.SetFocus(IDC_DELAY_A);
    QTest::keyClick(W(IDC_DELAY_A), Qt::Key_Return);
    EXPECT_FALSE(win.IsEnabled(IDC_RECEIVE)); // running
    ASSERT_TRUE(WaitFor([this] { return Info() == "設定の受信に成功しました"; }, 5000)) << Info();
    for (int id : {IDC_RECEIVE, IDC_SEND, IDC_RESTART, IDC_FACTORY, IDC_SAVE, IDC_LOAD, IDC_MONITOR,
                   IDCANCEL, IDC_PORT})
        EXPECT_TRUE(win.IsEnabled(id)) << id;
    EXPECT_EQ(win.GetTitle().rfind("HX-5310 Configuration, Ver1.20, Serial No.", 0), 0u);
    // The factory box has no serial number: the serial-number row shows.
    EXPECT_TRUE(win.IsVisible(IDC_NEW_SERIAL));
}

TEST_F(QtWindowAppTest, APortThatCannotBeOpenedIsReportedInTheInformationField) {
    ports.options.openFails = true;
    Open();
    QTest::mouseClick(W(IDC_RECEIVE), Qt::LeftButton);
    EXPECT_EQ(Info(), "ポート（COM1）のオープンに失敗しました");
    EXPECT_TRUE(win.IsEnabled(IDC_RECEIVE));
    EXPECT_FALSE(win.IsEnabled(IDC_SEND));
}

TEST_F(QtWindowAppTest, ALongPortPathIsShortenedInTheMiddleAndTheOutcomeStaysInSight) {
    ports.options.openFails = true;
    const std::string port = "/home/someone/projects/hx5310/build/sim/hx5310-sim";
    Open();
    win.ListAdd(IDC_PORT, port);
    win.ListSelect(IDC_PORT, 1);
    QTest::mouseClick(W(IDC_RECEIVE), Qt::LeftButton);
    // The outcome, then why (a port the list does not have is not found).
    const std::string outcome = "ポート（" + port + "）のオープンに失敗しました";
    const std::string whole = outcome + "：ポートが見つかりません";
    EXPECT_EQ(Info(), whole); // the window's own text is whole
    auto* field = qobject_cast<QLineEdit*>(W(IDC_INFO));
    const QString shown = field->text();
    EXPECT_TRUE(shown.startsWith("ポート（/")) << shown.toStdString();
    const QString kept = "/hx5310-sim）のオープンに失敗しました";
    ASSERT_TRUE(shown.contains(kept)) << shown.toStdString();
    EXPECT_TRUE(shown.contains("…"));
    // The outcome is in sight; the reason may run past the field's end (the tooltip has it).
    const QString outcomeShown = shown.left(shown.indexOf(kept) + kept.size());
    EXPECT_LE(field->fontMetrics().horizontalAdvance(outcomeShown), field->width());
    EXPECT_EQ(field->toolTip().toStdString(), whole);
    // A text that fits is shown as it is, with the field's own tooltip.
    win.SetText(IDC_INFO, "設定の受信に成功しました");
    EXPECT_EQ(field->text().toStdString(), "設定の受信に成功しました");
    EXPECT_EQ(field->toolTip().toStdString(), "各種情報を表示します");
}

TEST_F(QtWindowAppTest, ClosingStoresThePortAndEscapeClosesLikeTheCloseButton) {
    prefs.WriteString("Settings", "Serial Port", "COM1");
    ports.SetPortNames({"COM1", "COM3"});
    QTimer::singleShot(0, [this] {
        // The user picks COM3, leaves a field (which reads the controls), then presses Escape.
        WaitFor([this] { return win.Dialog() && win.Dialog()->isActiveWindow(); });
        win.ListSelect(IDC_PORT, 1);
        win.SetFocus(IDC_DELAY_A);
        win.SetFocus(IDC_DELAY_B);
        QTest::keyClick(W(IDC_DELAY_B), Qt::Key_Escape);
    });
    EXPECT_EQ(app.InitInstance(win, ports), 2);
    EXPECT_EQ(prefs.GetString("Settings", "Serial Port", "?"), "COM3");

    // Ended by the program with another result: nothing is stored.
    MemoryPreferences untouched;
    CHX5310ConfigApp other(untouched);
    QTimer::singleShot(0, [this] { win.EndDialog(3); });
    EXPECT_EQ(other.InitInstance(win, ports), 3);
    EXPECT_FALSE(untouched.HasString("Settings", "Serial Port"));
}

TEST_F(QtWindowAppTest, F1ShowsTheAboutBox) {
    Open();
    QString title;
    AnswerNextModal([&](QWidget* box) { title = box->windowTitle(); });
    QTest::keyClick(win.Dialog(), Qt::Key_F1);
    EXPECT_EQ(title.toStdString(), "バージョン情報 HX-5310-Config");
}

} // namespace
} // namespace hx::test
