#include "QtWindowWidgets.h"

#include "QtWindowRules.h"

#include <QAbstractItemView>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>

namespace hx {

QtDialogWidget::QtDialogWidget(QWidget* parent) : QDialog(parent) {}

int QtDialogWidget::FrameMs() const {
    const QScreen* s = screen();
    const double hz = s ? s->refreshRate() : 0.0;
    // A screen that reports no rate, or an unlikely one, is taken as the usual 60 Hz.
    const double rate = hz >= 24.0 && hz <= 500.0 ? hz : 60.0;
    return std::max(1, static_cast<int>(1000.0 / rate));
}

bool QtDialogWidget::event(QEvent* event) {
    if (event->type() == QEvent::UpdateRequest) {
        // Qt asks for one paint of everything that changed; one that comes too soon after the
        // last paint is held back and asked for again when its time has come (the changes
        // meanwhile join it).
        const int frame = FrameMs();
        if (m_sincePaint.isValid() && m_sincePaint.elapsed() < frame) {
            if (!m_paintPending) {
                m_paintPending = true;
                QTimer::singleShot(static_cast<int>(frame - m_sincePaint.elapsed()),
                                   Qt::PreciseTimer, this, [this] {
                                       m_paintPending = false;
                                       QCoreApplication::postEvent(
                                           this, new QEvent(QEvent::UpdateRequest),
                                           Qt::LowEventPriority);
                                   });
            }
            return true;
        }
        m_sincePaint.start();
        ++m_paints;
    }
    return QDialog::event(event);
}

void QtDialogWidget::reject() {
    if (onCancel)
        onCancel();
    else
        QDialog::reject();
}

void QtDialogWidget::contextMenuEvent(QContextMenuEvent* event) {
    if (onContextMenu) {
        onContextMenu(event->globalPos());
        event->accept();
    } else {
        QDialog::contextMenuEvent(event);
    }
}

QtDropList::QtDropList(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    setFocusPolicy(Qt::StrongFocus);
}

void QtDropList::wheelEvent(QWheelEvent* event) {
    if (hasFocus())
        QComboBox::wheelEvent(event);
    else
        event->ignore();
}

void QtDropList::showPopup() {
    if (onDropDown)
        onDropDown();
    QAbstractItemView* list = view();
    const int needed = list->sizeHintForColumn(0) + 2 * list->frameWidth() +
                       style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 8;
    list->setMinimumWidth(std::max(width(), needed));
    QComboBox::showPopup();
}

void QtDropList::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    painter.drawComplexControl(QStyle::CC_ComboBox, opt);
    const QRect text =
        style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
    opt.currentText = fontMetrics().elidedText(opt.currentText, Qt::ElideMiddle, text.width());
    if (hasFocus() && isEnabled()) {
        // A focused list shows its item highlighted, as the window system's drop-down lists
        // do: the style alone marks the focus too faintly to be seen.
        painter.fillRect(text.adjusted(0, 1, 0, -1), palette().color(QPalette::Highlight));
        const QColor on = palette().color(QPalette::HighlightedText);
        painter.setPen(on);
        for (auto role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText})
            opt.palette.setColor(role, on);
    }
    painter.drawControl(QStyle::CE_ComboBoxLabel, opt);
}

namespace {
// The window system's timing of a held arrow: the first repeat after 500 ms, then every 50 ms.
constexpr int kRepeatDelayMs = 500;
constexpr int kRepeatIntervalMs = 50;
} // namespace

QtUpDown::QtUpDown(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    auto makeArrow = [this](Qt::ArrowType type, int direction) {
        auto* b = new QToolButton(this);
        b->setArrowType(type);
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRepeat(true);
        b->setAutoRepeatDelay(kRepeatDelayMs);
        b->setAutoRepeatInterval(kRepeatIntervalMs);
        b->setAutoRaise(false);
        connect(b, &QToolButton::pressed, this, [this, direction] { OnArrow(direction); });
        connect(b, &QToolButton::released, this, [this, b] {
            if (!b->isDown())
                m_heldDirection = 0; // let go (the repeats release while still held down)
        });
        return b;
    };
    m_up = makeArrow(Qt::UpArrow, +1);
    m_down = makeArrow(Qt::DownArrow, -1);
}

void QtUpDown::SetBuddy(QLineEdit* buddy) {
    if (m_buddy)
        m_buddy->removeEventFilter(this);
    m_buddy = buddy;
    if (m_buddy)
        m_buddy->installEventFilter(this);
    FollowBuddyEnabled();
}

void QtUpDown::SetRange(int lowest, int highest, int step) {
    m_lowest = lowest;
    m_highest = highest;
    m_step = step < 1 ? 1 : step;
    m_position = std::clamp(m_position, std::min(lowest, highest), std::max(lowest, highest));
}

void QtUpDown::Press(int direction, long long heldMs) {
    if (!m_buddy)
        return;
    const std::string text = m_buddy->text().toStdString();
    const int from = ParseUpDownText(text).value_or(m_position);
    const int delta = direction * UpDownIncrement(m_step, heldMs);
    const int to = UpDownStep(text, m_position, m_lowest, m_highest, delta);
    m_position = to;
    if (to != from)
        m_buddy->setText(QString::number(to));
}

void QtUpDown::OnArrow(int direction) {
    if (!m_buddy || !m_buddy->isEnabled())
        return;
    if (m_heldDirection != direction) {
        // A new press: the field takes the focus, as a click on its arrows gives it.
        m_heldDirection = direction;
        m_held.start();
        if (!m_buddy->hasFocus())
            m_buddy->setFocus(Qt::OtherFocusReason);
    }
    Press(direction, m_held.elapsed());
}

bool QtUpDown::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_buddy) {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            const int direction = key->key() == Qt::Key_Up     ? +1
                                  : key->key() == Qt::Key_Down ? -1
                                                               : 0;
            if (direction != 0 && key->modifiers() == Qt::NoModifier) {
                if (isEnabled() && m_buddy->isEnabled() && !m_buddy->isReadOnly())
                    Press(direction, 0);
                return true;
            }
        } else if (event->type() == QEvent::EnabledChange) {
            FollowBuddyEnabled();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void QtUpDown::FollowBuddyEnabled() {
    const bool on = !m_buddy || m_buddy->isEnabled();
    m_up->setEnabled(on);
    m_down->setEnabled(on);
}

void QtUpDown::resizeEvent(QResizeEvent*) {
    const int h = height(), w = width();
    m_up->setGeometry(0, 0, w, h / 2);
    m_down->setGeometry(0, h / 2, w, h - h / 2);
}

void QtImageCanvas::FillRect(const Rect& r, Rgb colour) {
    const QRect area = QRect(r.left, r.top, r.Width(), r.Height()).intersected(m_image.rect());
    if (area.isEmpty())
        return;
    // Straight into the pixels: a painter set up for each of a few small rectangles would cost
    // more than the fills.
    if (m_image.format() != QImage::Format_RGB32 && m_image.format() != QImage::Format_ARGB32) {
        QPainter p(&m_image);
        p.fillRect(area, QColor(colour.r, colour.g, colour.b));
        return;
    }
    const QRgb pixel = qRgb(colour.r, colour.g, colour.b);
    uchar* bits = m_image.bits(); // detaches once, not once a line
    const qsizetype stride = m_image.bytesPerLine();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(bits + y * stride);
        std::fill(line + area.left(), line + area.right() + 1, pixel);
    }
}

void QtPendingFills::FillRect(const Rect& r, Rgb colour) {
    if (r.Width() <= 0 || r.Height() <= 0)
        return;
    m_kept.clear();
    for (const Fill& f : m_fills) {
        const Rect& o = f.rect;
        const bool rowsSpanned = r.top <= o.top && o.bottom <= r.bottom;
        if (!rowsSpanned || o.right <= r.left || r.right <= o.left) {
            m_kept.push_back(f); // not painted over, or only in part of its rows
            continue;
        }
        // Its columns under r are painted over; those left and right of r stay.
        if (o.left < r.left)
            m_kept.push_back({Rect{o.left, o.top, r.left, o.bottom}, f.colour});
        if (r.right < o.right)
            m_kept.push_back({Rect{r.right, o.top, o.right, o.bottom}, f.colour});
    }
    m_kept.push_back({r, colour});
    m_fills.swap(m_kept);
}

void QtPendingFills::ApplyTo(ICanvas& canvas) {
    for (const Fill& f : m_fills)
        canvas.FillRect(f.rect, f.colour);
    m_fills.clear();
}

QtMeterWidget::QtMeterWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

void QtMeterWidget::SetPainter(IOwnerDraw* painter) {
    m_painter = painter;
    m_drawn = false;
    update();
}

void QtMeterWidget::Draw() {
    if (!m_painter || m_image.isNull())
        return;
    m_painter->DrawItem(m_fills, Rect{0, 0, m_image.width(), m_image.height()});
    m_drawn = true;
    // Fills that survive many draws (a painter that draws in pieces) are not kept for ever.
    constexpr size_t kMostPending = 256;
    if (m_fills.Count() > kMostPending)
        ApplyFills();
}

void QtMeterWidget::ApplyFills() {
    QtImageCanvas canvas(m_image);
    m_fills.ApplyTo(canvas);
}

void QtMeterWidget::RedrawNow() {
    // The painter draws (and so updates its state) now; the screen shows it with the window's
    // next paint.
    Draw();
    update();
}

void QtMeterWidget::paintEvent(QPaintEvent*) {
    // The first paint of a shown meter lets its painter draw once; after that the window
    // system's paints show the kept pixels, and only RedrawNow draws.
    if (!m_drawn)
        Draw();
    ApplyFills();
    QPainter p(this);
    p.drawImage(0, 0, m_image);
}

void QtMeterWidget::resizeEvent(QResizeEvent*) {
    if (m_image.size() == size())
        return;
    ApplyFills(); // drawn for the old size
    QImage next(size(), QImage::Format_RGB32);
    next.fill(palette().color(QPalette::Window));
    if (!m_image.isNull()) {
        QPainter p(&next);
        p.drawImage(0, 0, m_image);
    }
    m_image = next;
}

} // namespace hx
