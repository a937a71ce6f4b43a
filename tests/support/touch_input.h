#pragma once
// Fingers on a widget through Qt's touch events, as a touch screen delivers them (Qt
// makes mouse events of the touches no widget takes, as on the real screen).

#include <QList>
#include <QPoint>

class QPointingDevice;
class QWidget;

namespace testing_support {

// The test program's touch screen.
QPointingDevice* TouchScreen();
// One finger down at from and up where it is; no movement.
void TouchTap(QWidget* widget, QPoint at);
// One finger down at from, moved through the points and lifted at the last, pausing
// pauseMs before each move after the first.
void TouchSlide(QWidget* widget, QPoint from, const QList<QPoint>& through, int pauseMs = 0);
// Two fingers down at a and b, moved in steps to a2 and b2, lifted together.
void TouchPinch(QWidget* widget, QPoint a, QPoint b, QPoint a2, QPoint b2, int steps = 4);
// A quick sideways swipe over a share of widget's width, centred, at height y (the middle
// when negative): to the left (the next item) when leftwards.
void TouchSwipe(QWidget* widget, bool leftwards, double share = 0.4, int y = -1);

}  // namespace testing_support
