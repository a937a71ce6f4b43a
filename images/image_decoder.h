#pragma once
// Decoding photo files. JPEG (recognised by content) goes through TurboJPEG at the smallest
// DCT scale that still covers what will be shown; BMP, PNG and GIF through Qt's readers.
// Every function here is safe to call from several threads at once.
//
// Every byte from disk is treated as hostile: files are read into memory (never mapped, so
// a photo rewritten meanwhile cannot take the program down), only regular files are read,
// and every decode has a budget. What is beyond the limits below is refused with an error,
// never attempted.

#include <QImage>
#include <QSize>
#include <QString>
#include <QtGlobal>

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

struct DecodedImage {
    QImage image;        // possibly smaller than the file (DCT scaling), never larger
    QSize originalSize;  // the file's own pixel size whatever scale was decoded; invalid on failure
    QString error;       // why decoding failed; empty on success
    bool ok() const { return !image.isNull(); }
};

// Pixel size from the file's header; invalid if the file cannot be read as a picture or
// claims more than the limits allow.
QSize ReadImageSize(const QString& path);

// Decodes the file. A JPEG comes out at the smallest of 1/8, 1/4, 1/2, 1/1 whose size covers
// `needed` in both directions (full size when `needed` is invalid), or the largest within
// kMaxDecodedPixels when that is smaller. No EXIF rotation.
DecodedImage DecodeImage(const QString& path, QSize needed = QSize());

// Decodes just enough to draw the picture fitted (FitPicture) into `box`. With quarterTurns
// (clockwise, 0..3) the fit is computed on the turned picture and the image comes back turned;
// originalSize is then the turned original size.
DecodedImage DecodeForFit(const QString& path, QSize box, int quarterTurns = 0);

}  // namespace images
