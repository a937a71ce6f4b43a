// The workspace's use of the station's previews: the store opened for the screen the
// workspace is on, handed to the picture cache and the outputs, and the cells drawn sharp
// from it on a scaled screen.

#include <QDir>
#include <QScreen>
#include <QTimer>

#include "app/log.h"
#include "app/tfrmps.h"
#include "customers/preview_building.h"
#include "data/connection.h"
#include "data/errors.h"
#include "images/picture_drawing.h"
#include "images/preview_store.h"
#include "images/thumbnail.h"
#include "workspace/album_panel.h"
#include "workspace/cell_pictures.h"
#include "workspace/picture_cache.h"
#include "workspace/sample_strip.h"
#include "workspace/sample_viewer.h"

namespace app {
namespace {

// Previews of earlier customers start building a moment after the start, once the first
// customer is on screen.
constexpr int kEarlierCustomersAfterMs = 3000;

}  // namespace

void Tfrmps::OpenPreviews() {
    // Fitted to the whole screen in device pixels: the full-screen viewer shows the
    // largest picture.
    QSize screenSize = images::kDefaultPreviewScreen;
    if (const QScreen* s = screen())
        screenSize = images::DeviceSize(s->geometry().size(), s->devicePixelRatio());
    const QString folder = QDir::current().absoluteFilePath(images::kPreviewFolderName);
    state_.previews = std::make_shared<images::PreviewStore>(folder, screenSize);
    images::RecordPreviewScreen(folder, screenSize);
    pictures_->SetPreviews(state_.previews);

    stripPictures_ = std::make_unique<workspace::CellPictures>();
    stripPictures_->SetPreviews(state_.previews);
    connect(stripPictures_.get(), &workspace::CellPictures::cellReady, strip_,
            &workspace::SampleStrip::ShowSharpPicture);
    SetBuildingPreviews(true);
    QTimer::singleShot(kEarlierCustomersAfterMs, this, [this] {
        if (!previewBuilder_ || !earlierCustomersWanted_) return;
        try {
            customersToPreview_.clear();
            for (const auto& row : data::QueryRows(
                     QStringLiteral("select customerid from customer order by customerid")))
                customersToPreview_.push_back(row.value(0).toLongLong());
        } catch (const data::VerimondError& error) {
            // Nothing lost: the previews are built when the customers are shown or imported.
            qCWarning(lcApp).noquote() << "earlier customers' previews not queued:" << error.text();
        }
        if (!previewBuilder_->busy()) QueueNextCustomerPreviews();
    });

    albumPictures_ = std::make_unique<workspace::CellPictures>();
    albumPictures_->SetPreviews(state_.previews);
    connect(albumPictures_.get(), &workspace::CellPictures::cellReady, albums_,
            &workspace::AlbumPanel::ShowSharpPicture);
}

void Tfrmps::SetBuildingPreviews(bool on) {
    if (!on) {
        earlierCustomersWanted_ = false;
        customersToPreview_.clear();
        previewBuilder_.reset();
        return;
    }
    if (previewBuilder_ || !state_.previews) return;
    previewBuilder_ = std::make_unique<customers::PreviewBuilder>(state_.previews);
    connect(previewBuilder_.get(), &customers::PreviewBuilder::finished, this,
            [this] { QueueNextCustomerPreviews(); });
}

images::DrawOptions Tfrmps::CellOptions() const {
    images::DrawOptions options = images::ThumbnailDrawOptions(
        viewer_->WidescreenCorrection(), state_.widescreenRatio,
        state_.cameraOrientation ? images::Orientation::AsTaken : images::Orientation::AsStored);
    options.devicePixelRatio = strip_->devicePixelRatioF();
    return options;
}

void Tfrmps::SharpenStripCells() {
    if (stripPictures_)
        stripPictures_->ShowPage(strip_->PageFiles(), CellOptions(), strip_->CellPictureSize());
}

void Tfrmps::SharpenAlbumCells() {
    if (albumPictures_)
        albumPictures_->ShowPage(albums_->PageFiles(), CellOptions(), albums_->CellPictureSize());
}

void Tfrmps::QueueNextCustomerPreviews() {
    while (previewBuilder_ && !customersToPreview_.empty()) {
        const qint64 id = customersToPreview_.back();
        customersToPreview_.pop_back();
        if (QueuePreviewsOf(id)) return;
    }
}

bool Tfrmps::QueuePreviewsOf(qint64 customerId) {
    if (!previewBuilder_) return false;
    try {
        const QStringList photos = customers::SamplePhotoFiles(customerId);
        if (photos.isEmpty()) return false;
        previewBuilder_->Queue(customerId, photos,
                               state_.cameraOrientation ? images::Orientation::AsTaken
                                                        : images::Orientation::AsStored);
        return true;
    } catch (const data::VerimondError& error) {
        qCWarning(lcApp).noquote()
            << "previews of customer" << customerId << "not queued:" << error.text();
        return false;
    }
}

}  // namespace app
