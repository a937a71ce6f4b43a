#pragma once
// Reading the head of a photo file safely: the file itself, the JPEG's marker segments up
// to its first scan, and its EXIF block. Shared by the decoder and the camera thumbnails
// inside this layer; nothing above it needs these.

#include <libexif/exif-data.h>

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QtGlobal>

namespace images::internal {

// Enough to reach the EXIF segment: it follows the start of the image, at most after a
// JFIF segment, and is at most 64 KB long.
inline constexpr qint64 kExifHeadBytes = 128 * 1024;

QString CannotOpen(const QString& path);
QString SizeText(QSize size);
qint64 PixelsOf(QSize size);

// A photo file opened for reading. Only regular files are read: a pipe or a device under a
// photo's name would block or never end. Reads go into memory, never through a map, so a
// file truncated meanwhile just gives fewer bytes.
class PhotoFile {
  public:
    explicit PhotoFile(const QString& path);
    ~PhotoFile();
    PhotoFile(const PhotoFile&) = delete;
    PhotoFile& operator=(const PhotoFile&) = delete;

    bool ok() const { return fd_ >= 0; }
    const QString& error() const { return error_; }
    qint64 size() const { return size_; }
    int descriptor() const { return fd_; }

    // Up to `limit` bytes from the start (the whole file when limit < 0); fewer when the file
    // shrank since it was opened. A file that grew is read as long as it was.
    QByteArray read(qint64 limit = -1) const;
    // Extends bytes, read from the start before, up to `limit` (the whole file when < 0).
    void readMore(QByteArray* bytes, qint64 limit = -1) const;
    bool startsLikeJpeg() const;

  private:
    void Close();

    QString path_;
    int fd_ = -1;
    qint64 size_ = 0;
    QString error_;
};

struct JpegLayout {
    bool frameFound = false;
    QSize size;
    // The decoder keeps every DCT coefficient of the picture while scans arrive: progressive
    // files, and files whose first scan does not carry every component.
    bool wholeImageBuffer = false;
    qint64 blocks = 0;  // 8x8 blocks of all components, as the decoder pads them
    qint64 scans = 0;   // counted only for files with a whole-image buffer
    // The first APP1 segment holding EXIF data: where its payload ("Exif\0\0" and the
    // TIFF structure) starts in the bytes, and its length; -1 when there is none.
    qint64 exifAt = -1;
    qint64 exifLength = 0;
    // The first APP1 segment holding an XMP packet: where the packet starts (after its
    // namespace name) and its length; -1 when there is none.
    qint64 xmpAt = -1;
    qint64 xmpLength = 0;
    // An APP13 segment of Photoshop's image resources: only editors write one.
    bool photoshopBlock = false;
};

// Walks the marker segments from SOI to the first scan, as libjpeg reads them: bytes
// between segments are skipped, as are fill bytes before a marker. With countScans, the
// scans of a file with a whole-image buffer are counted through to the end of the bytes.
JpegLayout ReadJpegLayout(const QByteArray& bytes, bool countScans);

// Empty when the picture may be decoded; otherwise why not.
QString RefusalOf(const JpegLayout& layout);

// The EXIF block of a JPEG as libexif reads it: every tag kept as it is (none added or
// corrected as a writer would want, unknown ones kept), and the IFD1 thumbnail, if any, in
// data/size. Empty (get() null) when the layout found no EXIF segment.
class ExifBlock {
  public:
    ExifBlock(const QByteArray& bytes, const JpegLayout& layout);
    ~ExifBlock();
    ExifBlock(const ExifBlock&) = delete;
    ExifBlock& operator=(const ExifBlock&) = delete;
    ExifData* get() const { return exif_; }

    // The Orientation tag of IFD0 (1..8); 1 when it is missing or out of range.
    int orientation() const;
    // An ASCII tag as text; empty when it is missing or not text.
    QString text(ExifIfd ifd, ExifTag tag) const;

  private:
    ExifData* exif_ = nullptr;
};

// The Orientation tag of IFD0, read by libexif from the EXIF segment the layout found.
int OrientationOf(const QByteArray& bytes, const JpegLayout& layout);

// The decoded pixels upright (orientation) and then turned by `turns` quarter turns
// clockwise, in at most one mirror and one turn of the picture.
QImage Turned(QImage image, int orientation, int turns);

}  // namespace images::internal
