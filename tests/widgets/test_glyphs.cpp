// The button glyphs: each one draws, no two come out alike, and the disabled
// look is fainter than the normal one.

#include <QIcon>
#include <QImage>
#include <QtTest>

#include "widgets/glyphs.h"

using widgets::Glyph;

namespace {

constexpr int kSide = 32;

QImage Render(Glyph glyph) {
    return widgets::MakeGlyphPixmap(glyph, Qt::white, kSide)
        .toImage()
        .convertToFormat(QImage::Format_ARGB32);
}

qint64 InkOf(const QImage& image) {
    qint64 ink = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            ink += qAlpha(image.pixel(x, y));
        }
    }
    return ink;
}

int PixelsApart(const QImage& a, const QImage& b) {
    int apart = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            apart += qAbs(qAlpha(a.pixel(x, y)) - qAlpha(b.pixel(x, y))) > 96 ? 1 : 0;
        }
    }
    return apart;
}

}  // namespace

class TestGlyphs : public QObject {
    Q_OBJECT

  private slots:
    void EachGlyphIsDrawnAndItsOwn_data() {
        QTest::addColumn<int>("index");
        for (int i = 0; i < widgets::kGlyphCount; ++i) {
            QTest::addRow("glyph %d", i) << i;
        }
    }

    void EachGlyphIsDrawnAndItsOwn() {
        QFETCH(int, index);
        const auto glyph = static_cast<Glyph>(index);
        const QImage image = Render(glyph);
        QCOMPARE(image.size(), QSize(kSide, kSide));
        // At least a short stroke's worth of solid ink.
        QVERIFY2(InkOf(image) > 20 * 255, "glyph paints next to nothing");

        for (int other = 0; other < widgets::kGlyphCount; ++other) {
            if (other != index) {
                QVERIFY2(PixelsApart(image, Render(static_cast<Glyph>(other))) >= 12,
                         qPrintable(QStringLiteral("looks like glyph %1").arg(other)));
            }
        }

        const QIcon icon = widgets::MakeGlyphIcon(glyph, Qt::white);
        const qint64 normal = InkOf(
            icon.pixmap(kSide, QIcon::Normal).toImage().convertToFormat(QImage::Format_ARGB32));
        const qint64 disabled = InkOf(
            icon.pixmap(kSide, QIcon::Disabled).toImage().convertToFormat(QImage::Format_ARGB32));
        QVERIFY(normal > 0);
        QVERIFY2(disabled < normal * 6 / 10, "disabled look is not dimmed");
    }
};

QTEST_MAIN(TestGlyphs)
#include "test_glyphs.moc"
