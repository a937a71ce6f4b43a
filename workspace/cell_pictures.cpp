#include "workspace/cell_pictures.h"

#include <QMetaObject>
#include <QPointer>
#include <QtConcurrent>

#include "images/preview_decoding.h"
#include "images/preview_store.h"

namespace workspace {

CellPictures::CellPictures(QObject* parent) : QObject(parent), drawn_(16 * 1024) {
    // One thread: cells are small, and the large view's drawings need the other core.
    pool_.setMaxThreadCount(1);
}

CellPictures::~CellPictures() {
    Forget();
    pool_.waitForDone();
}

void CellPictures::SetPreviews(std::shared_ptr<const images::PreviewStore> previews) {
    previews_ = std::move(previews);
    drawn_.clear();
}

QString CellPictures::KeyOf(const QString& file, const images::DrawOptions& options, QSize shown) {
    return file + QLatin1Char('\n') + QString::number(shown.width()) + QLatin1Char('x') +
           QString::number(shown.height()) + QLatin1Char('@') +
           QString::number(options.devicePixelRatio) + QLatin1Char('\n') +
           QString::number(options.widescreen ? options.widescreenRatio : 100) +
           (options.orientation == images::Orientation::AsTaken ? QStringLiteral("\nupright")
                                                                : QStringLiteral("\nas stored"));
}

QImage CellPictures::Draw(const images::PreviewStore& previews, const QString& file,
                          const images::DrawOptions& options, QSize shown,
                          const images::StillWanted& stillWanted) {
    // The thumbnail's layout on as many device pixels as the cell shows it on.
    const QSize device = images::DeviceSize(shown, options.devicePixelRatio);
    images::DrawOptions fine = options;
    fine.devicePixelRatio = std::max(qreal(device.width()) / options.size.width(),
                                     qreal(device.height()) / options.size.height());
    const std::optional<images::DecodedImage> decoded = images::DecodePreviewForFit(
        previews, file, fine.size, {fine.orientation, 0}, fine.devicePixelRatio, stillWanted);
    if (!decoded || !decoded->ok()) return QImage();
    QImage picture = images::DrawImageFitted(decoded->image, decoded->originalSize, fine);
    if (picture.isNull()) return picture;
    if (picture.size() != device)
        picture = picture.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    picture.setDevicePixelRatio(options.devicePixelRatio);
    return picture;
}

void CellPictures::Forget() { ++*page_; }

void CellPictures::ShowPage(const std::vector<QString>& files, const images::DrawOptions& options,
                            QSize shown) {
    const quint64 page = ++*page_;
    if (!previews_ || options.devicePixelRatio <= 1.0 || options.size.isEmpty() || shown.isEmpty())
        return;
    std::vector<Drawn> wanted;
    for (int cell = 0; cell < static_cast<int>(files.size()); ++cell) {
        if (files[cell].isEmpty()) continue;
        const QString key = KeyOf(files[cell], options, shown);
        if (const QImage* picture = drawn_.object(key)) {
            emit cellReady(cell, files[cell], *picture);
            continue;
        }
        wanted.push_back({cell, files[cell], key, QImage()});
    }
    if (wanted.empty()) return;
    // The pool is waited for before this object goes: self is alive while the job runs.
    QPointer<CellPictures> self(this);
    (void)QtConcurrent::run(&pool_, [self, wanted = std::move(wanted), options, shown, page,
                                     current = page_, previews = previews_]() mutable {
        const auto stillWanted = [&] { return current->load() == page; };
        for (Drawn& cell : wanted) {
            if (!stillWanted()) return;
            cell.picture = Draw(*previews, cell.file, options, shown, stillWanted);
            if (cell.picture.isNull()) continue;
            QMetaObject::invokeMethod(
                self.data(),
                [self, cell, page, current] {
                    if (!self) return;
                    self->drawn_.insert(cell.key, new QImage(cell.picture),
                                        std::max<qsizetype>(1, cell.picture.sizeInBytes() / 1024));
                    if (current->load() == page)
                        emit self->cellReady(cell.cell, cell.file, cell.picture);
                },
                Qt::QueuedConnection);
        }
    });
}

}  // namespace workspace
