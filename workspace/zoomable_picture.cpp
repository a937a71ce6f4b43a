#include "workspace/zoomable_picture.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace workspace {

void ZoomablePicture::SetZoomed(const QImage& photo) {
    photo_ = photo;
    QLabel::clear();
    update();
}

void ZoomablePicture::ClearZoom() {
    photo_ = QImage();
    update();
}

void ZoomablePicture::paintEvent(QPaintEvent* event) {
    if (photo_.isNull()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRect exposed = event->rect();
    const qreal sx = qreal(photo_.width()) / std::max(1, width());
    const qreal sy = qreal(photo_.height()) / std::max(1, height());
    const QRectF source(exposed.x() * sx, exposed.y() * sy, exposed.width() * sx,
                        exposed.height() * sy);
    painter.drawImage(QRectF(exposed), photo_, source);
}

// The picture moves once, on release, by the distance dragged.
void ZoomablePicture::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        press_ = event->position().toPoint();
        offset_ = QPoint();
    }
}

void ZoomablePicture::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) offset_ = event->position().toPoint() - press_;
}

void ZoomablePicture::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || offset_.isNull()) return;
    DragBy(offset_);
    offset_ = QPoint();
}

void ZoomablePicture::DragBy(QPoint offset) {
    if (offset.isNull()) return;
    move(pos() + offset);
    emit dragged(offset);
}

}  // namespace workspace
