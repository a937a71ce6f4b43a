// The workspace's browsing: the customer switch, the sample strip, the large view and
// its tools, and the statistics line.

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "app/log.h"
#include "app/tfrmps.h"
#include "customers/preview_building.h"
#include "data/errors.h"
#include "images/picture_drawing.h"
#include "widgets/dialogs.h"
#include "widgets/handler_guard.h"
#include "workspace/album_panel.h"
#include "workspace/picture_cache.h"
#include "workspace/sample_strip.h"
#include "workspace/sample_viewer.h"
#include "workspace/stand_in_picture.h"
#include "workspace/tfrmfull.h"
#include "workspace/workspace_operations.h"
#include "workspace/workspace_queries.h"

namespace app {
namespace {

using workspace::kNotePrompt;

const QString kLargePlaceholder = QStringLiteral("photo/nophoto.jpg");
const QString kNoFile = QStringLiteral("nophoto.jpg");

bool IsTextEntry(const QWidget* widget) {
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QTextEdit*>(widget) ||
           qobject_cast<const QPlainTextEdit*>(widget);
}

}  // namespace

void Tfrmps::ConnectBrowsing() {
    pictures_ = std::make_unique<workspace::PictureCache>();
    connect(pictures_.get(), &workspace::PictureCache::pictureReady, this,
            [this](const workspace::FittedPicture& picture) {
                widgets::GuardHandler(BoxParent(), [&] {
                    ShowPicture(pictureTarget_, picture);
                    if (!state_.currentSampleFile.isEmpty()) PrefetchNeighbours();
                });
            });
    connect(Rzcbcustomer, &QComboBox::activated, this, Guarded(&Tfrmps::RzcbcustomerChange));
    using workspace::SampleStrip;
    connect(strip_, &SampleStrip::positionChanged, this, Guarded(&Tfrmps::sbar1Change));
    connect(strip_, &SampleStrip::backClicked, this, Guarded(&Tfrmps::scrarr1Click));
    connect(strip_, &SampleStrip::forwardClicked, this, Guarded(&Tfrmps::scrarr2Click));
    connect(strip_, &SampleStrip::cellClicked, this,
            [this](int cell) { widgets::GuardHandler(BoxParent(), [&] { disimgClick(cell); }); });

    using workspace::SampleViewer;
    connect(viewer_, &SampleViewer::previousClicked, this, Guarded(&Tfrmps::Image24Click));
    connect(viewer_, &SampleViewer::nextClicked, this, Guarded(&Tfrmps::Image25Click));
    connect(viewer_, &SampleViewer::autoBrowseClicked, this, Guarded(&Tfrmps::Image26Click));
    connect(viewer_, &SampleViewer::stopBrowseClicked, this, Guarded(&Tfrmps::Image23Click));
    connect(viewer_, &SampleViewer::autoBrowseStep, this, Guarded(&Tfrmps::tim6Timer));
    connect(viewer_, &SampleViewer::rotateClicked, this, [this](bool clockwise) {
        widgets::GuardHandler(BoxParent(), [&] { Image5Click(clockwise); });
    });
    connect(viewer_, &SampleViewer::widescreenClicked, this, Guarded(&Tfrmps::rzcbwidthsaleClick));
    connect(viewer_, &SampleViewer::saveNoteClicked, this, Guarded(&Tfrmps::SpeedButton5Click));
    connect(viewer_, &SampleViewer::deleteClicked, this, Guarded(&Tfrmps::delphotoClick));
    connect(viewer_, &SampleViewer::noteEntered, this, &Tfrmps::rezzyqEnter);
    qApp->installEventFilter(this);
}

bool Tfrmps::eventFilter(QObject* watched, QEvent* event) {
    if (watched == full_ && (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        FollowFullScreen();
    // Esc ends a compare, except while a text box is typed in.
    if (event->type() == QEvent::KeyPress && isActiveWindow() && !isMinimized() &&
        !compare_.empty() && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
        !IsTextEntry(QApplication::focusWidget())) {
        widgets::GuardHandler(BoxParent(), [&] { CloseCompare(); });
        return true;
    }
    if (event->type() == QEvent::KeyPress && isActiveWindow() && !isMinimized()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        // Left and Right step through the samples, except while a text box is typed in.
        // Ctrl+Z takes back the last change; in a text box it is the box's own undo.
        if (key == Qt::Key_Z &&
            static_cast<QKeyEvent*>(event)->modifiers() == Qt::ControlModifier &&
            !IsTextEntry(QApplication::focusWidget()) && !(full_ && full_->isVisible())) {
            widgets::GuardHandler(BoxParent(), [&] { btnundoClick(); });
            return true;
        }
        if ((key == Qt::Key_Left || key == Qt::Key_Right) &&
            !IsTextEntry(QApplication::focusWidget()) && !(full_ && full_->isVisible())) {
            widgets::GuardHandler(BoxParent(),
                                  [&] { key == Qt::Key_Left ? Image24Click() : Image25Click(); });
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---- customer switch and strip -------------------------------------------------------------

void Tfrmps::FillCustomerList() {
    const std::vector<workspace::CustomerEntry> customers = workspace::LoadOpenCustomers();
    if (customers.empty()) return;
    Rzcbcustomer->clear();
    Rzcbcustomerid->clear();
    for (const auto& customer : customers) {
        Rzcbcustomer->addItem(customer.name);
        Rzcbcustomerid->addItem(customer.id);
    }
    Rzcbcustomer->setCurrentIndex(-1);
    Rzcbcustomerid->setCurrentIndex(-1);
}

void Tfrmps::RefreshCustomersAfterManagement() {
    const QString chosen = Rzcbcustomerid->currentText();
    // With no open customer left the refill would keep the old names in the drop-down.
    if (workspace::LoadOpenCustomers().empty()) {
        ClearCustomer();
        return;
    }
    FillCustomerList();
    if (chosen.isEmpty()) return;
    const int index = std::max(0, Rzcbcustomerid->findText(chosen, Qt::MatchExactly));
    Rzcbcustomer->setCurrentIndex(index);
    Rzcbcustomerid->setCurrentIndex(index);
    RzcbcustomerChange();
}

void Tfrmps::ClearCustomer() {
    ClearUndo();
    Rzcbcustomer->clear();
    Rzcbcustomerid->clear();
    viewer_->StopAutoBrowse();
    ForgetCompare();
    state_.customerId.clear();
    state_.customerPhotoPath.clear();
    state_.currentSampleId = -1;
    state_.currentSampleFile.clear();
    state_.rotationAngle = 0;

    strip_->Clear();
    albums_->ShowAlbumTabs({});
    state_.currentAlbum = workspace::kAllAlbums;
    albums_->SetTypedName(state_.currentAlbum);
    albums_->Clear();
    ShowSample(1);  // the placeholder, and the note box emptied
    viewer_->ClearInfo();
    if (full_) full_->ShowAlbums(QString());
    Label1->ShowPrompt(CustomerPrompt());
}

void Tfrmps::RzcbcustomerChange() {
    SavePendingNote();
    ForgetCompare();
    albums_->SetScrollEnabled(false);
    strip_->SetTrackEnabled(false);
    strip_->SetMinimum(0);
    strip_->SetPosition(0);
    if (Rzcbcustomer->count() == 0) return;

    Rzcbcustomerid->setCurrentIndex(Rzcbcustomer->currentIndex());
    if (Rzcbcustomerid->currentText() != state_.customerId) ClearUndo();
    state_.customerId = Rzcbcustomerid->currentText();
    const QString& id = state_.customerId;
    state_.customerPhotoPath = workspace::CustomerPhotoPath(id);
    ShowStatistics();

    const int samples = std::max(1, workspace::SampleCount(id));  // the bar keeps a range
    strip_->SetPosition(0);
    strip_->SetPosition(1);  // fills the strip from the new customer's first sample
    strip_->SetMinimum(1);
    strip_->SetMaximum(samples);
    strip_->SetTrackEnabled(true);

    ResetAlbumScroll(workspace::AlbumPickCount(id, workspace::kAllAlbums));
    FillAlbumTabs();
    ShowSample(1);
    QueuePreviewsOf(id.toLongLong());
}

void Tfrmps::ShowSamplePage(int start, qint64 highlightId) {
    strip_->ShowPage(
        workspace::LoadSamplePage(QStringLiteral("V_photoinfo"), QStringLiteral("filename"),
                                  QStringLiteral("id"),
                                  workspace::SampleCondition(state_.customerId), start),
        QString::number(highlightId));
    SharpenStripCells();
}

void Tfrmps::sbar1Change() { ShowSamplePage(strip_->Position(), state_.currentSampleId); }

void Tfrmps::scrarr1Click() { strip_->Step(-1); }

void Tfrmps::scrarr2Click() { strip_->Step(+1); }

void Tfrmps::disimgClick(int cell) {
    // While a compare is open or being started, a click adds to it.
    if (!compare_.empty()) {
        disimgCtrlClick(cell);
        return;
    }
    ShowSample(cell);
}

void Tfrmps::MoveStripTo(int position) { strip_->SetPosition(position); }

// ---- the large view ------------------------------------------------------------------------

images::DrawOptions Tfrmps::FittedOptions(const workspace::PictureScreen* screen) const {
    images::DrawOptions options = screen->ScreenOptions();
    options.widescreen = viewer_->WidescreenCorrection();
    options.widescreenRatio = state_.widescreenRatio;
    options.orientation =
        state_.cameraOrientation ? images::Orientation::AsTaken : images::Orientation::AsStored;
    return options;
}

workspace::PictureScreen* Tfrmps::ScreenShown() {
    if (full_ && full_->isVisible()) return full_;
    return viewer_;
}

void Tfrmps::ShowZoomPercent(int percent) {
    state_.zoomPercent = percent;
    if (full_) full_->ShowZoomPercent(percent);
}

void Tfrmps::DrawFitted(workspace::PictureScreen* screen, const QString& file) {
    DrawFitted(screen, file, FittedOptions(screen));
}

void Tfrmps::DrawFitted(workspace::PictureScreen* screen, const QString& file,
                        const images::DrawOptions& options) {
    screen->FittedPictureWanted();
    pictureTarget_ = screen;
    if (const std::optional<workspace::FittedPicture> ready =
            pictures_->Want(file, kLargePlaceholder, options))
        ShowPicture(screen, *ready);
    else
        ShowWhileDrawing(screen, file, options);
}

void Tfrmps::ShowPicture(workspace::PictureScreen* screen,
                         const workspace::FittedPicture& picture) {
    if (!screen || !screen->TakesFittedPictures()) return;
    if (picture.drawn.canvas.isNull()) throw data::VerimondError(picture.drawn.error);
    screen->ShowCanvas(picture.drawn.canvas, picture.drawn.plain);
    shownFiles_[screen] = picture.file;
    if (picture.drawn.zoomPercent) ShowZoomPercent(*picture.drawn.zoomPercent);
}

void Tfrmps::ShowWhileDrawing(workspace::PictureScreen* screen, const QString& file,
                              const images::DrawOptions& options) {
    // A turn keeps the sample's own picture up until the turned one arrives.
    if (options.quarterTurns % 4 != 0) return;
    // The header alone gives the zoom percent and where the picture will lie.
    const QSize original = images::ReadImageSize(file, options.orientation);
    if (const std::optional<int> zoom = images::FittedZoomPercent(original, options))
        ShowZoomPercent(*zoom);
    // A picture of this sample already there (drawn before a setting changed) stays up.
    if (shownFiles_[screen] == file || thumbnailFile_ != file || thumbnail_.isEmpty()) return;
    QImage standIn;
    try {
        standIn = workspace::StandInPicture(thumbnail_, original, options);
    } catch (const data::VerimondError& error) {
        qCWarning(lcApp).noquote() << "stored thumbnail of" << file << "not shown:" << error.text();
    }
    // Otherwise the previous picture stays until the drawing arrives.
    if (standIn.isNull()) return;
    screen->ShowCanvas(standIn, false);
    shownFiles_[screen] = file;
}

void Tfrmps::ShowSample(int cell) {
    SavePendingNote();
    note_.any = false;
    viewer_->SetNote(QString());
    state_.currentSampleFile.clear();
    strip_->HighlightCell(cell);
    // Building previews steps aside while the customer browses.
    if (previewBuilder_) previewBuilder_->Browsing();

    const QString id = strip_->SampleIdAt(cell);
    std::optional<workspace::ShownSample> sample;
    if (!id.isEmpty()) sample = workspace::LoadShownSample(state_.customerId, id.toLongLong());
    QString file;
    if (sample) {
        state_.currentSampleId = sample->id;
        file = sample->file;
        if (file.isEmpty()) file = kNoFile;
        thumbnailFile_ = file;
        thumbnail_ = sample->thumbnail;
        viewer_->HideLargeView();
        viewer_->FitLargeView();
        if (full_) full_->FitPictureArea();
        if (!ComparePanesTake(sample->id)) DrawFitted(ScreenShown(), file);
        ShowSampleInfo();
    } else {
        pictures_->WantNothing();
        shownFiles_.erase(viewer_);
        viewer_->ShowPlaceholder(kLargePlaceholder);
    }
    viewer_->RevealLargeView();
    state_.currentSampleFile = file;
    state_.rotationAngle = 0;
    // Neighbours are drawn ahead once the sample's own picture is up: while the arrow key
    // is held, the threads draw what the customer is about to see, not what is passed over.
    if (!file.isEmpty() && !pictures_->waiting() && !compare_.showing()) PrefetchNeighbours();
}

void Tfrmps::PrefetchNeighbours() {
    const images::DrawOptions options = FittedOptions(ScreenShown());
    try {
        const int d = workspace::DisplayNumberOf(state_.customerId, state_.currentSampleId);
        for (int neighbour : {d + 1, d - 1}) {
            const QString file = workspace::FileOfDisplayNumber(state_.customerId, neighbour);
            if (!file.isEmpty()) pictures_->Prefetch(file, kLargePlaceholder, options);
        }
    } catch (const data::VerimondError& error) {
        // Only a head start; the step itself reports what is wrong. No sample shown is no
        // failure either, hence no warning.
        qCDebug(lcApp).noquote() << "neighbours of sample" << state_.currentSampleId
                                 << "not drawn ahead:" << error.text();
    }
}

void Tfrmps::ShowSampleInfo() {
    // Without a note the box stays empty and shows the prompt as its placeholder, so
    // the prompt never mixes with what is typed.
    const workspace::SampleInfo info = workspace::LoadSampleInfo(
        state_.customerId, state_.currentSampleId, state_.customerPhotoPath, QString());
    viewer_->ShowFile(info.fileCaption, info.fileHint);
    viewer_->SetNote(info.note);
    note_ = {true, state_.customerId, state_.currentSampleId, info.note};
    viewer_->ShowAlbums(info.albumsCaption, info.albumsHint);
    if (full_) full_->ShowAlbums(info.albumsCaption);
}

void Tfrmps::ShowSampleAlbums() {
    if (state_.customerId.isEmpty() || state_.currentSampleFile.isEmpty()) return;
    const workspace::SampleAlbums albums =
        workspace::LoadSampleAlbums(state_.customerId, state_.currentSampleId);
    viewer_->ShowAlbums(albums.caption, albums.hint);
    if (full_) full_->ShowAlbums(albums.caption);
}

void Tfrmps::ShowPickChanges() {
    ShowSamplePage(strip_->Position(), state_.currentSampleId);
    ShowSampleAlbums();
    ShowCompareAlbums();
    ShowStatistics();
}

void Tfrmps::StepTo(int displayNumber) {
    MoveStripTo(displayNumber);
    ShowSample(1);
}

void Tfrmps::Image24Click() {
    if (state_.customerId.isEmpty()) return;
    const int d = workspace::DisplayNumberOf(state_.customerId, state_.currentSampleId);
    if (d <= strip_->Minimum()) return;
    if (const int to = StepFrom(d, -1)) StepTo(to);
}

void Tfrmps::Image25Click() {
    if (state_.customerId.isEmpty()) return;
    const int d = workspace::DisplayNumberOf(state_.customerId, state_.currentSampleId);
    if (d >= strip_->Maximum()) return;
    if (const int to = StepFrom(d, +1)) StepTo(to);
}

void Tfrmps::Image26Click() {
    if (!state_.customerId.isEmpty()) viewer_->StartAutoBrowse();
}

void Tfrmps::Image23Click() {
    if (!state_.customerId.isEmpty()) viewer_->StopAutoBrowse();
}

void Tfrmps::tim6Timer() {
    // While a box is open the customer is answering it; what it asks about stays shown.
    if (widgets::Dialogs::AnyOpen()) return;
    int d = 0;
    try {
        d = workspace::DisplayNumberOf(state_.customerId, state_.currentSampleId);
    } catch (const data::ConversionError&) {
        // No sample of this customer is shown: browsing has nowhere to go.
        viewer_->StopAutoBrowse();
        return;
    }
    const int to = d < strip_->Maximum() ? StepFrom(d, +1) : 0;
    if (to) {
        StepTo(to);
    } else {
        viewer_->StopAutoBrowse();
    }
}

void Tfrmps::Image5Click(bool clockwise) {
    if (state_.currentSampleFile.isEmpty() || compare_.showing()) return;
    state_.rotationAngle += clockwise ? 90 : -90;
    if (state_.rotationAngle == 360 || state_.rotationAngle == -360) state_.rotationAngle = 0;
    images::DrawOptions options = FittedOptions(viewer_);
    // The customer turns the picture from upright, as the camera held it.
    options.quarterTurns = ((state_.rotationAngle / 90) % 4 + 4) % 4;
    DrawFitted(viewer_, state_.currentSampleFile, options);
}

void Tfrmps::rzcbwidthsaleClick() {
    workspace::StoreWidescreenCorrection(WidescreenTicked());
    if (state_.currentSampleId < 0) return;
    const std::optional<workspace::ShownSample> sample =
        workspace::LoadShownSample(state_.customerId, state_.currentSampleId);
    if (!sample) return;
    QString file = sample->file;
    if (file.isEmpty()) file = kNoFile;
    if (compare_.showing()) ShowComparePanes();
    viewer_->HideLargeView();
    DrawFitted(viewer_, file);
    viewer_->RevealLargeView();
    PrefetchNeighbours();
}

void Tfrmps::rezzyqEnter() {
    if (viewer_->Note() == kNotePrompt) viewer_->ClearNote();
}

void Tfrmps::SpeedButton5Click() {
    const QString text = viewer_->Note();
    workspace::UndoStep undo;
    workspace::StoreNote(state_.customerId, state_.currentSampleId, text, &undo);
    RecordUndo(std::move(undo));
    if (text.isEmpty() || text == kNotePrompt) viewer_->ClearNote();
    if (note_.any && note_.customerId == state_.customerId &&
        note_.sampleId == state_.currentSampleId)
        note_.shown = viewer_->Note();
}

void Tfrmps::SavePendingNote() {
    if (!note_.any) return;
    const QString text = viewer_->Note();
    if (text == note_.shown) return;
    workspace::UndoStep undo;
    workspace::StoreNote(note_.customerId, note_.sampleId, text, &undo);
    note_.shown = text;
    RecordUndo(std::move(undo));
}

void Tfrmps::delphotoClick() {
    if (state_.customerId.isEmpty()) return;
    // The sample shown when the question is asked is the one deleted on Yes.
    const QString customer = state_.customerId;
    const qint64 sampleId = state_.currentSampleId;
    if (widgets::Dialogs::Current().Question(
            BoxParent(),
            QStringLiteral("删除样片将同时从已入选此样片的相册中删除,确定要删除吗?")) !=
        widgets::Answer::Yes)
        return;
    const int d = workspace::DisplayNumberOf(customer, sampleId);
    // A sample another station deleted meanwhile is gone all the same: the views follow.
    workspace::UndoStep undo;
    try {
        workspace::DeleteSample(customer, sampleId, &undo);
    } catch (const data::DbError&) {
        widgets::Dialogs::Current().Message(BoxParent(), QStringLiteral("删除失败！"));
        return;
    }
    RecordUndo(std::move(undo));
    if (note_.any && note_.sampleId == sampleId) note_.any = false;  // gone with its sample
    const int newMaximum = strip_->Maximum() - 1;
    strip_->SetMaximum(newMaximum);
    if (strip_->Position() == 1) {
        ShowSamplePage(1, state_.currentSampleId);
    } else {
        strip_->SetPosition(1);
        strip_->SetPosition(std::min(d, newMaximum));
    }
    ShowAfterDeletion(sampleId);
    ShowAlbumPage(state_.customerId, albums_->ScrollMaximum() - albums_->ScrollPosition(),
                  state_.currentSampleId, state_.currentAlbum);
    ShowStatistics();
}

void Tfrmps::ShowStatistics() {
    if (state_.customerId.isEmpty()) return;
    Label1->ShowLine(workspace::ComposeStatistics(state_.customerId));
}

}  // namespace app
