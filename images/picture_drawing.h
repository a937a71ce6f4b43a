#pragma once
// The one routine that draws a photo into a frame: the large view, the full-screen view,
// the prefetch workers and the thumbnails all come through here. QImage only, so it runs
// on any thread.
//
// Frames, placements and the zoom percent are in logical pixels, as the layout is. On a
// scaled screen (a 4K TV at 200 %) the canvas holds devicePixelRatio device pixels per
// logical pixel and says so (QImage::devicePixelRatio), so the photo is decoded and drawn
// as finely as the screen shows it.

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>
#include <optional>

#include "images/fitting.h"
#include "images/image_decoder.h"

namespace images {

class PreviewStore;

struct DrawOptions {
    QSize size;     // the frame in logical pixels; the canvas covers exactly this
    QColor margin;  // everything outside the picture
    bool widescreen = false;
    int widescreenRatio = 100;  // percent of the fitted width kept when widescreen
    int quarterTurns = 0;       // clockwise; non-zero draws through DrawRotatedFitted
    Orientation orientation = Orientation::AsTaken;  // the camera's orientation applied first
    qreal devicePixelRatio = 1.0;                    // device pixels per logical pixel
    // Where the photo's preview is drawn from when it holds enough pixels; none: the photo.
    // Not part of what the picture looks like.
    const PreviewStore* previews = nullptr;
};

// The canvas of a frame in device pixels.
QSize DeviceSize(QSize logical, qreal devicePixelRatio);

struct DrawnPicture {
    QImage canvas;  // device pixels, with the options' devicePixelRatio
    // The file could not be decoded: canvas is the fallback at its own size, for the caller
    // to show as a plain picture.
    bool plain = false;
    // Drawn width as a percent of the original; only for the requested file, not the fallback.
    std::optional<int> zoomPercent;
    QSize originalSize;  // of the requested file as turned; invalid when it was not decoded
    QString error;       // why the requested file was not drawn (the fallback was); empty if it was
    bool abandoned = false;  // stopped half-way because it was no longer wanted; no canvas
};

// The zoom percent DrawPictureFitted reports for a file of originalSize pixels (as turned),
// known from its header before anything is decoded; nothing for an empty size.
std::optional<int> FittedZoomPercent(QSize originalSize, const DrawOptions& options);

// Draws `file` fitted and centred on a canvas of options.size with margins of options.margin.
// A missing file (or a folder) draws `fallback` instead. A file that exists but cannot be
// decoded gives a plain canvas of the fallback; throws data::VerimondError if that fallback
// cannot be read either. When the fallback itself is what cannot be drawn, the canvas is all
// margin and nothing is thrown. stillWanted, when given, is asked during the decode: a
// drawing no longer wanted stops there and gives no canvas (abandoned), not the fallback.
DrawnPicture DrawPictureFitted(const QString& file, const QString& fallback,
                               const DrawOptions& options, const StillWanted& stillWanted = {});

// Draws `file` turned by options.quarterTurns, fitted on the turned size. No fallback and no
// exception: whatever fails leaves a canvas that is all margin.
QImage DrawRotatedFitted(const QString& file, const DrawOptions& options);

// Draws an already decoded (and turned) picture, possibly DCT-reduced, whose file is
// originalSize pixels as turned, as DrawPictureFitted would; options.quarterTurns and
// options.orientation are ignored. Null image if drawing failed. `placed`, when given,
// receives the rectangle the picture occupies, in logical pixels.
QImage DrawImageFitted(const QImage& picture, QSize originalSize, const DrawOptions& options,
                       Placement* placed = nullptr);

}  // namespace images
