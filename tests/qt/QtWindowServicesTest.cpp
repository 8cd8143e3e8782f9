// The Qt window's services against a recorder of its notifications: the controls the template
// asks for, their input rules, the notifications, timers, posted events, boxes and dialogs.
#include "QtTestSupport.h"
#include "QtWindow.h"
#include "QtWindowPictures.h"
#include "QtWindowWidgets.h"
#include "Resources.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QWheelEvent>

namespace hx::test {
namespace {

class QtServicesTest : public ::testing::Test {
protected:
    QtServicesTest() { EnsureApp(); }
    ~QtServicesTest() override { win.EndDialog(2); }
    void Open() {
        ASSERT_TRUE(win.Open(MainDialogTemplate(), events));
        ASSERT_TRUE(QTest::qWaitForWindowActive(win.Dialog()));
    }
    QLineEdit* Edit(int id) const { return qobject_cast<QLineEdit*>(win.Widget(id)); }
    QtUpDown* Spin(int id) const { return dynamic_cast<QtUpDown*>(win.Widget(id)); }
    void Focus(int id) {
        win.Widget(id)->setFocus(Qt::MouseFocusReason);
        ASSERT_EQ(win.GetFocus(), id);
    }

    QtWindow win;
    RecordingEvents events;
};

TEST_F(QtServicesTest, EveryControlOfTheTemplateExistsAsItsKind) {
    Open();
    const DialogTemplate& tpl = MainDialogTemplate();
    const ControlDef* previous = nullptr;
    for (const ControlDef& def : tpl.controls) {
        const ControlDef* before = previous;
        previous = &def;
        if (def.id < 0)
            continue;
        SCOPED_TRACE(def.id);
        QWidget* w = win.Widget(def.id);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(win.IsVisible(def.id), (def.flags & kHidden) == 0);
        EXPECT_EQ(w->parentWidget(), win.Dialog());
        switch (def.kind) {
        case ControlKind::PushButton: {
            auto* b = qobject_cast<QPushButton*>(w);
            ASSERT_NE(b, nullptr);
            EXPECT_EQ(b->text().toStdString(), def.caption);
            EXPECT_EQ(b->isDefault(), def.id == IDC_RECEIVE);
            break;
        }
        case ControlKind::CheckBox:
            ASSERT_NE(qobject_cast<QCheckBox*>(w), nullptr);
            EXPECT_EQ(win.GetText(def.id), def.caption);
            break;
        case ControlKind::DropList: {
            auto* list = qobject_cast<QComboBox*>(w);
            ASSERT_NE(list, nullptr);
            EXPECT_FALSE(list->isEditable());
            std::vector<std::string> items;
            for (int i = 0; i < win.ListCount(def.id); ++i)
                items.push_back(win.ListText(def.id, i));
            EXPECT_EQ(items, def.items); // in the template's order, not sorted
            EXPECT_EQ(win.ListSelection(def.id), -1);
            break;
        }
        case ControlKind::Edit:
            if (def.id == IDC_INFO) { // read-only, its text wrapping over two lines
                auto* info = qobject_cast<QPlainTextEdit*>(win.Widget(def.id));
                ASSERT_NE(info, nullptr);
                EXPECT_TRUE(info->isReadOnly());
                break;
            }
            ASSERT_NE(Edit(def.id), nullptr);
            EXPECT_FALSE(Edit(def.id)->isReadOnly());
            break;
        case ControlKind::UpDown:
            ASSERT_NE(Spin(def.id), nullptr);
            // Attached to the field before it, at that field's right edge.
            ASSERT_TRUE(before && before->kind == ControlKind::Edit);
            EXPECT_EQ(Spin(def.id)->Buddy(), win.Widget(before->id));
            EXPECT_EQ(w->geometry().left(), win.Widget(before->id)->geometry().right() + 1);
            break;
        case ControlKind::Label:
            EXPECT_EQ(win.GetText(def.id), def.caption);
            break;
        case ControlKind::Lamp:
            ASSERT_NE(qobject_cast<QLabel*>(w), nullptr);
            break;
        case ControlKind::Meter:
            ASSERT_NE(dynamic_cast<QtMeterWidget*>(w), nullptr);
            break;
        default:
            ADD_FAILURE() << "unexpected kind";
        }
    }
    EXPECT_EQ(win.GetTitle(), "HX-5310-Config");
    EXPECT_FALSE(win.IsEnabled(4711));
    EXPECT_FALSE(win.AddTooltip(4711, "x"));
}

TEST_F(QtServicesTest, FieldsTakeOnlyWhatTheirKindAllows) {
    Open();
    // Digits only: a minus sign and letters are refused as typed.
    Focus(IDC_DELAY_A);
    Edit(IDC_DELAY_A)->clear();
    QTest::keyClicks(Edit(IDC_DELAY_A), "-2a4x8");
    EXPECT_EQ(win.GetText(IDC_DELAY_A), "248");
    // The other numeric fields take a minus sign.
    Focus(IDC_TXGAIN_A);
    QTest::keyClicks(Edit(IDC_TXGAIN_A), "-12");
    EXPECT_EQ(win.GetText(IDC_TXGAIN_A), "-12");
    // Serial numbers: typed letters become upper case where they are typed.
    win.Show(IDC_NEW_SERIAL, true);
    Focus(IDC_NEW_SERIAL);
    QTest::keyClicks(Edit(IDC_NEW_SERIAL), "00ab");
    QTest::keyClick(Edit(IDC_NEW_SERIAL), Qt::Key_Home);
    QTest::keyClicks(Edit(IDC_NEW_SERIAL), "f");
    EXPECT_EQ(win.GetText(IDC_NEW_SERIAL), "F00AB");
    // The information field cannot be typed into.
    Focus(IDC_INFO);
    QTest::keyClicks(win.Widget(IDC_INFO), "abc");
    EXPECT_EQ(win.GetText(IDC_INFO), "");
    // The program's own texts go in as they are, and show from their beginning.
    win.SetText(IDC_DELAY_A, "-8");
    EXPECT_EQ(win.GetText(IDC_DELAY_A), "-8");
    win.SetText(IDC_INFO, std::string(200, 'x'));
    EXPECT_EQ(win.GetText(IDC_INFO), std::string(200, 'x'));
}

TEST_F(QtServicesTest, UpDownStepsFromTheStandingNumberWithinItsRange) {
    Open();
    win.SetUpDownRange(IDC_SPIN_DELAY_A, 16, 880, 8);
    win.SetUpDownRange(IDC_SPIN_HOLD_A, 40, 2040, 40);
    win.SetUpDownRange(IDC_SPIN_RXGAIN_A, 0, 49, 1);
    win.SetUpDownRange(IDC_SPIN_UNMOD_LIMIT, 0, 65535, 10);
    win.SetText(IDC_DELAY_A, "248");
    QTest::mouseClick(Spin(IDC_SPIN_DELAY_A)->UpButton(), Qt::LeftButton);
    EXPECT_EQ(win.GetText(IDC_DELAY_A), "256");
    EXPECT_EQ(win.GetFocus(), IDC_DELAY_A); // a click on the arrows focuses the field
    QTest::keyClick(Edit(IDC_DELAY_A), Qt::Key_Up);
    EXPECT_EQ(win.GetText(IDC_DELAY_A), "264");
    Edit(IDC_DELAY_A)->setText("250"); // typed: the next press starts from it
    QTest::keyClick(Edit(IDC_DELAY_A), Qt::Key_Down);
    EXPECT_EQ(win.GetText(IDC_DELAY_A), "242");

    // The hold time accepts 8..2048 typed, but its arrows keep to 40..2040 in steps of 40.
    const std::pair<std::string, std::string> hold[] = {
        {"504", "544"}, {"2040", "2040"}, {"2048", "2040"}, {"2010", "2040"}};
    for (const auto& [from, to] : hold) {
        win.SetText(IDC_HOLD_A, from);
        Spin(IDC_SPIN_HOLD_A)->Press(+1, 9000);
        EXPECT_EQ(win.GetText(IDC_HOLD_A), to) << from;
    }
    win.SetText(IDC_HOLD_A, "8");
    Spin(IDC_SPIN_HOLD_A)->Press(-1);
    EXPECT_EQ(win.GetText(IDC_HOLD_A), "40");

    // Plain digits, no separators; step-1 controls speed up only while an arrow is held.
    win.SetText(IDC_UNMOD_LIMIT, "1000");
    Spin(IDC_SPIN_UNMOD_LIMIT)->Press(+1);
    EXPECT_EQ(win.GetText(IDC_UNMOD_LIMIT), "1010");
    win.SetText(IDC_RXGAIN_A, "3");
    Spin(IDC_SPIN_RXGAIN_A)->Press(+1, 2500);
    EXPECT_EQ(win.GetText(IDC_RXGAIN_A), "8");
    Spin(IDC_SPIN_RXGAIN_A)->Press(+1, 6000);
    EXPECT_EQ(win.GetText(IDC_RXGAIN_A), "28");

    // The arrows follow their field: a disabled field cannot be stepped.
    win.Enable(IDC_HOLD_A, false);
    EXPECT_FALSE(Spin(IDC_SPIN_HOLD_A)->UpButton()->isEnabled());
    EXPECT_TRUE(win.IsEnabled(IDC_SPIN_HOLD_A));
    win.Enable(IDC_HOLD_A, true);
    EXPECT_TRUE(Spin(IDC_SPIN_HOLD_A)->UpButton()->isEnabled());
}

TEST_F(QtServicesTest, ListsKeepTheSelectionAsTheProgramSetsIt) {
    Open();
    win.ListReset(IDC_PORT);
    EXPECT_EQ(win.ListAdd(IDC_PORT, "COM1"), 0);
    EXPECT_EQ(win.ListSelection(IDC_PORT), -1); // adding selects nothing
    EXPECT_EQ(win.GetText(IDC_PORT), "");
    win.ListAdd(IDC_PORT, "COM3");
    win.ListSelect(IDC_PORT, 1);
    EXPECT_EQ(win.ListInsert(IDC_PORT, 0, "COM0"), 0);
    EXPECT_EQ(win.ListSelection(IDC_PORT), 2);
    EXPECT_EQ(win.GetText(IDC_PORT), "COM3");
    EXPECT_EQ(win.ListInsert(IDC_PORT, 99, "COM9"), 3);
    win.ListSelect(IDC_PORT, 7);
    EXPECT_EQ(win.ListSelection(IDC_PORT), -1);
    EXPECT_EQ(win.ListText(IDC_PORT, 4), "");
    EXPECT_TRUE(events.commands.empty()); // the program's changes notify nothing
}

TEST_F(QtServicesTest, ListsAnnounceTheirOpeningAndTheUsersChoice) {
    Open();
    // The owner refills the list when it is told that the list opens; the list shows the
    // new items.
    events.onCommand = [this](const RecordingEvents::Command& c) {
        if (c.id == IDC_PORT && c.code == Notify::DropDown) {
            win.ListReset(IDC_PORT);
            win.ListAdd(IDC_PORT, "COM7");
            win.ListAdd(IDC_PORT, "/run/user/1000/hx5310/a-virtual-box-with-a-long-name");
        }
    };
    auto* list = qobject_cast<QComboBox*>(win.Widget(IDC_PORT));
    list->showPopup();
    EXPECT_EQ(events.Count(IDC_PORT, Notify::DropDown), 1);
    EXPECT_EQ(win.ListCount(IDC_PORT), 2);
    EXPECT_EQ(list->view()->model()->rowCount(), 2);
    // The opened list shows the long name whole.
    EXPECT_GT(list->view()->width(), list->fontMetrics().horizontalAdvance(
                                         QString::fromStdString(win.ListText(IDC_PORT, 1))));
    list->hidePopup();

    // A wheel turned over a list that does not have the focus changes nothing.
    auto wheel = [this](int id) {
        QWidget* w = win.Widget(id);
        QWheelEvent turn(QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                         Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w, &turn);
    };
    wheel(IDC_PRESET_A);
    EXPECT_EQ(win.ListSelection(IDC_PRESET_A), -1);
    Focus(IDC_TXSEL_A);
    wheel(IDC_TXSEL_A); // with the focus it does
    EXPECT_EQ(events.Count(IDC_TXSEL_A, Notify::SelChange), 1);
    EXPECT_EQ(win.ListSelection(IDC_TXSEL_A), 0);
    EXPECT_EQ(events.Count(IDC_PRESET_A, Notify::SelChange), 0);
}

TEST_F(QtServicesTest, FieldsReportTheFocusLeavingThem) {
    Open();
    Focus(IDC_DELAY_A);
    events.commands.clear();
    Focus(IDC_DELAY_B);
    Focus(IDC_RECEIVE); // a button: its losing the focus is not reported
    Focus(IDC_INFO);
    ASSERT_EQ(events.commands.size(), 2u);
    EXPECT_EQ(events.commands[0].id, IDC_DELAY_A);
    EXPECT_EQ(events.commands[0].code, Notify::KillFocus);
    EXPECT_EQ(events.commands[0].newFocusId, IDC_DELAY_B);
    EXPECT_EQ(events.commands[1].id, IDC_DELAY_B);
    EXPECT_EQ(events.commands[1].newFocusId, IDC_RECEIVE);

    // The focus leaving the window: reported with 0.
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_EQ(events.Count(IDC_INFO, Notify::KillFocus), 1);
    EXPECT_EQ(events.commands.back().newFocusId, 0);
    EXPECT_EQ(win.GetFocus(), 0);
}

TEST_F(QtServicesTest, AFieldRefusedInAKillFocusHandlerGivesOneMessage) {
    Open();
    // The handler of the field left refuses another field: one message, the refused field
    // takes the focus, and that move reports nothing further.
    events.onCommand = [this](const RecordingEvents::Command& c) {
        if (c.code == Notify::KillFocus) {
            win.MessageBox("8 単位で入力してください。", MsgIcon::Warning);
            win.SetFocus(IDC_DELAY_A);
        }
    };
    Focus(IDC_DELAY_A);
    AnswerNextModal([](QWidget* box) {
        EXPECT_EQ(qobject_cast<QMessageBox*>(box)->icon(), QMessageBox::Warning);
    });
    win.Widget(IDC_DELAY_B)->setFocus(Qt::MouseFocusReason);
    WaitFor([this] { return win.GetFocus() == IDC_DELAY_A; });
    EXPECT_EQ(win.MessagesShown().size(), 1u);
    EXPECT_EQ(events.Count(IDC_DELAY_A, Notify::KillFocus), 1);
    EXPECT_EQ(events.Count(IDC_DELAY_B, Notify::KillFocus), 0);
    EXPECT_EQ(win.GetFocus(), IDC_DELAY_A);
}

TEST_F(QtServicesTest, ADisabledControlKeepsTheFocusSoEnterCannotReachAnotherButton) {
    Open();
    Focus(IDC_SEND);
    events.commands.clear();
    for (int id : {IDC_SEND, IDC_RECEIVE})
        win.Enable(id, false);
    EXPECT_EQ(win.GetFocus(), IDC_SEND);
    QTest::keyClick(win.Dialog(), Qt::Key_Return);
    EXPECT_FALSE(win.Ended()); // not "閉じる", the next button in line
    EXPECT_TRUE(events.commands.empty());
    win.Enable(IDC_SEND, true);
    EXPECT_TRUE(win.Widget(IDC_SEND)->hasFocus());
}

TEST_F(QtServicesTest, EnterClicksTheDefaultButtonAndEscapeEndsWithTwo) {
    Open();
    Focus(IDC_PORT); // where the focus is at start
    QTest::keyClick(win.Widget(IDC_PORT), Qt::Key_Return);
    EXPECT_EQ(events.Count(IDC_RECEIVE, Notify::Clicked), 1);
    Focus(IDC_DELAY_A);
    QTest::keyClick(win.Widget(IDC_DELAY_A), Qt::Key_Return);
    EXPECT_EQ(events.Count(IDC_RECEIVE, Notify::Clicked), 2);
    win.Enable(IDC_RECEIVE, false);
    QTest::keyClick(win.Widget(IDC_DELAY_A), Qt::Key_Return);
    EXPECT_EQ(events.Count(IDC_RECEIVE, Notify::Clicked), 2);

    QTest::keyClick(win.Widget(IDC_DELAY_A), Qt::Key_Escape);
    EXPECT_TRUE(win.Ended());
    EXPECT_EQ(win.Result(), 2);
    EXPECT_EQ(events.destroys, 1);
    EXPECT_FALSE(win.Dialog()->isVisible());
    // After the end nothing reaches the owner any more.
    win.EndDialog(1);
    win.PostCommEvent(1, 0);
    QTest::qWait(20);
    EXPECT_EQ(events.destroys, 1);
    EXPECT_EQ(win.Result(), 2);
    EXPECT_TRUE(events.commEvents.empty());
}

TEST_F(QtServicesTest, TheCloseButtonAndTheWindowsCloseEndWithTwo) {
    Open();
    QTest::mouseClick(win.Widget(IDCANCEL), Qt::LeftButton);
    EXPECT_EQ(win.Result(), 2);
    EXPECT_TRUE(events.commands.empty() || events.commands.back().code == Notify::KillFocus);

    RecordingEvents second;
    ASSERT_TRUE(win.Open(MainDialogTemplate(), second));
    win.Dialog()->close();
    EXPECT_EQ(win.Result(), 2);
    EXPECT_EQ(second.destroys, 1);
}

TEST_F(QtServicesTest, RunModalReturnsAtOnceWhenStartUpEndsTheWindow) {
    events.onInit = [this] {
        win.EndDialog(3);
        return 0;
    };
    EXPECT_EQ(win.RunModal(MainDialogTemplate(), events), 3);
    EXPECT_EQ(events.destroys, 1);

    // The modal loop runs until the window ends.
    RecordingEvents modal;
    QTimer::singleShot(50, [this] { win.EndDialog(2); });
    EXPECT_EQ(win.RunModal(MainDialogTemplate(), modal), 2);
}

TEST_F(QtServicesTest, TimersRepeatByIdAndPostedEventsArriveLaterInOrder) {
    Open();
    win.SetTimer(101, 1000);
    win.SetTimer(101, 10); // replaces the period
    win.SetTimer(102, 15);
    ASSERT_TRUE(WaitFor([this] { return events.timers.size() >= 6; }));
    EXPECT_GE(std::count(events.timers.begin(), events.timers.end(), 101u), 2);
    win.KillTimer(101);
    win.KillTimer(102);
    const size_t fired = events.timers.size();
    QTest::qWait(50);
    EXPECT_EQ(events.timers.size(), fired);

    win.PostCommEvent(1, 5);
    win.PostCommEvent(4, 6);
    EXPECT_TRUE(events.commEvents.empty()); // queued, not called
    ASSERT_TRUE(WaitFor([this] { return events.commEvents.size() == 2; }));
    EXPECT_EQ(events.commEvents[0], std::make_pair(1u, 5L));
    EXPECT_EQ(events.commEvents[1], std::make_pair(4u, 6L));
}

// Paints a band; a meter's pixels must stay between paints.
class BandPainter : public IOwnerDraw {
public:
    void DrawItem(ICanvas& canvas, const Rect& rc) override {
        items.push_back(rc);
        canvas.FillRect(Rect{left, rc.top, left + 10, rc.bottom}, colour);
    }
    int left = 0;
    Rgb colour{255, 0, 0};
    std::vector<Rect> items;
};

TEST_F(QtServicesTest, MetersPaintThroughTheirOwnerAndKeepTheirPixels) {
    HX_SKIP_WITHOUT_FONTS();
    Open();
    BandPainter painter;
    win.AttachOwnerDraw(IDC_METER_A, &painter);
    win.RedrawNow(IDC_METER_A);
    auto* meter = dynamic_cast<QtMeterWidget*>(win.Widget(IDC_METER_A));
    ASSERT_FALSE(painter.items.empty());
    EXPECT_EQ(painter.items.back(), (Rect{0, 0, meter->width(), meter->height()}));
    painter.left = 20;
    painter.colour = {0, 255, 0};
    win.RedrawNow(IDC_METER_A);
    const QImage shown = meter->grab().toImage();
    EXPECT_EQ(shown.pixelColor(5, 5), QColor(255, 0, 0)); // the first paint is still there
    EXPECT_EQ(shown.pixelColor(25, 5), QColor(0, 255, 0));
    const size_t paints = painter.items.size();
    meter->update();
    QTest::qWait(20);
    EXPECT_EQ(painter.items.size(), paints); // the window system's paints show the kept pixels
}

TEST_F(QtServicesTest, LampsShowSixPicturesThatCanBeToldApart) {
    const LampImage all[] = {LampImage::Red,  LampImage::Green,    LampImage::Yellow,
                             LampImage::Grey, LampImage::RedCross, LampImage::GreyCross};
    const QColor centre[] = {QColor(255, 0, 0),     QColor(0, 255, 0), QColor(255, 255, 0),
                             QColor(192, 192, 192), Qt::black,         Qt::black};
    for (int i = 0; i < 6; ++i) {
        const QImage img = LampPicture(all[i]);
        ASSERT_EQ(img.size(), QSize(16, 16));
        EXPECT_EQ(img.pixelColor(0, 0), QColor(236, 236, 236));
        EXPECT_EQ(img.pixelColor(8, 8), centre[i]) << i;
    }
    // The crossed lamps keep their colour beside the cross.
    EXPECT_EQ(LampPicture(LampImage::RedCross).pixelColor(8, 4), QColor(255, 0, 0));
    EXPECT_EQ(LampPicture(LampImage::GreyCross).pixelColor(8, 4), QColor(192, 192, 192));
    EXPECT_TRUE(LampPicture(LampImage::None).isNull());

    Open();
    win.SetLamp(IDC_LAMP_PTT_A, LampImage::RedCross);
    const QPixmap shown = qobject_cast<QLabel*>(win.Widget(IDC_LAMP_PTT_A))->pixmap();
    EXPECT_EQ(shown.toImage().pixelColor(8, 8), QColor(Qt::black));
    EXPECT_EQ(AppIconPicture(32).size(), QSize(32, 32));
    EXPECT_EQ(AppIconPicture(16).size(), QSize(16, 16));
}

TEST_F(QtServicesTest, TheSystemMenuEntriesAreOnTheContextMenuAndF1) {
    events.onInit = [this] {
        win.AppendSystemMenuItem(IDM_ABOUTBOX, LoadStringResource(IDS_ABOUTBOX));
        return 1;
    };
    Open();
    const QList<QAction*> menu = win.MenuActions();
    ASSERT_EQ(menu.size(), 2);
    EXPECT_EQ(menu[0]->text().toStdString(), LoadStringResource(IDS_ABOUTBOX));
    EXPECT_EQ(menu[1]->text().toStdString(), "バックアップフォルダを開く");
    menu[1]->trigger();
    QTest::keyClick(win.Dialog(), Qt::Key_F1);
    EXPECT_EQ(events.sysCommands, (std::vector<unsigned>{QtWindow::kOpenBackupsCommand,
                                                         static_cast<unsigned>(IDM_ABOUTBOX)}));
}

TEST_F(QtServicesTest, BoxesAndFileDialogsAreModalAndAnswered) {
    Open();
    // The About box from its template.
    std::string aboutText;
    AnswerNextModal([&](QWidget* box) {
        aboutText = box->windowTitle().toStdString();
        for (auto* label : box->findChildren<QLabel*>())
            aboutText += "|" + label->text().toStdString();
    });
    win.ShowModalBox(AboutDialogTemplate());
    EXPECT_NE(aboutText.find("バージョン情報 HX-5310-Config|"), std::string::npos);
    EXPECT_NE(aboutText.find("|HX-5310-Config Version 1.2"), std::string::npos);

    // A save dialog with the filters, the default extension and the overwrite question.
    QTemporaryDir dir;
    FileDialogSpec save{true, "Config Files (*.txt)|*.txt|All Files (*.*)|*.*||", "txt", true};
    AnswerNextModal([&](QWidget* w) {
        auto* d = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(d->nameFilters(), (QStringList{"Config Files (*.txt)", "All Files (*)"}));
        EXPECT_EQ(d->defaultSuffix(), "txt");
        EXPECT_FALSE(d->testOption(QFileDialog::DontConfirmOverwrite));
        d->setDirectory(dir.path());
        d->findChild<QLineEdit*>("fileNameEdit")->setText("settings"); // typed
        static_cast<QDialog*>(d)->accept(); // the file dialog's own accept adds the suffix
    });
    EXPECT_EQ(win.AskFileName(save), (dir.path() + "/settings.txt").toStdString());

    // Qt leaves the extension off when the working folder has a folder of the name typed; the
    // name still gets it, and replacing an existing file is still asked about.
    const QString cwd = QDir::currentPath();
    QTemporaryDir workingFolder;
    ASSERT_TRUE(QDir(workingFolder.path()).mkdir("settings"));
    QDir::setCurrent(workingFolder.path());
    QFile existing(dir.path() + "/settings.txt");
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    auto typeName = [&](QWidget* w) {
        auto* d = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(d, nullptr);
        d->findChild<QLineEdit*>("fileNameEdit")->setText("settings");
        static_cast<QDialog*>(d)->accept();
    };
    AnswerNextModal([&](QWidget* w) {
        typeName(w);
        AnswerNextModal([&](QWidget* q) { // "replace?" - no: the dialog opens again
            auto* box = qobject_cast<QMessageBox*>(q);
            ASSERT_NE(box, nullptr);
            EXPECT_NE(box->text().indexOf("settings.txt"), -1);
            box->button(QMessageBox::No)->click();
            AnswerNextModal([&](QWidget* again) {
                typeName(again);
                AnswerNextModal([](QWidget* q2) {
                    qobject_cast<QMessageBox*>(q2)->button(QMessageBox::Yes)->click();
                });
            });
        });
    });
    const auto replaced = win.AskFileName(save);
    QDir::setCurrent(cwd);
    EXPECT_EQ(replaced, (dir.path() + "/settings.txt").toStdString());

    AnswerNextModal(); // cancelled
    EXPECT_EQ(win.AskFileName(FileDialogSpec{}), std::nullopt);

    // A question: No is the default (Enter), Yes only when chosen.
    AnswerNextModal([](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
        QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_FALSE(win.AskYesNo("続けますか？", MsgIcon::Warning));
    AnswerNextModal(
        [](QWidget* w) { qobject_cast<QMessageBox*>(w)->button(QMessageBox::Yes)->click(); });
    EXPECT_TRUE(win.AskYesNo("続けますか？", MsgIcon::Warning));
}

class UrlCatcher : public QObject {
    Q_OBJECT
public slots:
    void Open(const QUrl& url) { urls << url; }

public:
    QList<QUrl> urls;
};

TEST_F(QtServicesTest, TheToolsFolderIsMadeAndShown) {
    QStandardPaths::setTestModeEnabled(true);
    const std::string folder = win.AppDataFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(QDir(QString::fromStdString(folder)).exists());

    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "Open");
    const QString backups = QString::fromStdString(folder) + "/backups";
    win.OpenFolder(backups.toStdString());
    QDesktopServices::unsetUrlHandler("file");
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls[0].toLocalFile(), backups);
    EXPECT_TRUE(QDir(backups).exists());
    QDir(QString::fromStdString(folder)).removeRecursively();
}

} // namespace
} // namespace hx::test

#include "QtWindowServicesTest.moc"
