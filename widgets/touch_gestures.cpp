#include "widgets/touch_gestures.h"

#include <QGuiApplication>
#include <QLineF>
#include <QPointingDevice>
#include <QStyleHints>
#include <QTouchEvent>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace widgets {

TouchGestures::TouchGestures(QWidget* widget) : QObject(widget), widget_(widget) {
    widget->setAttribute(Qt::WA_AcceptTouchEvents);
    widget->installEventFilter(this);
}

bool TouchGestures::eventFilter(QObject* watched, QEvent* event) {
    if (watched != widget_) return false;
    switch (event->type()) {
        case QEvent::TouchBegin:
            return Begin(static_cast<QTouchEvent*>(event));
        case QEvent::TouchUpdate:
            if (!tracking_) return false;
            Follow(static_cast<QTouchEvent*>(event));
            event->accept();
            return true;
        case QEvent::TouchEnd:
            if (!tracking_) return false;
            Follow(static_cast<QTouchEvent*>(event));
            Finish(static_cast<QTouchEvent*>(event));
            event->accept();
            return true;
        case QEvent::TouchCancel:
            Reset();
            return true;
        default:
            return false;
    }
}

bool TouchGestures::Begin(QTouchEvent* touch) {
    Reset();
    // A touchpad moves the pointer; only a screen is touched where the picture is.
    if (touch->device()->type() != QInputDevice::DeviceType::TouchScreen ||
        touch->points().isEmpty())
        return false;
    const QPoint local = touch->points().first().position().toPoint();
    // Declined, the touch goes on to the parents and comes back as mouse events.
    if (leave_ && leave_(local)) return false;
    tracking_ = true;
    Follow(touch);
    touch->accept();
    return true;
}

void TouchGestures::Follow(QTouchEvent* touch) {
    for (const QEventPoint& point : touch->points()) {
        auto found = fingers_.find(point.id());
        if (found == fingers_.end()) {
            if (point.state() != QEventPoint::State::Pressed) continue;
            found = fingers_
                        .emplace(point.id(), Finger{point.globalPosition(), point.globalPosition(),
                                                    point.position().toPoint()})
                        .first;
        }
        found->second.now = point.globalPosition();
    }
    if (fingers_.size() >= 2 && !pinched_) {
        pinched_ = pinching_ = true;
        pinchIds_[0] = fingers_.begin()->first;
        pinchIds_[1] = std::next(fingers_.begin())->first;
        pinchFrom_ = PinchDistance();
        pinchScale_ = 1;
        emit pinchStarted();
    }
    if (pinching_) {
        FollowPinch();
        // One finger of the two lifted: the pinch is over, the other finger does nothing.
        for (const QEventPoint& point : touch->points())
            if (point.state() == QEventPoint::State::Released &&
                (point.id() == pinchIds_[0] || point.id() == pinchIds_[1])) {
                pinching_ = false;
                emit pinchFinished(pinchScale_);
                break;
            }
        return;
    }
    if (!pinched_ && fingers_.size() == 1 && !strayed_) {
        const Finger& finger = fingers_.begin()->second;
        if (QLineF(finger.start, finger.now).length() >= kTapSlop) {
            strayed_ = true;
            strayedAt_ = touch->timestamp();
        }
    }
}

void TouchGestures::FollowPinch() {
    // Two fingers that came down together give no scale to go by.
    if (pinchFrom_ < 1) {
        pinchFrom_ = PinchDistance();
        return;
    }
    const qreal scale = PinchDistance() / pinchFrom_;
    if (qFuzzyCompare(scale, pinchScale_)) return;
    pinchScale_ = scale;
    emit pinchChanged(scale);
}

qreal TouchGestures::PinchDistance() const {
    const auto a = fingers_.find(pinchIds_[0]), b = fingers_.find(pinchIds_[1]);
    if (a == fingers_.end() || b == fingers_.end()) return 0;
    return QLineF(a->second.now, b->second.now).length();
}

void TouchGestures::Finish(QTouchEvent* touch) {
    const bool single = !pinched_ && fingers_.size() == 1;
    const Finger finger = single ? fingers_.begin()->second : Finger{};
    const bool stillPinching = pinching_;
    const bool slid = strayed_;
    const qreal scale = pinchScale_;
    Reset();
    if (stillPinching) emit pinchFinished(scale);
    if (!single) return;
    if (slid)
        FinishSlide(finger, touch->timestamp());
    else
        Tap(finger, touch->timestamp());
}

void TouchGestures::FinishSlide(const Finger& finger, quint64 at) {
    lastTapWaits_ = false;
    const QPointF travel = finger.now - finger.start;
    const qreal sideways = std::abs(travel.x());
    // Mostly sideways (within about 27 degrees), far enough, and either quick or long.
    const qreal speed = sideways / qreal(std::max<quint64>(1, at - strayedAt_));
    const bool swipe = sideways >= kSwipeDistance && std::abs(travel.y()) * 2 <= sideways &&
                       (speed >= kSwipeSpeed || sideways >= VisibleWidth() * kSwipeWidthShare);
    if (swipe && (!swipeWanted_ || swipeWanted_())) {
        if (travel.x() < 0)
            emit swipedLeft();
        else
            emit swipedRight();
        return;
    }
    emit dragged(travel.toPoint());
}

void TouchGestures::Tap(const Finger& finger, quint64 at) {
    const QStyleHints* hints = QGuiApplication::styleHints();
    const bool second =
        lastTapWaits_ && at - lastTapAt_ <= quint64(hints->mouseDoubleClickInterval()) &&
        QLineF(lastTapPlace_, finger.start).length() <= hints->touchDoubleTapDistance();
    // The interval counts from the first tap's release to the second one's.
    lastTapWaits_ = !second;
    lastTapAt_ = at;
    lastTapPlace_ = finger.start;
    emit tapped(finger.local);
    if (second) emit doubleTapped(finger.local);
}

qreal TouchGestures::VisibleWidth() const {
    // A zoomed picture may be far wider than the window it is seen in.
    return std::min(widget_->width(), widget_->window()->width());
}

void TouchGestures::Reset() {
    fingers_.clear();
    tracking_ = false;
    strayed_ = false;
    pinched_ = pinching_ = false;
    pinchIds_[0] = pinchIds_[1] = -1;
    pinchFrom_ = 0;
    pinchScale_ = 1;
}

}  // namespace widgets
