#pragma once
// Pixel checks shared by the image tests: a photo rectangle on a margin-coloured canvas.

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>

namespace image_checks {

// Empty when every pixel outside `photo` is exactly `margin` and none inside is; otherwise
// names the first pixel that breaks it.
inline QString PhotoOnMargin(const QImage& canvas, const QRect& photo, const QColor& margin) {
    const QRgb expected = margin.rgb();
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const QRgb pixel = canvas.pixel(x, y) | 0xFF000000u;
            const bool inside = photo.contains(x, y);
            if (inside == (pixel == expected))
                return QStringLiteral("pixel (%1,%2) is %3, expected %4 %5")
                    .arg(x)
                    .arg(y)
                    .arg(QColor(pixel).name(), inside ? QStringLiteral("photo, not") : QString(),
                         margin.name());
        }
    }
    return QString();
}

inline QString AllMargin(const QImage& canvas, const QColor& margin) {
    return PhotoOnMargin(canvas, QRect(), margin);
}

}  // namespace image_checks
