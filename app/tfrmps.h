#pragma once
// The selection workspace, the program's main window. It owns the database
// connection, the shared WorkspaceState and the full-screen viewer, and wires its
// parts together. Each part owns its controls and offers verbs; what changes the database
// is a plain operation of workspace/workspace_operations.h (reads: workspace_queries.h).
// A handler reads controls, calls operations and shows their results.
//
//  Tfrmps
//  ├── Image1  TitleStrip: Label2, imgfull, btnhelp, btnabout, sbtnwinstate2,
//  │           sbtnwinstate1, sbtnwinstate, sbtnexit
//  ├── Image2  top row: Label3, Rzcbcustomer (and the hidden Rzcbcustomerid), imglock,
//  │           Label4, Label1 StatisticsLine (prompt, then statistics), SpeedButton2/4/3
//  │           (staff), Shape2, PelMenu1 LoginBox (pass, imgdl, imgxgmm, imgzxdl)
//  ├── AlbumPanel   RzPanel1
//  │   ├── RzPanel7 album grid: Image3, cells 1..18 (spzc frame, imgdiszc, zcbt album,
//  │   │            zcl, zczu remove, zcps show), zcsbar, scrarr3/4
//  │   └── RzPanel6 album tabs: rpczctypelist, teaddzctype, Image28 add, Image4 delete,
//  │                Image7 rename
//  ├── SampleViewer
//  │   ├── RzPanel9 large view: Showimg
//  │   └── RzPanel4 tools: Image24/25 previous/next, Image26/23 auto-browse (tim6),
//  │                Image5/6 rotation, SpeedButton1 pick, btnundo, delphoto, btncompare,
//  │                rzcbwidthsale, rezzyq and SpeedButton5 note, Shape3, rzbphotoinfo
//  │                (lblfilepath, lblyrxc, lblundo)
//  │   └── CompareView  over Showimg while samples are compared (over Panelimg in full screen)
//  └── SampleStrip  RzPanel5: cells 1..12 (dissp frame, disimg, diszt picked), sbar1,
//                   scrarr1/2
//  TFrmfull, a window of its own, reaches the workspace through FullScreenHost.

#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "workspace/compare_set.h"
#include "workspace/full_screen_host.h"
#include "workspace/statistics_line.h"
#include "workspace/undo_history.h"
#include "workspace/workspace_state.h"

namespace widgets {
class PictureButton;
}

namespace images {
struct DrawOptions;
}

namespace data {
class DailyBackup;
}

namespace customers {
class PreviewBuilder;
}

namespace settings {
struct StudioSettings;
}

namespace workspace {
class AlbumPanel;
class CellPictures;
class CompareView;
class PictureCache;
struct FittedPicture;
class LoginBox;
class SampleStrip;
class SampleViewer;
class TFrmfull;
}  // namespace workspace

namespace app {

class TitleStrip;

class Tfrmps : public QWidget, public workspace::FullScreenHost {
    Q_OBJECT
  public:
    explicit Tfrmps(QWidget* parent = nullptr);
    ~Tfrmps() override;

    workspace::WorkspaceState& State() { return state_; }
    // Builds the station's previews in the background; null until the window is shown, and
    // while building is off.
    customers::PreviewBuilder* previewBuilder() { return previewBuilder_.get(); }
    // Background building on (as the window starts) or off, with nothing queued (for the
    // benchmarks that time the photos themselves); once off, earlier customers are not
    // queued again.
    void SetBuildingPreviews(bool on);
    void SetFullScreenViewer(workspace::TFrmfull* viewer);

    // Runs the first-show steps; called by the first showEvent.
    void FormShow();
    // Starts the day's automatic backup of the database off the user-interface thread
    // (the program entry calls it once the workspace is up).
    void StartDailyBackup();
    data::DailyBackup& dailyBackup() { return *backup_; }
    // True when start-up found a required icon missing and closed the workspace.
    bool IconCheckFailed() const { return iconCheckFailed_; }

    // Window buttons and the buttons that open other windows.
    void sbtnexitClick();
    void sbtnwinstateClick();
    void sbtnwinstate1Click();
    void sbtnwinstate2Click();
    void btnaboutClick();
    void btnhelpClick();
    void imgfullClick();
    void SpeedButton2Click();  // customer management
    void SpeedButton3Click();  // output of the selection
    void SpeedButton4Click();  // settings
    void imgdlClick();
    void imgzxdlClick();
    void imgxgmmClick();  // change password
    void imglockClick();
    void Label4Click();  // add customer

    // Customer switch and the sample strip.
    void FillCustomerList();
    void RefreshCustomersAfterManagement();
    // The prompt the statistics line shows while no customer is chosen.
    static QString CustomerPrompt();
    void RzcbcustomerChange();
    void ShowSamplePage(int start, qint64 highlightId);
    void sbar1Change();
    void scrarr1Click();
    void scrarr2Click();
    void disimgClick(int cell);

    // The large view and its tools.
    void ShowSample(int cell);
    void ShowSampleInfo();
    void Image24Click();  // previous
    void Image25Click();  // next
    void Image26Click();  // start auto-browse
    void Image23Click();  // stop auto-browse
    void tim6Timer();
    void Image5Click(bool clockwise);  // rotation, shared by Image5 and Image6
    void rzcbwidthsaleClick();
    void rezzyqEnter();
    void SpeedButton5Click();  // save the note
    // Saves a note typed and not yet saved, for the sample it was typed for.
    void SavePendingNote();
    void delphotoClick();
    void ShowStatistics();

    // The album panel.
    void FillAlbumTabs();
    void rpczctypelistChange();
    void ShowAlbumPage(const QString& customerId, int start, qint64 highlightId,
                       const QString& album);
    void ResetAlbumScroll(int count);
    void zcsbarChange();
    void scrarr3Click();
    void scrarr4Click();
    void Image28Click();  // add album
    void Image7Click();   // rename album
    void Image4Click();   // delete album
    void ShowAlbumSample(int cell);
    void RemovePick(int cell);
    void SpeedButton1Click();  // pick the sample shown large

    // Undo of the current customer's last changes (tfrmps_undo.cpp), newest first.
    void btnundoClick();
    // Keeps what an operation changed for the undo button: the step an operation of
    // workspace_operations.h filled in (one of nothing is ignored).
    void RecordUndo(workspace::UndoStep step);
    const workspace::UndoHistory& undoHistory() const { return undo_; }
    // Compare: two to four samples side by side in the large view's place. The candidate is
    // the sample shown: every step, pick or click that shows another sample puts it in the
    // candidate's pane while the others stay.
    void btncompareClick();            // starts a compare from the sample shown, or ends it
    void disimgCtrlClick(int cell);    // the cell's sample joins the compare
    void ComparePaneClick(int index);  // the pane's sample becomes the candidate
    void ComparePaneClose(int index);
    // Closes the compare; the candidate stays shown large.
    void CloseCompare();
    // Picks a pane's sample into the current album; the panes stay as they are.
    void PickFromPane(qint64 sampleId);
    const workspace::CompareSet& compareSet() const { return compare_; }
    workspace::CompareView* compareView() const;

    // What the full-screen viewer asks of the workspace.
    workspace::WorkspaceState& SharedState() override { return state_; }
    bool WidescreenTicked() const override;
    QStringList AlbumCaptions() const override;
    int ActiveAlbumIndex() const override;
    void ActivateAlbum(int index) override;
    void StepPrevious() override { Image24Click(); }
    void StepNext() override { Image25Click(); }
    void PickCurrentSample() override { SpeedButton1Click(); }
    void UndoLastStep() override { btnundoClick(); }
    void DrawFittedInto(workspace::PictureScreen* screen, const QString& file) override {
        DrawFitted(screen, file);
    }
    workspace::PictureScreen* LargeView() override;
    void PrefetchAround() override { PrefetchNeighbours(); }

    workspace::PictureCache& pictureCache() { return *pictures_; }
    // The window the customer sees: boxes open over it.
    QWidget* BoxParent();

    // The parts, by their verbs; then the window's own controls.
    workspace::SampleStrip* strip() const { return strip_; }
    workspace::SampleViewer* viewer() const { return viewer_; }
    workspace::AlbumPanel* albums() const { return albums_; }
    workspace::LoginBox* PelMenu1() const { return login_; }
    workspace::TFrmfull* fullScreen() const { return full_; }
    QComboBox* Rzcbcustomer = nullptr;
    QComboBox* Rzcbcustomerid = nullptr;  // hidden, parallel to Rzcbcustomer
    // The prompt, then the statistics line.
    workspace::StatisticsLine* Label1 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* imglock = nullptr;
    widgets::PictureButton* SpeedButton2 = nullptr;  // customer management
    widgets::PictureButton* SpeedButton3 = nullptr;  // print or export
    widgets::PictureButton* SpeedButton4 = nullptr;  // settings

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void FormCreate();
    void ApplyLayout(QSize size);
    bool LoadIcons();
    // The widescreen correction, its ratio and the camera orientation setting.
    void ReadViewSettings();
    // The settings window saved: follows the ratio and orientation, redrawing when they
    // change what the large view shows.
    void SettingsSaved(const settings::StudioSettings& saved);
    // Draws the sample shown large again, after a setting it depends on changed.
    void RedrawLargeView();
    // A slot that runs handler inside the error guard.
    std::function<void()> Guarded(void (Tfrmps::*handler)());
    void ConnectBrowsing();
    void ConnectAlbums();
    void ConnectUndo();
    // Forgets every step: another customer is chosen, or none, or the program closes.
    void ClearUndo();
    // Every view read afresh after an undo, and its line shown.
    void ShowUndone(const workspace::UndoOutcome& outcome);
    // A swipe on the large view steps, a double tap opens the full-screen viewer.
    void ConnectTouch();
    // The station's previews, for the views, the cells and the outputs.
    void OpenPreviews();
    // The cells of the strip and the album grid drawn again on a scaled screen's device
    // pixels, from the previews, once the page is shown.
    void SharpenStripCells();
    void SharpenAlbumCells();
    images::DrawOptions CellOptions() const;
    // Queues the next customer whose previews may be missing, newest first, once the
    // builder is done with the one before: previews of customers imported earlier (or
    // left half built when the program closed) are built in the background too.
    void QueueNextCustomerPreviews();
    // Queues a customer's photos before anyone else's; false when it has none or they
    // cannot be read.
    bool QueuePreviewsOf(qint64 customerId);
    void StepTo(int displayNumber);
    // Empties the drop-down and shows no customer: nothing of a customer that is gone
    // (deleted or closed) stays on screen.
    void ClearCustomer();
    // Shows the current sample's file fitted into the large view or the viewer: at once
    // when it is drawn already, otherwise its stored thumbnail until the drawing arrives.
    void DrawFitted(workspace::PictureScreen* screen, const QString& file);
    void DrawFitted(workspace::PictureScreen* screen, const QString& file,
                    const images::DrawOptions& options);
    void ShowPicture(workspace::PictureScreen* screen, const workspace::FittedPicture& picture);
    void ShowWhileDrawing(workspace::PictureScreen* screen, const QString& file,
                          const images::DrawOptions& options);
    images::DrawOptions FittedOptions(const workspace::PictureScreen* screen) const;
    void ShowZoomPercent(int percent);
    // The viewer while it is up, otherwise the large view.
    workspace::PictureScreen* ScreenShown();
    void PrefetchNeighbours();
    void MoveStripTo(int position);
    // Sets the album track bar and renders the grid once at the final position.
    void SetAlbumScroll(int maximum, int position);
    // After picks changed: the strip's markers, the albums of the sample shown and the
    // statistics line read afresh.
    void ShowPickChanges();
    void ShowSampleAlbums();
    // Picks the sample into the current album after the checks and the repeat question the
    // pick button asks, and keeps the step for undo; false when nothing was picked.
    bool PickIntoCurrentAlbum(const QString& customerId, qint64 sampleId);
    void ConnectCompare();
    workspace::CompareView& Panes();
    // Shows a sample as a click on it would: the strip moved to it, ShowSample.
    void ShowSampleOf(qint64 sampleId);
    // The display number a step from d goes to: the next one, or while samples are compared
    // the next one no other pane shows; 0 when there is none.
    int StepFrom(int d, int direction);
    // ShowSample's sample is the candidate now; true when the panes show it instead of the
    // large view.
    bool ComparePanesTake(qint64 sampleId);
    void ShowComparePanes();
    // Turning and zooming one picture are off while the panes cover it.
    void ShowPictureTools(bool on);
    // After picks changed: the panes' albums lines.
    void ShowCompareAlbums();
    // Nothing compared any more; nothing redrawn.
    void ForgetCompare();
    // After the sample shown was deleted: the following sample, or with a compare open the
    // panes without it.
    void ShowAfterDeletion(qint64 deletedId);
    // The panes go with the picture: over the full-screen viewer while it is up.
    void FollowFullScreen();

    workspace::WorkspaceState state_;
    workspace::UndoHistory undo_;
    TitleStrip* title_ = nullptr;
    QWidget* topRow_ = nullptr;
    QFrame* Shape2 = nullptr;
    workspace::LoginBox* login_ = nullptr;
    workspace::SampleStrip* strip_ = nullptr;
    workspace::SampleViewer* viewer_ = nullptr;
    workspace::AlbumPanel* albums_ = nullptr;
    workspace::TFrmfull* full_ = nullptr;
    std::unique_ptr<workspace::PictureCache> pictures_;
    std::unique_ptr<workspace::CellPictures> stripPictures_;
    std::unique_ptr<workspace::CellPictures> albumPictures_;
    std::unique_ptr<customers::PreviewBuilder> previewBuilder_;
    std::vector<qint64> customersToPreview_;  // oldest first: taken from the back
    bool earlierCustomersWanted_ = true;      // off once building was switched off
    // Where the picture on its way goes, and the stored thumbnail of the sample it is of.
    workspace::PictureScreen* pictureTarget_ = nullptr;
    // The file each screen shows a picture of.
    std::map<const workspace::PictureScreen*, QString> shownFiles_;
    QString thumbnailFile_;
    QByteArray thumbnail_;
    std::unique_ptr<data::DailyBackup> backup_;
    workspace::CompareSet compare_;
    // Made again should the full-screen viewer it was put into be gone.
    QPointer<workspace::CompareView> compareView_;
    bool shown_ = false;
    bool iconCheckFailed_ = false;
    // The sample the note box belongs to, and the note as it was shown.
    struct NoteOwner {
        bool any = false;
        QString customerId;
        qint64 sampleId = -1;
        QString shown;
    } note_;
};

}  // namespace app
