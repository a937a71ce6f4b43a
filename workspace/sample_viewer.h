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

#include "widgets/caption_button.h"
#include "widgets/picture_button.h"
#include "widgets/touch_gestures.h"
#include "workspace/picture_screen.h"
#include "workspace/workspace_operations.h"

namespace workspace {

class SampleViewer : public QObject, public PictureScreen {
    Q_OBJECT
  public:
    explicit SampleViewer(QWidget* workspace);
    void Place(const QRect& viewPanel, const QRect& toolStrip, const QRect& shape3Rect,
               const QRect& infoBox);

    // The large view (Showimg) as a screen for fitted pictures.
    images::DrawOptions ScreenOptions() const override;
    void ShowCanvas(const QImage& canvas, bool plain) override;
    // With no sample to show: the placeholder stretched over the view.
    void ShowPlaceholder(const QString& file);
    // The view is hidden while a sample is put up and shown again when it is up.
    void HideLargeView() { Showimg->hide(); }
    void RevealLargeView() { Showimg->show(); }

    // The widescreen box: whether pictures are narrowed; showing the stored setting does
    // not count as a click.
    bool WidescreenCorrection() const { return rzcbwidthsale->isChecked(); }
    void ShowWidescreenCorrection(bool on);

    // The large view fills its panel but for a 5-pixel border.
    void FitLargeView();

    // The information box: where the file is, and the albums the sample is in.
    void ShowFile(const QString& caption, const QString& hint);
    void ShowAlbums(const QString& caption, const QString& hint);
    void ClearInfo();
    // The line of the information box that says what the last undo did.
    void ShowUndoMessage(const QString& message);
    QString UndoMessage() const { return lblundo->text(); }
    // The undo button is enabled while there is a step to take back.
    void SetUndoEnabled(bool enabled) { btnundo->setEnabled(enabled); }

    // The note box; its text is the note as typed (the prompt is only its placeholder).
    QString Note() const { return rezzyq->text(); }
    void SetNote(const QString& note) { rezzyq->setText(note); }
    void ClearNote() { rezzyq->clear(); }

    // Auto-browse: autoBrowseStep every 3000 ms while it runs.
    void StartAutoBrowse() { tim6->start(); }
    void StopAutoBrowse() { tim6->stop(); }
    bool AutoBrowsing() const { return tim6->isActive(); }

    // The 对比 button shows whether a compare is open or being started.
    void SetCompareChecked(bool on) { btncompare->setChecked(on); }
    // The turn buttons are off while compared samples cover the large view.
    void SetRotationEnabled(bool on) {
        Image5->setEnabled(on);
        Image6->setEnabled(on);
    }
    QToolButton* CompareButton() const { return btncompare; }
    // The panel the large view lies in; compare panes take its place.
    QWidget* ViewPanel() const { return RzPanel9; }
    // Finger gestures on the large view, for the workspace to step and open full screen.
    widgets::TouchGestures* LargeViewTouch() const { return showimgTouch_; }

  signals:
    void previousClicked();              // Image24
    void nextClicked();                  // Image25
    void autoBrowseClicked();            // Image26
    void stopBrowseClicked();            // Image23
    void autoBrowseStep();               // tim6
    void rotateClicked(bool clockwise);  // Image5, Image6
    void widescreenClicked();            // rzcbwidthsale
    void pickClicked();                  // SpeedButton1
    void undoClicked();                  // btnundo
    void deleteClicked();                // delphoto
    void saveNoteClicked();              // SpeedButton5
    void noteEntered();                  // the note box receives the focus
    void compareClicked();               // btncompare

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QLabel* Showimg = nullptr;
    QCheckBox* rzcbwidthsale = nullptr;
    QFrame* RzPanel9 = nullptr;  // large view panel; its colour fills the margins
    QFrame* RzPanel4 = nullptr;  // tool strip

    widgets::PictureButton* Image24 = nullptr;       // previous
    widgets::PictureButton* Image25 = nullptr;       // next
    widgets::PictureButton* Image26 = nullptr;       // auto-browse
    widgets::PictureButton* Image23 = nullptr;       // stop auto-browse
    widgets::PictureButton* Image5 = nullptr;        // rotate clockwise
    widgets::PictureButton* Image6 = nullptr;        // rotate counter-clockwise
    widgets::PictureButton* SpeedButton1 = nullptr;  // pick into the current album
    widgets::CaptionButton* btnundo = nullptr;       // take back the last change
    widgets::PictureButton* delphoto = nullptr;
    widgets::PictureButton* btncompare = nullptr;  // samples side by side
    QLineEdit* rezzyq = nullptr;
    widgets::PictureButton* SpeedButton5 = nullptr;  // save the note
    QFrame* Shape3 = nullptr;
    QGroupBox* rzbphotoinfo = nullptr;
    QLabel* lblfilepath = nullptr;
    QLabel* lblyrxc = nullptr;
    QLabel* lblundo = nullptr;  // on the box's title line
    QTimer* tim6 = nullptr;
    widgets::TouchGestures* showimgTouch_ = nullptr;
};

}  // namespace workspace
