#pragma once
// Line icons for the workspace buttons, painted as vectors so they stay crisp at
// any size on a large TV. Drawn on a 24-unit grid with a 2-unit round stroke.

#include <QColor>
#include <QIcon>
#include <QPixmap>

class QPainter;
class QRectF;

namespace widgets {

enum class Glyph {
    Previous,
    Next,
    Play,
    Stop,
    RotateClockwise,
    RotateCounterClockwise,
    Delete,
    Save,
    Pick,
    FullScreen,
    ZoomIn,
    ZoomOut,
    Exit,
    Minimise,
    Maximise,
    WorkArea,
    Help,
    About,
    LockOpen,
    LockClosed,
    Customers,
    Settings,
    Print,
    ArrowLeft,
    ArrowRight,
    ArrowUp,
    ArrowDown,
    Add,
    Rename,
    Compare,  // two pictures side by side
    Close,
    Remove,  // keep last: kGlyphCount follows it
};

constexpr int kGlyphCount = static_cast<int>(Glyph::Remove) + 1;

// Paints the glyph into the largest square centred in target.
void PaintGlyph(QPainter& painter, Glyph glyph, const QColor& colour, const QRectF& target);

// The icon paints itself at whatever size it is asked for; size is only its
// preferred size. The disabled mode uses a dimmed colour.
QIcon MakeGlyphIcon(Glyph glyph, const QColor& colour, int size = 32);

// A transparent pixmap of size × size logical pixels.
QPixmap MakeGlyphPixmap(Glyph glyph, const QColor& colour, int size, qreal devicePixelRatio = 1.0);

}  // namespace widgets
