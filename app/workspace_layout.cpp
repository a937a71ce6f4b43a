#include "app/workspace_layout.h"

#include <algorithm>

namespace app {
namespace {

int RightEdge(const QRect& r) { return r.x() + r.width(); }
int BottomEdge(const QRect& r) { return r.y() + r.height(); }

}  // namespace

WorkspaceLayout ComputeWorkspaceLayout(QSize screen) {
    using L = WorkspaceLayout;
    L l;
    const int w = screen.width();
    const int h = screen.height();
    l.rightWidth = w - L::kAlbumPanelWidth;

    l.image1 = QRect(0, 0, w, L::kTitleHeight);
    l.image2 = QRect(0, L::kTitleHeight, w, L::kTopRowHeight);

    // Window buttons, right-aligned in 30-pixel steps.
    const int buttonTop = (L::kTitleHeight - L::kWindowButton) / 2;
    auto windowButton = [&](int offset) {
        return QRect(w - L::kWindowButton - offset, buttonTop, L::kWindowButton, L::kWindowButton);
    };
    l.btnhelp = windowButton(160);
    l.btnabout = windowButton(130);
    l.sbtnwinstate2 = windowButton(100);
    l.sbtnwinstate1 = windowButton(70);
    l.sbtnwinstate = windowButton(40);
    l.sbtnexit = windowButton(10);
    l.imgfull =
        QRect(l.btnhelp.x() - L::kWindowButton - 10, buttonTop, L::kWindowButton, L::kWindowButton);

    // Top row: login box at the right, a separator, the staff buttons before it.
    const int rowTop = L::kTitleHeight;
    l.shape2 = QRect(w - L::kLoginBoxWidth - 15, rowTop + 8, 1, L::kTopRowHeight - 16);
    l.pelMenu1 = QRect(l.shape2.x() + 10, rowTop + 5, L::kLoginBoxWidth, L::kTopRowHeight - 10);
    const int staffTop = rowTop + (L::kTopRowHeight - L::kStaffButton) / 2;
    l.speedButton2 = QRect(l.shape2.x() - 130, staffTop, L::kStaffButton, L::kStaffButton);
    l.speedButton4 = l.speedButton2.translated(45, 0);
    l.speedButton3 = l.speedButton4.translated(45, 0);

    l.label3 = QRect(14, rowTop + 12, 44, 26);
    l.rzcbcustomer = QRect(60, rowTop + 10, 190, 30);
    l.imglock = QRect(256, rowTop + 12, 26, 26);
    l.label4 = QRect(290, rowTop + 12, 70, 26);
    // The statistics line takes the row's height so that it can wrap onto more lines.
    l.label1 =
        QRect(370, rowTop + 2, std::max(0, l.speedButton2.x() - 20 - 370), L::kTopRowHeight - 4);

    // Left column.
    const int columnTop = L::kTitleHeight + L::kTopRowHeight;
    l.rzPanel1 = QRect(0, columnTop, L::kAlbumPanelWidth + 2, h - columnTop);
    l.rzPanel7 = QRect(0, columnTop, L::kAlbumPanelWidth, h - columnTop - L::kAlbumFooterHeight);
    l.image3 = QRect(0, 0, L::kAlbumPanelWidth, L::kAlbumHeaderHeight);
    l.rzPanel6 = QRect(0, h - L::kAlbumFooterHeight, L::kAlbumPanelWidth, L::kAlbumFooterHeight);
    const int a = h - L::kTitleHeight - L::kTopRowHeight - L::kAlbumFooterHeight;
    l.scrarr3 = QRect(L::kAlbumPanelWidth - L::kAlbumArrow - 4, L::kAlbumHeaderHeight + 3,
                      L::kAlbumArrow, L::kAlbumArrow);
    l.zcsbar = QRect(l.scrarr3.x() - 1, BottomEdge(l.scrarr3) - 7, L::kAlbumArrow + 2,
                     a - L::kAlbumHeaderHeight - 2 * L::kAlbumArrow + 5);
    l.scrarr4 = QRect(l.scrarr3.x(), BottomEdge(l.zcsbar) - 6, L::kAlbumArrow, L::kAlbumArrow);

    // Right column, top to bottom.
    const int x = w - l.rightWidth;
    const int viewHeight = h - columnTop - L::kToolStripHeight - L::kSampleStripHeight;
    l.rzPanel9 = QRect(x, columnTop, l.rightWidth, viewHeight);
    l.rzPanel4 = QRect(x, BottomEdge(l.rzPanel9), l.rightWidth, L::kToolStripHeight);
    l.rzPanel5 = QRect(x, BottomEdge(l.rzPanel4), l.rightWidth, L::kSampleStripHeight);

    l.scrarr1 = QRect(3, L::kSampleStripHeight - L::kArrow - 3, L::kArrow, L::kArrow);
    l.sbar1 = QRect(RightEdge(l.scrarr1) - 7, l.scrarr1.y() - 7, l.rightWidth - L::kArrow - 19,
                    L::kArrow + 8);
    l.scrarr2 = QRect(RightEdge(l.sbar1) - 7, l.scrarr1.y(), L::kArrow, L::kArrow);

    // The tool buttons take the first 854 pixels of the tool strip, down to 806 where the
    // information box would be narrower than 249 pixels; the box fills the rest when there
    // is room for it, and keeps 130 pixels on the narrowest screens.
    const int tools = std::clamp(l.rightWidth - 264, 806, 854);
    l.shape3 = QRect(std::min(tools, l.rightWidth - 130), 8, 1, L::kToolStripHeight - 16);
    const int infoLeft = l.shape3.x() + 5;
    l.rzbphotoinfo =
        QRect(infoLeft, 0, std::max(0, l.rightWidth - infoLeft - 10), L::kToolStripHeight - 4);
    return l;
}

}  // namespace app
