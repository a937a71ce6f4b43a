#pragma once
// Thumbnails from the preview a camera stores in its JPEGs (EXIF IFD1, usually 160 x 120),
// read from the first tens of kilobytes of the file instead of decoding 24 megapixels.
//
// The preview is used only when it can be trusted to show the photo as it is: its picture
// (without the black bands a camera adds to fit 3:2 into 4:3) has the photo's shape, and
// nothing in the file says it was changed after it was shot (an editor keeps the camera's
// preview while cropping or retouching the pixels). Anything else, broken or doubtful,
// leaves the photo to be decoded as before.

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <optional>

#include "images/image_decoder.h"

namespace images {

// Largest preview taken; cameras write 160 x 120, some 320 x 240 or 640 x 480.
inline constexpr int kMaxCameraThumbnailSide = 640;
// How far into a file the frame header is looked for: past the EXIF block (64 KB at most)
// and whatever else a camera writes before it.
inline constexpr qint64 kMaxCameraHeadBytes = qint64(1) << 20;

// What a photo's headers say about its history.
struct ShotRecord {
    QString dateTime;             // IFD0 DateTime, "YYYY:MM:DD HH:MM:SS": last written
    QString dateTimeOriginal;     // EXIF DateTimeOriginal: when it was shot
    QString software;             // IFD0 Software
    QString processingSoftware;   // IFD0 ProcessingSoftware
    QByteArray xmp;               // the XMP packet, when the file carries one
    bool photoshopBlock = false;  // an APP13 segment of Photoshop's image resources
};

// Empty when nothing in the record says the photo was changed after it was shot;
// otherwise what does. Camera firmware names ("Ver.1.00", "Firmware 2.1") say nothing.
QString SignOfEditing(const ShotRecord& record);

// The part of a preview that shows the picture: without uniform near-black bands along
// both the top and the bottom (or both the left and the right). A dark strip along one
// side only is part of the picture. Empty when the preview is all black.
QRect PictureInsideBands(const QImage& preview);

// Whether a picture of `picture` pixels has the shape of a photo of `photo` pixels: within
// 2 % or a pixel of rounding.
bool SameShape(QSize picture, QSize photo);

// A camera's preview ready to be drawn as the photo: bands cut away, turned by the camera's
// orientation when that is applied, with the photo's own size turned the same way.
struct CameraPreview {
    QImage picture;      // null when the preview is not trusted
    QSize originalSize;  // the photo's pixel size, turned as the picture is
    QString whyNot;      // why the preview is not trusted; empty when it is
    bool ok() const { return !picture.isNull(); }
};

// Reads only the head of the file (up to kMaxCameraHeadBytes, never the whole of it).
// Safe to call from several threads at once; every byte is treated as hostile.
CameraPreview ReadCameraPreview(const QString& photo, Orientation orientation);

// The stored thumbnail (a 105 x 80 BMP file, as MakeThumbnail lays it out) drawn from the
// camera's preview, or nothing when the preview is not trusted or too small for the cell
// (whyNot, when given, says why).
std::optional<QByteArray> MakeThumbnailFromCamera(const QString& photo, bool widescreen,
                                                  int widescreenRatio, Orientation orientation,
                                                  QString* whyNot = nullptr);

}  // namespace images
