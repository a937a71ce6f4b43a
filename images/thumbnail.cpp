#include "images/thumbnail.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <QtEndian>

#include "data/errors.h"
#include "images/image_decoder.h"
#include "images/log.h"
#include "images/picture_drawing.h"

namespace images {
namespace {

constexpr int kFileHeaderSize = 14;
// Thumbnails of other makers' files may be larger than ours, never near this.
constexpr qint64 kMaxStoredThumbnailPixels = 4096 * 4096;
constexpr int kInfoHeaderSize = 40;

void Put16(char* at, quint16 value) { qToLittleEndian(value, at); }
void Put32(char* at, quint32 value) { qToLittleEndian(value, at); }

}  // namespace

QByteArray EncodeBmp24(const QImage& image) {
    const QImage rgb =
        image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
            ? image
            : image.convertToFormat(QImage::Format_RGB32);
    const int width = rgb.width();
    const int height = rgb.height();
    const int rowBytes = (width * 3 + 3) & ~3;
    const int offset = kFileHeaderSize + kInfoHeaderSize;
    const quint32 imageBytes = static_cast<quint32>(rowBytes) * static_cast<quint32>(height);

    QByteArray bmp(offset + static_cast<int>(imageBytes), '\0');
    char* out = bmp.data();
    out[0] = 'B';
    out[1] = 'M';
    Put32(out + 2, static_cast<quint32>(bmp.size()));
    Put32(out + 10, offset);
    char* info = out + kFileHeaderSize;
    Put32(info + 0, kInfoHeaderSize);
    Put32(info + 4, static_cast<quint32>(width));
    Put32(info + 8, static_cast<quint32>(height));  // positive: rows stored bottom-up
    Put16(info + 12, 1);                            // planes
    Put16(info + 14, 24);                           // bits per pixel
    Put32(info + 16, 0);                            // BI_RGB, uncompressed
    Put32(info + 20, imageBytes);
    Put32(info + 24, 3780);  // 96 dpi
    Put32(info + 28, 3780);

    for (int y = 0; y < height; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        auto* row = reinterpret_cast<uchar*>(out + offset + (height - 1 - y) * rowBytes);
        for (int x = 0; x < width; ++x) {
            row[3 * x + 0] = static_cast<uchar>(qBlue(line[x]));
            row[3 * x + 1] = static_cast<uchar>(qGreen(line[x]));
            row[3 * x + 2] = static_cast<uchar>(qRed(line[x]));
        }
    }
    return bmp;
}

DrawOptions ThumbnailDrawOptions(bool widescreen, int widescreenRatio, Orientation orientation) {
    DrawOptions options;
    options.size = QSize(kThumbnailWidth, kThumbnailHeight);
    options.margin = kThumbnailMargin;
    options.widescreen = widescreen;
    options.widescreenRatio = widescreenRatio;
    options.orientation = orientation;
    return options;
}

QByteArray MakeThumbnail(const QString& photoPath, bool widescreen, int widescreenRatio,
                         const QString& fallback, Orientation orientation,
                         const PreviewStore* previews) {
    DrawOptions options = ThumbnailDrawOptions(widescreen, widescreenRatio, orientation);
    options.previews = previews;
    DrawnPicture drawn = DrawPictureFitted(photoPath, fallback, options);
    // The placeholder stands in, as designed (the demo customer has such a photo), so this
    // is no warning; why the photo did not is told to whoever turns debug messages on.
    if (!drawn.error.isEmpty())
        qCDebug(lcImages).noquote()
            << "thumbnail of" << photoPath << "is the placeholder:" << drawn.error;
    QImage canvas = std::move(drawn.canvas);
    if (drawn.plain) {
        // The cell has a fixed size: the placeholder is fitted like a photo would be.
        canvas = DrawImageFitted(canvas, canvas.size(), options);
        if (canvas.isNull())
            throw data::VerimondError(QStringLiteral("无法生成缩略图: ") + photoPath);
    }
    return EncodeBmp24(canvas);
}

std::optional<QByteArray> RemakeThumbnail(const QString& photoPath, bool widescreen,
                                          int widescreenRatio, Orientation orientation) {
    if (!QFileInfo(photoPath).isFile()) return std::nullopt;
    const DrawOptions options = ThumbnailDrawOptions(widescreen, widescreenRatio, orientation);
    const DecodedImage decoded = DecodeForFit(photoPath, options.size, {orientation, 0});
    if (!decoded.ok()) {
        qCDebug(lcImages).noquote()
            << "thumbnail of" << photoPath << "kept as it was:" << decoded.error;
        return std::nullopt;
    }
    const QImage canvas = DrawImageFitted(decoded.image, decoded.originalSize, options);
    if (canvas.isNull()) return std::nullopt;
    return EncodeBmp24(canvas);
}

bool ThumbnailShowsShape(const QImage& thumbnail, QSize photo) {
    if (thumbnail.isNull() || photo.isEmpty()) return false;
    const QRgb ground = kThumbnailMargin.rgb();
    const auto isGround = [&](int x, int y) {
        return (thumbnail.pixel(x, y) & 0xffffff) == (ground & 0xffffff);
    };
    // The photo's extent across the middle row and down the middle column.
    const int w = thumbnail.width(), h = thumbnail.height();
    int left = 0, right = w - 1, top = 0, bottom = h - 1;
    while (left <= right && isGround(left, h / 2)) ++left;
    while (right >= left && isGround(right, h / 2)) --right;
    while (top <= bottom && isGround(w / 2, top)) ++top;
    while (bottom >= top && isGround(w / 2, bottom)) --bottom;
    if (left > right || top > bottom) return false;
    const int shownWidth = right - left + 1, shownHeight = bottom - top + 1;
    // Near-square shapes fit either way; otherwise the long sides must agree.
    const auto lying = [](int a, int b) {
        return a * 10 > b * 11 ? 1 : (b * 10 > a * 11 ? -1 : 0);
    };
    const int shown = lying(shownWidth, shownHeight), wanted = lying(photo.width(), photo.height());
    return shown == 0 || wanted == 0 || shown == wanted;
}

QImage ShowThumbnail(const QByteArray& blob, const QString& placeholder) {
    if (!blob.isEmpty()) {
        // A stored thumbnail is small; a blob claiming a huge bitmap is refused before any
        // memory is taken for it.
        QByteArray data = blob;
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "BMP");
        const QSize size = reader.size();
        QImage image;
        if (size.isValid() && qint64(size.width()) * size.height() <= kMaxStoredThumbnailPixels)
            image = reader.read();
        if (image.isNull()) throw data::VerimondError(QStringLiteral("缩略图数据无效"));
        return image;
    }
    DecodedImage decoded = DecodeImage(placeholder);
    if (!decoded.ok())
        throw data::VerimondError(QStringLiteral("无法读取图片文件: ") + placeholder);
    return std::move(decoded.image);
}

QImage ThumbnailForCell(const QImage& thumbnail, QSize cell, qreal devicePixelRatio, bool stretch) {
    if (thumbnail.isNull() || cell.isEmpty()) return thumbnail;
    QSize shown = thumbnail.size();
    if (stretch)
        shown = cell;
    else if (shown.width() > cell.width() || shown.height() > cell.height())
        shown = shown.scaled(cell, Qt::KeepAspectRatio);
    const QSize device = DeviceSize(shown, devicePixelRatio);
    QImage prepared = device == thumbnail.size() ? thumbnail
                                                 : thumbnail.scaled(device, Qt::IgnoreAspectRatio,
                                                                    Qt::SmoothTransformation);
    prepared.setDevicePixelRatio(devicePixelRatio);
    return prepared;
}

}  // namespace images
