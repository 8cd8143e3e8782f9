// The main window on the Qt window: start-up, Enter and Escape, the stored preferences.
#include "QtWindowAppFixture.h"
#include "QtWindowPictures.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFontInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QToolTip>

namespace hx::test {
namespace {

class QtWindowAppTest : public QtAppTest {};

// With HX_SCREENSHOT_DIR set: the window as a picture in that folder, with the box it shows
// (if any) drawn where the box stands over it.
void SaveScreenshot(QWidget* w, const char* name, QWidget* box = nullptr) {
    const QString dir = qEnvironmentVariable("HX_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    QPixmap shot = w->grab();
    if (box) {
        QApplication::processEvents();
        QPainter painter(&shot);
        QPoint at = box->mapToGlobal(QPoint(0, 0)) - w->mapToGlobal(QPoint(0, 0));
        if (!QRect(QPoint(0, 0), shot.size()).contains(QRect(at, box->size())))
            at = QPoint((shot.width() - box->width()) / 2, (shot.height() - box->height()) / 2);
        painter.drawPixmap(at, box->grab());
    }
    shot.save(dir + "/" + name);
}

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
    // The port list's tooltip goes on with the selected port's path.
    for (int id : TooltipOrder())
        EXPECT_EQ(W(id)->toolTip().toStdString(),
                  MainDialogTemplate().Find(id)->tooltip + (id == IDC_PORT ? "\nCOM1" : ""))
            << id;
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

// The longest outcome a technician meets, reason and remedy included, is read whole in the
// field at 96 dpi without hovering; the tooltip holds the field's whole text.
TEST_F(QtWindowAppTest, TheWholeOutcomeIsReadableInTheField) {
    HX_SKIP_WITHOUT_FONTS();
    ports.options.openFails = true;
    ports.options.openError = PortOpenError::Permission;
    Open("hx5310-sim");
    ports.SetPortNames({"/home/someone/projects/hx5310/build/sim/hx5310-sim"});
    dlg->FillPortList();
    ASSERT_EQ(win.Dialog()->logicalDpiY(), 96);
    QTest::mouseClick(W(IDC_RECEIVE), Qt::LeftButton);
    const std::string whole =
        "ポート（hx5310-sim）のオープンに失敗しました：アクセスが許可されていま"
        "せん。ユーザーを dialout グループに追加して、ログインし直してください";
    EXPECT_EQ(Info(), whole);
    auto* field = qobject_cast<QPlainTextEdit*>(W(IDC_INFO));
    ASSERT_NE(field, nullptr);
    QApplication::processEvents();
    EXPECT_EQ(field->toPlainText().toStdString(), whole);
    // Every line of the wrapped text lies within the field: nothing is scrolled out of sight.
    const QFontMetrics fm(field->font());
    const int lines = static_cast<int>(field->document()->size().height());
    EXPECT_LE(lines * fm.lineSpacing(), field->viewport()->height() + fm.leading());
    EXPECT_FALSE(field->verticalScrollBar()->isVisible());
    EXPECT_EQ(field->toolTip().toStdString(), whole);
    SaveScreenshot(win.Dialog(), "port-refused.png");
    // Empty, the field has its own tooltip again.
    win.SetText(IDC_INFO, "");
    EXPECT_EQ(field->toolTip().toStdString(), "各種情報を表示します");
}

// Enter in a field after an edit asks before the box's settings replace it; the default,
// and No, keep the edit.
TEST_F(QtWindowAppTest, AReadOverEditsAsksFirst) {
    std::string folder;
    InstallQtJapaneseTexts(folder); // as the program does: the box's buttons in Japanese
    Open();
    QTest::mouseClick(W(IDC_RECEIVE), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([this] { return Info() == "設定の受信に成功しました"; }, 5000)) << Info();
    auto* delay = qobject_cast<QLineEdit*>(W(IDC_DELAY_A));
    delay->setFocus(Qt::MouseFocusReason);
    delay->selectAll();
    QTest::keyClicks(delay, "456");
    std::string asked;
    QTimer::singleShot(200, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        asked = box->text().toStdString();
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
        SaveScreenshot(win.Dialog(), "read-over-edits.png", box);
        box->button(QMessageBox::No)->click();
    });
    QTest::keyClick(delay, Qt::Key_Return);
    EXPECT_EQ(asked,
              "送信も保存もしていない変更があります。装置から受信すると、この変更は失われます"
              "。\n受信しますか？");
    EXPECT_FALSE(dlg->OperationRunning());
    EXPECT_EQ(win.GetText(IDC_DELAY_A), "456");
}

// One font for the window and everything it opens: message boxes, tooltips, menus and file
// dialogs take the application's font, which is the window's.
TEST_F(QtWindowAppTest, OneFontForTheWindowAndWhatItOpens) {
    Open();
    const QFont window = win.Dialog()->font();
    EXPECT_EQ(QFontInfo(QApplication::font()).family(), QFontInfo(window).family());
    EXPECT_EQ(QFontInfo(QToolTip::font()).family(), QFontInfo(window).family());
    QMessageBox box;
    QMenu menu;
    QFileDialog files;
    for (QWidget* w :
         {static_cast<QWidget*>(&box), static_cast<QWidget*>(&menu), static_cast<QWidget*>(&files)})
        EXPECT_EQ(QFontInfo(w->font()).family(), QFontInfo(window).family())
            << w->metaObject()->className();
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
