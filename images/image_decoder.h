#pragma once
// Decoding photo files. JPEG (recognised by content) goes through libjpeg at the smallest
// DCT scale that still covers what will be shown, a few rows at a time so that a decode
// nobody wants any more can stop half-way; BMP, PNG and GIF through Qt's readers.
// Every function here is safe to call from several threads at once.
//
// Cameras store a portrait shot as landscape pixels and say in the EXIF Orientation tag how
// the camera was held. The tag is applied here, where the photo is decoded, so that sizes,
// fitting, thumbnails and views all see the picture as it was taken.
//
// Every byte from disk is treated as hostile: files are read into memory (never mapped, so
// a photo rewritten meanwhile cannot take the program down), only regular files are read,
// and every decode has a budget. What is beyond the limits below is refused with an error,
// never attempted.

#include <QImage>
#include <QSize>
#include <QString>
#include <QtGlobal>
#include <functional>

namespace images {

// Largest file read as a photo at all.
inline constexpr qint64 kMaxPhotoFileBytes = qint64(1) << 30;
// Largest picture a file may claim: a 150-megapixel medium-format back with room to spare.
// A header claiming more (60000 x 60000 in a 10 KB file) is refused from the header alone.
inline constexpr qint64 kMaxPicturePixels = 200'000'000;
// Most pixels one decode produces. A JPEG asked for more is decoded at a smaller DCT scale;
// BMP, PNG and GIF, decoded whole, must fit (a 100-megapixel camera's size does).
inline constexpr qint64 kMaxDecodedPixels = 120'000'000;
// A progressive JPEG (or one whose components come in separate scans) is held whole as DCT
// coefficients while its scans arrive, whatever the output scale: its memory and the work
// of all its scans are limited as well. Real files stay far below both.
inline constexpr qint64 kMaxJpegCoefficientBytes = qint64(512) << 20;
inline constexpr qint64 kMaxJpegScanWork = 60'000'000;  // 8x8 blocks times scans

// Whether a photo comes out as the camera held it (its EXIF orientation applied) or with its
// pixels as stored; the latter for studios whose retouching already turned the pixels and
// left a stale tag behind.
enum class Orientation { AsTaken, AsStored };

// Which way a decoded picture comes out: the camera's orientation first, then quarterTurns
// clockwise (the customer's own rotation, 0..3; other values are taken modulo 4).
struct Turn {
    Orientation orientation = Orientation::AsTaken;
    int quarterTurns = 0;
};

// How a JPEG's pixels are computed. Fast takes the integer DCT and repeats chroma rather than
// interpolating it: some 15 % less work. For the station's previews, which were smoothed
// when they were made and are decoded at sizes where the difference cannot be seen.
enum class DecodeSpeed { Accurate, Fast };

// Asked now and then while a JPEG is decoded, on the decoding thread: false abandons the
// decode (DecodedImage::abandoned). Must be cheap and must not throw.
using StillWanted = std::function<bool()>;

struct DecodedImage {
    QImage image;         // possibly smaller than the file (DCT scaling), never larger; turned
    QSize originalSize;   // the file's own pixel size whatever scale was decoded, turned as the
                          // image is; invalid on failure
    int orientation = 1;  // the EXIF orientation applied (1..8); 1 when none was
    QString error;        // why decoding failed; empty on success
    // Stopped because it was no longer wanted (StillWanted); image is null.
    bool abandoned = false;
    bool ok() const { return !image.isNull(); }
};

// The EXIF orientation of a JPEG (1..8), read from its header through libexif without
// decoding any pixels; 1 when the file carries none, is no JPEG or cannot be read.
int ReadCameraOrientation(const QString& path);
// True for the orientations 5..8, which swap width and height.
bool SwapsAxes(int orientation);

// Pixel size from the file's header (upright with Orientation::AsTaken); invalid if the file
// cannot be read as a picture or claims more than the limits allow.
QSize ReadImageSize(const QString& path, Orientation orientation = Orientation::AsTaken);

// Decodes the file, turned as `turn` says. A JPEG comes out at the smallest of 1/8, 1/4, 1/2,
// 1/1 whose size covers `needed` (given for the turned picture) in both directions (full size
// when `needed` is invalid), or the largest within kMaxDecodedPixels when that is smaller.
DecodedImage DecodeImage(const QString& path, QSize needed = QSize(), const Turn& turn = {},
                         const StillWanted& stillWanted = {});

// Decodes just enough to draw the picture fitted (FitPicture) into `box`, whose logical
// pixels are devicePixelRatio device pixels each. The fit is computed on the turned picture,
// and the image comes back turned.
DecodedImage DecodeForFit(const QString& path, QSize box, const Turn& turn = {},
                          qreal devicePixelRatio = 1.0, const StillWanted& stillWanted = {},
                          DecodeSpeed speed = DecodeSpeed::Accurate);

}  // namespace images
