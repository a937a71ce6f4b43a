#include "images/preview_decoding.h"

#include <QtMath>

#include "images/fitting.h"
#include "images/log.h"
#include "images/preview_store.h"

namespace images {
namespace {

QSize Turned(QSize size, int quarterTurns) {
    return ((quarterTurns % 4) + 4) % 2 == 1 ? size.transposed() : size;
}

}  // namespace

std::optional<DecodedImage> DecodePreviewForFit(const PreviewStore& store, const QString& photo,
                                                QSize box, const Turn& turn, qreal devicePixelRatio,
                                                const StillWanted& stillWanted) {
    const std::optional<FoundPreview> found = store.Find(photo, turn.orientation);
    if (!found || found->size.isEmpty() || found->originalSize.isEmpty()) return std::nullopt;
    // The fit is that of the photo; the preview must hold the device pixels it covers. A
    // pixel short is rounding between the two fits, not a coarser picture.
    const QSize original = Turned(found->originalSize, turn.quarterTurns);
    const QSize preview = Turned(found->size, turn.quarterTurns);
    const Placement p = FitPicture(box.width(), box.height(), original.width(), original.height());
    const QSize needed(qCeil(p.w * devicePixelRatio), qCeil(p.h * devicePixelRatio));
    if (needed.width() > preview.width() + 1 || needed.height() > preview.height() + 1)
        return std::nullopt;
    // The preview is upright already: only the customer's own turns are applied.
    DecodedImage decoded =
        DecodeForFit(found->file, box, {Orientation::AsStored, turn.quarterTurns}, devicePixelRatio,
                     stillWanted, DecodeSpeed::Fast);
    if (decoded.abandoned) return decoded;
    if (!decoded.ok()) {
        qCWarning(lcImages).noquote()
            << "preview of" << photo << "cannot be read, the photo is decoded:" << decoded.error;
        return std::nullopt;
    }
    decoded.originalSize = original;
    return decoded;
}

DecodedImage DecodeForFitPreferringPreview(const PreviewStore* store, const QString& photo,
                                           QSize box, const Turn& turn, qreal devicePixelRatio,
                                           const StillWanted& stillWanted) {
    if (store) {
        std::optional<DecodedImage> fromPreview =
            DecodePreviewForFit(*store, photo, box, turn, devicePixelRatio, stillWanted);
        if (fromPreview) return std::move(*fromPreview);
    }
    return DecodeForFit(photo, box, turn, devicePixelRatio, stillWanted);
}

}  // namespace images
