#pragma once
// JPEGs as cameras write them: an EXIF block (IFD0 with Make, Model, Orientation, Software
// and DateTime; an EXIF directory with DateTimeOriginal; IFD1 with a small JPEG preview)
// right after the start of the image, then the picture. The TIFF structure is written byte
// by byte here, so that tests can also break it exactly where they want.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace testing_support {

struct CameraExif {
    int orientation = 1;  // 0 leaves the tag out
    QByteArray dateTime = "2026:12:10 10:20:30";
    QByteArray dateTimeOriginal = "2026:12:10 10:20:30";  // empty leaves a tag out
    QByteArray software = "Ver.1.00";
    QByteArray processingSoftware;
    QByteArray preview;  // a JPEG for IFD1; empty writes no IFD1
    bool bigEndian = false;
    // Added to the preview's offset and length as written in IFD1, to break them.
    qint64 previewOffsetShift = 0;
    qint64 previewLengthShift = 0;
};

// The APP1 segment (marker, length, "Exif\0\0", TIFF structure).
QByteArray CameraExifSegment(const CameraExif& exif);

// A baseline JPEG of the picture, 4:2:0, through TurboJPEG.
QByteArray EncodeJpeg(const QImage& picture, int quality = 90, bool progressive = false);

// The preview a camera makes of `stored` (the pixels as stored, before any orientation):
// fitted into `size` and centred on black, as cameras fit 3:2 into 160 x 120.
QImage CameraPreviewOf(const QImage& stored, QSize size = QSize(160, 120));

// The camera's preview of `stored` as the JPEG that goes into IFD1.
QByteArray CameraPreviewJpeg(const QImage& stored, QSize size = QSize(160, 120));

// A JPEG of `stored` with the EXIF segment right after its start.
QByteArray CameraJpeg(const QImage& stored, const CameraExif& exif, int quality = 90);

// An APP1 segment with an XMP packet, and an APP13 segment of Photoshop's image resources.
QByteArray XmpSegment(const QByteArray& packet);
QByteArray PhotoshopSegment();

// Writes bytes to path (folders made as needed); returns path.
QString WriteBytes(const QString& path, const QByteArray& bytes);

}  // namespace testing_support
