#include "workspace/stand_in_picture.h"

#include "images/fitting.h"
#include "images/thumbnail.h"

namespace workspace {

QImage StandInPicture(const QByteArray& thumbnail, QSize original,
                      const images::DrawOptions& options) {
    QImage picture = images::ShowThumbnail(thumbnail, QString());
    if (!original.isEmpty() && !images::ThumbnailShowsShape(picture, original)) return {};
    // The part of the thumbnail that holds the photo, without the grey around it.
    QSize size = original;
    if (!original.isEmpty()) {
        const images::Placement p =
            images::FitPicture(picture.width(), picture.height(), size.width(), size.height());
        picture = picture.copy(p.x, p.y, p.w, p.h);
    } else {
        size = picture.size() * 100;
    }
    return images::DrawImageFitted(picture, size, options);
}

}  // namespace workspace
