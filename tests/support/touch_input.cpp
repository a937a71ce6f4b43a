#include "support/touch_input.h"

#include <QWidget>
#include <QtTest>

namespace testing_support {

QPointingDevice* TouchScreen() {
    static QPointingDevice* device = QTest::createTouchDevice();
    return device;
}

void TouchTap(QWidget* widget, QPoint at) {
    QTest::QTouchEventWidgetSequence fingers = QTest::touchEvent(widget, TouchScreen(), false);
    fingers.press(0, at).commit();
    fingers.release(0, at).commit();
}

void TouchSlide(QWidget* widget, QPoint from, const QList<QPoint>& through, int pauseMs) {
    QTest::QTouchEventWidgetSequence fingers = QTest::touchEvent(widget, TouchScreen(), false);
    fingers.press(0, from).commit();
    for (int i = 0; i < through.size(); ++i) {
        if (i > 0 && pauseMs > 0) QTest::qWait(pauseMs);
        fingers.move(0, through[i]).commit();
    }
    fingers.release(0, through.isEmpty() ? from : through.last()).commit();
}

void TouchPinch(QWidget* widget, QPoint a, QPoint b, QPoint a2, QPoint b2, int steps) {
    QTest::QTouchEventWidgetSequence fingers = QTest::touchEvent(widget, TouchScreen(), false);
    fingers.press(0, a).press(1, b).commit();
    const auto along = [steps](QPoint from, QPoint to, int step) {
        return from + (to - from) * step / steps;
    };
    for (int step = 1; step <= steps; ++step)
        fingers.move(0, along(a, a2, step)).move(1, along(b, b2, step)).commit();
    fingers.release(0, a2).release(1, b2).commit();
}

void TouchSwipe(QWidget* widget, bool leftwards, double share, int y) {
    if (y < 0) y = widget->height() / 2;
    const int span = int(widget->width() * share);
    const int from = leftwards ? widget->width() / 2 + span / 2 : widget->width() / 2 - span / 2;
    const int to = leftwards ? from - span : from + span;
    TouchSlide(widget, QPoint(from, y), {QPoint((from + to) / 2, y), QPoint(to, y)});
}

}  // namespace testing_support
