#pragma once
// The full-screen viewer: one sample over the whole screen, with zoom, rotation,
// dragging, stepping, an album choice and the pick button. Created hidden at start
// and kept for the whole run; while it is visible the workspace draws every newly
// shown sample into it.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include "widgets/picture_button.h"
#include "workspace/zoomable_picture.h"

namespace workspace {

class FullScreenHost;

inline const QString kNoAlbumChosen = QStringLiteral("未选择");

class TFrmfull : public QWidget {
    Q_OBJECT
  public:
    explicit TFrmfull(QWidget* parent = nullptr);
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

    // Covers the whole screen the workspace is on.
    void ShowOver(QWidget* workspace);
    void FormShow();
    void SpeedButton1Click();
    void SpeedButton3Click();
    void SpeedButton2Click();
    enum class Tool { RotateClockwise, RotateCounterClockwise, ZoomIn, ZoomOut };
    void SpeedButton4Click(Tool tool);
    void RCXCChange();
    void SpeedButton8Click();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void Guard(const std::function<void()>& handler);
    void PlaceBar();
    FullScreenHost* host_ = nullptr;
};

}  // namespace workspace
