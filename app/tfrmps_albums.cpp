// The workspace's album panel: the album tabs and the grid of the current album's picks.

#include "app/tfrmps.h"
#include "data/connection.h"
#include "data/records.h"
#include "images/thumbnail.h"
#include "widgets/handler_guard.h"
#include "workspace/album_panel.h"
#include "workspace/workspace_queries.h"

namespace app {
namespace {

const QString kAlbumPlaceholder = QStringLiteral("photo/nophoto.jpg");
const QColor kCellFrame(0, 0, 0);
const QColor kCellHighlight(0, 0, 255);

void SetFrameColour(QFrame* frame, const QColor& colour) {
    QPalette p = frame->palette();
    p.setColor(QPalette::Window, colour);
    frame->setPalette(p);
}

}  // namespace

void Tfrmps::ConnectAlbums() {
    connect(albums_->zcsbar, &QSlider::valueChanged, this,
            [this] { widgets::GuardHandler(this, [&] { zcsbarChange(); }); });
    connect(albums_->rpczctypelist, &QTabBar::currentChanged, this,
            [this] { widgets::GuardHandler(this, [&] { rpczctypelistChange(); }); });
    albums_->zcsbar->setFocusPolicy(Qt::NoFocus);
}

void Tfrmps::FillAlbumTabs() {
    QTabBar* tabs = albums_->rpczctypelist;
    const bool otherWasActive = tabs->currentIndex() != 0;
    {
        const QSignalBlocker quiet(tabs);
        while (tabs->count() > 1) tabs->removeTab(tabs->count() - 1);
        for (const auto& row : data::QueryRows(QStringLiteral("select xcmc from  customerxc where customerid=") +
                                               state_.customerId + QStringLiteral(" order by id")))
            albums_->AddAlbumTab(data::TextOf(row, QStringLiteral("xcmc")));
        tabs->setCurrentIndex(0);
    }
    if (otherWasActive) rpczctypelistChange();
}

void Tfrmps::rpczctypelistChange() {
    state_.currentAlbum = albums_->AlbumCaption(albums_->rpczctypelist->currentIndex());
    albums_->teaddzctype->setText(state_.currentAlbum);
    const QString& id = state_.customerId;
    const QString sql =
        state_.currentAlbum != workspace::kAllAlbums
            ? QStringLiteral("select count(*) as picinfocountzc from  V_xcphoto where customerid=") + id +
                  QStringLiteral(" and xcmc='") + data::SqlQuote(state_.currentAlbum) + QStringLiteral("'")
            : QStringLiteral("select count(*) as picinfocountzc from  V_xcphotoall where customerid=") + id;
    ResetAlbumScroll(data::StrToInt(workspace::CountAtLeastOne(sql, QStringLiteral("picinfocountzc"))));
}

void Tfrmps::ShowAlbumPage(const QString& customerId, int start, qint64 highlightId,
                           const QString& album) {
    for (int i = 0; i < workspace::kAlbumCells; ++i) {
        for (QWidget* w : std::initializer_list<QWidget*>{albums_->imgdiszc[i], albums_->spzc[i], albums_->zczu[i],
                                                         albums_->zcl[i], albums_->zcps[i], albums_->zcbt[i]})
            w->hide();
        SetFrameColour(albums_->spzc[i], kCellFrame);
    }
    const QString sql =
        album != workspace::kAllAlbums
            ? QStringLiteral("select *  from V_xcphoto where customerid=") + customerId + QStringLiteral(" and xcmc='") +
                  data::SqlQuote(album) + QStringLiteral("' and disid >=") + QString::number(start) +
                  QStringLiteral(" limit 18")
            : QStringLiteral("select *  from V_xcphotoall where customerid=") + customerId +
                  QStringLiteral("  and disid >=") + QString::number(start) + QStringLiteral(" limit 18");
    const data::Rows rows = data::QueryRows(sql);
    const QString highlight = QString::number(highlightId);
    for (int i = 0; i < workspace::kAlbumCells; ++i) {
        if (i >= static_cast<int>(rows.size())) {
            albums_->zcdisid[i].clear();
            continue;
        }
        const QSqlRecord& row = rows[i];
        albums_->imgdiszc[i]->setPixmap(QPixmap::fromImage(images::ShowThumbnail(
            row.value(QStringLiteral("photofile")).toByteArray(), kAlbumPlaceholder)));
        albums_->zcbt[i]->setText(data::TextOf(row, QStringLiteral("xcmc")));
        for (QWidget* w : std::initializer_list<QWidget*>{albums_->zcl[i], albums_->imgdiszc[i], albums_->spzc[i],
                                                         albums_->zczu[i], albums_->zcps[i], albums_->zcbt[i]})
            w->show();
        albums_->zcdisid[i] = data::TextOf(row, QStringLiteral("photoid"));
        if (albums_->zcdisid[i] == highlight) SetFrameColour(albums_->spzc[i], kCellHighlight);
    }
}

void Tfrmps::ResetAlbumScroll(int count) {
    QSlider* bar = albums_->zcsbar;
    {
        const QSignalBlocker quiet(bar);  // the grid is rendered once, below
        bar->setRange(0, std::max(1, count));
        bar->setValue(bar->maximum());
        bar->setEnabled(true);
    }
    ShowAlbumPage(state_.customerId, 0, state_.currentSampleId, state_.currentAlbum);
}

void Tfrmps::zcsbarChange() {
    QSlider* bar = albums_->zcsbar;
    ShowAlbumPage(state_.customerId, bar->maximum() - bar->value(), state_.currentSampleId,
                  state_.currentAlbum);
}

}  // namespace app
