#pragma once
// The full-screen viewer's picture. Fitted drawings are shown as they are; a zoomed
// photo may be far larger than the screen (ten times a 24-megapixel photo), so it is
// kept at decoded size and only the part on screen is scaled when painted.

#include <QImage>
#include <QLabel>

namespace workspace {

class ZoomablePicture : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;

    // Shows photo scaled to the widget's size, which the caller sets to the zoomed size.
    void SetZoomed(const QImage& photo);
    void ClearZoom();
    bool zoomed() const { return !photo_.isNull(); }
    // Moves the picture by a drag's distance, as a mouse drag does on release.
    void DragBy(QPoint offset);
    // The pixels held for the zoomed picture (decoded for the screen's device pixels).
    QSize zoomedPixels() const { return photo_.size(); }

  signals:
    void dragged(QPoint offset);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    QImage photo_;
    QPoint press_;
    QPoint offset_;
};

}  // namespace workspace
