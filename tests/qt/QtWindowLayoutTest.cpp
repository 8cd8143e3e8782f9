// What a person sees of the layout: no clipped text, nothing on top of something else.
#include "platform/qt/QtWindowWidgets.h"
#include "tests/qt/QtWindowAppFixture.h"

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

class QtLayoutTest : public QtAppTest {};

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

TEST_F(QtLayoutTest, TheHiddenRowsFitWhenShown) {
    Open();
    // The serial-number row and the monitor value fields take the place kept for them.
    for (int id :
         {IDC_SERIAL_LABEL, IDC_SERIAL, IDC_ARROW_LABEL, IDC_NEW_SERIAL, IDC_AVG_A, IDC_AVG_B})
        win.Show(id, true);
    win.SetText(IDC_SERIAL, "FFFFFFFE");
    win.SetText(IDC_AVG_A, "-100dB");
    for (int id : {IDC_SERIAL, IDC_AVG_A}) {
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

TEST_F(QtLayoutTest, Screenshot) {
    Open();
    const QString dir = qEnvironmentVariable("HX_SCREENSHOT_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "HX_SCREENSHOT_DIR not set";
    QDir().mkpath(dir);
    EXPECT_TRUE(win.Dialog()->grab().save(dir + "/start.png"));
}

} // namespace
} // namespace hx::test
