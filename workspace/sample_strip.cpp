#include "workspace/sample_strip.h"

#include <QMouseEvent>

namespace workspace {

SampleStrip::SampleStrip(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("RzPanel5"));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);

    for (int i = 0; i < kStripCells; ++i) {
        const int left = 130 * i;
        dissp[i] = new QFrame(this);
        dissp[i]->setGeometry(10 + left, 8, 120, 106);
        dissp[i]->setAutoFillBackground(true);
        SetFrameHighlighted(i, false);
        disimg[i] = new QLabel(this);
        disimg[i]->setGeometry(18 + left, 17, 105, 80);
        disimg[i]->setAlignment(Qt::AlignCenter);
        disimg[i]->setCursor(Qt::PointingHandCursor);
        disimg[i]->installEventFilter(this);
        diszt[i] = new QLabel(this);
        diszt[i]->setGeometry(10 + left, 96, 17, 17);
        diszt[i]->setAttribute(Qt::WA_TranslucentBackground);
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
}

void SampleStrip::PlaceControls(const QRect& left, const QRect& bar, const QRect& right) {
    scrarr1->setGeometry(left);
    sbar1->setGeometry(bar);
    scrarr2->setGeometry(right);
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
