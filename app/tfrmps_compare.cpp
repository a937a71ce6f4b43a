// The workspace's compare: samples side by side in the large view's place. The set of
// samples and its rules are workspace::CompareSet; the panes are workspace::CompareView.
// The candidate is always the sample ShowSample shows, so the arrows, auto-browse, the
// pick button and the strip move it as they move the large view, and the others stay.

#include <QFileInfo>

#include "app/log.h"
#include "app/tfrmps.h"
#include "data/errors.h"
#include "widgets/handler_guard.h"
#include "workspace/compare_view.h"
#include "workspace/picture_cache.h"
#include "workspace/sample_strip.h"
#include "workspace/sample_viewer.h"
#include "workspace/tfrmfull.h"
#include "workspace/workspace_queries.h"

namespace app {
namespace {

const QString kNoFile = QStringLiteral("nophoto.jpg");

}  // namespace

void Tfrmps::ConnectCompare() {
    connect(viewer_, &workspace::SampleViewer::compareClicked, this,
            Guarded(&Tfrmps::btncompareClick));
    connect(strip_, &workspace::SampleStrip::cellCtrlClicked, this, [this](int cell) {
        widgets::GuardHandler(BoxParent(), [&] { disimgCtrlClick(cell); });
    });
    Panes();
}

workspace::CompareView* Tfrmps::compareView() const { return compareView_.data(); }

workspace::CompareView& Tfrmps::Panes() {
    if (compareView_) return *compareView_;
    compareView_ = new workspace::CompareView(viewer_->ViewPanel());
    compareView_->PutInto(viewer_->ViewPanel());
    using workspace::CompareView;
    connect(compareView_, &CompareView::paneClicked, this, [this](int index) {
        widgets::GuardHandler(BoxParent(), [&] { ComparePaneClick(index); });
    });
    connect(compareView_, &CompareView::closeClicked, this, [this](int index) {
        widgets::GuardHandler(BoxParent(), [&] { ComparePaneClose(index); });
    });
    connect(compareView_, &CompareView::pickClicked, this, [this](int index) {
        widgets::GuardHandler(BoxParent(), [&] {
            if (index < compare_.count()) PickFromPane(compare_.samples()[index]);
        });
    });
    return *compareView_;
}

void Tfrmps::btncompareClick() {
    if (!compare_.empty()) {
        CloseCompare();
        return;
    }
    // Started from the sample shown; the next samples clicked in the strip join it.
    if (!state_.customerId.isEmpty() && !state_.currentSampleFile.isEmpty())
        compare_.Add(state_.currentSampleId);
    viewer_->SetCompareChecked(!compare_.empty());
}

void Tfrmps::disimgCtrlClick(int cell) {
    const QString id = strip_->SampleIdAt(cell);
    if (id.isEmpty() || state_.customerId.isEmpty()) return;
    // Compared with the sample shown large, unless a compare was started already.
    if (compare_.empty() && !state_.currentSampleFile.isEmpty())
        compare_.Add(state_.currentSampleId);
    compare_.Add(id.toLongLong());
    viewer_->SetCompareChecked(true);
    // The strip stays where it is, so that the next cells can be clicked.
    ShowSample(cell);
}

void Tfrmps::ComparePaneClick(int index) {
    if (index < 0 || index >= compare_.count() || index == compare_.candidate()) return;
    compare_.SetCandidate(index);
    ShowSampleOf(compare_.candidateSample());
}

void Tfrmps::ComparePaneClose(int index) {
    if (index < 0 || index >= compare_.count()) return;
    compare_.Close(index);
    if (compare_.count() == 1) {
        const qint64 left = compare_.candidateSample();
        ForgetCompare();
        ShowSampleOf(left);
        return;
    }
    ShowSampleOf(compare_.candidateSample());
}

void Tfrmps::CloseCompare() {
    if (compare_.empty()) return;
    const bool showing = compare_.showing();
    const qint64 candidate = compare_.candidateSample();
    ForgetCompare();
    // The panes' last candidate is shown large; a compare only being started left the
    // large view as it was.
    if (showing) ShowSampleOf(candidate);
}

void Tfrmps::ForgetCompare() {
    compare_.Clear();
    viewer_->SetCompareChecked(false);
    ShowPictureTools(true);
    if (!compareView_) return;
    compareView_->Clear();
    compareView_->hide();
}

void Tfrmps::ShowSampleOf(qint64 sampleId) {
    // A sample on the strip's page is shown as a click on its cell: the strip stays.
    for (int cell = 1; cell <= workspace::kStripCells; ++cell)
        if (strip_->SampleIdAt(cell) == QString::number(sampleId)) {
            ShowSample(cell);
            return;
        }
    MoveStripTo(workspace::DisplayNumberOf(state_.customerId, sampleId));
    ShowSample(1);
}

int Tfrmps::StepFrom(int d, int direction) {
    if (!compare_.showing()) return d + direction;
    // The candidate walks past the samples the other panes hold: each is compared already.
    for (int n = d + direction; n >= strip_->Minimum() && n <= strip_->Maximum(); n += direction) {
        const int pane = compare_.IndexOf(workspace::SampleOfDisplayNumber(state_.customerId, n));
        if (pane < 0 || pane == compare_.candidate()) return n;
    }
    return 0;
}

bool Tfrmps::ComparePanesTake(qint64 sampleId) {
    if (compare_.empty()) return false;
    compare_.ReplaceCandidate(sampleId);
    if (!compare_.showing()) return false;
    // Nothing for the large view is wanted while it is covered.
    pictures_->WantNothing();
    ShowComparePanes();
    return true;
}

void Tfrmps::ShowComparePanes() {
    std::vector<workspace::ComparePane> panes;
    for (const qint64 id : compare_.samples()) {
        workspace::ComparePane pane;
        pane.sampleId = id;
        pane.file = kNoFile;
        if (const std::optional<workspace::ShownSample> sample =
                workspace::LoadShownSample(state_.customerId, id)) {
            if (!sample->file.isEmpty()) pane.file = sample->file;
            pane.thumbnail = sample->thumbnail;
        }
        pane.fileName = QFileInfo(pane.file).fileName();
        try {
            pane.displayNumber = workspace::DisplayNumberOf(state_.customerId, id);
        } catch (const data::ConversionError&) {
            // Deleted by another station meanwhile: shown without a number.
            qCDebug(lcApp) << "compared sample" << id << "has no display number";
        }
        pane.albums = workspace::LoadSampleAlbums(state_.customerId, id).caption;
        panes.push_back(std::move(pane));
    }
    workspace::CompareView& view = Panes();
    view.SetDrawing(FittedOptions(viewer_), state_.previews);
    view.ShowPanes(panes, compare_.candidate());
    view.show();
    view.raise();
    ShowPictureTools(false);
}

void Tfrmps::ShowPictureTools(bool on) {
    viewer_->SetRotationEnabled(on);
    if (full_) full_->SetPictureToolsEnabled(on);
}

void Tfrmps::ShowCompareAlbums() {
    if (compare_.showing()) ShowComparePanes();
}

void Tfrmps::ShowAfterDeletion(qint64 deletedId) {
    if (!compare_.showing()) {
        ForgetCompare();
        ShowSample(1);
        return;
    }
    compare_.Remove(deletedId);
    if (compare_.count() <= 1) {
        const qint64 left = compare_.candidateSample();
        ForgetCompare();
        if (left >= 0) {
            ShowSampleOf(left);
            return;
        }
        ShowSample(1);
        return;
    }
    ShowSampleOf(compare_.candidateSample());
}

void Tfrmps::FollowFullScreen() {
    if (!compareView_ && !compare_.showing()) return;
    Panes().PutInto(full_ && full_->isVisible() ? full_->Panelimg : viewer_->ViewPanel());
    if (compare_.showing())
        ShowComparePanes();
    else
        compareView_->hide();
}

}  // namespace app
