#pragma once
// The full-screen viewer's arithmetic: zoom steps, the zoomed size and keeping a
// dragged picture within reach.

#include <QRect>
#include <QSize>

namespace workspace {

inline constexpr int kMaxZoom = 1000;
inline constexpr int kMinZoom = 5;

// Up to the next multiple of 10, capped at 1000.
int ZoomIn(int percent);
// Down to the multiple of 10 below, not under 5.
int ZoomOut(int percent);
// Where a pinch that asks for target percent takes the zoom: the button steps from
// percent (in or out) for as long as each brings it nearer, within 5 and 1000.
int PinchZoom(int percent, double target);
// The drawn size of a (rotated) photo at a zoom percent, narrowed by the widescreen ratio.
QSize ZoomedSize(QSize photo, int percent, bool widescreen, int widescreenRatio);
// Puts a picture that was dragged out of sight back near the top-left corner.
QRect KeepReachable(QRect picture);
// Quarter turns clockwise for a rotation angle in degrees (a multiple of 90).
int QuarterTurns(int angle);

}  // namespace workspace
