#include "workspace/viewer_geometry.h"

#include <cmath>

namespace workspace {

int ZoomIn(int percent) {
    percent = percent % 10 != 0 ? percent - percent % 10 + 10 : percent + 10;
    return percent > kMaxZoom ? kMaxZoom : percent;
}

int ZoomOut(int percent) {
    percent = percent % 10 != 0 ? percent - percent % 10 : percent - 10;
    return percent < kMinZoom ? kMinZoom : percent;
}

int PinchZoom(int percent, double target) {
    for (;;) {
        const int next = target > percent ? ZoomIn(percent) : ZoomOut(percent);
        if (next == percent || std::abs(next - target) >= std::abs(percent - target))
            return percent;
        percent = next;
    }
}

QSize ZoomedSize(QSize photo, int percent, bool widescreen, int widescreenRatio) {
    int w = percent * photo.width() / 100;
    const int h = percent * photo.height() / 100;
    if (widescreen) w = w * widescreenRatio / 100;
    return QSize(w, h);
}

QRect KeepReachable(QRect picture) {
    if (picture.top() + picture.height() < 0 || picture.top() > picture.height())
        picture.moveTop(5);
    if (picture.left() + picture.width() < 0 || picture.left() > picture.width())
        picture.moveLeft(5);
    return picture;
}

int QuarterTurns(int angle) { return ((angle / 90) % 4 + 4) % 4; }

}  // namespace workspace
