#pragma once
// The black strip of twelve sample cells under the large view, with its track bar
// and arrows. Cell i shows the sample whose display number is sbar1's position + i - 1.

#include <QFrame>
#include <QLabel>
#include <QSlider>
#include <array>
#include <vector>

#include "widgets/picture_button.h"
#include "workspace/workspace_queries.h"

namespace workspace {

inline constexpr int kStripCells = 12;

// Where a cell's frame, thumbnail and picked marker go, in strip coordinates.
struct StripCellRects {
    QRect frame;
    QRect thumbnail;
    QRect marker;
};
// The twelve cells for a strip of the given width: full size when they fit, and
// otherwise all twelve made smaller alike, so that none falls off the strip.
std::array<StripCellRects, kStripCells> StripCells(int stripWidth);

class SampleStrip : public QFrame {
    Q_OBJECT
  public:
    explicit SampleStrip(QWidget* parent);
    void PlaceControls(const QRect& scrarr1, const QRect& sbar1, const QRect& scrarr2);

    // Fills cell 1, 2, ... with the page's samples: thumbnail (the placeholder file when a
    // sample has none), the picked marker when it has picks, and its id. Cells past the end
    // stay empty; the cell of highlightId gets the blue frame, every other one grey.
    void ShowPage(const std::vector<StripCell>& cells, const QString& highlightId);
    // No customer: every cell empty, the track bar disabled at 0 without a page fill.
    void Clear();
    // Only this cell's frame blue (1..12).
    void HighlightCell(int cell);
    // The id of the sample in a cell (1..12); empty when the cell shows none.
    QString SampleIdAt(int cell) const;
    // The photo files of the page shown, cell by cell (empty past its end).
    std::vector<QString> PageFiles() const;
    // The size a cell's picture is shown at, in logical pixels.
    QSize CellPictureSize() const;
    // A finer picture for a cell (0..11), drawn on its device pixels; ignored unless the
    // cell still shows file.
    void ShowSharpPicture(int index, const QString& file, const QImage& picture);
    void SetMarkerPicture(const QPixmap& picture);

    // The track bar: its position is the display number of the sample in cell 1. Every
    // change of the position is announced by positionChanged.
    int Position() const { return sbar1->value(); }
    void SetPosition(int position) { sbar1->setValue(position); }
    int Minimum() const { return sbar1->minimum(); }
    int Maximum() const { return sbar1->maximum(); }
    void SetMinimum(int minimum) { sbar1->setMinimum(minimum); }
    void SetMaximum(int maximum) { sbar1->setMaximum(maximum); }
    void SetTrackEnabled(bool enabled) { sbar1->setEnabled(enabled); }
    // One step towards the first (-1) or the last (+1) sample while the bar is enabled and
    // the step stays within its range.
    void Step(int direction);
    // A page of twelve towards the first (-1) or the last (+1) sample, as a click beside
    // the bar's handle, while the bar is enabled.
    void Page(int direction);

  signals:
    void cellClicked(int cell);      // 1..12
    void cellCtrlClicked(int cell);  // with Ctrl held: the cell's sample joins a compare
    void positionChanged(int position);
    void backClicked();     // scrarr1
    void forwardClicked();  // scrarr2

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void PlaceCells(int stripWidth);
    // A tap on a cell clicks it, a swipe pages; the bar and the arrows keep their touches.
    void ConnectTouch();
    void SetFrameHighlighted(int index, bool blue);

    std::array<QFrame*, kStripCells> dissp{};    // cell frames
    std::array<QLabel*, kStripCells> disimg{};   // thumbnails
    std::array<QLabel*, kStripCells> diszt{};    // picked markers
    std::array<QString, kStripCells> disid{};    // sample id in each cell, empty when none
    std::array<QString, kStripCells> disfile{};  // its photo file
    QSlider* sbar1 = nullptr;
    widgets::PictureButton* scrarr1 = nullptr;
    widgets::PictureButton* scrarr2 = nullptr;
};

}  // namespace workspace
