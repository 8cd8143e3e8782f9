#pragma once
// The widgets the Qt window builds its controls from, where a plain Qt widget does not behave
// as the control must: the dialog itself, drop-down lists that announce their opening, up-down
// controls attached to a field, and owner-drawn meters that keep their pixels between paints.
#include "Canvas.h"

#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QWidget>

#include <functional>
#include <vector>

class QLineEdit;
class QToolButton;

namespace hx {

// The dialog window. Escape, the window's close button and reject() all ask onCancel instead of
// ending the dialog themselves; the owner decides (the framework's default: end with 2).
//
// The window paints at the screen's pace: however often its controls change (the monitor's
// meters and lamps change with every status frame, hundreds of times a second), what has
// changed reaches the screen at most once per refresh of the screen. The controls' state
// changes at once; only the painting waits.
class QtDialogWidget : public QDialog {
public:
    explicit QtDialogWidget(QWidget* parent = nullptr);
    std::function<void()> onCancel;
    std::function<void(const QPoint& globalPos)> onContextMenu;
    void reject() override;
    // Paints of the window's contents so far (each paints all that has changed since the last).
    long long PaintsDone() const { return m_paints; }

protected:
    bool event(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    int FrameMs() const; // the shortest time between two paints: one refresh of the screen

    QElapsedTimer m_sincePaint;
    bool m_paintPending = false; // a paint held back waits for its time
    long long m_paints = 0;
};

// A drop-down list that cannot be typed into; it reports that it is about to open before the
// list is shown, so that the owner can refill it. The opened list is as wide as its longest
// item; a closed list too narrow for its item shows the item's beginning and end (a long port
// path keeps its last part in sight).
class QtDropList : public QComboBox {
public:
    explicit QtDropList(QWidget* parent = nullptr);
    std::function<void()> onDropDown;
    void showPopup() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    // The wheel turns only a list that has the focus: a scroll over the window never picks a
    // preset or a transmit condition by itself.
    void wheelEvent(QWheelEvent* event) override;
};

// An up-down control: two arrow buttons at the right edge of its field (the buddy). A press
// reads the number standing in the field, steps it within the range and writes plain decimal
// digits back. Up and Down in the field step too. The arrows follow the field's enabled state.
class QtUpDown : public QWidget {
public:
    explicit QtUpDown(QWidget* parent = nullptr);
    void SetBuddy(QLineEdit* buddy);
    QLineEdit* Buddy() const { return m_buddy; }
    void SetRange(int lowest, int highest, int step);
    int Lowest() const { return m_lowest; }
    int Highest() const { return m_highest; }
    int StepSize() const { return m_step; }
    // One press: +1 up, -1 down; heldMs is how long the arrow has been held.
    void Press(int direction, long long heldMs = 0);
    QToolButton* UpButton() const { return m_up; }
    QToolButton* DownButton() const { return m_down; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnArrow(int direction);
    void FollowBuddyEnabled();

    QLineEdit* m_buddy = nullptr;
    QToolButton* m_up = nullptr;
    QToolButton* m_down = nullptr;
    int m_lowest = 0, m_highest = 100, m_step = 1;
    int m_position = 0;
    int m_heldDirection = 0;
    QElapsedTimer m_held;
};

// A canvas over an image: what is painted stays until painted over.
class QtImageCanvas : public ICanvas {
public:
    explicit QtImageCanvas(QImage& image) : m_image(image) {}
    void FillRect(const Rect& r, Rgb colour) override;

private:
    QImage& m_image;
};

// A canvas that keeps its fills until they are applied to another canvas, in the order they
// came. What a later fill paints over is never painted: a fill it covers entirely is forgotten,
// and one whose rows it spans keeps only the columns beside it. So however often the meter is
// drawn between two paints, a paint fills each of its pixels about once.
class QtPendingFills : public ICanvas {
public:
    void FillRect(const Rect& r, Rgb colour) override;
    void ApplyTo(ICanvas& canvas);
    size_t Count() const { return m_fills.size(); }

private:
    struct Fill {
        Rect rect;
        Rgb colour;
    };
    std::vector<Fill> m_fills;
    std::vector<Fill> m_kept; // FillRect's work list, kept for its room
};

// An owner-drawn control: its painter draws into an image that is kept between paints and is
// never cleared; the widget shows the image.
//
// The painter draws whenever the control is to be redrawn, which also moves its state on (the
// meter's peak hold); the pixels it fills reach the image with the next paint. The monitor
// redraws a meter with every status frame, many times per paint, and most of those fills are
// painted over before anyone sees them.
class QtMeterWidget : public QWidget {
public:
    explicit QtMeterWidget(QWidget* parent = nullptr);
    void SetPainter(IOwnerDraw* painter);
    // The painter draws now; the widget shows the result with the window's next paint.
    void RedrawNow();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Draw();
    void ApplyFills();

    IOwnerDraw* m_painter = nullptr;
    QImage m_image;
    QtPendingFills m_fills;
    bool m_drawn = false; // the painter has drawn at least once
};

} // namespace hx
