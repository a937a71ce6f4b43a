// The workspace's browsing: the customer switch, the sample strip, the large view and
// its tools, and the statistics line.

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QValidator>

#include "app/tfrmps.h"
#include "data/connection.h"
#include "data/errors.h"
#include "data/records.h"
#include "images/fitting.h"
#include "images/picture_drawing.h"
#include "images/thumbnail.h"
#include "widgets/dialogs.h"
#include "widgets/handler_guard.h"
#include "workspace/album_panel.h"
#include "workspace/picture_cache.h"
#include "workspace/sample_strip.h"
#include "workspace/sample_viewer.h"
#include "workspace/tfrmfull.h"
#include "workspace/workspace_queries.h"

namespace app {
namespace {

using workspace::kNotePrompt;

const QString kLargePlaceholder = QStringLiteral("photo/nophoto.jpg");
const QString kStripPlaceholder = QStringLiteral("photo/Thumbnails_nophoto.jpg");
const QString kNoFile = QStringLiteral("nophoto.jpg");
constexpr int kNoteLimitBytes = 150;

// The note box takes at most 150 bytes of GBK text: 150 letters or 75 characters.
class GbkLimit : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        return workspace::GbkByteLength(input) <= kNoteLimitBytes ? Acceptable : Invalid;
    }
};

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
    connect(strip_->sbar1, &QSlider::valueChanged, this, Guarded(&Tfrmps::sbar1Change));
    connect(strip_->scrarr1, &QToolButton::clicked, this, Guarded(&Tfrmps::scrarr1Click));
    connect(strip_->scrarr2, &QToolButton::clicked, this, Guarded(&Tfrmps::scrarr2Click));
    connect(strip_, &workspace::SampleStrip::cellClicked, this,
            [this](int cell) { widgets::GuardHandler(BoxParent(), [&] { disimgClick(cell); }); });

    workspace::SampleViewer* v = viewer_;
    connect(v->Image24, &QToolButton::clicked, this, Guarded(&Tfrmps::Image24Click));
    connect(v->Image25, &QToolButton::clicked, this, Guarded(&Tfrmps::Image25Click));
    connect(v->Image26, &QToolButton::clicked, this, Guarded(&Tfrmps::Image26Click));
    connect(v->Image23, &QToolButton::clicked, this, Guarded(&Tfrmps::Image23Click));
    connect(v->tim6, &QTimer::timeout, this, Guarded(&Tfrmps::tim6Timer));
    connect(v->Image5, &QToolButton::clicked, this,
            [this] { widgets::GuardHandler(BoxParent(), [&] { Image5Click(true); }); });
    connect(v->Image6, &QToolButton::clicked, this,
            [this] { widgets::GuardHandler(BoxParent(), [&] { Image5Click(false); }); });
    connect(v->rzcbwidthsale, &QCheckBox::clicked, this, Guarded(&Tfrmps::rzcbwidthsaleClick));
    connect(v->SpeedButton5, &QToolButton::clicked, this, Guarded(&Tfrmps::SpeedButton5Click));
    connect(v->delphoto, &QToolButton::clicked, this, Guarded(&Tfrmps::delphotoClick));
    v->rezzyq->setValidator(new GbkLimit(v->rezzyq));
    v->rezzyq->installEventFilter(this);
    strip_->sbar1->setFocusPolicy(Qt::NoFocus);
    qApp->installEventFilter(this);
}

bool Tfrmps::eventFilter(QObject* watched, QEvent* event) {
    if (watched == viewer_->rezzyq && event->type() == QEvent::FocusIn) rezzyqEnter();
    if (event->type() == QEvent::KeyPress && isActiveWindow() && !isMinimized()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        // Left and Right step through the samples, except while a text box is typed in.
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
    Rzcbcustomer->clear();
    Rzcbcustomerid->clear();
    viewer_->tim6->stop();
    state_.customerId.clear();
    state_.customerPhotoPath.clear();
    state_.currentSampleId = -1;
    state_.currentSampleFile.clear();
    state_.rotationAngle = 0;

    QSlider* bar = strip_->sbar1;
    {
        const QSignalBlocker quiet(bar);  // a page fill needs a customer
        bar->setEnabled(false);
        bar->setRange(0, 0);
    }
    for (int i = 0; i < workspace::kStripCells; ++i) {
        strip_->disimg[i]->hide();
        strip_->dissp[i]->hide();
        strip_->diszt[i]->hide();
        strip_->disid[i].clear();
    }
    QTabBar* tabs = albums_->rpczctypelist;
    {
        const QSignalBlocker quiet(tabs);
        while (tabs->count() > 1) tabs->removeTab(tabs->count() - 1);
        tabs->setCurrentIndex(0);
    }
    state_.currentAlbum = workspace::kAllAlbums;
    albums_->teaddzctype->setText(state_.currentAlbum);
    {
        const QSignalBlocker quiet(albums_->zcsbar);
        albums_->zcsbar->setEnabled(false);
    }
    for (int i = 0; i < workspace::kAlbumCells; ++i) {
        for (QWidget* w : std::initializer_list<QWidget*>{albums_->imgdiszc[i], albums_->spzc[i],
                                                          albums_->zczu[i], albums_->zcl[i],
                                                          albums_->zcps[i], albums_->zcbt[i]})
            w->hide();
        albums_->zcdisid[i].clear();
    }
    ShowSample(1);  // the placeholder, and the note box emptied
    viewer_->lblfilepath->clear();
    viewer_->lblfilepath->setToolTip(QString());
    viewer_->lblyrxc->clear();
    viewer_->lblyrxc->setToolTip(QString());
    if (full_) full_->labyrxc->clear();
    Label1->setText(CustomerPrompt());
}

void Tfrmps::RzcbcustomerChange() {
    SavePendingNote();
    QSlider* bar = strip_->sbar1;
    albums_->zcsbar->setEnabled(false);
    bar->setEnabled(false);
    bar->setMinimum(0);
    bar->setValue(0);
    if (Rzcbcustomer->count() == 0) return;

    Rzcbcustomerid->setCurrentIndex(Rzcbcustomer->currentIndex());
    state_.customerId = Rzcbcustomerid->currentText();
    const QString& id = state_.customerId;
    state_.customerPhotoPath =
        data::LookupValue(QStringLiteral("customer"), QStringLiteral("photopath"),
                          QStringLiteral("customerid=") + id);
    ShowStatistics();

    const int samples = data::StrToInt(workspace::CountAtLeastOne(
        QStringLiteral("select count(*) as picinfocount from  V_photoinfo where customerid=") + id,
        QStringLiteral("picinfocount")));
    bar->setValue(0);
    bar->setValue(1);  // fills the strip from the new customer's first sample
    bar->setMinimum(1);
    bar->setMaximum(samples);
    bar->setEnabled(true);

    const int picks = data::StrToInt(workspace::CountAtLeastOne(
        QStringLiteral("select count(*) as picinfocountzc from V_xcphotoall where customerid=") +
            id,
        QStringLiteral("picinfocountzc")));
    ResetAlbumScroll(picks);
    FillAlbumTabs();
    ShowSample(1);
}

void Tfrmps::ShowSamplePage(int start, qint64 highlightId) {
    const std::vector<workspace::StripCell> cells = workspace::LoadSamplePage(
        QStringLiteral("V_photoinfo"), QStringLiteral("filename"), QStringLiteral("id"),
        workspace::SampleCondition(state_.customerId), start);
    const QString highlight = QString::number(highlightId);
    for (int i = 0; i < workspace::kStripCells; ++i) {
        strip_->disimg[i]->hide();
        strip_->dissp[i]->hide();
        strip_->diszt[i]->hide();
        strip_->SetFrameHighlighted(i, false);
        if (i >= static_cast<int>(cells.size())) {
            strip_->disid[i].clear();
            continue;
        }
        const workspace::StripCell& cell = cells[i];
        // On narrower screens the cells are smaller; the thumbnail keeps its shape. On a
        // scaled screen it is drawn on the device pixels of its cell.
        QLabel* image = strip_->disimg[i];
        image->setPixmap(QPixmap::fromImage(
            images::ThumbnailForCell(images::ShowThumbnail(cell.thumbnail, kStripPlaceholder),
                                     image->size(), image->devicePixelRatio(), false)));
        strip_->disimg[i]->show();
        strip_->dissp[i]->show();
        if (cell.picks > 0) strip_->diszt[i]->show();
        strip_->disid[i] = cell.id;
        if (cell.id == highlight) strip_->SetFrameHighlighted(i, true);
    }
}

void Tfrmps::sbar1Change() { ShowSamplePage(strip_->sbar1->value(), state_.currentSampleId); }

void Tfrmps::scrarr1Click() {
    QSlider* bar = strip_->sbar1;
    if (bar->isEnabled() && bar->value() > bar->minimum()) bar->setValue(bar->value() - 1);
}

void Tfrmps::scrarr2Click() {
    QSlider* bar = strip_->sbar1;
    if (bar->isEnabled() && bar->value() < bar->maximum()) bar->setValue(bar->value() + 1);
}

void Tfrmps::disimgClick(int cell) { ShowSample(cell); }

void Tfrmps::MoveStripTo(int position) { strip_->sbar1->setValue(position); }

// ---- the large view ------------------------------------------------------------------------

images::DrawOptions Tfrmps::FittedOptions(QLabel* target) const {
    images::DrawOptions options;
    options.size = target->size();
    options.margin = target->parentWidget()->palette().color(QPalette::Window);
    options.widescreen = viewer_->rzcbwidthsale->isChecked();
    options.widescreenRatio = state_.widescreenRatio;
    options.orientation =
        state_.cameraOrientation ? images::Orientation::AsTaken : images::Orientation::AsStored;
    options.devicePixelRatio = target->devicePixelRatio();
    return options;
}

void Tfrmps::DrawFitted(QLabel* target, const QString& file) {
    DrawFitted(target, file, FittedOptions(target));
}

void Tfrmps::DrawFitted(QLabel* target, const QString& file, const images::DrawOptions& options) {
    if (full_ && target == full_->imgfull) full_->imgfull->ClearZoom();
    pictureTarget_ = target;
    if (const std::optional<workspace::FittedPicture> ready =
            pictures_->Want(file, kLargePlaceholder, options))
        ShowPicture(target, *ready);
    else
        ShowWhileDrawing(target, file, options);
}

void Tfrmps::ShowPicture(QLabel* target, const workspace::FittedPicture& picture) {
    if (!target) return;
    // The viewer's own zoom came after the wish: that is what the customer looks at.
    const bool inViewer = full_ && target == full_->imgfull;
    if (inViewer && full_->imgfull->zoomed()) return;
    if (picture.drawn.canvas.isNull()) throw data::VerimondError(picture.drawn.error);
    // A file that cannot be drawn shows the placeholder as a plain picture: stretched
    // over the large view, at its own size in the top-left corner of the viewer.
    target->setScaledContents(picture.drawn.plain && !inViewer);
    target->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    target->setPixmap(QPixmap::fromImage(picture.drawn.canvas));
    shownFiles_[target] = picture.file;
    if (picture.drawn.zoomPercent) {
        state_.zoomPercent = *picture.drawn.zoomPercent;
        if (full_) full_->labrate->setText(QString::number(state_.zoomPercent));
    }
}

void Tfrmps::ShowWhileDrawing(QLabel* target, const QString& file,
                              const images::DrawOptions& options) {
    // A turn keeps the sample's own picture up until the turned one arrives.
    if (options.quarterTurns % 4 != 0) return;
    // The header alone gives the zoom percent and where the picture will lie.
    const QSize original = images::ReadImageSize(file, options.orientation);
    if (const std::optional<int> zoom = images::FittedZoomPercent(original, options)) {
        state_.zoomPercent = *zoom;
        if (full_) full_->labrate->setText(QString::number(state_.zoomPercent));
    }
    // A picture of this sample already there (drawn before a setting changed) stays up.
    if (shownFiles_[target] == file || thumbnailFile_ != file || thumbnail_.isEmpty()) return;
    QImage thumbnail;
    try {
        thumbnail = images::ShowThumbnail(thumbnail_, QString());
    } catch (const data::VerimondError&) {
        return;  // the previous picture stays until the drawing arrives
    }
    // The thumbnail holds the photo fitted on grey: that part, scaled up to where the
    // photo will be drawn.
    QSize size = original;
    if (!original.isEmpty()) {
        const images::Placement p =
            images::FitPicture(thumbnail.width(), thumbnail.height(), size.width(), size.height());
        thumbnail = thumbnail.copy(p.x, p.y, p.w, p.h);
    } else {
        size = thumbnail.size() * 100;
    }
    QImage canvas = images::DrawImageFitted(thumbnail, size, options);
    if (canvas.isNull()) return;
    target->setScaledContents(false);
    target->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    target->setPixmap(QPixmap::fromImage(std::move(canvas)));
    shownFiles_[target] = file;
}

void Tfrmps::ShowSample(int cell) {
    QLabel* view = viewer_->Showimg;
    SavePendingNote();
    note_.any = false;
    viewer_->rezzyq->setText(QString());
    for (int i = 0; i < workspace::kStripCells; ++i) strip_->SetFrameHighlighted(i, false);
    state_.currentSampleFile.clear();
    strip_->SetFrameHighlighted(cell - 1, true);

    const QString id = strip_->disid[cell - 1];
    data::Rows rows;
    if (!id.isEmpty())
        rows = data::QueryRows(QStringLiteral("select * from V_photoinfo where customerid=") +
                               state_.customerId + QStringLiteral(" and id=") + id);
    QString file;
    if (!rows.empty()) {
        state_.currentSampleId = rows.front().value(QStringLiteral("id")).toLongLong();
        file = data::TextOf(rows.front(), QStringLiteral("filename"));
        if (file.isEmpty()) file = kNoFile;
        thumbnailFile_ = file;
        thumbnail_ = rows.front().value(QStringLiteral("photofile")).toByteArray();
        view->hide();
        const QRect panel = viewer_->RzPanel9->contentsRect();
        view->setGeometry(5, 5, std::max(1, panel.width() - 10), std::max(1, panel.height() - 10));
        const bool fullScreen = full_ && full_->isVisible();
        if (!fullScreen) DrawFitted(view, file);
        if (full_) {
            const QRect area = full_->Panelimg->contentsRect();
            full_->imgfull->setGeometry(5, 5, std::max(1, area.width() - 10),
                                        std::max(1, area.height() - 10));
            if (fullScreen) DrawFitted(full_->imgfull, file);
        }
        ShowSampleInfo();
    } else {
        pictures_->WantNothing();
        shownFiles_.erase(view);
        view->setScaledContents(true);
        view->setPixmap(QPixmap(kLargePlaceholder));
    }
    view->show();
    state_.currentSampleFile = file;
    state_.rotationAngle = 0;
    // Neighbours are drawn ahead once the sample's own picture is up: while the arrow key
    // is held, the threads draw what the customer is about to see, not what is passed over.
    if (!file.isEmpty() && !pictures_->waiting()) PrefetchNeighbours();
}

void Tfrmps::PrefetchNeighbours() {
    QLabel* target = (full_ && full_->isVisible()) ? full_->imgfull : viewer_->Showimg;
    const images::DrawOptions options = FittedOptions(target);
    try {
        const int d = workspace::DisplayNumberOf(state_.customerId, state_.currentSampleId);
        for (int neighbour : {d + 1, d - 1}) {
            const QString file = workspace::FileOfDisplayNumber(state_.customerId, neighbour);
            if (!file.isEmpty()) pictures_->Prefetch(file, kLargePlaceholder, options);
        }
    } catch (const data::VerimondError&) {
        // Only a head start; the step itself reports what is wrong.
    }
}

void Tfrmps::ShowSampleInfo() {
    // Without a note the box stays empty and shows the prompt as its placeholder, so
    // the prompt never mixes with what is typed.
    const workspace::SampleInfo info = workspace::LoadSampleInfo(
        state_.customerId, state_.currentSampleId, state_.customerPhotoPath, QString());
    viewer_->lblfilepath->setText(info.fileCaption);
    viewer_->lblfilepath->setToolTip(info.fileHint);
    viewer_->rezzyq->setText(info.note);
    note_ = {true, state_.customerId, state_.currentSampleId, info.note};
    viewer_->lblyrxc->setText(info.albumsCaption);
    viewer_->lblyrxc->setToolTip(info.albumsHint);
    if (full_) full_->labyrxc->setText(info.albumsCaption);
}

void Tfrmps::ShowSampleAlbums() {
    if (state_.customerId.isEmpty() || state_.currentSampleFile.isEmpty()) return;
    const workspace::SampleAlbums albums =
        workspace::LoadSampleAlbums(state_.customerId, state_.currentSampleId);
    viewer_->lblyrxc->setText(albums.caption);
    viewer_->lblyrxc->setToolTip(albums.hint);
    if (full_) full_->labyrxc->setText(albums.caption);
}

void Tfrmps::ShowPickChanges() {
    ShowSamplePage(strip_->sbar1->value(), state_.currentSampleId);
    ShowSampleAlbums();
    ShowStatistics();
}

void Tfrmps::StepTo(int displayNumber) {
    MoveStripTo(displayNumber);
    ShowSample(1);
}

void Tfrmps::Image24Click() {
    if (state_.customerId.isEmpty()) return;
    const int d = workspace::DisplayNumberOf(state_.customerId, state_.currentSampleId);
    if (d <= strip_->sbar1->minimum()) return;
    StepTo(d - 1);
}

void Tfrmps::Image25Click() {
    if (state_.customerId.isEmpty()) return;
    const int d = workspace::DisplayNumberOf(state_.customerId, state_.currentSampleId);
    if (d >= strip_->sbar1->maximum()) return;
    StepTo(d + 1);
}

void Tfrmps::Image26Click() {
    if (!state_.customerId.isEmpty()) viewer_->tim6->start();
}

void Tfrmps::Image23Click() {
    if (!state_.customerId.isEmpty()) viewer_->tim6->stop();
}

void Tfrmps::tim6Timer() {
    // While a box is open the customer is answering it; what it asks about stays shown.
    if (widgets::Dialogs::AnyOpen()) return;
    int d = 0;
    try {
        d = workspace::DisplayNumberOf(state_.customerId, state_.currentSampleId);
    } catch (const data::ConversionError&) {
        // No sample of this customer is shown: browsing has nowhere to go.
        viewer_->tim6->stop();
        return;
    }
    if (d < strip_->sbar1->maximum()) {
        StepTo(d + 1);
    } else {
        viewer_->tim6->stop();
    }
}

void Tfrmps::Image5Click(bool clockwise) {
    if (state_.currentSampleFile.isEmpty()) return;
    state_.rotationAngle += clockwise ? 90 : -90;
    if (state_.rotationAngle == 360 || state_.rotationAngle == -360) state_.rotationAngle = 0;
    images::DrawOptions options = FittedOptions(viewer_->Showimg);
    // The customer turns the picture from upright, as the camera held it.
    options.quarterTurns = ((state_.rotationAngle / 90) % 4 + 4) % 4;
    DrawFitted(viewer_->Showimg, state_.currentSampleFile, options);
}

void Tfrmps::rzcbwidthsaleClick() {
    data::UpdateValue(
        QStringLiteral("SysSet"), QStringLiteral("itemvalue"),
        viewer_->rzcbwidthsale->isChecked() ? QStringLiteral("'是'") : QStringLiteral("'否'"),
        QStringLiteral("itemname='openwidthsale'"));
    if (state_.currentSampleId < 0) return;
    const data::Rows rows = data::QueryRows(
        QStringLiteral("select * from V_photoinfo where customerid=") + state_.customerId +
        QStringLiteral(" and id=") + QString::number(state_.currentSampleId));
    if (rows.empty()) return;
    QString file = data::TextOf(rows.front(), QStringLiteral("filename"));
    if (file.isEmpty()) file = kNoFile;
    viewer_->Showimg->hide();
    DrawFitted(viewer_->Showimg, file);
    viewer_->Showimg->show();
    PrefetchNeighbours();
}

void Tfrmps::rezzyqEnter() {
    if (viewer_->rezzyq->text() == kNotePrompt) viewer_->rezzyq->clear();
}

void Tfrmps::SpeedButton5Click() {
    const QString text = viewer_->rezzyq->text();
    StoreNote(state_.customerId, state_.currentSampleId, text);
    if (text.isEmpty() || text == kNotePrompt) viewer_->rezzyq->clear();
    if (note_.any && note_.customerId == state_.customerId &&
        note_.sampleId == state_.currentSampleId)
        note_.shown = viewer_->rezzyq->text();
}

void Tfrmps::StoreNote(const QString& customerId, qint64 sampleId, const QString& text) {
    const QString where = QStringLiteral(" where customerid=") + customerId +
                          QStringLiteral(" and id=") + QString::number(sampleId);
    // The prompt is never a note.
    if (!text.isEmpty() && text != kNotePrompt)
        data::Execute(QStringLiteral("update photoinfo set zzyq='") + data::SqlQuote(text) +
                      QStringLiteral("'") + where);
    else
        data::Execute(QStringLiteral("update photoinfo set zzyq=''") + where);
}

void Tfrmps::SavePendingNote() {
    if (!note_.any) return;
    const QString text = viewer_->rezzyq->text();
    if (text == note_.shown) return;
    StoreNote(note_.customerId, note_.sampleId, text);
    note_.shown = text;
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
    const QString where = QStringLiteral("customerid=") + customer;
    const QString sample = QString::number(sampleId);
    try {
        data::Transaction transaction;
        data::Execute(QStringLiteral("delete from  photoinfo where ") + where +
                      QStringLiteral(" and id=") + sample);
        data::Execute(QStringLiteral("delete from  xcphoto where ") + where +
                      QStringLiteral(" and photoid=") + sample);
        transaction.commit();
    } catch (const data::DbError&) {
        widgets::Dialogs::Current().Message(BoxParent(), QStringLiteral("删除失败！"));
        return;
    }
    if (note_.any && note_.sampleId == sampleId) note_.any = false;  // gone with its sample
    QSlider* bar = strip_->sbar1;
    const int newMaximum = bar->maximum() - 1;
    bar->setMaximum(newMaximum);
    if (bar->value() == 1) {
        ShowSamplePage(1, state_.currentSampleId);
    } else {
        bar->setValue(1);
        bar->setValue(std::min(d, newMaximum));
    }
    ShowSample(1);
    QSlider* albumBar = albums_->zcsbar;
    ShowAlbumPage(state_.customerId, albumBar->maximum() - albumBar->value(),
                  state_.currentSampleId, state_.currentAlbum);
    ShowStatistics();
}

void Tfrmps::ShowStatistics() {
    if (state_.customerId.isEmpty()) return;
    Label1->ShowLine(workspace::ComposeStatistics(state_.customerId));
}

}  // namespace app
