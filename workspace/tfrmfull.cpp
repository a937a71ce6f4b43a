#include "workspace/tfrmfull.h"

#include <QApplication>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QScreen>
#include <QtConcurrent/QtConcurrentRun>

#include "images/image_decoder.h"
#include "images/picture_drawing.h"
#include "widgets/handler_guard.h"
#include "widgets/touch_gestures.h"
#include "workspace/full_screen_host.h"
#include "workspace/viewer_geometry.h"
#include "workspace/workspace_state.h"

namespace workspace {
namespace {

using widgets::Glyph;
using widgets::PictureButton;

const QColor kPanelGrey(128, 128, 128);

}  // namespace

TFrmfull::TFrmfull(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("TFrmfull"));
    setWindowTitle(QStringLiteral("全屏"));
    Panelimg = new QWidget(this);
    Panelimg->setAutoFillBackground(true);
    QPalette grey = Panelimg->palette();
    grey.setColor(QPalette::Window, kPanelGrey);
    Panelimg->setPalette(grey);
    imgfull = new ZoomablePicture(Panelimg);
    imgfull->setCursor(Qt::SizeAllCursor);
    imgfull->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    labyrxc = new QLabel(this);
    labyrxc->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    labyrxc->setTextFormat(Qt::PlainText);

    Panelbtn = new QWidget(this);
    Panelbtn->setObjectName(QStringLiteral("Panelbtn"));
    Panelbtn->setStyleSheet(
        QStringLiteral("#Panelbtn { background: rgba(30,31,30,0.92); border: 1px solid #5a5b58; "
                       "border-radius: 8px; }"));
    auto* bar = new QHBoxLayout(Panelbtn);
    bar->setContentsMargins(6, 2, 6, 2);
    bar->setSpacing(2);
    SpeedButton8 = new PictureButton(Glyph::Pick, QStringLiteral("把样片选入相册"), Panelbtn, 28,
                                     QColor(216, 164, 90));
    RCXC = new QComboBox(Panelbtn);
    RCXC->setToolTip(QStringLiteral("切换相册"));
    RCXC->setMinimumWidth(110);
    SpeedButton3 = new PictureButton(Glyph::Previous, QStringLiteral("上一张"), Panelbtn, 28);
    SpeedButton2 = new PictureButton(Glyph::Next, QStringLiteral("下一张"), Panelbtn, 28);
    SpeedButton5 = new PictureButton(Glyph::RotateCounterClockwise, QStringLiteral("逆时针旋转"),
                                     Panelbtn, 28);
    SpeedButton4 =
        new PictureButton(Glyph::RotateClockwise, QStringLiteral("顺时针旋转"), Panelbtn, 28);
    SpeedButton6 = new PictureButton(Glyph::ZoomIn, QStringLiteral("放大样片"), Panelbtn, 28);
    SpeedButton7 = new PictureButton(Glyph::ZoomOut, QStringLiteral("缩小样片"), Panelbtn, 28);
    labrate = new QLabel(QStringLiteral("100"), Panelbtn);
    labrate->setToolTip(QStringLiteral("当前缩放比例"));
    labrate->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    labrate->setMinimumWidth(34);
    auto* percent = new QLabel(QStringLiteral("%"), Panelbtn);
    SpeedButton1 = new PictureButton(Glyph::Exit, QStringLiteral("退出全屏模式"), Panelbtn, 28,
                                     QColor(232, 120, 100));
    for (QWidget* w : std::initializer_list<QWidget*>{
             SpeedButton8, RCXC, SpeedButton3, SpeedButton2, SpeedButton5, SpeedButton4,
             SpeedButton6, SpeedButton7, labrate, percent, SpeedButton1})
        bar->addWidget(w);
    Panelbtn->setFixedSize(std::max(401, Panelbtn->sizeHint().width()), 33);
    // The field that keeps the keyboard away from the album list sits out of sight.
    Edit1 = new QLineEdit(Panelbtn);
    Edit1->setGeometry(0, 60, 10, 10);

    connect(SpeedButton1, &QToolButton::clicked, this,
            [this] { Guard([&] { SpeedButton1Click(); }); });
    connect(SpeedButton3, &QToolButton::clicked, this,
            [this] { Guard([&] { SpeedButton3Click(); }); });
    connect(SpeedButton2, &QToolButton::clicked, this,
            [this] { Guard([&] { SpeedButton2Click(); }); });
    connect(SpeedButton4, &QToolButton::clicked, this,
            [this] { SpeedButton4Click(Tool::RotateClockwise); });
    connect(SpeedButton5, &QToolButton::clicked, this,
            [this] { SpeedButton4Click(Tool::RotateCounterClockwise); });
    connect(SpeedButton6, &QToolButton::clicked, this, [this] { SpeedButton4Click(Tool::ZoomIn); });
    connect(SpeedButton7, &QToolButton::clicked, this,
            [this] { SpeedButton4Click(Tool::ZoomOut); });
    connect(SpeedButton8, &QToolButton::clicked, this,
            [this] { Guard([&] { SpeedButton8Click(); }); });
    connect(RCXC, &QComboBox::activated, this, [this] { Guard([&] { RCXCChange(); }); });
    zoomPool_.setMaxThreadCount(1);
    qApp->installEventFilter(this);
    ConnectTouch();
}

TFrmfull::~TFrmfull() {
    DropPendingZoom();
    zoomPool_.waitForDone();
}

void TFrmfull::Guard(const std::function<void()>& handler) { widgets::GuardHandler(this, handler); }

void TFrmfull::ShowOver(QWidget* workspace) {
    QScreen* screen = workspace && workspace->screen() ? workspace->screen() : this->screen();
    setGeometry(screen->geometry());
    showFullScreen();
    raise();
    activateWindow();
    Guard([&] { FormShow(); });
}

void TFrmfull::resizeEvent(QResizeEvent*) {
    Panelimg->setGeometry(rect());
    PlaceBar();
}

void TFrmfull::PlaceBar() {
    Panelbtn->move((width() - Panelbtn->width()) / 2, height() - Panelbtn->height() - 5);
    labyrxc->setGeometry(Panelbtn->x(), Panelbtn->y() - 20 - 2, Panelbtn->width(), 20);
    Panelbtn->raise();
    labyrxc->raise();
}

images::DrawOptions TFrmfull::ScreenOptions() const {
    images::DrawOptions options;
    options.size = imgfull->size();
    options.margin = Panelimg->palette().color(QPalette::Window);
    options.devicePixelRatio = imgfull->devicePixelRatio();
    return options;
}

void TFrmfull::FittedPictureWanted() {
    DropPendingZoom();
    imgfull->ClearZoom();
}

bool TFrmfull::TakesFittedPictures() const { return !imgfull->zoomed() && !zoomPending_; }

void TFrmfull::ShowCanvas(const QImage& canvas, bool) {
    // The placeholder of a file that cannot be drawn shows at its own size in the corner.
    imgfull->setScaledContents(false);
    imgfull->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    imgfull->setPixmap(QPixmap::fromImage(canvas));
}

void TFrmfull::FitPictureArea() {
    const QRect area = Panelimg->contentsRect();
    imgfull->setGeometry(5, 5, std::max(1, area.width() - 10), std::max(1, area.height() - 10));
}

void TFrmfull::FormShow() {
    Edit1->setFocus();
    WorkspaceState& state = host_->SharedState();
    imgfull->ClearZoom();
    FitPictureArea();
    host_->DrawFittedInto(this, state.currentSampleFile);
    PlaceBar();
    ShowAlbumChoice();
    host_->PrefetchAround();
}

void TFrmfull::ShowAlbumChoice() {
    RCXC->clear();
    RCXC->addItem(kNoAlbumChosen);
    const QStringList captions = host_->AlbumCaptions();
    for (int i = 1; i < captions.size(); ++i) RCXC->addItem(captions[i]);
    const int active = host_->ActiveAlbumIndex();
    RCXC->setCurrentIndex(active > 0 ? RCXC->findText(captions[active], Qt::MatchExactly) : 0);
}

void TFrmfull::SpeedButton1Click() {
    DropPendingZoom();
    host_->DrawFittedInto(host_->LargeView(), host_->SharedState().currentSampleFile);
    hide();
}

void TFrmfull::SpeedButton3Click() {
    viewerRotationAngle = 0;
    host_->StepPrevious();
}

void TFrmfull::SpeedButton2Click() {
    viewerRotationAngle = 0;
    host_->StepNext();
}

void TFrmfull::SetPictureToolsEnabled(bool on) {
    pictureTools_ = on;
    for (QWidget* tool : {SpeedButton4, SpeedButton5, SpeedButton6, SpeedButton7})
        tool->setEnabled(on);
}

void TFrmfull::SpeedButton4Click(Tool tool) {
    WorkspaceState& state = host_->SharedState();
    // The keys and a pinch come here too.
    if (!pictureTools_ || state.currentSampleFile.isEmpty()) return;
    switch (tool) {
        case Tool::RotateClockwise:
            viewerRotationAngle += 90;
            break;
        case Tool::RotateCounterClockwise:
            viewerRotationAngle -= 90;
            break;
        case Tool::ZoomIn:
            state.zoomPercent = ZoomIn(state.zoomPercent);
            break;
        case Tool::ZoomOut:
            state.zoomPercent = ZoomOut(state.zoomPercent);
            break;
    }
    if (tool == Tool::ZoomIn || tool == Tool::ZoomOut) ShowZoomPercent(state.zoomPercent);
    if (viewerRotationAngle == 360 || viewerRotationAngle == -360) viewerRotationAngle = 0;

    // The zoom percent is of the upright photo, turned by the customer from upright. It is
    // decoded in the background only as finely as the screen's device pixels show the
    // zoomed size; the picture up stays until it arrives, and failures leave it cleared.
    const int turns = QuarterTurns(viewerRotationAngle);
    const images::Orientation orientation =
        state.cameraOrientation ? images::Orientation::AsTaken : images::Orientation::AsStored;
    const QSize original = images::ReadImageSize(state.currentSampleFile, orientation);
    const QSize rotated = turns % 2 ? original.transposed() : original;
    const QSize drawn = original.isValid()
                            ? ZoomedSize(rotated, state.zoomPercent, host_->WidescreenTicked(),
                                         state.widescreenRatio)
                            : QSize();
    DropPendingZoom();
    if (drawn.isEmpty()) {
        imgfull->clear();
        imgfull->ClearZoom();
        return;
    }
    const QSize needed = images::DeviceSize(drawn, imgfull->devicePixelRatio());
    const quint64 request = zoomWanted_->load();
    const std::shared_ptr<std::atomic<quint64>> wanted = zoomWanted_;
    const QString file = state.currentSampleFile;
    const images::Turn turn{orientation, turns};
    auto* watcher = new QFutureWatcher<images::DecodedImage>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, request, drawn] {
        watcher->deleteLater();
        ShowZoomed(request, watcher->result().image, drawn);
    });
    zoomPending_ = true;
    watcher->setFuture(QtConcurrent::run(&zoomPool_, [file, needed, turn, wanted, request] {
        const images::StillWanted stillWanted = [&] { return wanted->load() == request; };
        if (!stillWanted()) return images::DecodedImage{};
        return images::DecodeImage(file, needed, turn, stillWanted);
    }));
}

void TFrmfull::DropPendingZoom() {
    zoomWanted_->fetch_add(1);
    zoomPending_ = false;
}

void TFrmfull::ShowZoomed(quint64 request, const QImage& photo, QSize drawn) {
    if (request != zoomWanted_->load()) return;  // a newer zoom, a step or leaving came since
    zoomPending_ = false;
    imgfull->clear();
    imgfull->ClearZoom();
    if (photo.isNull()) return;
    imgfull->resize(drawn);
    imgfull->SetZoomed(photo);
    imgfull->setGeometry(KeepReachable(imgfull->geometry()));
}

void TFrmfull::RCXCChange() {
    Edit1->setFocus();
    const QString chosen = RCXC->currentText();
    if (chosen == kNoAlbumChosen) {
        host_->ActivateAlbum(0);
        return;
    }
    const QStringList captions = host_->AlbumCaptions();
    for (int i = 1; i < captions.size(); ++i) {
        if (captions[i] == chosen) {
            host_->ActivateAlbum(i);
            return;
        }
    }
}

void TFrmfull::SpeedButton8Click() { host_->PickCurrentSample(); }

bool TFrmfull::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && isVisible() && isActiveWindow()) {
        const auto* press = static_cast<QKeyEvent*>(event);
        const int key = press->key();
        if (key == Qt::Key_Z && press->modifiers() == Qt::ControlModifier) {
            Guard([&] { host_->UndoLastStep(); });
            return true;
        }
        switch (key) {
            case Qt::Key_Escape:
                Guard([&] { SpeedButton1Click(); });
                return true;
            case Qt::Key_Left:
                Guard([&] { SpeedButton3Click(); });
                return true;
            case Qt::Key_Right:
                Guard([&] { SpeedButton2Click(); });
                return true;
            case Qt::Key_Plus:
            case Qt::Key_Equal:
                SpeedButton4Click(Tool::ZoomIn);
                return true;
            case Qt::Key_Minus:
                SpeedButton4Click(Tool::ZoomOut);
                return true;
            default:
                break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TFrmfull::ConnectTouch() {
    using widgets::TouchGestures;
    auto* touch = new TouchGestures(imgfull);
    // A picture larger than the screen is looked over by dragging it; a whole one is
    // swiped past.
    touch->SwipeWhen(
        [this] { return imgfull->width() <= width() && imgfull->height() <= height(); });
    connect(touch, &TouchGestures::swipedLeft, this,
            [this] { Guard([&] { SpeedButton2Click(); }); });
    connect(touch, &TouchGestures::swipedRight, this,
            [this] { Guard([&] { SpeedButton3Click(); }); });
    connect(touch, &TouchGestures::dragged, imgfull, &ZoomablePicture::DragBy);
    connect(touch, &TouchGestures::pinchStarted, this,
            [this] { pinchFrom_ = host_ ? host_->SharedState().zoomPercent : 0; });
    connect(touch, &TouchGestures::pinchChanged, this, &TFrmfull::PinchZoomTo);
}

void TFrmfull::PinchZoomTo(qreal scale) {
    if (!host_) return;
    const int& zoom = host_->SharedState().zoomPercent;
    const int wanted = PinchZoom(zoom, pinchFrom_ * scale);
    // By the buttons' own steps, so the percent and its label follow them exactly; each
    // step's decode stops when the next one is asked for.
    while (zoom != wanted) {
        const int before = zoom;
        SpeedButton4Click(wanted > zoom ? Tool::ZoomIn : Tool::ZoomOut);
        if (zoom == before) return;  // no sample to zoom
    }
}

}  // namespace workspace
