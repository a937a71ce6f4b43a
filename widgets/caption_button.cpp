#include "widgets/caption_button.h"

#include <QPainter>
#include <QPainterPath>

#include "widgets/theme.h"

namespace widgets {

CaptionButton::CaptionButton(const QString& caption, QWidget* parent, QSize size)
    : QToolButton(parent) {
    setObjectName(QStringLiteral("CaptionButton"));
    setText(caption);
    setToolTip(caption);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);  // the plate lights up under the mouse
    setFixedSize(size);
    QFont f = font();
    f.setPixelSize(12);
    f.setBold(true);
    setFont(f);
}

void CaptionButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF plate = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath path;
    path.addRoundedRect(plate, 4, 4);

    const bool pressed = isDown();
    const bool hovered = underMouse() && isEnabled();
    QLinearGradient fill(0, 0, 0, height());
    if (pressed) {
        fill.setColorAt(0, colours::kAccent.darker(115));
        fill.setColorAt(1, colours::kAccent);
    } else {
        fill.setColorAt(0, hovered ? QColor(76, 77, 74) : QColor(64, 65, 62));
        fill.setColorAt(1, hovered ? QColor(50, 51, 49) : QColor(40, 41, 39));
    }
    painter.fillPath(path, fill);
    painter.setPen(QPen(hovered || pressed ? colours::kAccent : QColor(28, 28, 27), 1));
    painter.drawPath(path);

    painter.setPen(!isEnabled() ? colours::kMuted : pressed ? QColor(28, 28, 27) : colours::kText);
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter, text());
}

}  // namespace widgets
