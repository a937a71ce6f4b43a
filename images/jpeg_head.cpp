#include "images/jpeg_head.h"

#include <fcntl.h>
#include <libexif/exif-utils.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QStringDecoder>
#include <QTransform>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "images/image_decoder.h"

namespace images::internal {
namespace {

quint16 Big16(const uchar* at) { return quint16((at[0] << 8) | at[1]); }

// An EXIF orientation as a mirror of the stored pixels followed by quarter turns clockwise.
struct MirrorAndTurns {
    bool horizontal = false;
    bool vertical = false;
    int turns = 0;
};

MirrorAndTurns UprightBy(int orientation) {
    switch (orientation) {
        case 2:
            return {true, false, 0};
        case 3:
            return {false, false, 2};
        case 4:
            return {false, true, 0};
        case 5:
            return {false, true, 1};
        case 6:
            return {false, false, 1};
        case 7:
            return {true, false, 1};
        case 8:
            return {false, false, 3};
        default:
            return {};
    }
}

}  // namespace

QString CannotOpen(const QString& path) { return QStringLiteral("无法打开图片文件: ") + path; }

QString SizeText(QSize size) {
    return QStringLiteral("%1 × %2").arg(size.width()).arg(size.height());
}

qint64 PixelsOf(QSize size) { return qint64(size.width()) * qint64(size.height()); }

PhotoFile::PhotoFile(const QString& path) : path_(path) {
    const QByteArray name = QFile::encodeName(path);
    do {
        fd_ = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    } while (fd_ < 0 && errno == EINTR);
    struct stat status;
    if (fd_ < 0 || ::fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode)) {
        error_ = CannotOpen(path);
        Close();
        return;
    }
    size_ = status.st_size;
    if (size_ > kMaxPhotoFileBytes) {
        error_ = QStringLiteral("图片文件过大 (%1 MB): %2").arg(size_ >> 20).arg(path);
        Close();
    }
}

PhotoFile::~PhotoFile() { Close(); }

QByteArray PhotoFile::read(qint64 limit) const {
    QByteArray bytes;
    readMore(&bytes, limit);
    return bytes;
}

void PhotoFile::readMore(QByteArray* bytes, qint64 limit) const {
    const qint64 wanted = limit < 0 ? size_ : std::min(limit, size_);
    qint64 done = bytes->size();
    if (done >= wanted) return;
    bytes->resize(wanted);
    while (done < wanted) {
        const ssize_t n = ::pread(fd_, bytes->data() + done, size_t(wanted - done), done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    bytes->truncate(done);
}

bool PhotoFile::startsLikeJpeg() const {
    const QByteArray head = read(2);
    return head.size() == 2 && quint8(head[0]) == 0xFF && quint8(head[1]) == 0xD8;
}

void PhotoFile::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

JpegLayout ReadJpegLayout(const QByteArray& bytes, bool countScans) {
    JpegLayout layout;
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    const qint64 size = bytes.size();
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return layout;
    int components = 0, hMax = 1, vMax = 1;
    int hFactor[4] = {}, vFactor[4] = {};
    qint64 at = 2;
    for (;;) {
        while (at < size && data[at] != 0xFF) ++at;
        while (at < size && data[at] == 0xFF) ++at;
        if (at >= size) return layout;
        const uchar marker = data[at++];
        // A stuffed zero, SOI again, TEM and restarts stand alone.
        if (marker == 0x00 || marker == 0xD8 || marker == 0x01 ||
            (marker >= 0xD0 && marker <= 0xD7))
            continue;
        if (marker == 0xD9 || at + 2 > size) return layout;
        const qint64 length = Big16(data + at);
        if (length < 2 || at + length > size) return layout;
        const uchar* segment = data + at + 2;
        if (marker == 0xE1 && layout.exifAt < 0 && length >= 2 + 6 &&
            memcmp(segment, "Exif\0\0", 6) == 0) {
            layout.exifAt = at + 2;
            layout.exifLength = length - 2;
        }
        static constexpr char kXmp[] = "http://ns.adobe.com/xap/1.0/";  // with its NUL
        if (marker == 0xE1 && layout.xmpAt < 0 && length >= 2 + qint64(sizeof kXmp) &&
            memcmp(segment, kXmp, sizeof kXmp) == 0) {
            layout.xmpAt = at + 2 + qint64(sizeof kXmp);
            layout.xmpLength = length - 2 - qint64(sizeof kXmp);
        }
        static constexpr char kPhotoshop[] = "Photoshop 3.0";
        if (marker == 0xED && length >= 2 + qint64(sizeof kPhotoshop) &&
            memcmp(segment, kPhotoshop, sizeof kPhotoshop) == 0)
            layout.photoshopBlock = true;
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame && !layout.frameFound) {
            if (length < 8) return layout;
            layout.size = QSize(Big16(segment + 3), Big16(segment + 1));
            components = segment[5];
            if (components < 1 || components > 4 || length < 8 + 3 * components) return layout;
            for (int c = 0; c < components; ++c) {
                hFactor[c] = std::max(1, segment[6 + 3 * c + 1] >> 4);
                vFactor[c] = std::max(1, segment[6 + 3 * c + 1] & 0x0F);
                hMax = std::max(hMax, hFactor[c]);
                vMax = std::max(vMax, vFactor[c]);
            }
            layout.frameFound = true;
            layout.wholeImageBuffer =
                marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
        } else if (marker == 0xDA) {
            if (!layout.frameFound) return layout;
            if (length >= 3 && segment[0] < components) layout.wholeImageBuffer = true;
            at += length;
            break;
        }
        at += length;
    }

    const qint64 width = layout.size.width(), height = layout.size.height();
    for (int c = 0; c < components; ++c) {
        const qint64 across = (width * hFactor[c] + 8 * hMax - 1) / (8 * hMax);
        const qint64 down = (height * vFactor[c] + 8 * vMax - 1) / (8 * vMax);
        layout.blocks += ((across + hFactor[c] - 1) / hFactor[c] * hFactor[c]) *
                         ((down + vFactor[c] - 1) / vFactor[c] * vFactor[c]);
    }
    if (countScans && layout.wholeImageBuffer) {
        // In the coded data a 0xFF is always followed by 0x00, a restart or a marker, so
        // every 0xFF 0xDA is the start of a scan.
        layout.scans = 1;
        const uchar* p = data + at;
        const uchar* end = data + size;
        while (p + 1 < end) {
            p = static_cast<const uchar*>(memchr(p, 0xFF, size_t(end - p - 1)));
            if (!p) break;
            if (p[1] == 0xDA) ++layout.scans;
            ++p;
        }
    }
    return layout;
}

// Empty when the picture may be decoded; otherwise why not.
QString RefusalOf(const JpegLayout& layout) {
    if (PixelsOf(layout.size) > kMaxPicturePixels)
        return QStringLiteral("图片尺寸 %1 超出上限").arg(SizeText(layout.size));
    if (!layout.wholeImageBuffer) return QString();
    if (layout.blocks * 128 > kMaxJpegCoefficientBytes)
        return QStringLiteral("渐进式图片 %1 过大").arg(SizeText(layout.size));
    if (layout.scans > 0 && layout.blocks * layout.scans > kMaxJpegScanWork)
        return QStringLiteral("渐进式图片的扫描过多 (%1 次)").arg(layout.scans);
    return QString();
}

ExifBlock::ExifBlock(const QByteArray& bytes, const JpegLayout& layout) {
    if (layout.exifAt < 0 || layout.exifAt + layout.exifLength > bytes.size()) return;
    exif_ = exif_data_new();
    if (!exif_) return;
    // Read only: no entries added or corrected as a writer would want, and tags libexif
    // does not know in their place (ProcessingSoftware in IFD0) kept.
    exif_data_unset_option(exif_, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_unset_option(exif_, EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS);
    exif_data_load_data(exif_, reinterpret_cast<const uchar*>(bytes.constData()) + layout.exifAt,
                        static_cast<unsigned int>(layout.exifLength));
}

ExifBlock::~ExifBlock() {
    if (exif_) exif_data_unref(exif_);
}

int ExifBlock::orientation() const {
    if (!exif_) return 1;
    const ExifEntry* entry = exif_content_get_entry(exif_->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
    if (entry && entry->format == EXIF_FORMAT_SHORT && entry->components >= 1 && entry->data &&
        entry->size >= 2) {
        const int value = exif_get_short(entry->data, exif_data_get_byte_order(exif_));
        if (value >= 1 && value <= 8) return value;
    }
    return 1;
}

QString ExifBlock::text(ExifIfd ifd, ExifTag tag) const {
    if (!exif_) return QString();
    const ExifEntry* entry = exif_content_get_entry(exif_->ifd[ifd], tag);
    if (!entry || entry->format != EXIF_FORMAT_ASCII || !entry->data || entry->size == 0)
        return QString();
    // Up to the first NUL; the count may or may not include it.
    const auto* text = reinterpret_cast<const char*>(entry->data);
    const QByteArrayView bytes(text, qsizetype(strnlen(text, entry->size)));
    // Meant to be ASCII; programs made for Chinese users write UTF-8 or GBK.
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString decoded = utf8.decode(bytes);
    if (utf8.hasError()) {
        QStringDecoder gbk("GBK");
        decoded = gbk.isValid() ? QString(gbk.decode(bytes)) : QString::fromLatin1(bytes);
    }
    return decoded.trimmed();
}

int OrientationOf(const QByteArray& bytes, const JpegLayout& layout) {
    return ExifBlock(bytes, layout).orientation();
}

QImage Turned(QImage image, int orientation, int turns) {
    const MirrorAndTurns upright = UprightBy(orientation);
    if (upright.horizontal || upright.vertical)
        image = image.mirrored(upright.horizontal, upright.vertical);
    switch ((upright.turns + turns) % 4) {
        case 1:
            return image.transformed(QTransform().rotate(90));
        case 2:
            return image.mirrored(true, true);
        case 3:
            return image.transformed(QTransform().rotate(270));
        default:
            return image;
    }
}

}  // namespace images::internal
