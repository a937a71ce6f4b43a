#include "widgets/picture_button.h"

#include <QStyle>

namespace widgets {

PictureButton::PictureButton(Glyph glyph, const QString& hint, QWidget* parent, int size,
                             const QColor& colour)
    : QToolButton(parent) {
    setObjectName(QStringLiteral("PictureButton"));
    setAutoRaise(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    const int iconSize = size * 2 / 3;
    setIcon(MakeGlyphIcon(glyph, colour, iconSize));
    setIconSize(QSize(iconSize, iconSize));
    setToolTip(hint);
    setFixedSize(size, size);
}

void PictureButton::setCaption(const QString& caption) {
    setText(caption);
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setFixedWidth(sizeHint().width() + 8);
}

void PictureButton::setAccent(bool accent) {
    setProperty("accent", accent);
    style()->unpolish(this);
    style()->polish(this);
    // The accent style has its own padding and weight: measure the caption again.
    if (!text().isEmpty()) setFixedWidth(sizeHint().width() + 8);
}

}  // namespace widgets
