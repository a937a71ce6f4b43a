#pragma once
// The title strip across the top of the workspace (Image1): the product title and the
// window buttons. Dragging the strip moves the window.

#include <QLabel>
#include <QWidget>

#include "widgets/picture_button.h"

namespace app {

class TitleStrip : public QWidget {
    Q_OBJECT
  public:
    explicit TitleStrip(QWidget* parent);

    QLabel* Label2 = nullptr;
    widgets::PictureButton* imgfull = nullptr;
    widgets::PictureButton* btnhelp = nullptr;
    widgets::PictureButton* btnabout = nullptr;
    widgets::PictureButton* sbtnwinstate2 = nullptr;  // full screen
    widgets::PictureButton* sbtnwinstate1 = nullptr;  // work-area size
    widgets::PictureButton* sbtnwinstate = nullptr;   // minimise
    widgets::PictureButton* sbtnexit = nullptr;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace app
