#pragma once
// Finger gestures on a widget of a touch screen, told as signals: tap, double tap, a
// horizontal swipe, a one-finger drag and a two-finger pinch. The recogniser takes the
// widget's touch sequences whole, so Qt makes no mouse events of them: a tap reaches the
// widget's owner once, as `tapped`, and a swipe never ends in a click. A mouse, and
// touches left to the widget's children, go on as mouse events as before.

#include <QObject>
#include <QPoint>
#include <QPointF>
#include <functional>
#include <map>

class QTouchEvent;
class QWidget;

namespace widgets {

class TouchGestures : public QObject {
    Q_OBJECT
  public:
    // Lengths are in device-independent pixels, times in milliseconds.
    static constexpr qreal kTapSlop = 16;        // a tap's finger strays less than this
    static constexpr qreal kSwipeDistance = 48;  // the least sideways travel of a swipe
    static constexpr qreal kSwipeSpeed = 0.3;    // pixels a millisecond: a quicker slide swipes
    // A slower slide swipes when it crosses this share of the widget's (visible) width.
    static constexpr qreal kSwipeWidthShare = 1.0 / 3;

    // Watches widget, which from now on accepts touch events; lives as long as it.
    explicit TouchGestures(QWidget* widget);

    // Touches that begin where leave says true are left to the widget's children (its
    // buttons and bars), which Qt gives them as mouse clicks.
    void LeaveTouchesAt(std::function<bool(QPoint)> leave) { leave_ = std::move(leave); }
    // While wanted says false, a slide that would swipe is a drag instead.
    void SwipeWhen(std::function<bool()> wanted) { swipeWanted_ = std::move(wanted); }

  signals:
    // Where the finger went down, in widget coordinates.
    void tapped(QPoint position);
    // The second of two taps close in time and place, right after its own tapped.
    void doubleTapped(QPoint position);
    void swipedLeft();  // the finger moved to the left: the next item, as in photo viewers
    void swipedRight();
    // A one-finger slide that was neither a tap nor a swipe, from its start to its end.
    void dragged(QPoint offset);
    // Two fingers: scale is their distance over their distance when the second came down.
    void pinchStarted();
    void pinchChanged(qreal scale);
    void pinchFinished(qreal scale);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Finger {
        QPointF start;  // global, so a widget moved or resized meanwhile changes nothing
        QPointF now;
        QPoint local;  // where it went down, in widget coordinates
    };
    bool Begin(QTouchEvent* touch);
    void Follow(QTouchEvent* touch);
    void Finish(QTouchEvent* touch);
    void Reset();
    void FollowPinch();
    qreal PinchDistance() const;
    void FinishSlide(const Finger& finger, quint64 at);
    void Tap(const Finger& finger, quint64 at);
    qreal VisibleWidth() const;

    QWidget* widget_;
    std::function<bool(QPoint)> leave_;
    std::function<bool()> swipeWanted_;
    std::map<int, Finger> fingers_;  // by touch point id, while the sequence lasts
    bool tracking_ = false;
    bool strayed_ = false;   // the single finger left the tap slop
    quint64 strayedAt_ = 0;  // when it did
    bool pinched_ = false;   // a second finger came: no tap, swipe or drag any more
    bool pinching_ = false;  // two fingers are down now
    int pinchIds_[2] = {-1, -1};
    qreal pinchFrom_ = 0;
    qreal pinchScale_ = 1;
    bool lastTapWaits_ = false;  // a tap that a second one may make a double tap
    quint64 lastTapAt_ = 0;
    QPointF lastTapPlace_;
};

}  // namespace widgets
