#include "workspace/sample_strip.h"

#include <QMouseEvent>
#include <algorithm>

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
        dissp[i]->setAutoFillBackground(true);
        SetFrameHighlighted(i, false);
        disimg[i] = new QLabel(this);
        disimg[i]->setAlignment(Qt::AlignCenter);
        disimg[i]->setCursor(Qt::PointingHandCursor);
        disimg[i]->installEventFilter(this);
        diszt[i] = new QLabel(this);
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
    scrarr1 = new widgets::PictureButton(widgets::Glyph::ArrowLeft, QString(), this, 20);
    scrarr2 = new widgets::PictureButton(widgets::Glyph::ArrowRight, QString(), this, 20);
    PlaceCells(kRowWidth + 2 * kLeft);
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

void SampleStrip::SetFrameHighlighted(int index, bool blue) {
    QPalette p = dissp[index]->palette();
    p.setColor(QPalette::Window, blue ? QColor(0, 0, 255) : QColor(128, 128, 128));
    dissp[index]->setPalette(p);
}

bool SampleStrip::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        for (int i = 0; i < kStripCells; ++i) {
            if (watched == disimg[i]) {
                emit cellClicked(i + 1);
                return true;
            }
        }
    }
    return QFrame::eventFilter(watched, event);
}

}  // namespace workspace
