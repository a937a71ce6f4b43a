#pragma once
// The selection workspace, the program's main window. It owns the database
// connection, the shared WorkspaceState and the full-screen viewer, and wires its
// parts together.
//
//  Tfrmps
//  ├── Image1  title strip: Label2, imgfull, btnhelp, btnabout, the window buttons
//  ├── Image2  top row: Label3, Rzcbcustomer, imglock, Label4, Label1 (prompt and
//  │           statistics), SpeedButton2/4/3 (staff), Shape2, PelMenu1 (LoginBox)
//  ├── AlbumPanel   RzPanel1: RzPanel7 (album grid, zcsbar) and RzPanel6 (album tabs)
//  ├── SampleViewer RzPanel9 (Showimg) and RzPanel4 (tools, note box, information box)
//  └── SampleStrip  RzPanel5: twelve sample cells, sbar1, scrarr1/2

#include <QComboBox>
#include <QLabel>
#include <QWidget>

#include "workspace/workspace_state.h"

namespace widgets {
class PictureButton;
}

namespace workspace {
class AlbumPanel;
class LoginBox;
class SampleStrip;
class SampleViewer;
class TFrmfull;
}  // namespace workspace

namespace app {

class TitleStrip;

class Tfrmps : public QWidget {
    Q_OBJECT
public:
    explicit Tfrmps(QWidget* parent = nullptr);
    ~Tfrmps() override;

    workspace::WorkspaceState& State() { return state_; }
    void SetFullScreenViewer(workspace::TFrmfull* viewer);

    // Runs the first-show steps; called by the first showEvent.
    void FormShow();
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
    void SpeedButton3Click();
    void imgdlClick();
    void imgzxdlClick();

    // Parts and controls, reachable for the operations that wire them.
    workspace::SampleStrip* strip() const { return strip_; }
    workspace::SampleViewer* viewer() const { return viewer_; }
    workspace::AlbumPanel* albums() const { return albums_; }
    workspace::LoginBox* PelMenu1() const { return login_; }
    workspace::TFrmfull* fullScreen() const { return full_; }
    QComboBox* Rzcbcustomer = nullptr;
    QComboBox* Rzcbcustomerid = nullptr;  // hidden, parallel to Rzcbcustomer
    QLabel* Label1 = nullptr;             // prompt, then the statistics line
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

private:
    void FormCreate();
    void ApplyLayout(QSize size);
    bool LoadIcons();
    void ReadWidescreenSettings();

    workspace::WorkspaceState state_;
    TitleStrip* title_ = nullptr;
    QWidget* topRow_ = nullptr;
    QFrame* Shape2 = nullptr;
    workspace::LoginBox* login_ = nullptr;
    workspace::SampleStrip* strip_ = nullptr;
    workspace::SampleViewer* viewer_ = nullptr;
    workspace::AlbumPanel* albums_ = nullptr;
    workspace::TFrmfull* full_ = nullptr;
    bool shown_ = false;
    bool iconCheckFailed_ = false;
};

}  // namespace app
