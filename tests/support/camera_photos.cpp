#include "support/camera_photos.h"

#include <turbojpeg.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <algorithm>
#include <map>
#include <vector>

#include "support/oriented_photos.h"

namespace testing_support {
namespace {

enum : quint16 { kAscii = 2, kShort = 3, kLong = 4, kUndefined = 7 };

struct Entry {
    quint16 tag;
    quint16 type;
    QByteArray value;  // in the file's byte order; its count follows from the type
};

class Tiff {
  public:
    explicit Tiff(bool bigEndian) : big_(bigEndian) {
        bytes_ = big_ ? QByteArray("MM\0\x2A", 4) : QByteArray("II\x2A\0", 4);
        bytes_ += U32(8);
    }

    QByteArray U16(quint32 value) const {
        QByteArray out(2, '\0');
        for (int i = 0; i < 2; ++i) out[big_ ? 1 - i : i] = char((value >> (8 * i)) & 0xFF);
        return out;
    }
    QByteArray U32(quint32 value) const {
        QByteArray out(4, '\0');
        for (int i = 0; i < 4; ++i) out[big_ ? 3 - i : i] = char((value >> (8 * i)) & 0xFF);
        return out;
    }

    // Appends a directory of the entries (sorted by tag, as readers expect) and the values
    // that do not fit in an entry. Returns where each entry's value field and the next
    // directory's offset lie, for Patch.
    std::map<quint16, int> AddDirectory(std::vector<Entry> entries, int* next) {
        std::sort(entries.begin(), entries.end(),
                  [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
        const int start = bytes_.size();
        int data = start + 2 + 12 * int(entries.size()) + 4;
        QByteArray directory = U16(quint32(entries.size()));
        QByteArray outside;
        std::map<quint16, int> fields;
        for (const Entry& entry : entries) {
            const int unit = entry.type == kShort ? 2 : entry.type == kLong ? 4 : 1;
            directory += U16(entry.tag) + U16(entry.type) + U32(entry.value.size() / unit);
            fields[entry.tag] = start + directory.size();
            if (entry.value.size() <= 4) {
                directory += entry.value + QByteArray(4 - entry.value.size(), '\0');
            } else {
                directory += U32(quint32(data + outside.size()));
                outside += entry.value;
                if (outside.size() % 2) outside += '\0';
            }
        }
        *next = start + directory.size();
        directory += U32(0);
        bytes_ += directory + outside;
        return fields;
    }

    void Patch(int at, quint32 value) { bytes_.replace(at, 4, U32(value)); }
    int size() const { return bytes_.size(); }
    void Append(const QByteArray& bytes) { bytes_ += bytes; }
    const QByteArray& bytes() const { return bytes_; }

  private:
    bool big_;
    QByteArray bytes_;
};

Entry Text(quint16 tag, const QByteArray& text) { return {tag, kAscii, text + '\0'}; }

QByteArray Segment(quint8 marker, const QByteArray& payload) {
    QByteArray segment("\xFF", 1);
    segment += char(marker);
    const int length = payload.size() + 2;
    segment += char((length >> 8) & 0xFF);
    segment += char(length & 0xFF);
    return segment + payload;
}

}  // namespace

QByteArray CameraExifSegment(const CameraExif& exif) {
    Tiff tiff(exif.bigEndian);
    std::vector<Entry> ifd0 = {
        Text(0x010F, "Verimond Test Camera"), Text(0x0110, "T-24"), {0x8769, kLong, tiff.U32(0)}};
    if (exif.orientation > 0) ifd0.push_back({0x0112, kShort, tiff.U16(exif.orientation)});
    if (!exif.software.isEmpty()) ifd0.push_back(Text(0x0131, exif.software));
    if (!exif.dateTime.isEmpty()) ifd0.push_back(Text(0x0132, exif.dateTime));
    if (!exif.processingSoftware.isEmpty()) ifd0.push_back(Text(0x000B, exif.processingSoftware));
    int next0 = 0, nextExif = 0, next1 = 0;
    const auto fields0 = tiff.AddDirectory(ifd0, &next0);

    tiff.Patch(fields0.at(0x8769), quint32(tiff.size()));
    std::vector<Entry> exifIfd = {{0x9000, kUndefined, "0230"}};
    if (!exif.dateTimeOriginal.isEmpty()) {
        exifIfd.push_back(Text(0x9003, exif.dateTimeOriginal));
        exifIfd.push_back(Text(0x9004, exif.dateTimeOriginal));
    }
    tiff.AddDirectory(exifIfd, &nextExif);

    if (!exif.preview.isEmpty()) {
        tiff.Patch(next0, quint32(tiff.size()));
        const auto fields1 = tiff.AddDirectory({{0x0103, kShort, tiff.U16(6)},
                                                {0x0201, kLong, tiff.U32(0)},
                                                {0x0202, kLong, tiff.U32(0)}},
                                               &next1);
        tiff.Patch(fields1.at(0x0201), quint32(tiff.size() + exif.previewOffsetShift));
        tiff.Patch(fields1.at(0x0202), quint32(exif.preview.size() + exif.previewLengthShift));
        tiff.Append(exif.preview);
    }
    return Segment(0xE1, QByteArray("Exif\0\0", 6) + tiff.bytes());
}

QByteArray EncodeJpeg(const QImage& picture, int quality, bool progressive) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    tjhandle compressor = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    QByteArray jpeg;
    if (tjCompress2(compressor, rgb.constBits(), rgb.width(), int(rgb.bytesPerLine()), rgb.height(),
                    TJPF_RGB, &out, &size, TJSAMP_420, quality,
                    progressive ? TJFLAG_PROGRESSIVE : 0) == 0)
        jpeg = QByteArray(reinterpret_cast<const char*>(out), int(size));
    tjFree(out);
    tjDestroy(compressor);
    return jpeg;
}

QImage CameraPreviewOf(const QImage& stored, QSize size) {
    QImage preview(size, QImage::Format_RGB32);
    preview.fill(Qt::black);
    const QSize fitted = stored.size().scaled(size, Qt::KeepAspectRatio);
    QPainter painter(&preview);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(
        QRect(QPoint((size.width() - fitted.width()) / 2, (size.height() - fitted.height()) / 2),
              fitted),
        stored);
    return preview;
}

QByteArray CameraPreviewJpeg(const QImage& stored, QSize size) {
    return EncodeJpeg(CameraPreviewOf(stored, size), 85);
}

QByteArray CameraJpeg(const QImage& stored, const CameraExif& exif, int quality) {
    return WithSegment(EncodeJpeg(stored, quality), CameraExifSegment(exif));
}

QByteArray XmpSegment(const QByteArray& packet) {
    return Segment(0xE1, QByteArray("http://ns.adobe.com/xap/1.0/\0", 29) + packet);
}

QByteArray PhotoshopSegment() {
    // One empty IPTC resource, as editors write even when there is nothing to say.
    return Segment(0xED,
                   QByteArray("Photoshop 3.0\0", 14) + QByteArray("8BIM\x04\x04\0\0\0\0\0\0", 12));
}

QString WriteBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

}  // namespace testing_support
