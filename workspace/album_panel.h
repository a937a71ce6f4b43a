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

#include "widgets/picture_button.h"

namespace workspace {

inline constexpr int kAlbumCells = 18;

class AlbumPanel : public QObject {
    Q_OBJECT
  public:
    explicit AlbumPanel(QWidget* workspace);
    void Place(const QRect& rzPanel1, const QRect& rzPanel7, const QRect& rzPanel6,
               const QRect& scrarr3Rect, const QRect& zcsbarRect, const QRect& scrarr4Rect);

    // Tabs keep the album's name as their data: a caption may hold "&", which a tab
    // would otherwise show as a shortcut mark.
    void AddAlbumTab(const QString& name);
    QString AlbumCaption(int index) const;
    void SetAlbumCaption(int index, const QString& name);

    QFrame* RzPanel1 = nullptr;
    QFrame* RzPanel7 = nullptr;
    QLabel* Image3 = nullptr;
    std::array<QFrame*, kAlbumCells> spzc{};
    std::array<QLabel*, kAlbumCells> imgdiszc{};
    std::array<QLabel*, kAlbumCells> zcbt{};
    std::array<QFrame*, kAlbumCells> zcl{};
    std::array<QLabel*, kAlbumCells> zczu{};
    std::array<QLabel*, kAlbumCells> zcps{};
    std::array<QString, kAlbumCells> zcdisid{};
    QSlider* zcsbar = nullptr;
    widgets::PictureButton* scrarr3 = nullptr;
    widgets::PictureButton* scrarr4 = nullptr;

    QFrame* RzPanel6 = nullptr;
    QTabBar* rpczctypelist = nullptr;
    QLineEdit* teaddzctype = nullptr;
    widgets::PictureButton* Image28 = nullptr;  // add album
    widgets::PictureButton* Image4 = nullptr;   // delete album
    widgets::PictureButton* Image7 = nullptr;   // rename album

  signals:
    void showClicked(int cell);    // the thumbnail or the second icon of a cell, 1..18
    void removeClicked(int cell);  // the remove button of a cell

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace workspace
