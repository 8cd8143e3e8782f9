#include "QtWindow.h"

#include "QtWindowPictures.h"
#include "QtWindowWidgets.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSettings>
#include <QStandardPaths>
#include <QStyleOptionFrame>
#include <QTimer>
#include <QToolTip>
#include <QTranslator>
#include <QUrl>

#include <algorithm>

namespace hx {
namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}
std::string S(const QString& s) {
    return s.toStdString();
}

// The template names a Windows font. IPA P Gothic has the widths of the Windows fonts of its
// family, so that the template's texts fit as drawn; the other Japanese fonts of a Linux desktop
// follow, then the template's own.
QFont DialogFont(const DialogTemplate& tpl) {
    QFont font;
    font.setFamilies({"IPAPGothic", Q(tpl.font), "Noto Sans CJK JP", "Noto Sans JP", "IPAexGothic",
                      "IPAGothic", "VL PGothic", "VL Gothic"});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(tpl.pointSize > 0 ? tpl.pointSize : 9);
    return font;
}

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    return BaseUnitsForEm(QFontInfo(font).pixelSize());
}

// A group box's caption stands on its frame line, as on Windows, instead of above it: the
// template gives the box no room for a caption line of its own.
const char* const kGroupBoxStyle =
    "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 0.5em; }"
    "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
    " left: 0.5em; padding: 0 2px; }";

QRect ToQRect(const Rect& r) {
    return QRect(r.left, r.top, r.Width(), r.Height());
}

QMessageBox::Icon ToQtIcon(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::None:
        return QMessageBox::NoIcon;
    case MsgIcon::Warning:
        return QMessageBox::Warning;
    case MsgIcon::Error:
        return QMessageBox::Critical;
    case MsgIcon::Information:
        return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

// Counts up while alive: marks a stretch in which the window itself is at work.
class Depth {
public:
    explicit Depth(int& depth) : m_depth(depth) { ++m_depth; }
    ~Depth() { --m_depth; }
    Depth(const Depth&) = delete;
    Depth& operator=(const Depth&) = delete;

private:
    int& m_depth;
};

} // namespace

void PrepareQtDrawing() {
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
}

namespace {

// The few texts of Qt's file dialog that its Japanese translation leaves in English.
class MissingJapaneseTexts : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char* disambiguation,
                      int n) const override {
        (void)disambiguation;
        (void)n;
        if (!context || !source)
            return {};
        const QByteArray c(context), t(source);
        if (c == "QAbstractFileIconProvider" || c == "QFileIconProvider" ||
            c == "QFileSystemModel") {
            if (t == "Folder")
                return QStringLiteral("フォルダー");
            if (t == "Drive")
                return QStringLiteral("ドライブ");
            if (t == "File")
                return QStringLiteral("ファイル");
            if (t == "%1 File")
                return QStringLiteral("%1 ファイル");
        }
        return {};
    }
};

} // namespace

bool InstallQtJapaneseTexts(std::string& folder) {
    const QString path = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    folder = S(path);
    // One translator for the life of the application.
    static QTranslator* texts = nullptr;
    if (texts)
        return true;
    auto* candidate = new QTranslator(qApp);
    if (!candidate->load(QLocale(QLocale::Japanese, QLocale::Japan), "qtbase", "_", path)) {
        delete candidate;
        return false;
    }
    // Installed first, so asked last: Qt's own translation comes before it.
    QCoreApplication::installTranslator(new MissingJapaneseTexts(qApp));
    QCoreApplication::installTranslator(candidate);
    texts = candidate;
    return true;
}

QtWindow::QtWindow() = default;

QtWindow::~QtWindow() {
    QObject::disconnect(m_focusWatch);
    // The owner of the events may be gone already: nothing is delivered from here on.
    m_events = nullptr;
    Teardown();
}

// --- Building ---

QtDialogWidget* QtWindow::BuildDialog(const DialogTemplate& tpl, std::map<int, Control>& controls,
                                      DialogBaseUnits& base, bool mainWindow) {
    auto* dialog = new QtDialogWidget();
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint);
    dialog->setWindowTitle(Q(tpl.caption));
    dialog->setWindowIcon(AppIcon());
    const QFont font = DialogFont(tpl);
    if (mainWindow) {
        // One font for everything the window opens: its message boxes, tooltips, menus and
        // file dialogs take the application's font, not the desktop's.
        QApplication::setFont(font);
        QToolTip::setFont(font);
    }
    dialog->setFont(font);
    base = BaseUnitsOf(font);
    const Rect size = DialogUnitsToPixels(0, 0, tpl.cx, tpl.cy, base);
    dialog->setFixedSize(size.Width(), size.Height());

    QWidget* previous = nullptr;
    for (const ControlDef& def : tpl.controls) {
        QWidget* w = CreateControl(def, dialog, previous, mainWindow);
        QRect r = ToQRect(DialogUnitsToPixels(def.x, def.y, def.cx, def.cy, base));
        if (def.kind == ControlKind::DropList) {
            // The template's height is that of the opened list; closed, a list is as tall as
            // a field.
            r.setHeight(MulDivRound(12, base.y, 8));
        } else if (def.kind == ControlKind::UpDown) {
            // Attached to its field, at the field's right edge, as tall as the field.
            if (auto* buddy = static_cast<QtUpDown*>(w)->Buddy()) {
                const QRect b = buddy->geometry();
                r = QRect(b.right() + 1, b.top(), r.width(), b.height());
            }
        }
        w->setGeometry(r);
        if (def.flags & kHidden)
            w->setVisible(false);
        if (def.id >= 0)
            controls[def.id] = Control{def, w};
        previous = w;
    }
    return dialog;
}

QWidget* QtWindow::CreateControl(const ControlDef& def, QWidget* parent, QWidget* previous,
                                 bool mainWindow) {
    const int id = def.id;
    const QString caption = Q(def.caption);
    switch (def.kind) {
    case ControlKind::PushButton: {
        auto* b = new QPushButton(caption, parent);
        b->setAutoDefault(true);
        if (def.flags & kDefaultButton)
            b->setDefault(true);
        QObject::connect(b, &QPushButton::clicked, b, [this, b, id, mainWindow] {
            if (!mainWindow) {
                // A box's buttons just end it.
                if (auto* box = qobject_cast<QDialog*>(b->window()))
                    box->done(id);
                return;
            }
            // "OK" (1) ends the dialog, the close button (2) once the window agrees; neither
            // reads the fields.
            if (id == 1)
                EndDialog(id);
            else if (id == 2)
                RequestClose();
            else
                Deliver(id, Notify::Clicked);
        });
        return b;
    }
    case ControlKind::CheckBox: {
        auto* c = new QCheckBox(caption, parent);
        const bool automatic = (def.flags & kAutoCheckBox) != 0;
        QObject::connect(c, &QCheckBox::clicked, c, [this, c, id, automatic](bool checked) {
            if (!automatic) {
                // A plain check box does not toggle itself; its owner sets it.
                const QSignalBlocker block(c);
                c->setChecked(!checked);
            }
            Deliver(id, Notify::Clicked);
        });
        return c;
    }
    case ControlKind::DropList: {
        auto* list = new QtDropList(parent);
        for (const auto& item : def.items)
            list->addItem(Q(item));
        list->setCurrentIndex(-1);
        list->onDropDown = [this, id] { Deliver(id, Notify::DropDown); };
        QObject::connect(list, &QComboBox::activated, list,
                         [this, id](int) { Deliver(id, Notify::SelChange); });
        return list;
    }
    case ControlKind::Edit: {
        if ((def.flags & kMultiLine) && (def.flags & kReadOnly)) {
            // A read-only text of several lines: it wraps at the field's width, has the
            // window's colour and takes the focus like a field (Tab moves on).
            auto* text = new QPlainTextEdit(parent);
            text->setReadOnly(true);
            text->setTabChangesFocus(true);
            text->setFocusPolicy(Qt::StrongFocus);
            text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
            text->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
            text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            text->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
            text->document()->setDocumentMargin(1);
            QPalette pal = text->palette();
            pal.setColor(QPalette::Base, pal.color(QPalette::Window));
            text->setPalette(pal);
            return text;
        }
        auto* edit = new QLineEdit(parent);
        if (def.flags & kReadOnly) {
            // Read-only fields have the window's colour, as on Windows: nothing to type into.
            edit->setReadOnly(true);
            QPalette pal = edit->palette();
            pal.setColor(QPalette::Base, pal.color(QPalette::Window));
            edit->setPalette(pal);
        }
        if (def.flags & kDigitsOnly)
            edit->setValidator(new QRegularExpressionValidator(
                QRegularExpression(QStringLiteral("[0-9]*")), edit));
        if (def.flags & kUpperCase) {
            QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
                const QString upper = text.toUpper();
                if (upper != text) {
                    const int cursor = edit->cursorPosition();
                    edit->setText(upper);
                    edit->setCursorPosition(cursor);
                }
            });
        }
        return edit;
    }
    case ControlKind::UpDown: {
        auto* spin = new QtUpDown(parent);
        spin->SetBuddy(qobject_cast<QLineEdit*>(previous));
        return spin;
    }
    case ControlKind::GroupBox: {
        auto* group = new QGroupBox(caption, parent);
        group->setFocusPolicy(Qt::NoFocus);
        group->setStyleSheet(QString::fromLatin1(kGroupBoxStyle));
        return group;
    }
    case ControlKind::Lamp: {
        auto* lamp = new QLabel(parent);
        lamp->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return lamp;
    }
    case ControlKind::Meter:
        return new QtMeterWidget(parent);
    case ControlKind::Icon: {
        auto* icon = new QLabel(parent);
        icon->setPixmap(QPixmap::fromImage(AppIconPicture(32)));
        icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return icon;
    }
    case ControlKind::Label:
        break;
    }
    auto* label = new QLabel(caption, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

bool QtWindow::Start(const DialogTemplate& tpl, IWindowEvents& events) {
    Teardown();
    if (!m_focusWatch)
        m_focusWatch =
            QObject::connect(qApp, &QApplication::focusChanged, qApp,
                             [this](QWidget* old, QWidget* now) { OnFocusChanged(old, now); });
    ++m_run;
    m_dialog = BuildDialog(tpl, m_controls, m_base, true);
    m_caption = tpl.caption;
    m_dialog->onCancel = [this] { RequestClose(); };
    m_dialog->onContextMenu = [this](const QPoint& pos) { ShowContextMenu(pos); };
    AddMenuAction(kOpenBackupsCommand, "バックアップフォルダを開く");
    m_events = &events;
    m_ended = false;
    m_result = -1;
    const int ready = events.OnInitDialog();
    if (m_ended)
        return false;
    if (ready)
        FocusFirstControl();
    return true;
}

bool QtWindow::Open(const DialogTemplate& tpl, IWindowEvents& events) {
    if (!Start(tpl, events))
        return false;
    m_dialog->show();
    m_dialog->activateWindow();
    return true;
}

int QtWindow::RunModal(const DialogTemplate& tpl, IWindowEvents& events) {
    if (!Start(tpl, events))
        return m_result;
    const int result = m_dialog->exec();
    if (!m_ended)
        EndDialog(result);
    return m_result;
}

void QtWindow::EndDialog(int result) {
    if (m_ended)
        return;
    m_ended = true;
    m_result = result;
    for (auto& [id, timer] : m_timers)
        timer->stop();
    IWindowEvents* events = m_events;
    if (events)
        events->OnDestroy();
    // Nothing reaches the system's objects from here on: they go away after the run.
    m_events = nullptr;
    for (auto& [id, c] : m_controls)
        if (auto* meter = dynamic_cast<QtMeterWidget*>(c.widget))
            meter->SetPainter(nullptr);
    if (m_dialog)
        m_dialog->done(result);
}

void QtWindow::RequestClose() {
    if (m_ended || m_closeAsked > 0)
        return;
    bool agreed = true;
    if (m_events) {
        const Depth asking(m_closeAsked);
        agreed = m_events->OnClose();
    }
    if (agreed)
        EndDialog(2);
}

void QtWindow::Teardown() {
    // An earlier run that was not ended goes without a word: its owner may be gone.
    m_events = nullptr;
    m_ended = true;
    m_timers.clear();
    m_menu.clear();
    m_controls.clear();
    m_parkedFrom = 0;
    delete m_dialog.data();
    m_dialog = nullptr;
}

void QtWindow::FocusFirstControl() {
    // The framework puts the focus on the first control that can take it.
    const Depth mute(m_muteFocus);
    QWidget* first = nullptr;
    for (QWidget* w = m_dialog->nextInFocusChain(); w && w != m_dialog; w = w->nextInFocusChain()) {
        if (w->isWindow() || !w->isEnabled() || !w->isVisibleTo(m_dialog) ||
            !(w->focusPolicy() & Qt::TabFocus))
            continue;
        first = w;
        break;
    }
    if (first)
        first->setFocus(Qt::TabFocusReason);
}

// --- Finding controls ---

const QtWindow::Control* QtWindow::Find(int id) const {
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : &it->second;
}

QWidget* QtWindow::Widget(int id) const {
    const Control* c = Find(id);
    return c ? c->widget : nullptr;
}

QDialog* QtWindow::Dialog() const {
    return m_dialog.data();
}

int QtWindow::IdOf(const QWidget* w) const {
    for (; w && w != m_dialog; w = w->parentWidget()) {
        for (const auto& [id, c] : m_controls)
            if (c.widget == w)
                return id;
    }
    return 0;
}

// --- Focus ---

bool QtWindow::HasFocusWithin(const QWidget* w) const {
    const QWidget* f = m_dialog ? m_dialog->focusWidget() : nullptr;
    return f && (f == w || w->isAncestorOf(f));
}

// A control that is disabled or hidden while it has the focus keeps it, as on Windows: the
// window holds the focus for it (so that Qt does not hand it to the next control, where Enter
// might close the window) and gives it back when the control is usable again.
void QtWindow::ParkFocus(int id) {
    const Depth mute(m_muteFocus);
    m_dialog->setFocus(Qt::OtherFocusReason);
    m_parkedFrom = id;
}

void QtWindow::ReturnParkedFocus(int id) {
    if (m_parkedFrom != id)
        return;
    m_parkedFrom = 0;
    QWidget* w = Widget(id);
    if (w && m_dialog && m_dialog->focusWidget() == m_dialog && w->isEnabled() &&
        w->isVisibleTo(m_dialog)) {
        const Depth mute(m_muteFocus);
        w->setFocus(Qt::OtherFocusReason);
    }
}

void QtWindow::OnFocusChanged(QWidget* old, QWidget* now) {
    if (!m_events || m_ended || !m_dialog || m_muteFocus > 0 || m_modalDepth > 0)
        return;
    if (old == m_dialog.data() || now != m_dialog.data())
        m_parkedFrom = 0; // the focus moved on by other means
    const int oldId = IdOf(old);
    const Control* c = Find(oldId);
    if (!c || c->def.kind != ControlKind::Edit)
        return;
    // A kill-focus handler that moves the focus (a refused field takes it back) sends no
    // further kill-focus notification: the framework locks notifications out while the
    // handler's data exchange runs.
    if (m_killFocusDepth > 0)
        return;
    const int newId = (now == m_dialog.data()) ? 0 : IdOf(now);
    const Depth inside(m_killFocusDepth);
    Deliver(oldId, Notify::KillFocus, newId);
}

void QtWindow::SetFocus(int id) {
    if (QWidget* w = Widget(id))
        w->setFocus(Qt::OtherFocusReason);
}

int QtWindow::GetFocus() const {
    const QWidget* f = QApplication::focusWidget();
    if (!f || !m_dialog)
        return 0;
    if (f == m_dialog.data())
        return m_parkedFrom;
    return IdOf(f);
}

void QtWindow::Deliver(int id, Notify code, int newFocusId) {
    if (!m_events || m_ended)
        return;
    m_events->OnCommand(id, code, newFocusId);
}

// --- Window ---

void QtWindow::SetTitle(const std::string& title) {
    if (m_dialog)
        m_dialog->setWindowTitle(Q(title));
}

std::string QtWindow::GetTitle() const {
    return m_dialog ? S(m_dialog->windowTitle()) : std::string();
}

// --- Controls ---

void QtWindow::SetText(int id, const std::string& text) {
    QWidget* w = Widget(id);
    if (auto* lines = qobject_cast<QPlainTextEdit*>(w)) {
        // The tooltip holds the whole current text (the field's own while it is empty).
        if (!lines->property("hxRegisteredTip").isValid())
            lines->setProperty("hxRegisteredTip", lines->toolTip());
        if (lines->toPlainText() != Q(text))
            lines->setPlainText(Q(text));
        lines->setToolTip(text.empty() ? lines->property("hxRegisteredTip").toString() : Q(text));
        return;
    }
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        if (edit->isReadOnly()) {
            ShowWholeOrShortened(edit, text);
            return;
        }
        edit->setText(Q(text));
        edit->setCursorPosition(0); // a long text shows from its beginning
    } else if (auto* list = qobject_cast<QComboBox*>(w)) {
        list->setCurrentIndex(list->findText(Q(text), Qt::MatchExactly));
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->setText(Q(text));
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
        group->setTitle(Q(text));
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setText(Q(text));
    }
}

// A read-only field shows an outcome: a port path too long for it is shortened in its middle
// so that the end of the message stays in sight, and the whole text is its tooltip then.
void QtWindow::ShowWholeOrShortened(QLineEdit* edit, const std::string& text) {
    const char* const kWhole = "hxWholeText";
    const char* const kTip = "hxRegisteredTip";
    if (!edit->property(kTip).isValid())
        edit->setProperty(kTip, edit->toolTip());
    const QFontMetrics fm(edit->font());
    const QMargins m = edit->textMargins();
    // The room the line edit leaves its text: its frame and a margin of 2 pixels each side.
    QStyleOptionFrame opt;
    opt.initFrom(edit);
    opt.lineWidth =
        edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit) : 0;
    const QRect inner = edit->style()->subElementRect(QStyle::SE_LineEditContents, &opt, edit);
    const int room = inner.width() - m.left() - m.right() - 4;
    const std::string shown = ShortenPathsToFit(
        text, [&fm](const std::string& t) { return fm.horizontalAdvance(Q(t)); }, room);
    edit->setProperty(kWhole, Q(text));
    edit->setText(Q(shown));
    edit->setCursorPosition(0);
    edit->setToolTip(shown == text ? edit->property(kTip).toString() : Q(text));
}

std::string QtWindow::GetText(int id) const {
    QWidget* w = Widget(id);
    if (auto* lines = qobject_cast<QPlainTextEdit*>(w))
        return S(lines->toPlainText());
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        if (const QVariant whole = edit->property("hxWholeText"); whole.isValid())
            return S(whole.toString());
        return S(edit->text());
    }
    if (auto* list = qobject_cast<QComboBox*>(w))
        return S(list->currentText());
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        return S(button->text());
    if (auto* group = qobject_cast<QGroupBox*>(w))
        return S(group->title());
    if (auto* label = qobject_cast<QLabel*>(w))
        return S(label->text());
    return {};
}

void QtWindow::Enable(int id, bool enable) {
    QWidget* w = Widget(id);
    if (!w)
        return;
    if (!enable && HasFocusWithin(w))
        ParkFocus(id);
    w->setEnabled(enable);
    if (enable)
        ReturnParkedFocus(id);
}

bool QtWindow::IsEnabled(int id) const {
    QWidget* w = Widget(id);
    return w && w->isEnabled();
}

void QtWindow::Show(int id, bool show) {
    QWidget* w = Widget(id);
    if (!w)
        return;
    if (!show && HasFocusWithin(w))
        ParkFocus(id);
    w->setVisible(show);
    if (show)
        ReturnParkedFocus(id);
}

bool QtWindow::IsVisible(int id) const {
    QWidget* w = Widget(id);
    return w && w->isVisibleTo(m_dialog);
}

void QtWindow::SetCheck(int id, int state) {
    if (auto* c = qobject_cast<QCheckBox*>(Widget(id)))
        c->setChecked(state != 0);
}

int QtWindow::GetCheck(int id) const {
    auto* c = qobject_cast<QCheckBox*>(Widget(id));
    return c && c->isChecked() ? 1 : 0;
}

void QtWindow::SelectAllText(int id) {
    if (auto* edit = qobject_cast<QLineEdit*>(Widget(id)))
        edit->selectAll();
}

// --- Lists ---

void QtWindow::ListReset(int id) {
    if (auto* list = qobject_cast<QComboBox*>(Widget(id)))
        list->clear();
}

int QtWindow::ListAdd(int id, const std::string& text) {
    auto* list = qobject_cast<QComboBox*>(Widget(id));
    if (!list)
        return -1;
    return ListInsert(id, list->count(), text);
}

int QtWindow::ListInsert(int id, int index, const std::string& text) {
    auto* list = qobject_cast<QComboBox*>(Widget(id));
    if (!list)
        return -1;
    if (index < 0 || index > list->count())
        index = list->count();
    const int selected = list->currentIndex();
    list->insertItem(index, Q(text));
    // A list without a selection keeps none (Qt would select the first item added).
    if (selected < 0)
        list->setCurrentIndex(-1);
    return index;
}

int QtWindow::ListCount(int id) const {
    auto* list = qobject_cast<QComboBox*>(Widget(id));
    return list ? list->count() : 0;
}

std::string QtWindow::ListText(int id, int index) const {
    auto* list = qobject_cast<QComboBox*>(Widget(id));
    if (!list || index < 0 || index >= list->count())
        return {};
    return S(list->itemText(index));
}

void QtWindow::ListSelect(int id, int index) {
    auto* list = qobject_cast<QComboBox*>(Widget(id));
    if (!list)
        return;
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

namespace {

// A list's tooltip: its own, then the selected item's.
void ShowSelectedItemTip(QComboBox* list) {
    const QString own = list->property("hxRegisteredTip").toString();
    const QString item = list->itemData(list->currentIndex(), Qt::ToolTipRole).toString();
    list->setToolTip(item.isEmpty() ? own : own.isEmpty() ? item : own + "\n" + item);
}

} // namespace

void QtWindow::ListSetItemTip(int id, int index, const std::string& tip) {
    auto* list = qobject_cast<QComboBox*>(Widget(id));
    if (!list || index < 0 || index >= list->count())
        return;
    list->setItemData(index, Q(tip), Qt::ToolTipRole);
    if (!list->property("hxItemTips").isValid()) {
        list->setProperty("hxItemTips", true);
        QObject::connect(list, &QComboBox::currentIndexChanged, list,
                         [list](int) { ShowSelectedItemTip(list); });
    }
    ShowSelectedItemTip(list);
}

int QtWindow::ListSelection(int id) const {
    auto* list = qobject_cast<QComboBox*>(Widget(id));
    return list ? list->currentIndex() : -1;
}

// --- Up-down controls, lamps, meters, tooltips ---

void QtWindow::SetUpDownRange(int id, int lowest, int highest, int step) {
    if (auto* spin = dynamic_cast<QtUpDown*>(Widget(id)))
        spin->SetRange(lowest, highest, step);
}

void QtWindow::SetLamp(int id, LampImage image) {
    auto* lamp = qobject_cast<QLabel*>(Widget(id));
    if (!lamp)
        return;
    // The monitor sets lamps with every status frame that changes one: the pictures are drawn
    // once, and a lamp that shows its picture already is left alone.
    const QVariant shown = lamp->property("hxLamp");
    if (shown.isValid() && shown.toInt() == static_cast<int>(image))
        return;
    lamp->setProperty("hxLamp", static_cast<int>(image));
    if (image == LampImage::None) {
        lamp->clear();
        return;
    }
    static std::map<LampImage, QPixmap> pictures;
    auto it = pictures.find(image);
    if (it == pictures.end())
        it = pictures.emplace(image, QPixmap::fromImage(LampPicture(image))).first;
    lamp->setPixmap(it->second);
}

void QtWindow::AttachOwnerDraw(int id, IOwnerDraw* painter) {
    if (auto* meter = dynamic_cast<QtMeterWidget*>(Widget(id)))
        meter->SetPainter(painter);
}

void QtWindow::RedrawNow(int id) {
    QWidget* w = Widget(id);
    if (auto* meter = dynamic_cast<QtMeterWidget*>(w))
        meter->RedrawNow();
    else if (w)
        w->update(); // shown with the window's next paint
}

bool QtWindow::AddTooltip(int id, const std::string& text) {
    QWidget* w = Widget(id);
    if (!w)
        return false;
    w->setToolTip(Q(text));
    w->setProperty("hxRegisteredTip", Q(text));
    return true;
}

// --- The system menu's stand-in: a context menu and F1 ---

void QtWindow::AddMenuAction(unsigned id, const std::string& text) {
    auto* action = new QAction(Q(text), m_dialog);
    QObject::connect(action, &QAction::triggered, m_dialog, [this, id] { RunSysCommand(id); });
    m_dialog->addAction(action);
    // The system menu's entries come before the window's own.
    auto at = std::find_if(m_menu.begin(), m_menu.end(),
                           [](QAction* a) { return a->data().toUInt() == kOpenBackupsCommand; });
    action->setData(id);
    if (id == kOpenBackupsCommand)
        m_menu.push_back(action);
    else
        m_menu.insert(at, action);
}

void QtWindow::AppendSystemMenuItem(unsigned id, const std::string& text) {
    if (!m_dialog)
        return;
    const bool first = std::none_of(m_menu.begin(), m_menu.end(), [](QAction* a) {
        return a->data().toUInt() != kOpenBackupsCommand;
    });
    AddMenuAction(id, text);
    if (first) {
        // The first entry of the system menu (the About box) is also on F1.
        for (QAction* a : m_menu)
            if (a->data().toUInt() == id) {
                a->setShortcut(QKeySequence(Qt::Key_F1));
                a->setShortcutContext(Qt::WindowShortcut);
            }
    }
}

QList<QAction*> QtWindow::MenuActions() const {
    return QList<QAction*>(m_menu.begin(), m_menu.end());
}

void QtWindow::ShowContextMenu(const QPoint& globalPos) {
    if (m_ended)
        return;
    QMenu menu(m_dialog);
    for (QAction* a : m_menu) {
        if (a->data().toUInt() == kOpenBackupsCommand && !menu.actions().isEmpty())
            menu.addSeparator();
        menu.addAction(a);
    }
    const Depth modal(m_modalDepth);
    menu.exec(globalPos);
}

void QtWindow::RunSysCommand(unsigned id) {
    if (!m_events || m_ended)
        return;
    m_events->OnSysCommand(id);
}

void QtWindow::ShowModalBox(const DialogTemplate& tpl) {
    std::map<int, Control> controls;
    DialogBaseUnits base;
    QtDialogWidget* box = BuildDialog(tpl, controls, base, false);
    box->setParent(m_dialog, box->windowFlags());
    box->onCancel = [box] { box->done(2); };
    const Depth modal(m_modalDepth);
    box->exec();
    delete box;
}

// --- Timers and posted events ---

void QtWindow::SetTimer(unsigned id, unsigned periodMs) {
    if (!m_dialog || m_ended)
        return;
    QTimer*& timer = m_timers[id];
    if (!timer) {
        timer = new QTimer(m_dialog);
        timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer, &QTimer::timeout, m_dialog, [this, id] {
            if (m_events && !m_ended)
                m_events->OnTimer(id);
        });
    }
    timer->start(static_cast<int>(std::clamp(periodMs, 1u, 0x7FFFFFFFu)));
}

void QtWindow::KillTimer(unsigned id) {
    const auto it = m_timers.find(id);
    if (it != m_timers.end())
        it->second->stop();
}

void QtWindow::PostCommEvent(unsigned event, long tag) {
    if (!m_dialog || m_ended)
        return;
    const unsigned run = m_run;
    QMetaObject::invokeMethod(
        m_dialog,
        [this, run, event, tag] {
            if (run == m_run && m_events && !m_ended)
                m_events->OnCommEvent(event, tag);
        },
        Qt::QueuedConnection);
}

// --- Boxes and dialogs ---

void QtWindow::MessageBox(const std::string& text, MsgIcon icon) {
    m_messages.push_back(text);
    QMessageBox box(ToQtIcon(icon), Q(m_caption), Q(text), QMessageBox::Ok, m_dialog);
    {
        const Depth modal(m_modalDepth);
        box.exec();
    }
    if (m_dialog && m_dialog->isVisible())
        m_dialog->activateWindow();
}

bool QtWindow::AskYesNo(const std::string& text, MsgIcon icon, Question) {
    m_messages.push_back(text);
    QMessageBox box(ToQtIcon(icon), Q(m_caption), Q(text), QMessageBox::Yes | QMessageBox::No,
                    m_dialog);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    int answer = 0;
    {
        const Depth modal(m_modalDepth);
        answer = box.exec();
    }
    if (m_dialog && m_dialog->isVisible())
        m_dialog->activateWindow();
    return answer == QMessageBox::Yes;
}

bool QtWindow::IsShiftDown() const {
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
}

bool QtWindow::IsCtrlDown() const {
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
}

std::optional<std::string> QtWindow::AskFileName(const FileDialogSpec& request) {
    QFileDialog dialog(m_dialog);
    dialog.setWindowTitle(request.save ? QStringLiteral("名前を付けて保存")
                                       : QStringLiteral("開く"));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    QStringList filters;
    for (const auto& entry : ParseFileFilter(request.filter))
        filters << Q(QtFilterText(entry));
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    if (!request.defaultExt.empty())
        dialog.setDefaultSuffix(Q(request.defaultExt));
    // The folder of the last file, else the user's documents (not the program's working
    // folder, which a desktop start leaves anywhere).
    // The folder is remembered between runs in a file of the window's own, beside the stored
    // preferences (which another component owns and writes under its lock).
    QSettings remembered(QSettings::IniFormat, QSettings::UserScope, "QORVA",
                         "HX-5310-Config-Window");
    QString folder = m_lastFolder;
    if (folder.isEmpty())
        folder = remembered.value("FileDialog/Folder").toString();
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    dialog.setDirectory(folder);
    // Wide enough at its first size for the name, size, type and date columns.
    dialog.resize(std::max(dialog.sizeHint().width(), 720),
                  std::max(dialog.sizeHint().height(), 420));
    for (;;) {
        int accepted = 0;
        {
            const Depth modal(m_modalDepth);
            accepted = dialog.exec();
        }
        if (m_dialog && m_dialog->isVisible())
            m_dialog->activateWindow();
        const QStringList files = dialog.selectedFiles();
        if (accepted != QDialog::Accepted || files.isEmpty())
            return std::nullopt;
        std::string path = S(files.first());
        if (request.save) {
            // The dialog leaves the extension off when the name typed is also the name of a
            // folder in the program's working folder; it is added here, and the question
            // whether to replace an existing file is asked for the name actually used.
            const std::string full = WithDefaultExtension(path, request.defaultExt);
            if (full != path && request.confirmOverwrite && QFileInfo::exists(Q(full))) {
                QMessageBox ask(QMessageBox::Warning, dialog.windowTitle(),
                                QStringLiteral("%1 は既に存在します。\n上書きしますか?")
                                    .arg(QFileInfo(Q(full)).fileName()),
                                QMessageBox::Yes | QMessageBox::No, m_dialog);
                ask.setDefaultButton(QMessageBox::No);
                int answer = 0;
                {
                    const Depth modal(m_modalDepth);
                    answer = ask.exec();
                }
                if (answer != QMessageBox::Yes)
                    continue; // choose again
            }
            path = full;
        }
        m_lastFolder = QFileInfo(Q(path)).absolutePath();
        remembered.setValue("FileDialog/Folder", m_lastFolder);
        remembered.sync();
        return path;
    }
}

std::string QtWindow::AppDataFolder() const {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return {};
    return S(folder);
}

void QtWindow::OpenFolder(const std::string& path) {
    const QString folder = Q(path);
    // A folder that does not exist yet (no backup made so far) is made, so that it can be shown.
    const bool there = !folder.isEmpty() && QDir().mkpath(folder);
    if (there && QDesktopServices::openUrl(QUrl::fromLocalFile(folder)))
        return;
    QMessageBox box(QMessageBox::Information, Q(m_caption),
                    QStringLiteral("フォルダを開けませんでした。\n%1").arg(folder), QMessageBox::Ok,
                    m_dialog);
    const Depth modal(m_modalDepth);
    box.exec();
}

} // namespace hx
