#pragma once
// Photos as cameras write them: the stored pixels turned or mirrored, and an EXIF
// Orientation tag (written by libexif) saying how to show them upright.
//
// The picture as taken has four coloured quarters, so every one of the eight orientations
// gives a different stored picture, and a test can tell which way a picture came out.

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

namespace testing_support {

// The quarters of the picture as taken.
inline const QColor kTopLeft(220, 30, 30);       // red
inline const QColor kTopRight(30, 200, 30);      // green
inline const QColor kBottomLeft(30, 30, 220);    // blue
inline const QColor kBottomRight(230, 220, 30);  // yellow

// The picture as taken: `upright` pixels in the four colours.
QImage QuartersImage(QSize upright);

// The pixels a camera stores for `upright` held in `orientation` (EXIF 1..8), following the
// tag's definition: which side of the scene the stored first row and column show.
QImage StoredPixels(const QImage& upright, int orientation);

// The APP1 segment (marker, length, "Exif" payload) libexif writes for an Orientation tag
// of `value`, in Intel or Motorola byte order.
QByteArray ExifSegment(int value, bool bigEndian = false);
// The JPEG with `segment` put right after its start-of-image marker.
QByteArray WithSegment(const QByteArray& jpeg, const QByteArray& segment);

// Writes a JPEG of the quarters picture of `upright` size as a camera held in `orientation`
// would store it, with the tag; returns the path.
QString WriteOrientedPhoto(const QString& path, QSize upright, int orientation,
                           bool bigEndian = false);

// Empty when the picture shows the quarters the right way round (sampled near their
// middles, with room for JPEG's blur); otherwise what is wrong.
QString QuartersUpright(const QImage& picture);
// The same within `area` of a larger picture (a drawn canvas).
QString QuartersUprightIn(const QImage& picture, const QRect& area);

}  // namespace testing_support
