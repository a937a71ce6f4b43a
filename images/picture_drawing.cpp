#include "images/picture_drawing.h"

#include <QFileInfo>
#include <QPainter>
#include <QRect>

#include "data/errors.h"
#include "images/image_decoder.h"

namespace images {
namespace {

QImage AllMargin(const DrawOptions& options) {
    QImage canvas(options.size, QImage::Format_RGB32);
    if (!canvas.isNull()) canvas.fill(options.margin);
    return canvas;
}

DrawnPicture PlainFallback(const QString& fallback) {
    DecodedImage decoded = DecodeImage(fallback);
    if (!decoded.ok()) throw data::VerimondError(QStringLiteral("无法读取图片文件: ") + fallback);
    DrawnPicture result;
    result.canvas = std::move(decoded.image);
    result.plain = true;
    return result;
}

}  // namespace

QImage DrawImageFitted(const QImage& picture, QSize originalSize, const DrawOptions& options,
                       Placement* placed) {
    QImage canvas(options.size, QImage::Format_RGB32);
    if (canvas.isNull() || picture.isNull()) return QImage();
    const int wc = options.size.width();
    const int hc = options.size.height();
    Placement p = FitPicture(wc, hc, originalSize.width(), originalSize.height());
    if (options.widescreen) p = ApplyWidescreen(p, options.widescreenRatio);

    QPainter painter(&canvas);
    if (p.w > 0 && p.h > 0) {
        // One smooth scale of the (DCT-reduced) picture, then a plain copy onto the canvas.
        const QImage scaled =
            picture.size() == QSize(p.w, p.h)
                ? picture
                : picture.scaled(p.w, p.h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (scaled.isNull()) return QImage();
        if (scaled.hasAlphaChannel()) {
            // Transparent parts of a PNG or GIF show the margin colour, like the frame around.
            canvas.fill(options.margin);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        } else {
            painter.setCompositionMode(QPainter::CompositionMode_Source);
        }
        painter.drawImage(p.x, p.y, scaled);
    }
    // Margins as left, top, right, bottom with right and bottom exclusive.
    const auto fill = [&](int left, int top, int right, int bottom) {
        if (right > left && bottom > top)
            painter.fillRect(QRect(left, top, right - left, bottom - top), options.margin);
    };
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    fill(0, 0, p.x, hc);
    fill(p.x + p.w, 0, wc, hc);
    fill(0, 0, wc, p.y);
    fill(0, p.y + p.h, wc, hc);
    painter.end();
    if (placed) *placed = p;
    return canvas;
}

DrawnPicture DrawPictureFitted(const QString& file, const QString& fallback,
                               const DrawOptions& options) {
    if (options.quarterTurns % 4 != 0) {
        DrawnPicture turned;
        turned.canvas = DrawRotatedFitted(file, options);
        return turned;
    }
    const QString drawn = QFileInfo(file).isFile() ? file : fallback;
    const bool drawingFallback = drawn == fallback;
    const DecodedImage decoded = DecodeForFit(drawn, options.size);
    if (!decoded.ok()) {
        // Nothing better to show than the frame itself when the fallback is what failed.
        if (drawingFallback) return DrawnPicture{AllMargin(options), false, std::nullopt};
        return PlainFallback(fallback);
    }
    Placement placed;
    DrawnPicture result;
    result.canvas = DrawImageFitted(decoded.image, decoded.originalSize, options, &placed);
    if (result.canvas.isNull()) return PlainFallback(fallback);
    if (!drawingFallback) result.zoomPercent = ZoomPercent(placed.w, decoded.originalSize.width());
    return result;
}

QImage DrawRotatedFitted(const QString& file, const DrawOptions& options) {
    const DecodedImage decoded = DecodeForFit(file, options.size, options.quarterTurns);
    if (decoded.ok()) {
        QImage canvas = DrawImageFitted(decoded.image, decoded.originalSize, options);
        if (!canvas.isNull()) return canvas;
    }
    return AllMargin(options);
}

}  // namespace images
