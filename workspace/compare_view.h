#pragma once
// Samples side by side in the large view's place, or over the full screen: each pane shows
// its sample fitted, under a caption with its display number, file name and albums, a pick
// button and a close button; the candidate's pane is framed in the accent colour. Pictures
// are drawn on the view's own threads; until a pane's drawing arrives it shows the sample's
// stored thumbnail stretched to where the photo will lie, so the window never waits.

#include <QByteArray>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QThreadPool>
#include <QWidget>
#include <atomic>
#include <memory>
#include <vector>

#include "images/picture_drawing.h"
#include "widgets/picture_button.h"
#include "widgets/touch_gestures.h"

namespace workspace {

// What one pane shows.
struct ComparePane {
    qint64 sampleId = -1;
    int displayNumber = 0;
    QString file;  // the photo drawn (a name that does not exist draws the placeholder)
    QString fileName;
    QString albums;  // "已入相册:" and the albums
    QByteArray thumbnail;
};

class CompareView : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kCaptionHeight = 36;
    static constexpr int kBorder = 3;
    static constexpr int kGap = 6;

    explicit CompareView(QWidget* parent);
    // Drawings not started are dropped, those under way waited for.
    ~CompareView() override;

    // Covers host and follows its size; margins take host's background colour.
    void PutInto(QWidget* host);
    // How pictures are drawn (widescreen, its ratio, orientation); size, margin and pixel
    // ratio are each pane's own. Previews, when there are any, are drawn from.
    void SetDrawing(const images::DrawOptions& look,
                    std::shared_ptr<const images::PreviewStore> previews);
    // The panes and the candidate; a pane whose picture is unchanged keeps it.
    void ShowPanes(const std::vector<ComparePane>& panes, int candidate);
    // Stops every drawing and empties the view.
    void Clear();

    int paneCount() const { return static_cast<int>(shown_.size()); }
    // A pane's frame in view coordinates, and its picture label.
    QRect PaneRect(int index) const;
    QLabel* PictureOf(int index) const;
    // Where the photo lies in the pane's picture (picture coordinates).
    QRect PhotoRect(int index) const;
    // True once every pane shows its own drawing (not the thumbnail).
    bool allDrawn() const;
    QThreadPool& pool() { return pool_; }
    // Finger gestures over the panes: the workspace steps the candidate on a swipe.
    widgets::TouchGestures* Touch() const { return touch_; }

  signals:
    void paneClicked(int index);
    void pickClicked(int index);
    void closeClicked(int index);
    // Every pane shows its own drawing now.
    void picturesDrawn();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Pane {
        QFrame* frame = nullptr;
        QLabel* caption = nullptr;
        QLabel* albums = nullptr;
        QLabel* picture = nullptr;
        widgets::PictureButton* pick = nullptr;
        widgets::PictureButton* close = nullptr;
        QString drawnKey;  // what the picture on its way or shown is of
        quint64 request = 0;
        bool drawn = false;
        QSize original;  // the photo's size as turned, from its header
        std::shared_ptr<std::atomic<bool>> wanted;
    };
    Pane& PaneAt(int index);
    void Layout();
    void PlacePane(int index, const QRect& rect);
    void Draw(int index);
    void DrawingDone(int index, quint64 request, const images::DrawnPicture& drawn);
    void StopDrawing(Pane& pane);

    QPointer<QWidget> host_;
    std::vector<std::unique_ptr<Pane>> panes_;
    std::vector<ComparePane> shown_;
    int candidate_ = -1;
    images::DrawOptions look_;
    std::shared_ptr<const images::PreviewStore> previews_;
    QThreadPool pool_;
    widgets::TouchGestures* touch_ = nullptr;
};

}  // namespace workspace
