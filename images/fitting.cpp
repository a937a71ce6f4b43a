#include "images/fitting.h"

namespace images {

Placement FitPicture(int wc, int hc, int w0, int h0) {
    Placement p;
    if (w0 <= 0 || h0 <= 0) {
        // Nothing decoded: an empty placement in the middle, so the margins cover the frame.
        p.x = wc / 2;
        p.y = hc / 2;
        return p;
    }
    if (wc < w0 || hc < h0) {
        // Ratios compared in single precision on purpose: near-ties must fall the same way
        // every time, including exact ties, which take the height branch.
        const float ry = static_cast<float>(hc) / h0;
        const float rx = static_cast<float>(wc) / w0;
        if (ry > rx) {
            p.w = wc;
            p.h = (h0 * wc) / w0;
            p.x = 0;
            p.y = (hc - p.h) / 2;
        } else {
            p.h = hc;
            p.w = (w0 * hc) / h0;
            p.y = 0;
            p.x = (wc - p.w) / 2;
        }
    } else {
        p.w = w0;
        p.h = h0;
        p.x = (wc - w0) / 2;
        p.y = (hc - h0) / 2;
    }
    return p;
}

Placement ApplyWidescreen(Placement p, int ratioPercent) {
    const int d = (p.w * ratioPercent) / 100;
    p.x += (p.w - d) / 2;
    p.w = d;
    return p;
}

int ZoomPercent(int drawnWidth, int originalWidth) { return (drawnWidth * 100) / originalWidth; }

}  // namespace images
