#pragma once
// The black strip of twelve sample cells under the large view, with its track bar
// and arrows. Cell i shows the sample whose display number is sbar1's position + i - 1.

#include <QFrame>
#include <QLabel>
#include <QSlider>
#include <array>

#include "widgets/picture_button.h"

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

    std::array<QFrame*, kStripCells> dissp{};   // cell frames
    std::array<QLabel*, kStripCells> disimg{};  // thumbnails
    std::array<QLabel*, kStripCells> diszt{};   // picked markers
    std::array<QString, kStripCells> disid{};   // sample id in each cell, empty when none
    QSlider* sbar1 = nullptr;
    widgets::PictureButton* scrarr1 = nullptr;
    widgets::PictureButton* scrarr2 = nullptr;

    void SetFrameHighlighted(int index, bool blue);

  signals:
    void cellClicked(int cell);  // 1..12

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void PlaceCells(int stripWidth);
};

}  // namespace workspace
