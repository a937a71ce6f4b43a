#pragma once
// The album panel on the left: the grid of the current album's picks (RzPanel7, 18
// rows with a vertical track bar) and under it the album tabs with the name box and
// the add, delete and rename buttons (RzPanel6).

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTabBar>
#include <array>
#include <vector>

#include "widgets/picture_button.h"
#include "workspace/workspace_queries.h"

namespace workspace {

inline constexpr int kAlbumCells = 18;

class AlbumPanel : public QObject {
    Q_OBJECT
  public:
    explicit AlbumPanel(QWidget* workspace);
    void Place(const QRect& rzPanel1, const QRect& rzPanel7, const QRect& rzPanel6,
               const QRect& scrarr3Rect, const QRect& zcsbarRect, const QRect& scrarr4Rect);

    // ---- the tabs: "全部" first, then one per album. Tabs keep the album's name as their
    // data: a caption may hold "&", which a tab would otherwise show as a shortcut mark.
    void AddAlbumTab(const QString& name);
    QString AlbumCaption(int index) const;
    void SetAlbumCaption(int index, const QString& name);
    QStringList AlbumCaptions() const;
    int ActiveAlbum() const { return rpczctypelist->currentIndex(); }
    // Makes a tab active; a change is announced by activeAlbumChanged.
    void ActivateAlbum(int index) { rpczctypelist->setCurrentIndex(index); }
    // The tabs of another customer's albums, "全部" active; nothing is announced.
    void ShowAlbumTabs(const QStringList& names);
    // Removes a tab and makes "全部" active; nothing is announced.
    void RemoveAlbumTab(int index);
    // The album name box.
    QString TypedName() const { return teaddzctype->text(); }
    void SetTypedName(const QString& name) { teaddzctype->setText(name); }

    // ---- the grid: cell 1, 2, ... show the page's picks with thumbnail (the placeholder
    // file when a sample has none) and album; cells past the end stay empty. The frames of
    // the cells of highlightId turn blue, every other one dark.
    void ShowPage(const std::vector<AlbumCell>& cells, const QString& highlightId);
    // The photo files of the page shown, cell by cell (empty past its end).
    std::vector<QString> PageFiles() const;
    // The size a cell's picture is shown at, in logical pixels.
    QSize CellPictureSize() const;
    // A finer picture for a cell (0..17), drawn on its device pixels; ignored unless the
    // cell still shows file.
    void ShowSharpPicture(int index, const QString& file, const QImage& picture);
    // No customer: every cell empty and the track bar disabled.
    void Clear();
    // Only this cell's frame blue (1..18).
    void HighlightCell(int cell);
    // The pick in a cell (1..18): its sample's id (empty when the cell shows none) and album.
    QString SampleIdAt(int cell) const;
    QString AlbumAt(int cell) const;
    void SetCellIcons(const QPixmap& remove, const QPixmap& show);

    // ---- the track bar: the grid starts at display number maximum - position, so the
    // top of the bar is the first pick. Every change of the position is announced by
    // scrollChanged, except through SetScroll.
    int ScrollPosition() const { return zcsbar->value(); }
    int ScrollMaximum() const { return zcsbar->maximum(); }
    // Range 0..maximum and the position within it, without announcing it: the caller
    // renders the grid once.
    void SetScroll(int maximum, int position);
    void SetScrollEnabled(bool enabled) { zcsbar->setEnabled(enabled); }
    // One pick towards the first (+1) or the last (-1) while the bar is enabled and the
    // step stays within its range.
    void Step(int direction);

  signals:
    void showClicked(int cell);    // the thumbnail or the second icon of a cell, 1..18
    void removeClicked(int cell);  // the remove button of a cell
    void activeAlbumChanged();     // rpczctypelist
    void scrollChanged();          // zcsbar
    void upClicked();              // scrarr3
    void downClicked();            // scrarr4
    void addClicked();             // Image28
    void deleteClicked();          // Image4
    void renameClicked();          // Image7

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void SetFrameHighlighted(int index, bool blue);

    QFrame* RzPanel1 = nullptr;
    QFrame* RzPanel7 = nullptr;
    QLabel* Image3 = nullptr;
    std::array<QFrame*, kAlbumCells> spzc{};      // cell frames
    std::array<QLabel*, kAlbumCells> imgdiszc{};  // thumbnails
    std::array<QLabel*, kAlbumCells> zcbt{};      // album labels
    std::array<QFrame*, kAlbumCells> zcl{};       // separators
    std::array<QLabel*, kAlbumCells> zczu{};      // remove buttons
    std::array<QLabel*, kAlbumCells> zcps{};      // second icons
    std::array<QString, kAlbumCells> zcdisid{};   // sample id in each cell, empty when none
    std::array<QString, kAlbumCells> zcfile{};    // its photo file
    QSlider* zcsbar = nullptr;
    widgets::PictureButton* scrarr3 = nullptr;
    widgets::PictureButton* scrarr4 = nullptr;

    QFrame* RzPanel6 = nullptr;
    QTabBar* rpczctypelist = nullptr;
    QLineEdit* teaddzctype = nullptr;
    widgets::PictureButton* Image28 = nullptr;  // add album
    widgets::PictureButton* Image4 = nullptr;   // delete album
    widgets::PictureButton* Image7 = nullptr;   // rename album
};

}  // namespace workspace
