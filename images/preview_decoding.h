#pragma once
// Drawing from a station's previews instead of the photo: a fitted picture whose preview
// holds at least the pixels the fit needs comes from the preview, a file of a few hundred
// kilobytes, and keeps the photo's own size for the fitting and the zoom percent. Anything
// bigger (a zoom beyond the screen) still decodes the photo.

#include <QSize>
#include <QString>
#include <optional>

#include "images/image_decoder.h"

namespace images {

class PreviewStore;

// The picture DecodeForFit would give for photo, decoded from its preview; nothing when the
// store holds no current preview of it or the preview is too small for this fit (the caller
// decodes the photo then). The image is turned as `turn` says and originalSize is the
// photo's, as turned.
std::optional<DecodedImage> DecodePreviewForFit(const PreviewStore& store, const QString& photo,
                                                QSize box, const Turn& turn,
                                                qreal devicePixelRatio = 1.0,
                                                const StillWanted& stillWanted = {});

// DecodePreviewForFit when a store is given and serves the fit, DecodeForFit of the photo
// otherwise.
DecodedImage DecodeForFitPreferringPreview(const PreviewStore* store, const QString& photo,
                                           QSize box, const Turn& turn,
                                           qreal devicePixelRatio = 1.0,
                                           const StillWanted& stillWanted = {});

}  // namespace images
