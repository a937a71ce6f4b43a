// The workspace's album panel: the album tabs and the grid of the current album's picks.

#include "app/tfrmps.h"
#include "data/errors.h"
#include "widgets/dialogs.h"
#include "widgets/handler_guard.h"
#include "workspace/album_panel.h"
#include "workspace/sample_viewer.h"
#include "workspace/workspace_operations.h"
#include "workspace/workspace_queries.h"

namespace app {
namespace {

using workspace::AlbumChange;
using workspace::kAllAlbums;

const QString kDuplicate = QStringLiteral("该分类名称已经存在,请重新输入!");
const QString kSwitchToAnAlbum = QStringLiteral("请切换到要添加本样片的相册!");

QString RepeatPickQuestion(const QString& album) {
    return QStringLiteral("本照片已经入选相册") + album + QStringLiteral("中，确定要重复入选吗?");
}

}  // namespace

void Tfrmps::ConnectAlbums() {
    connect(albums_, &workspace::AlbumPanel::scrollChanged, this,
            [this] { widgets::GuardHandler(BoxParent(), [&] { zcsbarChange(); }); });
    connect(albums_, &workspace::AlbumPanel::activeAlbumChanged, this,
            [this] { widgets::GuardHandler(BoxParent(), [&] { rpczctypelistChange(); }); });
    connect(albums_, &workspace::AlbumPanel::upClicked, this, Guarded(&Tfrmps::scrarr3Click));
    connect(albums_, &workspace::AlbumPanel::downClicked, this, Guarded(&Tfrmps::scrarr4Click));
    connect(albums_, &workspace::AlbumPanel::addClicked, this, Guarded(&Tfrmps::Image28Click));
    connect(albums_, &workspace::AlbumPanel::renameClicked, this, Guarded(&Tfrmps::Image7Click));
    connect(albums_, &workspace::AlbumPanel::deleteClicked, this, Guarded(&Tfrmps::Image4Click));
    connect(viewer_, &workspace::SampleViewer::pickClicked, this,
            Guarded(&Tfrmps::SpeedButton1Click));
    connect(albums_, &workspace::AlbumPanel::showClicked, this, [this](int cell) {
        widgets::GuardHandler(BoxParent(), [&] { ShowAlbumSample(cell); });
    });
    connect(albums_, &workspace::AlbumPanel::removeClicked, this,
            [this](int cell) { widgets::GuardHandler(BoxParent(), [&] { RemovePick(cell); }); });
}

// ---- what the full-screen viewer sees of the albums ----------------------------------------

bool Tfrmps::WidescreenTicked() const { return viewer_->WidescreenCorrection(); }

QStringList Tfrmps::AlbumCaptions() const { return albums_->AlbumCaptions(); }

int Tfrmps::ActiveAlbumIndex() const { return albums_->ActiveAlbum(); }

void Tfrmps::ActivateAlbum(int index) { albums_->ActivateAlbum(index); }

workspace::PictureScreen* Tfrmps::LargeView() { return viewer_; }

// ---- album tabs ----------------------------------------------------------------------------

void Tfrmps::FillAlbumTabs() {
    const bool otherWasActive = albums_->ActiveAlbum() != 0;
    albums_->ShowAlbumTabs(workspace::LoadAlbumNames(state_.customerId));
    if (otherWasActive) rpczctypelistChange();
}

void Tfrmps::rpczctypelistChange() {
    state_.currentAlbum = albums_->AlbumCaption(albums_->ActiveAlbum());
    albums_->SetTypedName(state_.currentAlbum);
    ResetAlbumScroll(workspace::AlbumPickCount(state_.customerId, state_.currentAlbum));
}

void Tfrmps::Image28Click() {
    if (state_.customerId.isEmpty()) return;
    const QString name = albums_->TypedName().trimmed();
    if (name.isEmpty()) return;
    // Against the tabs, and in the database against what another station added meanwhile.
    workspace::UndoStep undo;
    if (AlbumCaptions().contains(name) ||
        workspace::AddAlbum(state_.customerId, name, &undo) == AlbumChange::NameExists) {
        widgets::Dialogs::Current().Message(BoxParent(), kDuplicate);
        return;
    }
    RecordUndo(std::move(undo));
    albums_->AddAlbumTab(name);
    albums_->ActivateAlbum(static_cast<int>(AlbumCaptions().size()) - 1);
}

void Tfrmps::Image7Click() {
    if (state_.customerId.isEmpty()) return;
    const QString renamed = albums_->TypedName().trimmed();
    if (renamed.isEmpty()) return;
    widgets::Dialogs& dialogs = widgets::Dialogs::Current();
    if (AlbumCaptions().contains(renamed)) {
        dialogs.Message(BoxParent(), kDuplicate);
        return;
    }
    const int active = albums_->ActiveAlbum();
    const QString old = albums_->AlbumCaption(active);
    if (old == kAllAlbums) {
        dialogs.Message(BoxParent(), QStringLiteral("此相册不允许修改"));
        return;
    }
    AlbumChange change = AlbumChange::Gone;
    workspace::UndoStep undo;
    try {
        change = workspace::RenameAlbum(state_.customerId, old, renamed, &undo);
    } catch (const data::DbError&) {
        dialogs.Message(BoxParent(), QStringLiteral("修改失败"));
        return;
    }
    if (change == AlbumChange::NameExists) {  // another station took the name meanwhile
        dialogs.Message(BoxParent(), kDuplicate);
        return;
    }
    if (change != AlbumChange::Done) {  // another station deleted the album meanwhile
        dialogs.Message(BoxParent(), QStringLiteral("修改失败"));
        return;
    }
    RecordUndo(std::move(undo));
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
    const int active = albums_->ActiveAlbum();
    const QString name = albums_->AlbumCaption(active);
    widgets::Dialogs& dialogs = widgets::Dialogs::Current();
    if (name == kAllAlbums) {
        dialogs.Message(BoxParent(), QStringLiteral("请切换到要删除的相册!"));
        return;
    }
    if (dialogs.Question(BoxParent(),
                         QStringLiteral("删除相册将同时删除此相册中已选好的样片,确定要删除吗?")) !=
        widgets::Answer::Yes)
        return;
    // An album another station deleted meanwhile is gone all the same: its tab goes too.
    workspace::UndoStep undo;
    try {
        workspace::DeleteAlbum(state_.customerId, name, &undo);
    } catch (const data::DbError&) {
        dialogs.Message(BoxParent(), QStringLiteral("删除失败！"));
        return;
    }
    RecordUndo(std::move(undo));
    albums_->RemoveAlbumTab(active);
    rpczctypelistChange();
    ShowPickChanges();
}

// ---- the album grid ------------------------------------------------------------------------

void Tfrmps::ShowAlbumPage(const QString& customerId, int start, qint64 highlightId,
                           const QString& album) {
    albums_->ShowPage(workspace::LoadAlbumPage(customerId, album, start),
                      QString::number(highlightId));
    SharpenAlbumCells();
}

void Tfrmps::ResetAlbumScroll(int count) {
    const int maximum = std::max(1, count);  // an album without picks keeps the range 0..1
    albums_->SetScroll(maximum, maximum);
    albums_->SetScrollEnabled(true);
    ShowAlbumPage(state_.customerId, 0, state_.currentSampleId, state_.currentAlbum);
}

void Tfrmps::SetAlbumScroll(int maximum, int position) {
    albums_->SetScroll(maximum, position);
    zcsbarChange();
}

void Tfrmps::scrarr3Click() { albums_->Step(+1); }

void Tfrmps::scrarr4Click() { albums_->Step(-1); }

void Tfrmps::zcsbarChange() {
    ShowAlbumPage(state_.customerId, albums_->ScrollMaximum() - albums_->ScrollPosition(),
                  state_.currentSampleId, state_.currentAlbum);
}

// ---- picks ---------------------------------------------------------------------------------

void Tfrmps::ShowAlbumSample(int cell) {
    albums_->HighlightCell(cell);
    state_.currentSampleId = albums_->SampleIdAt(cell).toLongLong();
    MoveStripTo(workspace::DisplayNumberOf(state_.customerId, state_.currentSampleId));
    ShowSample(1);
}

bool Tfrmps::PickIntoCurrentAlbum(const QString& customerId, qint64 sampleId) {
    widgets::Dialogs& dialogs = widgets::Dialogs::Current();
    // Album, customer and sample are those of the moment of the click, whatever
    // happens while a question is open.
    const QString album = state_.currentAlbum;
    if (album == kAllAlbums) {
        dialogs.Message(BoxParent(), kSwitchToAnAlbum);
        return false;
    }
    if (customerId.isEmpty() || !workspace::SampleExists(customerId, sampleId)) return false;
    if (workspace::IsPicked(customerId, sampleId, album) &&
        dialogs.Question(BoxParent(), RepeatPickQuestion(album)) == widgets::Answer::No)
        return false;
    workspace::UndoStep undo;
    switch (workspace::PickSample(customerId, sampleId, album, &undo)) {
        case workspace::PickResult::Picked:
            RecordUndo(std::move(undo));
            break;
        case workspace::PickResult::SampleGone:  // deleted while the question was open
            return false;
        case workspace::PickResult::AlbumGone:
            dialogs.Message(BoxParent(), kSwitchToAnAlbum);
            return false;
    }
    // The album's end comes into view: the new pick under up to four earlier ones.
    const int count = std::max(1, workspace::AlbumPickCount(customerId, album));
    SetAlbumScroll(count, std::min(count, 4));
    return true;
}

void Tfrmps::SpeedButton1Click() {
    const QString id = state_.customerId;
    const qint64 sampleId = state_.currentSampleId;
    // Only a sample of this customer, shown large right now, can be picked.
    if (state_.currentAlbum != kAllAlbums && state_.currentSampleFile.isEmpty()) return;
    if (!PickIntoCurrentAlbum(id, sampleId)) return;

    const int next = workspace::DisplayNumberOf(id, sampleId) + 1;
    const qint64 nextId = workspace::SampleOfDisplayNumber(id, next);
    if (nextId != 0) {
        state_.currentSampleId = nextId;
        MoveStripTo(next);
        ShowSample(1);
        ShowStatistics();
    } else {
        // The sample stays shown: its marker and albums show the new pick at once.
        ShowPickChanges();
        widgets::Dialogs::Current().Message(BoxParent(), QStringLiteral("这已经到是后一幅作品!"));
    }
}

void Tfrmps::PickFromPane(qint64 sampleId) {
    // No step: the panes stay; their markers, albums lines and the statistics follow.
    if (PickIntoCurrentAlbum(state_.customerId, sampleId)) ShowPickChanges();
}

void Tfrmps::RemovePick(int cell) {
    workspace::UndoStep undo;
    workspace::RemovePick(state_.customerId, albums_->SampleIdAt(cell).toLongLong(),
                          albums_->AlbumAt(cell), &undo);
    RecordUndo(std::move(undo));
    const int saved = albums_->ScrollPosition();
    const int count =
        std::max(1, workspace::AlbumPickCount(state_.customerId, state_.currentAlbum));
    // Picks after the removed one keep their place on screen.
    SetAlbumScroll(count, saved < count ? saved : saved - 1);
    ShowPickChanges();
}

}  // namespace app
