#pragma once
// Where the workspace's controls go on a screen of a given size. Pure arithmetic, so
// the placement rules can be checked without a window. Rectangles of the panels are
// in workspace coordinates; those of controls inside a panel are relative to it.

#include <QRect>
#include <QSize>

namespace app {

struct WorkspaceLayout {
    // Fixed sizes of the form.
    static constexpr int kTitleHeight = 39;         // Image1
    static constexpr int kTopRowHeight = 50;        // Image2
    static constexpr int kAlbumPanelWidth = 256;    // RzPanel7
    static constexpr int kToolStripHeight = 75;     // RzPanel4
    static constexpr int kSampleStripHeight = 146;  // RzPanel5
    static constexpr int kAlbumHeaderHeight = 30;   // Image3, over the album grid
    static constexpr int kAlbumFooterHeight = 60;   // RzPanel6, the album tabs and buttons
    static constexpr int kWindowButton = 26;
    static constexpr int kStaffButton = 40;
    static constexpr int kArrow = 20;
    static constexpr int kAlbumArrow = 16;
    static constexpr int kLoginBoxWidth = 236;

    int rightWidth = 0;  // R, the area right of the album panel

    // Title strip and top row.
    QRect image1, image2;
    QRect btnhelp, btnabout, sbtnwinstate2, sbtnwinstate1, sbtnwinstate, sbtnexit, imgfull;
    QRect shape2, pelMenu1;
    QRect speedButton2, speedButton4, speedButton3;
    QRect label3, rzcbcustomer, imglock, label4, label1;

    // Left: the album panel and its footer.
    QRect rzPanel1, rzPanel7, image3, rzPanel6;
    QRect scrarr3, zcsbar, scrarr4;  // relative to rzPanel7

    // Right: large view, tool strip, sample strip.
    QRect rzPanel9, rzPanel4, rzPanel5;
    QRect scrarr1, sbar1, scrarr2;  // relative to rzPanel5
    QRect shape3, rzbphotoinfo;     // relative to rzPanel4
};

WorkspaceLayout ComputeWorkspaceLayout(QSize screen);

}  // namespace app
