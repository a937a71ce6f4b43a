// The workspace's undo: the 撤销 button and Ctrl+Z take back the current customer's last
// changes, newest first, and every view shows the database as it is afterwards.

#include <QSignalBlocker>
#include <algorithm>

#include "app/tfrmps.h"
#include "workspace/album_panel.h"
#include "workspace/sample_strip.h"
#include "workspace/sample_viewer.h"
#include "workspace/tfrmfull.h"
#include "workspace/workspace_queries.h"

namespace app {

using workspace::UndoStep;

void Tfrmps::ConnectUndo() {
    connect(viewer_, &workspace::SampleViewer::undoClicked, this, Guarded(&Tfrmps::btnundoClick));
}

void Tfrmps::RecordUndo(UndoStep step) {
    if (step.kind == UndoStep::Kind::None) return;
    undo_.Record(std::move(step));
    // What an earlier undo said is no longer the latest news.
    viewer_->ShowUndoMessage(QString());
    viewer_->SetUndoEnabled(true);
}

void Tfrmps::ClearUndo() {
    undo_.Clear();
    viewer_->SetUndoEnabled(false);
    viewer_->ShowUndoMessage(QString());
}

void Tfrmps::btnundoClick() {
    // A note typed and not yet saved is the newest change: saved, it is the one taken back.
    SavePendingNote();
    const workspace::UndoOutcome outcome = undo_.UndoLast();
    viewer_->SetUndoEnabled(!undo_.IsEmpty());
    ShowUndone(outcome);
}

void Tfrmps::ShowUndone(const workspace::UndoOutcome& outcome) {
    viewer_->ShowUndoMessage(outcome.message);
    // A refused step is read afresh too: another station changed what it was about.
    if (outcome.kind == UndoStep::Kind::None || state_.customerId.isEmpty()) return;
    const QString id = state_.customerId;

    // The tabs as stored; the album shown stays under its name of now, and an album
    // brought back is shown.
    QString album = state_.currentAlbum;
    if (!outcome.album.isEmpty() && (outcome.albumBefore.isEmpty() || outcome.albumBefore == album))
        album = outcome.album;
    albums_->ShowAlbumTabs(workspace::LoadAlbumNames(id));
    {
        const QSignalBlocker quiet(albums_);
        albums_->ActivateAlbum(std::max(0, static_cast<int>(AlbumCaptions().indexOf(album))));
    }
    rpczctypelistChange();
    if (full_ && full_->isVisible()) full_->ShowAlbumChoice();

    // The strip over the samples as stored, at the sample the step was about when it is
    // there, otherwise at the one shown.
    const int samples = workspace::SampleCount(id);
    strip_->SetMaximum(std::max(1, samples));
    qint64 shown = state_.currentSampleId;
    if (outcome.sampleId != 0 && workspace::SampleExists(id, outcome.sampleId))
        shown = outcome.sampleId;
    int position = 1;
    if (samples > 0 && workspace::SampleExists(id, shown))
        position = workspace::DisplayNumberOf(id, shown);
    else
        shown = workspace::SampleOfDisplayNumber(id, 1);
    state_.currentSampleId = shown;
    if (strip_->Position() == position)
        ShowSamplePage(position, shown);
    else
        MoveStripTo(position);
    ShowSample(1);
    ShowAlbumPage(id, albums_->ScrollMaximum() - albums_->ScrollPosition(), shown,
                  state_.currentAlbum);
    ShowStatistics();
}

}  // namespace app
