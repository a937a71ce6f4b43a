#pragma once
// What the large view shows while a sample's own picture is drawn in the background: its
// stored thumbnail, scaled up to where the photo will lie.

#include <QByteArray>
#include <QImage>
#include <QSize>

#include "images/picture_drawing.h"

namespace workspace {

// The stored thumbnail (the photo fitted on grey) drawn as the photo of size original
// would be drawn with options. Null when it cannot stand in: the thumbnail cannot be read
// (VerimondError), or it was made while the photo was turned the other way and would
// flash the wrong shape. An invalid original draws the thumbnail as it is.
QImage StandInPicture(const QByteArray& thumbnail, QSize original,
                      const images::DrawOptions& options);

}  // namespace workspace
