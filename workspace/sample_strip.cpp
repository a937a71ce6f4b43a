#include "workspace/sample_strip.h"

#include <QMouseEvent>
#include <QSignalBlocker>
#include <algorithm>

#include "images/thumbnail.h"
#include "widgets/touch_gestures.h"

namespace workspace {
namespace {

// The full-size cell: a 120 x 106 frame every 130 pixels, the 105 x 80 thumbnail
// inside it and the 17-pixel marker in its lower left corner.
constexpr int kLeft = 10, kTop = 8, kPitch = 130;
constexpr int kFrameWidth = 120, kFrameHeight = 106;
constexpr int kThumbLeft = 8, kThumbTop = 9, kThumbWidth = 105, kThumbHeight = 80;
constexpr int kMarker = 17, kSmallestMarker = 12;
// From the first frame's left edge to the last one's right edge.
constexpr int kRowWidth = (kStripCells - 1) * kPitch + kFrameWidth;

const QString kPlaceholder = QStringLiteral("photo/Thumbnails_nophoto.jpg");

QString Numbered(const char* name, int index) {
    return QString::fromLatin1(name) + QString::number(index + 1);
}

}  // namespace

std::array<StripCellRects, kStripCells> StripCells(int stripWidth) {
    const double scale =
        std::clamp(static_cast<double>(stripWidth - 2 * kLeft) / kRowWidth, 0.1, 1.0);
    const auto scaled = [scale](int length) { return static_cast<int>(length * scale); };
    const int pitch = scaled(kPitch);
    const int frameWidth = scaled(kFrameWidth), frameHeight = scaled(kFrameHeight);
    const int thumbWidth = qRound(kThumbWidth * scale), thumbHeight = qRound(kThumbHeight * scale);
    const int marker = scale < 1.0 ? std::max(kSmallestMarker, qRound(kMarker * scale)) : kMarker;
    const int top = kTop + (kFrameHeight - frameHeight) / 2;
    std::array<StripCellRects, kStripCells> cells;
    for (int i = 0; i < kStripCells; ++i) {
        const QRect frame(kLeft + pitch * i, top, frameWidth, frameHeight);
        cells[i].frame = frame;
        cells[i].thumbnail = QRect(frame.x() + qRound(kThumbLeft * scale),
                                   frame.y() + qRound(kThumbTop * scale), thumbWidth, thumbHeight);
        cells[i].marker = QRect(frame.x(), frame.y() + frameHeight - marker - 1, marker, marker);
    }
    return cells;
}

SampleStrip::SampleStrip(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("RzPanel5"));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);

    for (int i = 0; i < kStripCells; ++i) {
        dissp[i] = new QFrame(this);
        dissp[i]->setObjectName(Numbered("dissp", i));
        dissp[i]->setAutoFillBackground(true);
        SetFrameHighlighted(i, false);
        disimg[i] = new QLabel(this);
        disimg[i]->setObjectName(Numbered("disimg", i));
        disimg[i]->setAlignment(Qt::AlignCenter);
        disimg[i]->setCursor(Qt::PointingHandCursor);
        disimg[i]->installEventFilter(this);
        diszt[i] = new QLabel(this);
        diszt[i]->setObjectName(Numbered("diszt", i));
        diszt[i]->setAttribute(Qt::WA_TranslucentBackground);
        diszt[i]->setAlignment(Qt::AlignCenter);
        dissp[i]->hide();
        disimg[i]->hide();
        diszt[i]->hide();
    }

    sbar1 = new QSlider(Qt::Horizontal, this);
    sbar1->setObjectName(QStringLiteral("sbar1"));
    sbar1->setTickPosition(QSlider::NoTicks);
    sbar1->setRange(0, 28);
    sbar1->setValue(0);
    sbar1->setPageStep(12);
    sbar1->setEnabled(false);
    // The arrow keys step through the samples, not the track bar.
    sbar1->setFocusPolicy(Qt::NoFocus);
    connect(sbar1, &QSlider::valueChanged, this, &SampleStrip::positionChanged);
    scrarr1 = new widgets::PictureButton(widgets::Glyph::ArrowLeft, QString(), this, 20);
    scrarr2 = new widgets::PictureButton(widgets::Glyph::ArrowRight, QString(), this, 20);
    connect(scrarr1, &QToolButton::clicked, this, &SampleStrip::backClicked);
    connect(scrarr2, &QToolButton::clicked, this, &SampleStrip::forwardClicked);
    PlaceCells(kRowWidth + 2 * kLeft);
    ConnectTouch();
}

void SampleStrip::ConnectTouch() {
    using widgets::TouchGestures;
    auto* touch = new TouchGestures(this);
    touch->LeaveTouchesAt([this](QPoint at) {
        for (QWidget* w = childAt(at); w && w != this; w = w->parentWidget())
            if (w == sbar1 || w == scrarr1 || w == scrarr2) return true;
        return false;
    });
    connect(touch, &TouchGestures::tapped, this, [this](QPoint at) {
        for (int i = 0; i < kStripCells; ++i)
            if (!disimg[i]->isHidden() && disimg[i]->geometry().contains(at)) {
                emit cellClicked(i + 1);
                return;
            }
    });
    connect(touch, &TouchGestures::swipedLeft, this, [this] { Page(+1); });
    connect(touch, &TouchGestures::swipedRight, this, [this] { Page(-1); });
}

void SampleStrip::PlaceControls(const QRect& left, const QRect& bar, const QRect& right) {
    scrarr1->setGeometry(left);
    sbar1->setGeometry(bar);
    scrarr2->setGeometry(right);
    PlaceCells(width());
}

void SampleStrip::PlaceCells(int stripWidth) {
    const auto cells = StripCells(stripWidth);
    for (int i = 0; i < kStripCells; ++i) {
        const StripCellRects& c = cells[i];
        dissp[i]->setGeometry(c.frame);
        disimg[i]->setGeometry(c.thumbnail);
        diszt[i]->setGeometry(c.marker);
        diszt[i]->setScaledContents(c.marker.width() != kMarker);
    }
}

void SampleStrip::ShowPage(const std::vector<StripCell>& cells, const QString& highlightId) {
    // A page is read twelve rows at most; a longer one would lose samples unseen.
    Q_ASSERT(static_cast<int>(cells.size()) <= kStripCells);
    for (int i = 0; i < kStripCells; ++i) {
        disimg[i]->hide();
        dissp[i]->hide();
        diszt[i]->hide();
        SetFrameHighlighted(i, false);
        if (i >= static_cast<int>(cells.size())) {
            disid[i].clear();
            disfile[i].clear();
            continue;
        }
        const StripCell& cell = cells[i];
        disfile[i] = cell.file;
        // On narrower screens the cells are smaller; the thumbnail keeps its shape. On a
        // scaled screen it is drawn on the device pixels of its cell.
        QLabel* image = disimg[i];
        image->setPixmap(QPixmap::fromImage(
            images::ThumbnailForCell(images::ShowThumbnail(cell.thumbnail, kPlaceholder),
                                     image->size(), image->devicePixelRatio(), false)));
        disimg[i]->show();
        dissp[i]->show();
        if (cell.picks > 0) diszt[i]->show();
        disid[i] = cell.id;
        if (cell.id == highlightId) SetFrameHighlighted(i, true);
    }
}

void SampleStrip::Clear() {
    {
        const QSignalBlocker quiet(sbar1);  // a page fill needs a customer
        sbar1->setEnabled(false);
        sbar1->setRange(0, 0);
    }
    for (int i = 0; i < kStripCells; ++i) {
        disimg[i]->hide();
        dissp[i]->hide();
        diszt[i]->hide();
        disid[i].clear();
        disfile[i].clear();
    }
}

std::vector<QString> SampleStrip::PageFiles() const {
    return std::vector<QString>(disfile.begin(), disfile.end());
}

QSize SampleStrip::CellPictureSize() const {
    // As ThumbnailForCell lays a stored thumbnail out: its own size, shrunk where the cell
    // is smaller.
    const QSize own(images::kThumbnailWidth, images::kThumbnailHeight);
    const QSize cell = disimg[0]->size();
    return own.width() > cell.width() || own.height() > cell.height()
               ? own.scaled(cell, Qt::KeepAspectRatio)
               : own;
}

void SampleStrip::ShowSharpPicture(int index, const QString& file, const QImage& picture) {
    if (index < 0 || index >= kStripCells || disfile[index] != file || picture.isNull()) return;
    disimg[index]->setPixmap(QPixmap::fromImage(picture));
}

void SampleStrip::HighlightCell(int cell) {
    Q_ASSERT(cell >= 1 && cell <= kStripCells);
    for (int i = 0; i < kStripCells; ++i) SetFrameHighlighted(i, false);
    SetFrameHighlighted(cell - 1, true);
}

QString SampleStrip::SampleIdAt(int cell) const {
    Q_ASSERT(cell >= 1 && cell <= kStripCells);
    return disid[cell - 1];
}

void SampleStrip::SetMarkerPicture(const QPixmap& picture) {
    for (QLabel* label : diszt) label->setPixmap(picture);
}

void SampleStrip::Step(int direction) {
    const int position = sbar1->value() + direction;
    if (sbar1->isEnabled() && position >= sbar1->minimum() && position <= sbar1->maximum())
        sbar1->setValue(position);
}

void SampleStrip::Page(int direction) {
    if (!sbar1->isEnabled()) return;
    sbar1->triggerAction(direction > 0 ? QAbstractSlider::SliderPageStepAdd
                                       : QAbstractSlider::SliderPageStepSub);
}

void SampleStrip::SetFrameHighlighted(int index, bool blue) {
    Q_ASSERT(index >= 0 && index < kStripCells);
    QPalette p = dissp[index]->palette();
    p.setColor(QPalette::Window, blue ? QColor(0, 0, 255) : QColor(128, 128, 128));
    dissp[index]->setPalette(p);
}

bool SampleStrip::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        for (int i = 0; i < kStripCells; ++i) {
            if (watched == disimg[i]) {
                if (static_cast<QMouseEvent*>(event)->modifiers() & Qt::ControlModifier)
                    emit cellCtrlClicked(i + 1);
                else
                    emit cellClicked(i + 1);
                return true;
            }
        }
    }
    return QFrame::eventFilter(watched, event);
}

}  // namespace workspace
