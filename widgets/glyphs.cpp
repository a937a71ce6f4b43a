#include "widgets/glyphs.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace widgets {

namespace {

constexpr qreal kGrid = 24.0;
constexpr qreal kStroke = 2.0;

void Line(QPainter& p, qreal x1, qreal y1, qreal x2, qreal y2) {
    p.drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

void Polyline(QPainter& p, std::initializer_list<QPointF> points) {
    p.drawPolyline(points.begin(), static_cast<int>(points.size()));
}

void Polygon(QPainter& p, std::initializer_list<QPointF> points) {
    p.drawPolygon(points.begin(), static_cast<int>(points.size()));
}

void Circle(QPainter& p, qreal cx, qreal cy, qreal r) { p.drawEllipse(QPointF(cx, cy), r, r); }

// A filled dot, for the points of "?" and "i"; a zero-length stroke varies between
// paint engines.
void Dot(QPainter& p, qreal cx, qreal cy, qreal r = 1.25) {
    const QColor colour = p.pen().color();
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    Circle(p, cx, cy, r);
    p.restore();
}

// Open chevron with its point at tip, pointing along angle (radians, y down).
void ArrowHead(QPainter& p, QPointF tip, qreal angle, qreal length = 4.5) {
    const qreal spread = qDegreesToRadians(45.0);
    const QPointF a = tip - length * QPointF(qCos(angle - spread), qSin(angle - spread));
    const QPointF b = tip - length * QPointF(qCos(angle + spread), qSin(angle + spread));
    Polyline(p, {a, tip, b});
}

void DrawSkip(QPainter& p) {
    Line(p, 6.5, 6, 6.5, 18);
    Polygon(p, {{18, 6}, {18, 18}, {10, 12}});
}

void DrawRotate(QPainter& p) {
    const QRectF ring(4.5, 4.5, 15, 15);
    QPainterPath arc;
    arc.arcMoveTo(ring, -30);
    arc.arcTo(ring, -30, -285);
    p.drawPath(arc);
    // The arc ends at 45 degrees, travelling clockwise: down and to the right.
    const QPointF tip = arc.currentPosition();
    ArrowHead(p, tip + QPointF(0.6, 0.6), qDegreesToRadians(45.0));
}

void DrawMagnifier(QPainter& p, bool plus) {
    Circle(p, 10.5, 10.5, 6.5);
    Line(p, 15.3, 15.3, 20, 20);
    Line(p, 7.8, 10.5, 13.2, 10.5);
    if (plus) {
        Line(p, 10.5, 7.8, 10.5, 13.2);
    }
}

void DrawPadlock(QPainter& p, bool closed) {
    const QRectF body(5, 11, 14, 10);
    QPainterPath shackle;
    if (closed) {
        shackle.moveTo(8, 11);
        shackle.lineTo(8, 8);
        shackle.arcTo(QRectF(8, 4, 8, 8), 180, -180);
        shackle.lineTo(16, 11);
    } else {
        // Swung open: the right leg lifts clear of the body.
        shackle.moveTo(8, 11);
        shackle.lineTo(8, 6);
        shackle.arcTo(QRectF(8, 2, 8, 8), 180, -180);
        shackle.lineTo(16, 7.5);
    }
    p.drawPath(shackle);
    p.drawRoundedRect(body, 2, 2);
    Line(p, 12, 15, 12, 17);
}

void DrawGear(QPainter& p) {
    constexpr int kTeeth = 6;
    constexpr qreal kOuter = 9.5;
    constexpr qreal kRoot = 7.0;
    QPolygonF outline;
    for (int i = 0; i < kTeeth; ++i) {
        const qreal base = i * 360.0 / kTeeth;
        for (auto [radius, offset] :
             {std::pair{kRoot, -17.0}, {kOuter, -10.0}, {kOuter, 10.0}, {kRoot, 17.0}}) {
            const qreal a = qDegreesToRadians(base + offset);
            outline << QPointF(12 + radius * qCos(a), 12 + radius * qSin(a));
        }
    }
    p.drawPolygon(outline);
    Circle(p, 12, 12, 3);
}

void DrawArrowLeft(QPainter& p) {
    Line(p, 19, 12, 5, 12);
    Polyline(p, {{11, 6}, {5, 12}, {11, 18}});
}

void Mirror(QPainter& p) {
    p.translate(kGrid, 0);
    p.scale(-1, 1);
}

void Turn(QPainter& p, qreal degrees) {
    p.translate(kGrid / 2, kGrid / 2);
    p.rotate(degrees);
    p.translate(-kGrid / 2, -kGrid / 2);
}

void Draw(QPainter& p, Glyph glyph) {
    switch (glyph) {
        case Glyph::Previous:
            DrawSkip(p);
            break;
        case Glyph::Next:
            Mirror(p);
            DrawSkip(p);
            break;
        case Glyph::Play:
            Polygon(p, {{8, 5}, {8, 19}, {19, 12}});
            break;
        case Glyph::Stop:
            p.drawRoundedRect(QRectF(6, 6, 12, 12), 2, 2);
            break;
        case Glyph::RotateClockwise:
            DrawRotate(p);
            break;
        case Glyph::RotateCounterClockwise:
            Mirror(p);
            DrawRotate(p);
            break;
        case Glyph::Delete:
            Line(p, 4, 7, 20, 7);
            Polyline(p, {{9, 7}, {9, 4}, {15, 4}, {15, 7}});
            Polyline(p, {{6, 7}, {7, 20}, {17, 20}, {18, 7}});
            Line(p, 10, 11, 10, 16);
            Line(p, 14, 11, 14, 16);
            break;
        case Glyph::Save:
            Polygon(p, {{4, 4}, {16.5, 4}, {20, 7.5}, {20, 20}, {4, 20}});
            Polyline(p, {{8, 4}, {8, 8.5}, {15, 8.5}, {15, 4}});
            Polyline(p, {{7.5, 20}, {7.5, 14}, {16.5, 14}, {16.5, 20}});
            break;
        case Glyph::Pick:
            Polyline(p, {{5, 12.5}, {10, 17.5}, {19.5, 7}});
            break;
        case Glyph::FullScreen:
            Polyline(p, {{4, 9}, {4, 4}, {9, 4}});
            Polyline(p, {{15, 4}, {20, 4}, {20, 9}});
            Polyline(p, {{20, 15}, {20, 20}, {15, 20}});
            Polyline(p, {{9, 20}, {4, 20}, {4, 15}});
            break;
        case Glyph::ZoomIn:
            DrawMagnifier(p, true);
            break;
        case Glyph::ZoomOut:
            DrawMagnifier(p, false);
            break;
        case Glyph::Exit:
            Polyline(p, {{10, 4}, {5, 4}, {5, 20}, {10, 20}});
            Line(p, 10, 12, 20, 12);
            Polyline(p, {{16, 8}, {20, 12}, {16, 16}});
            break;
        case Glyph::Minimise:
            Line(p, 6, 17, 18, 17);
            break;
        case Glyph::Maximise:
            p.drawRoundedRect(QRectF(5, 5, 14, 14), 1.5, 1.5);
            Line(p, 5, 8.5, 19, 8.5);
            break;
        case Glyph::WorkArea:
            p.drawRoundedRect(QRectF(3, 5, 18, 14), 2, 2);
            Line(p, 9, 5, 9, 19);
            Line(p, 9, 15, 21, 15);
            break;
        case Glyph::Help: {
            Circle(p, 12, 12, 9);
            QPainterPath hook;
            hook.moveTo(9.2, 9.6);
            hook.cubicTo(9.4, 7.8, 10.6, 7, 12.1, 7);
            hook.cubicTo(13.8, 7, 15, 8.1, 15, 9.6);
            hook.cubicTo(15, 11.6, 12.1, 11.8, 12.1, 13.8);
            p.drawPath(hook);
            Dot(p, 12.1, 16.8);
            break;
        }
        case Glyph::About:
            Circle(p, 12, 12, 9);
            Line(p, 12, 11, 12, 16.5);
            Dot(p, 12, 7.7);
            break;
        case Glyph::LockOpen:
            DrawPadlock(p, false);
            break;
        case Glyph::LockClosed:
            DrawPadlock(p, true);
            break;
        case Glyph::Customers: {
            Circle(p, 9, 8.5, 3.2);
            QPainterPath front;
            front.moveTo(3, 19.5);
            front.arcTo(QRectF(3, 13.5, 12, 12), 180, -180);
            p.drawPath(front);
            Circle(p, 16, 8, 2.6);
            QPainterPath back;
            back.arcMoveTo(QRectF(11.5, 14.5, 10, 10), 62);
            back.arcTo(QRectF(11.5, 14.5, 10, 10), 62, -62);
            p.drawPath(back);
            break;
        }
        case Glyph::Settings:
            DrawGear(p);
            break;
        case Glyph::Print:
            Polyline(p, {{7, 9}, {7, 4}, {17, 4}, {17, 9}});
            Polyline(p, {{7, 17}, {4, 17}, {4, 9}, {20, 9}, {20, 17}, {17, 17}});
            p.drawRect(QRectF(7, 14, 10, 6));
            Dot(p, 16.8, 11.8, 1.0);
            break;
        case Glyph::ArrowLeft:
            DrawArrowLeft(p);
            break;
        case Glyph::ArrowRight:
            Mirror(p);
            DrawArrowLeft(p);
            break;
        case Glyph::ArrowUp:
            Turn(p, 90);
            DrawArrowLeft(p);
            break;
        case Glyph::ArrowDown:
            Turn(p, -90);
            DrawArrowLeft(p);
            break;
        case Glyph::Add:
            Circle(p, 12, 12, 9);
            Line(p, 12, 7.5, 12, 16.5);
            Line(p, 7.5, 12, 16.5, 12);
            break;
        case Glyph::Rename:
            Polygon(p, {{15.5, 4.5}, {19.5, 8.5}, {9, 19}, {4.5, 19.5}, {5, 15}});
            Line(p, 13, 7, 17, 11);
            Line(p, 13, 20, 20, 20);
            break;
        case Glyph::Compare:
            p.drawRect(QRectF(3, 6, 8, 12));
            p.drawRect(QRectF(13, 6, 8, 12));
            break;
        case Glyph::Close:
            Line(p, 6, 6, 18, 18);
            Line(p, 18, 6, 6, 18);
            break;
        case Glyph::Remove:
            Circle(p, 12, 12, 9);
            Line(p, 7.5, 12, 16.5, 12);
            break;
    }
}

QColor Dimmed(const QColor& colour) {
    QColor dimmed = colour;
    dimmed.setAlphaF(colour.alphaF() * 0.38f);
    return dimmed;
}

class GlyphIconEngine : public QIconEngine {
  public:
    GlyphIconEngine(Glyph glyph, const QColor& colour, int size)
        : glyph_(glyph), colour_(colour), size_(size) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        PaintGlyph(*painter, glyph_, ColourFor(mode), rect);
    }

    // QIcon asks for device pixels here and sets the ratio itself.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        PaintGlyph(painter, glyph_, ColourFor(mode), QRectF(QPointF(0, 0), size));
        return pixmap;
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        QPixmap result = pixmap(size * scale, mode, state);
        result.setDevicePixelRatio(scale);
        return result;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        return {QSize(size_, size_)};
    }

    QString key() const override { return QStringLiteral("verimond-glyph"); }

    QIconEngine* clone() const override { return new GlyphIconEngine(*this); }

  private:
    QColor ColourFor(QIcon::Mode mode) const {
        return mode == QIcon::Disabled ? Dimmed(colour_) : colour_;
    }

    Glyph glyph_;
    QColor colour_;
    int size_;
};

}  // namespace

void PaintGlyph(QPainter& painter, Glyph glyph, const QColor& colour, const QRectF& target) {
    const qreal side = qMin(target.width(), target.height());
    if (side <= 0) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.translate(target.center() - QPointF(side / 2, side / 2));
    painter.scale(side / kGrid, side / kGrid);
    painter.setPen(QPen(colour, kStroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    Draw(painter, glyph);
    painter.restore();
}

QIcon MakeGlyphIcon(Glyph glyph, const QColor& colour, int size) {
    return QIcon(new GlyphIconEngine(glyph, colour, size));
}

QPixmap MakeGlyphPixmap(Glyph glyph, const QColor& colour, int size, qreal devicePixelRatio) {
    const int physical = qRound(size * devicePixelRatio);
    QPixmap pixmap(physical, physical);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        PaintGlyph(painter, glyph, colour, QRectF(0, 0, physical, physical));
    }
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

}  // namespace widgets
