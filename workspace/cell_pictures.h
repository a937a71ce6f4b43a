#pragma once
// Sharp thumbnail cells on a scaled screen. The stored thumbnails are 105 x 80 pixels; a 4K
// television at 200 % shows each on four times as many device pixels, blown up. Where the
// station holds a photo's preview, its cell is drawn again from it on the cell's device
// pixels, in the background after the page is shown (a page fill never waits for it), laid
// out as the stored thumbnail is (grey ground, widescreen correction, orientation).

#include <QCache>
#include <QImage>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <atomic>
#include <memory>
#include <vector>

#include "images/picture_drawing.h"

namespace workspace {

class CellPictures : public QObject {
    Q_OBJECT
  public:
    explicit CellPictures(QObject* parent = nullptr);
    // Waits for the drawing under way, so nothing runs once the owner is gone.
    ~CellPictures() override;

    void SetPreviews(std::shared_ptr<const images::PreviewStore> previews);

    // The page now shown: files[i] is the photo of cell i (empty for none), each drawn as
    // its stored thumbnail is (options: its size, ground, widescreen correction and
    // orientation, with the screen's device pixel ratio) and then shown at `shown` logical
    // pixels, as the cell stretches or shrinks the stored one. Cells whose photo has a
    // preview are handed over by cellReady, those of earlier pages no more. Nothing is drawn
    // at a ratio of 1, where the stored thumbnails are sharp already, or without previews.
    void ShowPage(const std::vector<QString>& files, const images::DrawOptions& options,
                  QSize shown);
    // Nothing on its way is wanted any more.
    void Forget();

  signals:
    void cellReady(int cell, const QString& file, const QImage& picture);

  private:
    struct Drawn {
        int cell = 0;
        QString file;
        QString key;
        QImage picture;
    };
    static QString KeyOf(const QString& file, const images::DrawOptions& options, QSize shown);
    static QImage Draw(const images::PreviewStore& previews, const QString& file,
                       const images::DrawOptions& options, QSize shown,
                       const images::StillWanted& stillWanted);

    std::shared_ptr<const images::PreviewStore> previews_;
    QThreadPool pool_;
    // Raised by each page: a drawing for an older one hands nothing over.
    std::shared_ptr<std::atomic<quint64>> page_ = std::make_shared<std::atomic<quint64>>(0);
    // Cells drawn lately, so a page shown again is sharp at once. Cost in KiB.
    QCache<QString, QImage> drawn_;
};

}  // namespace workspace
