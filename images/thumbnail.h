#pragma once
// Thumbnails as stored in the database: complete 24-bit BMP files of 105 x 80, the photo
// fitted on a grey ground.

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>
#include <optional>

#include "images/image_decoder.h"
#include "images/picture_drawing.h"

namespace images {

class PreviewStore;

inline constexpr int kThumbnailWidth = 105;
inline constexpr int kThumbnailHeight = 80;
inline constexpr QColor kThumbnailMargin(120, 120, 120);

// How a thumbnail is drawn: 105 x 80 on grey, narrowed while widescreen correction is on.
DrawOptions ThumbnailDrawOptions(bool widescreen, int widescreenRatio, Orientation orientation);

// An uncompressed 24-bit Windows BMP (file header, BITMAPINFOHEADER, bottom-up rows padded
// to 4 bytes, BGR). Written by hand so the depth never depends on Qt's writer.
QByteArray EncodeBmp24(const QImage& image);

// The photo drawn fitted into 105 x 80 with grey margins, as a BMP file. An undecodable photo
// gives the fallback fitted the same way; throws data::VerimondError if that fallback cannot
// be read. Drawn from the photo's preview when previews holds one. Safe to call from several
// threads at once.
QByteArray MakeThumbnail(const QString& photoPath, bool widescreen, int widescreenRatio,
                         const QString& fallback = QStringLiteral("photo/Thumbnails_nophoto.jpg"),
                         Orientation orientation = Orientation::AsTaken,
                         const PreviewStore* previews = nullptr);

// The thumbnail of the photo itself, made again; nothing when the photo is missing or cannot
// be decoded, since the thumbnail stored then is worth more than a placeholder.
std::optional<QByteArray> RemakeThumbnail(const QString& photoPath, bool widescreen,
                                          int widescreenRatio, Orientation orientation);

// The picture to show for a stored thumbnail: the BMP blob, or the placeholder file when the
// blob is empty. Throws data::VerimondError when neither can be read.
QImage ShowThumbnail(const QByteArray& blob, const QString& placeholder);

// Whether a stored thumbnail shows the photo the way `photo` (its size as it will be drawn)
// lies: upright or lying, judged from where the grey ground leaves off along its middle
// row and column. A thumbnail made while the photo was turned the other way (the camera's
// orientation setting changed since the import) does not, nor does a blank one.
bool ThumbnailShowsShape(const QImage& thumbnail, QSize photo);

// A thumbnail prepared for a cell of `cell` logical pixels on a screen with devicePixelRatio:
// stretched over the cell, or else shrunk to fit when larger and kept at its own size when
// not. Either way it is scaled smoothly to the device pixels it covers and carries the ratio,
// so a scaled screen shows it at the same size, neither blocky nor blurred twice.
QImage ThumbnailForCell(const QImage& thumbnail, QSize cell, qreal devicePixelRatio, bool stretch);

}  // namespace images
