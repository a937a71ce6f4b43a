#pragma once
// The full-screen viewer: one sample over the whole screen, with zoom, rotation,
// dragging, stepping, an album choice and the pick button. Created hidden at start
// and kept for the whole run; while it is visible the workspace draws every newly
// shown sample into it.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QThreadPool>
#include <QWidget>
#include <atomic>
#include <memory>

#include "widgets/picture_button.h"
#include "workspace/picture_screen.h"
#include "workspace/zoomable_picture.h"

namespace workspace {

class FullScreenHost;

inline const QString kNoAlbumChosen = QStringLiteral("未选择");

class TFrmfull : public QWidget, public PictureScreen {
    Q_OBJECT
  public:
    explicit TFrmfull(QWidget* parent = nullptr);
    // A zoom or turn still being decoded is dropped, not waited for.
    ~TFrmfull() override;
    void SetHost(FullScreenHost* host) { host_ = host; }

    QWidget* Panelimg = nullptr;  // grey; its colour fills the margins
    ZoomablePicture* imgfull = nullptr;
    QLabel* labyrxc = nullptr;                       // albums the sample is in
    QWidget* Panelbtn = nullptr;                     // the button bar
    widgets::PictureButton* SpeedButton8 = nullptr;  // pick
    QComboBox* RCXC = nullptr;                       // album choice
    widgets::PictureButton* SpeedButton3 = nullptr;  // previous
    widgets::PictureButton* SpeedButton2 = nullptr;  // next
    widgets::PictureButton* SpeedButton5 = nullptr;  // rotate counter-clockwise
    widgets::PictureButton* SpeedButton4 = nullptr;  // rotate clockwise
    widgets::PictureButton* SpeedButton6 = nullptr;  // zoom in
    widgets::PictureButton* SpeedButton7 = nullptr;  // zoom out
    QLabel* labrate = nullptr;                       // zoom percent
    widgets::PictureButton* SpeedButton1 = nullptr;  // leave
    QLineEdit* Edit1 = nullptr;                      // takes the focus away from RCXC

    int viewerRotationAngle = 0;

    // The picture as a screen for fitted pictures; the customer's zoom and turn keep
    // fitted pictures out until the next sample.
    images::DrawOptions ScreenOptions() const override;
    void FittedPictureWanted() override;
    bool TakesFittedPictures() const override;
    void ShowCanvas(const QImage& canvas, bool plain) override;
    // The picture fills the screen but for a 5-pixel border.
    void FitPictureArea();
    void ShowZoomPercent(int percent) { labrate->setText(QString::number(percent)); }
    void ShowAlbums(const QString& caption) { labyrxc->setText(caption); }
    // True while a zoom or turn is decoded in the background.
    bool zoomPending() const { return zoomPending_; }
    // The thread zooms are decoded on (for tests).
    QThreadPool& zoomPool() { return zoomPool_; }

    // Covers the whole screen the workspace is on.
    void ShowOver(QWidget* workspace);
    void FormShow();
    // The album choice filled from the workspace's tabs, its active album chosen.
    void ShowAlbumChoice();
    void SpeedButton1Click();
    void SpeedButton3Click();
    void SpeedButton2Click();
    enum class Tool { RotateClockwise, RotateCounterClockwise, ZoomIn, ZoomOut };
    void SpeedButton4Click(Tool tool);
    // Zoom and turn off while something else (compared samples) covers the picture.
    void SetPictureToolsEnabled(bool on);
    void RCXCChange();
    void SpeedButton8Click();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void Guard(const std::function<void()>& handler);
    // Swipes step, a pinch zooms by the buttons' steps, a slide drags the picture.
    void ConnectTouch();
    void PinchZoomTo(qreal scale);
    int pinchFrom_ = 0;  // the zoom percent when the pinch began
    void PlaceBar();
    // Shows the zoomed picture decoded for request, unless a newer one was asked for.
    void ShowZoomed(quint64 request, const QImage& photo, QSize drawn);
    // Drops the zoom on its way: it is not shown, and its decode stops where it is.
    void DropPendingZoom();
    FullScreenHost* host_ = nullptr;
    // Zooms are decoded on their own thread, never on the global pool that Qt's smooth
    // scaling on this thread waits for.
    QThreadPool zoomPool_;
    // The newest zoom asked for; a decode for an older one stops.
    std::shared_ptr<std::atomic<quint64>> zoomWanted_ = std::make_shared<std::atomic<quint64>>(0);
    bool zoomPending_ = false;
    bool pictureTools_ = true;
};

}  // namespace workspace
