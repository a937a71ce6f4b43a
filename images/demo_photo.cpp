#include "images/demo_photo.h"

#include <QFont>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QSaveFile>
#include <algorithm>
#include <cstdint>

namespace images {
namespace {

// Small, fast and the same on every platform, unlike the standard distributions.
class Random {
  public:
    explicit Random(uint32_t seed) : state_(seed * 2654435761u + 0x9E3779B9u) {
        if (state_ == 0) state_ = 1;
    }
    uint32_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    double unit() { return (next() >> 8) / double(1 << 24); }
    double between(double low, double high) { return low + (high - low) * unit(); }

  private:
    uint32_t state_;
};

QColor Hsv(double hue, double saturation, double value, double alpha = 1.0) {
    return QColor::fromHsvF(static_cast<float>(hue - int(hue)), static_cast<float>(saturation),
                            static_cast<float>(value), static_cast<float>(alpha));
}

void PaintBackdrop(QPainter& painter, int width, int height, Random& random, double hue) {
    QLinearGradient sky(0, 0, width * random.between(-0.2, 0.2), height);
    sky.setColorAt(0.0, Hsv(hue, random.between(0.25, 0.5), random.between(0.85, 0.98)));
    sky.setColorAt(0.6, Hsv(hue + 0.08, random.between(0.2, 0.4), random.between(0.7, 0.85)));
    sky.setColorAt(1.0, Hsv(hue + 0.15, random.between(0.3, 0.55), random.between(0.45, 0.6)));
    painter.fillRect(0, 0, width, height, sky);

    // Out-of-focus lights.
    const int lights = 5 + static_cast<int>(random.next() % 5);
    for (int i = 0; i < lights; ++i) {
        const QPointF centre(random.between(0, width), random.between(0, height * 0.7));
        const double radius = random.between(0.05, 0.22) * std::min(width, height);
        QRadialGradient glow(centre, radius);
        const double h = hue + random.between(-0.2, 0.2) + 1.0;
        glow.setColorAt(0.0, Hsv(h, 0.3, 1.0, random.between(0.35, 0.7)));
        glow.setColorAt(0.7, Hsv(h, 0.3, 1.0, 0.15));
        glow.setColorAt(1.0, Hsv(h, 0.3, 1.0, 0.0));
        painter.setBrush(glow);
        painter.drawEllipse(centre, radius, radius);
    }

    // Rolling hills across the lower part, darker towards the front.
    for (int layer = 0; layer < 3; ++layer) {
        const double base = height * (0.62 + 0.12 * layer);
        QPainterPath hill(QPointF(0, height));
        hill.lineTo(0, base);
        const int bumps = 3 + layer;
        for (int b = 0; b < bumps; ++b) {
            const double x0 = width * double(b) / bumps;
            const double x1 = width * double(b + 1) / bumps;
            const double lift = height * random.between(0.04, 0.14);
            hill.cubicTo(x0 + (x1 - x0) * 0.3, base - lift, x0 + (x1 - x0) * 0.7, base - lift, x1,
                         base + height * random.between(-0.02, 0.02));
        }
        hill.lineTo(width, height);
        hill.closeSubpath();
        QLinearGradient shade(0, base - height * 0.15, 0, height);
        const double h = hue + 0.3 + 0.05 * layer;
        shade.setColorAt(0.0, Hsv(h, 0.45, 0.75 - 0.15 * layer));
        shade.setColorAt(1.0, Hsv(h, 0.55, 0.35 - 0.08 * layer));
        painter.setBrush(shade);
        painter.drawPath(hill);
    }

    // The sitter: shoulders, then the head over the neck, as in a portrait.
    const double hx = width * random.between(0.4, 0.6);
    const double hy = height * 0.38;
    const double r = std::min(width, height) * 0.12;
    QPainterPath body;
    body.moveTo(hx - r * 2.3, height);
    body.cubicTo(hx - r * 2.3, hy + r * 1.7, hx - r * 1.3, hy + r * 1.2, hx - r * 0.38,
                 hy + r * 0.8);
    body.lineTo(hx + r * 0.38, hy + r * 0.8);
    body.cubicTo(hx + r * 1.3, hy + r * 1.2, hx + r * 2.3, hy + r * 1.7, hx + r * 2.3, height);
    body.closeSubpath();
    QLinearGradient cloth(0, hy + r, 0, height);
    cloth.setColorAt(0.0, Hsv(hue + 0.5, 0.5, 0.6));
    cloth.setColorAt(1.0, Hsv(hue + 0.5, 0.6, 0.3));
    painter.setBrush(cloth);
    painter.drawPath(body);
    painter.setBrush(QColor(214, 168, 138));
    painter.drawRect(QRectF(hx - r * 0.36, hy + r * 0.5, r * 0.72, r * 0.55));
    QRadialGradient face(QPointF(hx - r * 0.3, hy - r * 0.3), r * 1.3);
    face.setColorAt(0.0, QColor(250, 222, 200));
    face.setColorAt(1.0, QColor(196, 150, 120));
    painter.setBrush(face);
    painter.drawEllipse(QPointF(hx, hy), r * 0.8, r);
}

// Grain like a real sensor's, so the JPEG carries a photo's amount of detail.
void AddGrain(QImage& image, Random& random) {
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const uint32_t bits = random.next();
            const int luma = int(bits & 15) - 8;
            const int chroma = int((bits >> 4) & 3) - 1;
            const QRgb p = line[x];
            line[x] = qRgb(std::clamp(qRed(p) + luma + chroma, 0, 255),
                           std::clamp(qGreen(p) + luma, 0, 255),
                           std::clamp(qBlue(p) + luma - chroma, 0, 255));
        }
    }
}

void PaintCaption(QPainter& painter, int width, int height, const QString& caption) {
    if (caption.isEmpty()) return;
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(std::max(8, height / 12));
    font.setBold(true);
    painter.setFont(font);
    const int margin = std::max(4, height / 30);
    const QRect area(margin, margin, width - 2 * margin, height - 2 * margin);
    const int shadow = std::max(1, height / 300);
    painter.setPen(QColor(0, 0, 0, 140));
    painter.drawText(area.translated(shadow, shadow), Qt::AlignRight | Qt::AlignBottom, caption);
    painter.setPen(QColor(255, 255, 255, 230));
    painter.drawText(area, Qt::AlignRight | Qt::AlignBottom, caption);
}

}  // namespace

QImage MakeDemoPhoto(int width, int height, int seed, const QString& caption) {
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) return image;
    Random random(static_cast<uint32_t>(seed));
    const double hue = random.unit();
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        PaintBackdrop(painter, width, height, random, hue);
    }
    AddGrain(image, random);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        PaintCaption(painter, width, height, caption);
    }
    return image;
}

bool SaveJpeg(const QImage& image, const QString& path, int quality) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    QImageWriter writer(&file, "jpeg");
    writer.setQuality(quality);
    if (!writer.write(image)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}  // namespace images
