#pragma once
// The large view (RzPanel9 with Showimg) and the tool strip under it (RzPanel4):
// stepping, auto-browse, rotation, widescreen correction, the note box, deletion,
// the pick button and the sample information box.

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "widgets/picture_button.h"

namespace workspace {

inline const QString kNotePrompt = QStringLiteral("请在此输入制作要求或备注信息");

class SampleViewer : public QObject {
    Q_OBJECT
  public:
    explicit SampleViewer(QWidget* workspace);
    void Place(const QRect& viewPanel, const QRect& toolStrip, const QRect& shape3Rect,
               const QRect& infoBox);

    QFrame* RzPanel9 = nullptr;  // large view panel; its colour fills the margins
    QLabel* Showimg = nullptr;
    QFrame* RzPanel4 = nullptr;  // tool strip

    widgets::PictureButton* Image24 = nullptr;       // previous
    widgets::PictureButton* Image25 = nullptr;       // next
    widgets::PictureButton* Image26 = nullptr;       // auto-browse
    widgets::PictureButton* Image23 = nullptr;       // stop auto-browse
    widgets::PictureButton* Image5 = nullptr;        // rotate clockwise
    widgets::PictureButton* Image6 = nullptr;        // rotate counter-clockwise
    widgets::PictureButton* SpeedButton1 = nullptr;  // pick into the current album
    widgets::PictureButton* delphoto = nullptr;
    QCheckBox* rzcbwidthsale = nullptr;
    QLineEdit* rezzyq = nullptr;
    widgets::PictureButton* SpeedButton5 = nullptr;  // save the note
    QFrame* Shape3 = nullptr;
    QGroupBox* rzbphotoinfo = nullptr;
    QLabel* lblfilepath = nullptr;
    QLabel* lblyrxc = nullptr;
    QTimer* tim6 = nullptr;
};

}  // namespace workspace
