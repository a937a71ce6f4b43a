#include "support/oriented_photos.h"

#include <libexif/exif-data.h>
#include <libexif/exif-utils.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRect>
#include <cstdlib>

namespace testing_support {
namespace {

bool Near(QRgb pixel, const QColor& expected) {
    return std::abs(qRed(pixel) - expected.red()) < 60 &&
           std::abs(qGreen(pixel) - expected.green()) < 60 &&
           std::abs(qBlue(pixel) - expected.blue()) < 60;
}

}  // namespace

QImage QuartersImage(QSize upright) {
    QImage image(upright, QImage::Format_RGB32);
    const int w = upright.width(), h = upright.height();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool right = x >= w / 2, bottom = y >= h / 2;
            const QColor& c =
                bottom ? (right ? kBottomRight : kBottomLeft) : (right ? kTopRight : kTopLeft);
            image.setPixel(x, y, c.rgb());
        }
    return image;
}

QImage StoredPixels(const QImage& upright, int orientation) {
    const int wu = upright.width(), hu = upright.height();
    const bool sideways = orientation >= 5;
    QImage stored(sideways ? hu : wu, sideways ? wu : hu, QImage::Format_RGB32);
    // Stored pixel (c, r) shows the scene at (x, y): the tag says where the stored first
    // row (top, bottom, left or right of the scene) and first column lie.
    for (int r = 0; r < stored.height(); ++r)
        for (int c = 0; c < stored.width(); ++c) {
            int x = c, y = r;
            switch (orientation) {
                case 2:
                    x = wu - 1 - c;
                    break;
                case 3:
                    x = wu - 1 - c;
                    y = hu - 1 - r;
                    break;
                case 4:
                    y = hu - 1 - r;
                    break;
                case 5:
                    x = r;
                    y = c;
                    break;
                case 6:
                    x = wu - 1 - r;
                    y = c;
                    break;
                case 7:
                    x = wu - 1 - r;
                    y = hu - 1 - c;
                    break;
                case 8:
                    x = r;
                    y = hu - 1 - c;
                    break;
                default:
                    break;
            }
            stored.setPixel(c, r, upright.pixel(x, y));
        }
    return stored;
}

QByteArray ExifSegment(int value, bool bigEndian) {
    ExifData* exif = exif_data_new();
    const ExifByteOrder order = bigEndian ? EXIF_BYTE_ORDER_MOTOROLA : EXIF_BYTE_ORDER_INTEL;
    exif_data_set_byte_order(exif, order);
    ExifEntry* entry = exif_entry_new();
    exif_content_add_entry(exif->ifd[EXIF_IFD_0], entry);
    exif_entry_initialize(entry, EXIF_TAG_ORIENTATION);
    exif_set_short(entry->data, order, static_cast<ExifShort>(value));
    exif_entry_unref(entry);
    unsigned char* payload = nullptr;
    unsigned int size = 0;
    exif_data_save_data(exif, &payload, &size);
    exif_data_unref(exif);
    QByteArray segment("\xFF\xE1", 2);
    segment.append(char((size + 2) >> 8)).append(char((size + 2) & 0xFF));
    segment.append(reinterpret_cast<const char*>(payload), int(size));
    free(payload);
    return segment;
}

QByteArray WithSegment(const QByteArray& jpeg, const QByteArray& segment) {
    return jpeg.left(2) + segment + jpeg.mid(2);
}

QString WriteOrientedPhoto(const QString& path, QSize upright, int orientation, bool bigEndian) {
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    StoredPixels(QuartersImage(upright), orientation).save(&buffer, "JPEG", 95);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(WithSegment(jpeg, ExifSegment(orientation, bigEndian))) < 0)
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QString QuartersUprightIn(const QImage& picture, const QRect& area) {
    if (picture.isNull() || area.width() < 4 || area.height() < 4)
        return QStringLiteral("no picture in %1x%2").arg(area.width()).arg(area.height());
    const int x1 = area.left() + area.width() / 4, x2 = area.left() + area.width() * 3 / 4;
    const int y1 = area.top() + area.height() / 4, y2 = area.top() + area.height() * 3 / 4;
    const struct {
        QPoint at;
        QColor expected;
        const char* name;
    } samples[] = {{{x1, y1}, kTopLeft, "top left"},
                   {{x2, y1}, kTopRight, "top right"},
                   {{x1, y2}, kBottomLeft, "bottom left"},
                   {{x2, y2}, kBottomRight, "bottom right"}};
    for (const auto& s : samples) {
        const QRgb pixel = picture.pixel(s.at);
        if (!Near(pixel, s.expected))
            return QStringLiteral("%1 is %2, expected %3")
                .arg(QLatin1String(s.name), QColor(pixel).name(), s.expected.name());
    }
    return QString();
}

QString QuartersUpright(const QImage& picture) {
    return QuartersUprightIn(picture, picture.rect());
}

}  // namespace testing_support
