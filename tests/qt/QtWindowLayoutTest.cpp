// What a person sees of the layout: no clipped text, nothing on top of something else.
#include "QtWindowAppFixture.h"
#include "QtWindowWidgets.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleOptionComboBox>

namespace hx::test {
namespace {

// The room a control's text needs, or 0 for controls without text of their own.
int NeededWidth(QWidget* w, const ControlDef& def) {
    const QFontMetrics fm = w->fontMetrics();
    if (auto* label = qobject_cast<QLabel*>(w); label && !label->text().isEmpty())
        return fm.horizontalAdvance(label->text());
    if (auto* check = qobject_cast<QCheckBox*>(w))
        return check->sizeHint().width();
    if (auto* button = qobject_cast<QPushButton*>(w))
        return fm.horizontalAdvance(button->text()) + 8;
    if (auto* list = qobject_cast<QComboBox*>(w)) {
        // Every item fits the closed list's text area.
        QStyleOptionComboBox opt;
        opt.initFrom(list);
        const int room =
            list->style()
                ->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, list)
                .width();
        int widest = 0;
        for (const auto& item : def.items)
            widest = std::max(widest, fm.horizontalAdvance(QString::fromStdString(item)));
        return widest + (list->width() - room);
    }
    return 0;
}

class QtLayoutTest : public QtAppTest {
protected:
    void SetUp() override { HX_SKIP_WITHOUT_FONTS(); }
};

TEST_F(QtLayoutTest, EveryTextFitsAndNoControlCoversAnother) {
    Open();
    // Every control with a text, the labels without ids too, in the order of the template.
    const QList<QWidget*> all = win.Dialog()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    const DialogTemplate& tpl = MainDialogTemplate();
    ASSERT_EQ(all.size(), static_cast<qsizetype>(tpl.controls.size()));
    const QRect client = win.Dialog()->rect();
    for (int i = 0; i < all.size(); ++i) {
        const ControlDef& def = tpl.controls[static_cast<size_t>(i)];
        QWidget* w = all[i];
        SCOPED_TRACE(def.caption + " " + std::to_string(def.id));
        EXPECT_TRUE(client.contains(w->geometry()));
        EXPECT_LE(NeededWidth(w, def), w->width());
        if (def.kind == ControlKind::GroupBox || (def.flags & kHidden))
            continue;
        for (int j = i + 1; j < all.size(); ++j) {
            const ControlDef& other = tpl.controls[static_cast<size_t>(j)];
            if (other.kind == ControlKind::GroupBox || (other.flags & kHidden))
                continue;
            EXPECT_FALSE(w->geometry().intersects(all[j]->geometry()))
                << "overlaps " << other.caption << " " << other.id;
        }
    }
    // Both meters are read against the one scale row between them.
    EXPECT_EQ(W(IDC_METER_A)->x(), W(IDC_METER_B)->x());
    EXPECT_EQ(W(IDC_METER_A)->width(), W(IDC_METER_B)->width());
}

// A rectangle of the template in pixels at 96 dpi: the template was drawn for a 9-point font
// whose dialog units are 1.5 pixels each way there.
QRect Du(double x, double y, double cx, double cy) {
    auto px = [](double du) { return static_cast<int>(du * 1.5 + 0.5); };
    return QRect(QPoint(px(x), px(y)), QPoint(px(x + cx) - 1, px(y + cy) - 1));
}

// The one child of the window that is a label, group box or check box with this text.
QWidget* ByText(QWidget* dialog, const QString& text, int nth = 0) {
    for (QWidget* w : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        QString t;
        if (auto* l = qobject_cast<QLabel*>(w))
            t = l->text();
        else if (auto* g = qobject_cast<QGroupBox*>(w))
            t = g->title();
        if (t == text && nth-- == 0)
            return w;
    }
    return nullptr;
}

TEST_F(QtLayoutTest, TheWindowKeepsTheTemplatesSizeAndPlaces) {
    Open();
    QWidget* d = win.Dialog();
    ASSERT_EQ(d->logicalDpiY(), 96);
    // 358 x 363 dialog units and the information row of 24: fits a 768-pixel screen with its
    // title bar and panel.
    const int r = 24; // everything below the top row moves down by the information row
    EXPECT_EQ(d->size(), Du(0, 0, 358, 363 + r).size());
    EXPECT_LE(d->height(), 600);

    const auto at = [&](QWidget* w, QRect expected, const char* what) {
        ASSERT_NE(w, nullptr) << what;
        EXPECT_EQ(w->geometry(), expected) << what;
    };
    at(W(IDC_INFO), Du(25, 23, 326, 21), "information field");
    at(ByText(d, "Ａ", 0), Du(7, 25 + r, 166, 155), "box A");
    at(ByText(d, "Ｂ", 0), Du(185, 22 + r, 166, 155), "box B");
    at(ByText(d, "Ａ", 1), Du(7, 267 + r, 166, 26), "lamp box A");
    at(ByText(d, "Ｂ", 1), Du(185, 267 + r, 166, 26), "lamp box B");
    at(W(IDC_METER_A), Du(54, 297 + r, 282, 15), "meter A");
    at(W(IDC_METER_B), Du(54, 325 + r, 282, 15), "meter B");
    const std::pair<const char*, int> scale[] = {
        {"-60dB", 44}, {"-40dB", 139}, {"-20dB", 232}, {"0dB", 330}};
    for (const auto& [text, x] : scale) {
        QWidget* w = ByText(d, text);
        ASSERT_NE(w, nullptr) << text;
        EXPECT_EQ(w->pos(), Du(x, 315 + r, 1, 1).topLeft()) << text;
    }
    for (int id : {IDC_PORT, IDC_RECEIVE})
        EXPECT_EQ(W(id)->y(), Du(0, 7, 1, 1).top()) << id;
    for (int id : {IDC_FACTORY, IDC_SEND, IDC_RESTART, IDC_SAVE, IDC_LOAD, IDOK, IDCANCEL})
        EXPECT_EQ(W(id)->y(), Du(0, 233 + r, 1, 1).top()) << id;
    EXPECT_EQ(W(IDC_MONITOR)->y(), Du(0, 251 + r, 1, 1).top());
    for (int id : {IDC_SERIAL, IDC_NEW_SERIAL})
        EXPECT_EQ(W(id)->y(), Du(0, 217 + r, 1, 1).top()) << id;
    for (int id : {IDC_SERIAL_LABEL, IDC_ARROW_LABEL})
        EXPECT_EQ(W(id)->y(), Du(0, 219 + r, 1, 1).top()) << id;
    // The common settings stand between the boxes and the button row, within y 186 to 220
    // below the information row.
    for (int id : {IDC_SIGNAL_ON, IDC_SIGNAL_OFF, IDC_NO_TX_TONE, IDC_NO_TX_NOISE, IDC_UNMOD_LIMIT,
                   IDC_CONT_LIMIT, IDC_MICGAIN, IDC_MIC_TXSEL, IDC_PRIORITY}) {
        EXPECT_GE(W(id)->y(), Du(0, 186 + r, 1, 1).top()) << id;
        EXPECT_LE(W(id)->y(), Du(0, 220 + r, 1, 1).top()) << id;
    }
    // The one exception: the averaged levels are 34 units wide, not 26, so that the widest
    // of them, "-126dB", is shown whole; the places are the template's.
    at(W(IDC_AVG_A), Du(7, 312 + r, 34, 14), "averaged level A");
    at(W(IDC_AVG_B), Du(7, 340 + r, 34, 14), "averaged level B");
    // Every field's up-down and unit line up with those of the fields above and below.
    EXPECT_EQ(W(IDC_UNMOD_LIMIT)->geometry().right(), W(IDC_CONT_LIMIT)->geometry().right());
    EXPECT_EQ(W(IDC_SIGNAL_ON)->geometry().right(), W(IDC_SIGNAL_OFF)->geometry().right());
}

TEST_F(QtLayoutTest, TabOrderFollowsTheScreen) {
    Open();
    QWidget* d = win.Dialog();
    for (int id : {IDC_SERIAL_LABEL, IDC_SERIAL, IDC_ARROW_LABEL, IDC_NEW_SERIAL})
        win.Show(id, true);
    for (int id : {IDC_SEND, IDC_RESTART, IDC_FACTORY, IDC_SAVE, IDC_LOAD, IDC_MONITOR})
        win.Enable(id, true);
    const QRect boxA = ByText(d, "Ａ")->geometry(), boxB = ByText(d, "Ｂ")->geometry();
    // Regions in the order the focus visits them: the top row, box A, box B, the rest.
    auto region = [&](QWidget* w) {
        if (boxA.contains(w->geometry()))
            return 1;
        if (boxB.contains(w->geometry()))
            return 2;
        return w->y() < boxB.top() ? 0 : 3;
    };
    auto idOf = [&](QWidget* x) {
        for (const ControlDef& def : MainDialogTemplate().controls)
            if (def.id >= 0 && W(def.id) == x)
                return def.id;
        return -1;
    };
    std::vector<QWidget*> order;
    QWidget* first = W(IDC_PORT);
    QWidget* w = first;
    do {
        if (w->parentWidget() == d && w->isVisible() && (w->focusPolicy() & Qt::TabFocus))
            order.push_back(w);
        w = w->nextInFocusChain();
    } while (w != first && order.size() < 200);
    ASSERT_GT(order.size(), 40u);
    for (size_t i = 1; i < order.size(); ++i) {
        QWidget* a = order[i - 1];
        QWidget* b = order[i];
        SCOPED_TRACE(std::to_string(idOf(a)) + " -> " + std::to_string(idOf(b)));
        ASSERT_LE(region(a), region(b));
        if (region(a) != region(b))
            continue;
        const bool sameRow = std::abs(a->geometry().center().y() - b->geometry().center().y()) < 6;
        if (sameRow)
            EXPECT_GT(b->x(), a->x());
        else
            EXPECT_GT(b->y(), a->y());
    }
}

TEST_F(QtLayoutTest, TheInformationFieldLooksReadOnlyAndAFocusedListShowsIt) {
    Open();
    const QPalette info = W(IDC_INFO)->palette();
    EXPECT_EQ(info.color(QPalette::Base), info.color(QPalette::Window));
    EXPECT_NE(qobject_cast<QLineEdit*>(W(IDC_DELAY_A))->palette().color(QPalette::Base),
              info.color(QPalette::Window));

    QWidget* list = W(IDC_PORT);
    const QColor highlight = list->palette().color(QPalette::Highlight);
    // A point in the list's text area, right of the short item, left of the arrow.
    auto marked = [&] {
        const QImage shown = list->grab().toImage();
        return QColor(shown.pixel(list->width() - 24, list->height() / 2)) == highlight;
    };
    win.SetFocus(IDC_DELAY_A);
    EXPECT_FALSE(marked());
    win.SetFocus(IDC_PORT);
    ASSERT_TRUE(list->hasFocus());
    EXPECT_TRUE(marked());
}

TEST_F(QtLayoutTest, TheHiddenRowsFitWhenShown) {
    Open();
    // The serial-number row and the monitor value fields take the place kept for them.
    for (int id :
         {IDC_SERIAL_LABEL, IDC_SERIAL, IDC_ARROW_LABEL, IDC_NEW_SERIAL, IDC_AVG_A, IDC_AVG_B})
        win.Show(id, true);
    win.SetText(IDC_SERIAL, "FFFFFFFE");
    win.SetText(IDC_NEW_SERIAL, "88888888");
    win.SetText(IDC_AVG_A, "-126dB");
    for (int id : {IDC_SERIAL, IDC_NEW_SERIAL, IDC_AVG_A}) {
        auto* edit = qobject_cast<QLineEdit*>(W(id));
        EXPECT_LE(edit->fontMetrics().horizontalAdvance(edit->text()) + 8, edit->width()) << id;
    }
    const QList<QWidget*> all = win.Dialog()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (int id :
         {IDC_SERIAL_LABEL, IDC_SERIAL, IDC_ARROW_LABEL, IDC_NEW_SERIAL, IDC_AVG_A, IDC_AVG_B}) {
        for (QWidget* other : all) {
            if (other == W(id) || qobject_cast<QGroupBox*>(other) || !other->isVisible())
                continue;
            EXPECT_FALSE(W(id)->geometry().intersects(other->geometry())) << id;
        }
    }
}

TEST_F(QtLayoutTest, TheAboutBoxShowsItsTextsWhole) {
    Open();
    int labels = 0;
    AnswerNextModal([&](QWidget* box) {
        for (auto* label : box->findChildren<QLabel*>()) {
            if (label->text().isEmpty())
                continue; // the icon
            ++labels;
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
                << label->text().toStdString();
            EXPECT_TRUE(box->rect().contains(label->geometry()));
        }
        if (const QString dir = qEnvironmentVariable("HX_SCREENSHOT_DIR"); !dir.isEmpty())
            box->grab().save(dir + "/about.png");
    });
    win.ShowModalBox(AboutDialogTemplate());
    EXPECT_EQ(labels, 2);
}

TEST_F(QtLayoutTest, TheFileDialogsSpeakJapanese) {
    Open();
    std::string folder;
    ASSERT_TRUE(InstallQtJapaneseTexts(folder)) << "no qtbase_ja.qm in " << folder;
    QStringList texts;
    AnswerNextModal([&](QWidget* box) {
        for (auto* b : box->findChildren<QAbstractButton*>())
            texts << b->text();
        for (auto* l : box->findChildren<QLabel*>())
            texts << l->text();
        if (const QString dir = qEnvironmentVariable("HX_SCREENSHOT_DIR"); !dir.isEmpty())
            box->grab().save(dir + "/file-dialog.png");
    });
    FileDialogSpec save;
    save.save = true;
    save.filter = "Config Files (*.txt)|*.txt|All Files (*.*)|*.*||";
    save.defaultExt = "txt";
    EXPECT_FALSE(win.AskFileName(save).has_value());
    const QString all = texts.join('|');
    // Qt's own English texts are gone: "Look in", "File name", "Save", "Cancel".
    for (const char* english : {"Look in:", "File name:", "&Save", "Cancel"})
        EXPECT_FALSE(texts.contains(english)) << english << " in " << all.toStdString();
    EXPECT_TRUE(all.contains("キャンセル")) << all.toStdString();
}

TEST_F(QtLayoutTest, Screenshot) {
    Open();
    const QString dir = qEnvironmentVariable("HX_SCREENSHOT_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "HX_SCREENSHOT_DIR not set";
    QDir().mkpath(dir);
    EXPECT_TRUE(win.Dialog()->grab().save(dir + "/start.png"));
    win.SetFocus(IDC_PORT);
    EXPECT_TRUE(W(IDC_PORT)->grab().save(dir + "/port-focus.png"));
    win.SetFocus(IDC_NO_TX_TONE);
    EXPECT_TRUE(W(IDC_NO_TX_TONE)->grab().save(dir + "/check-focus.png"));
}

} // namespace
} // namespace hx::test
