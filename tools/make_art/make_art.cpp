// Paints the icons and placeholders of resources/ so they can be remade with the
// same colours. Optionally also a contact sheet of the button glyphs for review.

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QStringList>
#include <cstdio>

#include "widgets/glyphs.h"

using widgets::Glyph;

namespace {

const QColor kWorkspace(59, 60, 59);
const QColor kThumbFrame(128, 128, 128);
const QColor kBadge(44, 45, 47);
const QColor kAmber(245, 184, 46);
const QColor kRed(236, 84, 72);
const QColor kLight(228, 229, 228);

QImage Canvas(int width, int height, const QColor& fill) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

bool SaveBmp(const QImage& image, const QString& path) {
    // Qt writes 24-bit BMP for images without an alpha channel.
    return image.convertToFormat(QImage::Format_RGB888).save(path, "BMP");
}

void Badge(QPainter& p, const QRectF& rect, qreal radius) {
    p.setPen(Qt::NoPen);
    p.setBrush(kBadge);
    p.drawRoundedRect(rect, radius, radius);
}

QPen RoundPen(const QColor& colour, qreal width) {
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// Picked marker on the grey thumbnail frame; the corners stay exactly the frame
// colour so a transparent-colour blit drops them cleanly.
QImage PickedMarker() {
    QImage image = Canvas(17, 17, kThumbFrame);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    Badge(p, QRectF(0.5, 0.5, 16, 16), 4);
    p.setPen(RoundPen(kAmber, 2.2));
    p.setBrush(Qt::NoBrush);
    const QPointF check[] = {{4.6, 8.9}, {7.4, 11.7}, {12.5, 5.7}};
    p.drawPolyline(check, 3);
    return image;
}

QImage RemovePickIcon() {
    QImage image = Canvas(15, 15, Qt::black);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    Badge(p, QRectF(0.5, 0.5, 14, 14), 3);
    p.setPen(RoundPen(kRed, 1.8));
    p.drawLine(QPointF(4.6, 4.6), QPointF(10.4, 10.4));
    p.drawLine(QPointF(10.4, 4.6), QPointF(4.6, 10.4));
    return image;
}

QImage ShowLargeIcon() {
    QImage image = Canvas(14, 16, Qt::black);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    Badge(p, QRectF(0.5, 0.5, 13, 15), 3);
    p.setBrush(Qt::NoBrush);
    p.setPen(RoundPen(kLight, 1.6));
    p.drawEllipse(QPointF(6.0, 6.9), 3.0, 3.0);
    p.setPen(RoundPen(kLight, 2.0));
    p.drawLine(QPointF(8.4, 9.3), QPointF(10.6, 11.5));
    return image;
}

QImage Padlock(bool closed) {
    QImage image = Canvas(24, 24, kWorkspace);
    QPainter p(&image);
    widgets::PaintGlyph(p, closed ? Glyph::LockClosed : Glyph::LockOpen, kLight,
                        QRectF(0, 0, 24, 24));
    if (closed) {
        // A solid body tells the two states apart at a glance.
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(RoundPen(kLight, 2));
        p.setBrush(kLight);
        p.drawRoundedRect(QRectF(5, 11, 14, 10), 2, 2);
        p.setPen(RoundPen(kWorkspace, 2));
        p.drawLine(QPointF(12, 14.8), QPointF(12, 17.2));
    }
    return image;
}

// A framed landscape: the usual sign for "a picture goes here".
void PictureOutline(QPainter& p, const QRectF& box, const QColor& colour, qreal stroke) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(box.topLeft());
    p.scale(box.width() / 24.0, box.height() / 24.0);
    p.setPen(RoundPen(colour, stroke * 24.0 / box.width()));
    p.setBrush(Qt::NoBrush);
    const QRectF frame(2, 4, 20, 16);
    p.drawRoundedRect(frame, 2, 2);
    p.setClipRect(frame.adjusted(0.5, 0.5, -0.5, -0.5));
    const QPointF hills[] = {{2, 17.5}, {8.5, 11}, {13, 15.5}, {15.5, 13}, {22, 19.5}};
    p.drawPolyline(hills, 5);
    p.setClipping(false);
    p.drawEllipse(QPointF(16, 9), 1.8, 1.8);
    p.restore();
}

QImage Placeholder(int width, int height, const QString& text, qreal glyphSide, qreal stroke,
                   int textPixels, qreal gap, const QColor& glyphColour, const QColor& textColour) {
    QImage image = Canvas(width, height, QColor(66, 68, 66));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QRadialGradient glow(QPointF(width / 2.0, height * 0.45), qMax(width, height) * 0.65);
    glow.setColorAt(0, QColor(78, 80, 78));
    glow.setColorAt(1, QColor(62, 63, 62));
    p.fillRect(image.rect(), glow);

    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(textPixels);
    font.setLetterSpacing(QFont::AbsoluteSpacing, textPixels * 0.12);
    p.setFont(font);
    const QFontMetricsF metrics(font);
    const qreal textHeight = metrics.height();
    const qreal top = (height - (glyphSide + gap + textHeight)) / 2.0;

    PictureOutline(p, QRectF((width - glyphSide) / 2.0, top, glyphSide, glyphSide), glyphColour,
                   stroke);
    p.setPen(textColour);
    p.drawText(QRectF(0, top + glyphSide + gap, width, textHeight), Qt::AlignHCenter | Qt::AlignTop,
               text);
    return image;
}

const char* const kGlyphNames[widgets::kGlyphCount] = {
    "Previous", "Next",     "Play",      "Stop",       "RotateCW", "RotateCCW",  "Delete",
    "Save",     "Pick",     "FullScr",   "ZoomIn",     "ZoomOut",  "Exit",       "Minimise",
    "Maximise", "WorkArea", "Help",      "About",      "LockOpen", "LockClosed", "Customers",
    "Settings", "Print",    "ArrowLeft", "ArrowRight", "ArrowUp",  "ArrowDown",  "Add",
    "Rename",   "Compare",  "Close",     "Remove"};

// Every glyph at 64, 32, 24 and 16 pixels, plus the disabled look at 32.
QImage ContactSheet() {
    const int columns = 6;
    const int cellW = 200;
    const int cellH = 130;
    const int rows = (widgets::kGlyphCount + columns - 1) / columns;
    QImage image = Canvas(columns * cellW, rows * cellH, kWorkspace);
    QPainter p(&image);
    for (int i = 0; i < widgets::kGlyphCount; ++i) {
        const auto glyph = static_cast<Glyph>(i);
        const int x = (i % columns) * cellW;
        const int y = (i / columns) * cellH;
        p.drawPixmap(x + 10, y + 10, widgets::MakeGlyphPixmap(glyph, kLight, 64));
        p.drawPixmap(x + 84, y + 10, widgets::MakeGlyphPixmap(glyph, kLight, 32));
        p.drawPixmap(x + 124, y + 10, widgets::MakeGlyphPixmap(glyph, kLight, 24));
        p.drawPixmap(x + 156, y + 10, widgets::MakeGlyphPixmap(glyph, kLight, 16));
        const QIcon icon = widgets::MakeGlyphIcon(glyph, kLight);
        p.drawPixmap(x + 84, y + 48, icon.pixmap(32, QIcon::Disabled));
        p.drawPixmap(x + 124, y + 48, widgets::MakeGlyphPixmap(glyph, kAmber, 32));
        p.setPen(QColor(170, 170, 170));
        p.drawText(QRect(x, y + 96, cellW, 24), Qt::AlignCenter,
                   QString::fromLatin1(kGlyphNames[i]));
    }
    return image;
}

// The program's icon: two prints of a shoot on the workspace's dark tile, the front one
// picked with the amber check of the sample strip. Drawn on a 256-unit grid; below 32
// pixels the back print and the landscape's detail would only blur, so the small
// variant keeps one upright print and a larger badge.
QImage ProgramIcon(int side) {
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(side / 256.0, side / 256.0);
    const bool small = side < 32;

    const QRectF tile(12, 12, 232, 232);
    QLinearGradient tileFill(tile.topLeft(), tile.bottomLeft());
    tileFill.setColorAt(0, QColor(84, 86, 84));
    tileFill.setColorAt(1, QColor(40, 41, 43));
    p.setPen(QPen(QColor(24, 25, 26), small ? 8 : 3));
    p.setBrush(tileFill);
    p.drawRoundedRect(tile, 52, 52);

    const QColor paper(246, 245, 240);
    // A print: paper with a shadow, and a dusk landscape inside.
    auto print = [&](QPointF centre, qreal angle, QSizeF size, qreal margin, bool detailed) {
        p.save();
        p.translate(centre);
        p.rotate(angle);
        const QRectF sheet(-size.width() / 2, -size.height() / 2, size.width(), size.height());
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 80));
        p.drawRoundedRect(sheet.translated(3, 6), 4, 4);
        p.setBrush(paper);
        p.drawRoundedRect(sheet, 4, 4);
        const QRectF scene = sheet.adjusted(margin, margin, -margin, -margin);
        QLinearGradient sky(scene.topLeft(), scene.bottomLeft());
        sky.setColorAt(0, QColor(52, 72, 104));
        sky.setColorAt(1, QColor(208, 146, 96));
        p.setBrush(sky);
        p.drawRect(scene);
        p.setClipRect(scene);
        p.setBrush(kAmber);
        const qreal sun = scene.height() * (detailed ? 0.13 : 0.18);
        p.drawEllipse(
            QPointF(scene.right() - scene.width() * 0.28, scene.top() + scene.height() * 0.32), sun,
            sun);
        if (detailed) {
            p.setBrush(QColor(74, 80, 84));
            QPainterPath far;
            far.moveTo(scene.left(), scene.bottom() - scene.height() * 0.30);
            far.lineTo(scene.left() + scene.width() * 0.62, scene.top() + scene.height() * 0.42);
            far.lineTo(scene.right(), scene.bottom() - scene.height() * 0.18);
            far.lineTo(scene.bottomRight());
            far.lineTo(scene.bottomLeft());
            p.drawPath(far);
        }
        p.setBrush(QColor(40, 42, 44));
        QPainterPath near;
        near.moveTo(scene.left(), scene.bottom() - scene.height() * 0.12);
        near.lineTo(scene.left() + scene.width() * 0.30, scene.top() + scene.height() * 0.50);
        near.lineTo(scene.left() + scene.width() * 0.55, scene.bottom() - scene.height() * 0.22);
        near.lineTo(scene.right(), scene.bottom() - scene.height() * 0.02);
        near.lineTo(scene.bottomRight());
        near.lineTo(scene.bottomLeft());
        p.drawPath(near);
        p.restore();
    };
    if (small) {
        print(QPointF(116, 112), 0, QSizeF(176, 140), 16, false);
    } else {
        print(QPointF(112, 104), -11, QSizeF(128, 100), 9, false);
        print(QPointF(128, 128), 5, QSizeF(152, 118), 10, true);
    }

    // The pick badge, ringed in the tile's colour so it stands off the print.
    const QPointF badge = small ? QPointF(184, 184) : QPointF(190, 190);
    const qreal radius = small ? 56 : 42;
    p.setPen(QPen(QColor(40, 41, 43), small ? 10 : 6));
    p.setBrush(kAmber);
    p.drawEllipse(badge, radius, radius);
    p.setPen(RoundPen(kBadge, small ? 22 : 13));
    p.setBrush(Qt::NoBrush);
    const qreal u = radius / 42.0;
    const QPointF check[] = {badge + QPointF(-19, 1) * u, badge + QPointF(-5, 15) * u,
                             badge + QPointF(20, -13) * u};
    p.drawPolyline(check, 3);
    return image;
}

// The hicolor theme's usual sizes.
const int kProgramIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256, 512};

bool SaveProgramIcons(const QDir& themeRoot) {
    bool ok = true;
    for (int side : kProgramIconSizes) {
        const QString folder = QStringLiteral("%1x%1/apps").arg(side);
        ok &= themeRoot.mkpath(folder);
        ok &= ProgramIcon(side).save(themeRoot.filePath(folder + QStringLiteral("/verimond.png")),
                                     "PNG");
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    // --icons FOLDER also draws the program's icon into FOLDER/<size>x<size>/apps/.
    QString iconRoot;
    const int iconsAt = args.indexOf(QStringLiteral("--icons"));
    if (iconsAt >= 0 && iconsAt + 1 < args.size()) {
        iconRoot = args.at(iconsAt + 1);
        args.remove(iconsAt, 2);
    }
    if (args.isEmpty() || (iconsAt >= 0 && iconRoot.isEmpty())) {
        std::fprintf(stderr,
                     "usage: make_art <resources folder> [contact sheet.png] [--icons <hicolor "
                     "folder>]\n");
        return 2;
    }
    const QDir out(args.at(0));
    out.mkpath(QStringLiteral("icon"));
    out.mkpath(QStringLiteral("photo"));
    bool ok = SaveBmp(PickedMarker(), out.filePath(QStringLiteral("icon/ztflag.bmp")));
    ok &= SaveBmp(RemovePickIcon(), out.filePath(QStringLiteral("icon/delzc.bmp")));
    ok &= SaveBmp(ShowLargeIcon(), out.filePath(QStringLiteral("icon/pszc.bmp")));
    ok &= SaveBmp(Padlock(false), out.filePath(QStringLiteral("icon/lockopen.bmp")));
    ok &= SaveBmp(Padlock(true), out.filePath(QStringLiteral("icon/locklock.bmp")));
    ok &= Placeholder(800, 600, QStringLiteral("暂无照片"), 190, 6, 42, 30, QColor(128, 131, 128),
                      QColor(168, 171, 168))
              .save(out.filePath(QStringLiteral("photo/nophoto.jpg")), "JPG", 94);
    ok &= Placeholder(105, 80, QStringLiteral("无照片"), 30, 1.6, 13, 3, QColor(150, 153, 150),
                      QColor(196, 198, 196))
              .save(out.filePath(QStringLiteral("photo/Thumbnails_nophoto.jpg")), "JPG", 95);
    if (args.size() > 1) {
        ok &= ContactSheet().save(args.at(1));
    }
    if (!iconRoot.isEmpty()) {
        ok &= SaveProgramIcons(QDir(iconRoot));
    }
    if (!ok) {
        std::fprintf(stderr, "make_art: could not write every file\n");
        return 1;
    }
    return 0;
}
