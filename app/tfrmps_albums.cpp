// The workspace's album panel: the album tabs and the grid of the current album's picks.

#include "app/tfrmps.h"
#include "data/connection.h"
#include "data/errors.h"
#include "data/records.h"
#include "images/thumbnail.h"
#include "widgets/dialogs.h"
#include "widgets/handler_guard.h"
#include "workspace/album_panel.h"
#include "workspace/sample_strip.h"
#include "workspace/sample_viewer.h"
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
            [this] { widgets::GuardHandler(BoxParent(), [&] { zcsbarChange(); }); });
    connect(albums_->rpczctypelist, &QTabBar::currentChanged, this,
            [this] { widgets::GuardHandler(BoxParent(), [&] { rpczctypelistChange(); }); });
    albums_->zcsbar->setFocusPolicy(Qt::NoFocus);
    connect(albums_->scrarr3, &QToolButton::clicked, this, Guarded(&Tfrmps::scrarr3Click));
    connect(albums_->scrarr4, &QToolButton::clicked, this, Guarded(&Tfrmps::scrarr4Click));
    connect(albums_->Image28, &QToolButton::clicked, this, Guarded(&Tfrmps::Image28Click));
    connect(albums_->Image7, &QToolButton::clicked, this, Guarded(&Tfrmps::Image7Click));
    connect(albums_->Image4, &QToolButton::clicked, this, Guarded(&Tfrmps::Image4Click));
    connect(viewer_->SpeedButton1, &QToolButton::clicked, this,
            Guarded(&Tfrmps::SpeedButton1Click));
    connect(albums_, &workspace::AlbumPanel::showClicked, this, [this](int cell) {
        widgets::GuardHandler(BoxParent(), [&] { ShowAlbumSample(cell); });
    });
    connect(albums_, &workspace::AlbumPanel::removeClicked, this,
            [this](int cell) { widgets::GuardHandler(BoxParent(), [&] { RemovePick(cell); }); });
}

// ---- what the full-screen viewer sees of the albums ----------------------------------------

bool Tfrmps::WidescreenTicked() const { return viewer_->rzcbwidthsale->isChecked(); }

QStringList Tfrmps::AlbumCaptions() const {
    QStringList captions;
    for (int i = 0; i < albums_->rpczctypelist->count(); ++i) captions << albums_->AlbumCaption(i);
    return captions;
}

int Tfrmps::ActiveAlbumIndex() const { return albums_->rpczctypelist->currentIndex(); }

void Tfrmps::ActivateAlbum(int index) { albums_->rpczctypelist->setCurrentIndex(index); }

QLabel* Tfrmps::LargeView() { return viewer_->Showimg; }

// ---- album tabs ----------------------------------------------------------------------------

void Tfrmps::FillAlbumTabs() {
    QTabBar* tabs = albums_->rpczctypelist;
    const bool otherWasActive = tabs->currentIndex() != 0;
    {
        const QSignalBlocker quiet(tabs);
        while (tabs->count() > 1) tabs->removeTab(tabs->count() - 1);
        for (const auto& row :
             data::QueryRows(QStringLiteral("select xcmc from  customerxc where customerid=") +
                             state_.customerId + QStringLiteral(" order by id")))
            albums_->AddAlbumTab(data::TextOf(row, QStringLiteral("xcmc")));
        tabs->setCurrentIndex(0);
    }
    if (otherWasActive) rpczctypelistChange();
}

void Tfrmps::rpczctypelistChange() {
    state_.currentAlbum = albums_->AlbumCaption(albums_->rpczctypelist->currentIndex());
    albums_->teaddzctype->setText(state_.currentAlbum);
    ResetAlbumScroll(AlbumPickCount(state_.currentAlbum));
}

int Tfrmps::AlbumPickCount(const QString& album) const {
    return data::StrToInt(
        workspace::CountAtLeastOne(AlbumCountSql(album), QStringLiteral("picinfocountzc")));
}

QString Tfrmps::AlbumCountSql(const QString& album) const {
    const QString& id = state_.customerId;
    if (album == workspace::kAllAlbums)
        return QStringLiteral(
                   "select count(*) as picinfocountzc from  V_xcphotoall where customerid=") +
               id;
    return QStringLiteral("select count(*) as picinfocountzc from  V_xcphoto where customerid=") +
           id + QStringLiteral(" and xcmc='") + data::SqlQuote(album) + QStringLiteral("'");
}

void Tfrmps::Image28Click() {
    if (state_.customerId.isEmpty()) return;
    const QString name = albums_->teaddzctype->text().trimmed();
    if (name.isEmpty()) return;
    if (AlbumCaptions().contains(name)) {
        widgets::Dialogs::Current().Message(BoxParent(),
                                            QStringLiteral("该分类名称已经存在,请重新输入!"));
        return;
    }
    data::Execute(QStringLiteral("insert into customerxc(customerid,xcmc) values(") +
                  state_.customerId + QStringLiteral(",'") + data::SqlQuote(name) +
                  QStringLiteral("')"));
    albums_->AddAlbumTab(name);
    albums_->rpczctypelist->setCurrentIndex(albums_->rpczctypelist->count() - 1);
}

void Tfrmps::Image7Click() {
    if (state_.customerId.isEmpty()) return;
    const QString renamed = albums_->teaddzctype->text().trimmed();
    if (renamed.isEmpty()) return;
    widgets::Dialogs& dialogs = widgets::Dialogs::Current();
    if (AlbumCaptions().contains(renamed)) {
        dialogs.Message(BoxParent(), QStringLiteral("该分类名称已经存在,请重新输入!"));
        return;
    }
    const int active = albums_->rpczctypelist->currentIndex();
    const QString old = albums_->AlbumCaption(active);
    if (old == workspace::kAllAlbums) {
        dialogs.Message(BoxParent(), QStringLiteral("此相册不允许修改"));
        return;
    }
    const QString where = QStringLiteral(" where customerid=") + state_.customerId +
                          QStringLiteral(" and xcmc='") + data::SqlQuote(old) + QStringLiteral("'");
    try {
        data::Transaction transaction;
        data::Execute(QStringLiteral("update customerxc set xcmc='") + data::SqlQuote(renamed) +
                      QStringLiteral("'") + where);
        data::Execute(QStringLiteral("update xcphoto set xcmc='") + data::SqlQuote(renamed) +
                      QStringLiteral("'") + where);
        transaction.commit();
    } catch (const data::DbError&) {
        dialogs.Message(BoxParent(), QStringLiteral("修改失败"));
        return;
    }
    albums_->SetAlbumCaption(active, renamed);
    state_.currentAlbum = renamed;
    // The grid's cells, the sample's albums and the statistics carry the name too.
    zcsbarChange();
    ShowSampleAlbums();
    ShowStatistics();
    dialogs.Message(BoxParent(), QStringLiteral("修改成功"));
}

void Tfrmps::Image4Click() {
    if (state_.customerId.isEmpty()) return;
    QTabBar* tabs = albums_->rpczctypelist;
    const int active = tabs->currentIndex();
    const QString name = albums_->AlbumCaption(active);
    widgets::Dialogs& dialogs = widgets::Dialogs::Current();
    if (name == workspace::kAllAlbums) {
        dialogs.Message(BoxParent(), QStringLiteral("请切换到要删除的相册!"));
        return;
    }
    if (dialogs.Question(BoxParent(),
                         QStringLiteral("删除相册将同时删除此相册中已选好的样片,确定要删除吗?")) !=
        widgets::Answer::Yes)
        return;
    const QString quoted = data::SqlQuote(name);
    try {
        data::Transaction transaction;
        data::Execute(QStringLiteral("delete from  customerxc where customerid=") +
                      state_.customerId + QStringLiteral(" and xcmc='") + quoted +
                      QStringLiteral("'"));
        data::Execute(QStringLiteral("delete from  xcphoto where customerid=") + state_.customerId +
                      QStringLiteral(" and  xcmc='") + quoted + QStringLiteral("'"));
        transaction.commit();
    } catch (const data::DbError&) {
        dialogs.Message(BoxParent(), QStringLiteral("删除失败！"));
        return;
    }
    {
        const QSignalBlocker quiet(tabs);
        tabs->removeTab(active);
        tabs->setCurrentIndex(0);
    }
    rpczctypelistChange();
    ShowPickChanges();
}

void Tfrmps::ShowAlbumPage(const QString& customerId, int start, qint64 highlightId,
                           const QString& album) {
    for (int i = 0; i < workspace::kAlbumCells; ++i) {
        for (QWidget* w : std::initializer_list<QWidget*>{albums_->imgdiszc[i], albums_->spzc[i],
                                                          albums_->zczu[i], albums_->zcl[i],
                                                          albums_->zcps[i], albums_->zcbt[i]})
            w->hide();
        SetFrameColour(albums_->spzc[i], kCellFrame);
    }
    const QString sql = album != workspace::kAllAlbums
                            ? QStringLiteral("select *  from V_xcphoto where customerid=") +
                                  customerId + QStringLiteral(" and xcmc='") +
                                  data::SqlQuote(album) + QStringLiteral("' and disid >=") +
                                  QString::number(start) + QStringLiteral(" limit 18")
                            : QStringLiteral("select *  from V_xcphotoall where customerid=") +
                                  customerId + QStringLiteral("  and disid >=") +
                                  QString::number(start) + QStringLiteral(" limit 18");
    const data::Rows rows = data::QueryRows(sql);
    const QString highlight = QString::number(highlightId);
    for (int i = 0; i < workspace::kAlbumCells; ++i) {
        if (i >= static_cast<int>(rows.size())) {
            albums_->zcdisid[i].clear();
            continue;
        }
        const QSqlRecord& row = rows[i];
        QLabel* image = albums_->imgdiszc[i];
        image->setPixmap(QPixmap::fromImage(images::ThumbnailForCell(
            images::ShowThumbnail(row.value(QStringLiteral("photofile")).toByteArray(),
                                  kAlbumPlaceholder),
            image->size(), image->devicePixelRatio(), true)));
        albums_->zcbt[i]->setText(data::TextOf(row, QStringLiteral("xcmc")));
        for (QWidget* w : std::initializer_list<QWidget*>{albums_->zcl[i], albums_->imgdiszc[i],
                                                          albums_->spzc[i], albums_->zczu[i],
                                                          albums_->zcps[i], albums_->zcbt[i]})
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

void Tfrmps::SetAlbumScroll(int maximum, int position) {
    QSlider* bar = albums_->zcsbar;
    {
        const QSignalBlocker quiet(bar);
        bar->setRange(0, maximum);
        bar->setValue(std::clamp(position, 0, maximum));
    }
    zcsbarChange();
}

void Tfrmps::scrarr3Click() {
    QSlider* bar = albums_->zcsbar;
    if (bar->isEnabled() && bar->value() < bar->maximum()) bar->setValue(bar->value() + 1);
}

void Tfrmps::scrarr4Click() {
    QSlider* bar = albums_->zcsbar;
    if (bar->isEnabled() && bar->value() > bar->minimum()) bar->setValue(bar->value() - 1);
}

// ---- picks ---------------------------------------------------------------------------------

void Tfrmps::ShowAlbumSample(int cell) {
    for (int i = 0; i < workspace::kAlbumCells; ++i) SetFrameColour(albums_->spzc[i], kCellFrame);
    SetFrameColour(albums_->spzc[cell - 1], kCellHighlight);
    state_.currentSampleId = albums_->zcdisid[cell - 1].toLongLong();
    MoveStripTo(workspace::DisplayNumberOf(state_.customerId, state_.currentSampleId));
    ShowSample(1);
}

void Tfrmps::SpeedButton1Click() {
    widgets::Dialogs& dialogs = widgets::Dialogs::Current();
    // Album, customer and sample are those of the moment of the click, whatever
    // happens while a question is open.
    const QString album = state_.currentAlbum;
    if (album == workspace::kAllAlbums) {
        dialogs.Message(BoxParent(), QStringLiteral("请切换到要添加本样片的相册!"));
        return;
    }
    const QString id = state_.customerId;
    if (id.isEmpty()) return;
    const qint64 sampleId = state_.currentSampleId;
    const QString sample = QString::number(sampleId);
    // Only a sample of this customer, shown large right now, can be picked.
    if (state_.currentSampleFile.isEmpty() ||
        data::LookupValue(QStringLiteral("photoinfo"), QStringLiteral("id"),
                          QStringLiteral("customerid=") + id + QStringLiteral(" and id=") + sample)
            .isEmpty())
        return;
    const QString albumText = QStringLiteral("'") + data::SqlQuote(album) + QStringLiteral("'");
    const QString already =
        data::LookupValue(QStringLiteral("xcphoto"), QStringLiteral("photoid"),
                          QStringLiteral(" customerid=") + id + QStringLiteral(" and xcmc=") +
                              albumText + QStringLiteral(" and photoid=") + sample);
    if (!already.isEmpty() &&
        dialogs.Question(BoxParent(), QStringLiteral("本照片已经入选相册") + album +
                                          QStringLiteral("中，确定要重复入选吗?")) ==
            widgets::Answer::No)
        return;
    data::Execute(QStringLiteral("insert into xcphoto(customerid,photoid,xcmc) values(") + id +
                  QStringLiteral(",") + sample + QStringLiteral(",") + albumText +
                  QStringLiteral(")"));

    // The album's end comes into view: the new pick under up to four earlier ones.
    const int count = AlbumPickCount(album);
    SetAlbumScroll(count, std::min(count, 4));

    const int next = workspace::DisplayNumberOf(id, sampleId) + 1;
    const qint64 nextId =
        data::LookupValue(QStringLiteral("V_photoinfo"), QStringLiteral("id"),
                          QStringLiteral("customerid=") + id + QStringLiteral(" and disid=") +
                              QString::number(next))
            .toLongLong();
    if (nextId != 0) {
        state_.currentSampleId = nextId;
        MoveStripTo(next);
        ShowSample(1);
        ShowStatistics();
    } else {
        // The sample stays shown: its marker and albums show the new pick at once.
        ShowPickChanges();
        dialogs.Message(BoxParent(), QStringLiteral("这已经到是后一幅作品!"));
    }
}

void Tfrmps::RemovePick(int cell) {
    const QString photo = albums_->zcdisid[cell - 1];
    const QString album = albums_->zcbt[cell - 1]->text();
    const QString& id = state_.customerId;
    data::Execute(
        QStringLiteral("delete from xcphoto  where id=( select id from xcphoto where customerid=") +
        id + QStringLiteral(" and xcmc='") + data::SqlQuote(album) +
        QStringLiteral("' and photoid=") + photo + QStringLiteral(" limit 1)"));
    const int saved = albums_->zcsbar->value();
    const int count = AlbumPickCount(state_.currentAlbum);
    // Picks after the removed one keep their place on screen.
    SetAlbumScroll(count, saved < count ? saved : saved - 1);
    ShowPickChanges();
}

void Tfrmps::zcsbarChange() {
    QSlider* bar = albums_->zcsbar;
    ShowAlbumPage(state_.customerId, bar->maximum() - bar->value(), state_.currentSampleId,
                  state_.currentAlbum);
}

}  // namespace app
