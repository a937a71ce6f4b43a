#pragma once
// Decoding photo files. JPEG (recognised by content) goes through TurboJPEG at the smallest
// DCT scale that still covers what will be shown; BMP, PNG and GIF through Qt's readers.
// Every function here is safe to call from several threads at once.

#include <QImage>
#include <QSize>
#include <QString>

namespace images {

struct DecodedImage {
    QImage image;        // possibly smaller than the file (DCT scaling), never larger
    QSize originalSize;  // the file's own pixel size whatever scale was decoded; invalid on failure
    QString error;       // why decoding failed; empty on success
    bool ok() const { return !image.isNull(); }
};

// Pixel size from the file's header; invalid if the file cannot be read as a picture.
QSize ReadImageSize(const QString& path);

// Decodes the file. A JPEG comes out at the smallest of 1/8, 1/4, 1/2, 1/1 whose size covers
// `needed` in both directions (full size when `needed` is invalid). No EXIF rotation.
DecodedImage DecodeImage(const QString& path, QSize needed = QSize());

// Decodes just enough to draw the picture fitted (FitPicture) into `box`. With quarterTurns
// (clockwise, 0..3) the fit is computed on the turned picture and the image comes back turned;
// originalSize is then the turned original size.
DecodedImage DecodeForFit(const QString& path, QSize box, int quarterTurns = 0);

}  // namespace images
