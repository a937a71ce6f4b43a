// Drawing from a station's previews: a current preview that holds the pixels a fit needs is
// drawn instead of the photo, with the photo's own size for the fitting; anything else (a
// fit larger than the preview, a photo changed since, another orientation setting, no store)
// draws the photo.

#include <QFile>
#include <QImage>
#include <QtTest>

#include "images/picture_drawing.h"
#include "images/preview_store.h"
#include "images/thumbnail.h"
#include "support/runtime_fixture.h"

using images::DrawOptions;
using images::Orientation;

namespace {

const QRgb kPhoto = qRgb(200, 30, 30);    // the photo is red
const QRgb kPreview = qRgb(30, 170, 40);  // its stand-in preview green, to tell them apart
const QSize kPhotoSize(800, 600);
const QSize kScreen(400, 300);

QImage Filled(QSize size, QRgb colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

bool Near(QRgb a, QRgb b) {
    return qAbs(qRed(a) - qRed(b)) < 24 && qAbs(qGreen(a) - qGreen(b)) < 24 &&
           qAbs(qBlue(a) - qBlue(b)) < 24;
}

}  // namespace

class PreviewDrawingTest : public QObject {
    Q_OBJECT
  private slots:
    void drawsFromPreviewOnlyWhenItServes_data() {
        QTest::addColumn<QSize>("box");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<int>("turns");
        QTest::addColumn<int>(
            "change");  // 0 none, 1 photo rewritten, 2 other orientation, 3 no store
        QTest::addColumn<bool>("fromPreview");
        QTest::newRow("smaller than the preview") << QSize(200, 150) << 1.0 << 0 << 0 << true;
        QTest::newRow("exactly the preview on device pixels")
            << QSize(200, 150) << 2.0 << 0 << 0 << true;
        QTest::newRow("turned a quarter") << QSize(150, 200) << 1.0 << 1 << 0 << true;
        QTest::newRow("larger than the preview") << QSize(600, 450) << 1.0 << 0 << 0 << false;
        QTest::newRow("photo changed since") << QSize(200, 150) << 1.0 << 0 << 1 << false;
        QTest::newRow("other orientation setting") << QSize(200, 150) << 1.0 << 0 << 2 << false;
        QTest::newRow("no store") << QSize(200, 150) << 1.0 << 0 << 3 << false;
    }
    void drawsFromPreviewOnlyWhenItServes() {
        QFETCH(QSize, box);
        QFETCH(qreal, ratio);
        QFETCH(int, turns);
        QFETCH(int, change);
        QFETCH(bool, fromPreview);
        testing_support::RuntimeFixture fixture(testing_support::RuntimeFixture::Database::None);
        const QString photo = fixture.file("photo.bmp");
        QVERIFY(Filled(kPhotoSize, kPhoto).save(photo, "BMP"));
        images::PreviewStore store(fixture.file("previews"), kScreen);
        QVERIFY(store.Store(photo, Orientation::AsTaken, Filled(kScreen, kPreview), kPhotoSize));
        if (change == 1) {
            // Another photo under the same name, a second later.
            QFile file(photo);
            QVERIFY(Filled(kPhotoSize, kPhoto).save(photo, "BMP"));
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(5),
                                     QFileDevice::FileModificationTime));
        }

        DrawOptions options;
        options.size = box;
        options.margin = Qt::black;
        options.quarterTurns = turns;
        options.devicePixelRatio = ratio;
        options.orientation = change == 2 ? Orientation::AsStored : Orientation::AsTaken;
        options.previews = change == 3 ? nullptr : &store;
        const images::DrawnPicture drawn =
            images::DrawPictureFitted(photo, fixture.file("placeholder.jpg"), options);
        QVERIFY2(drawn.error.isEmpty(), qPrintable(drawn.error));
        const QImage& canvas = drawn.canvas;
        QCOMPARE(canvas.size(), images::DeviceSize(box, ratio));
        const QRgb middle = canvas.pixel(canvas.width() / 2, canvas.height() / 2);
        QVERIFY2(Near(middle, fromPreview ? kPreview : kPhoto),
                 qPrintable(QString::number(middle, 16)));
        // Fitted as the photo is, whichever was drawn: it fills the box edge to edge.
        QVERIFY(!Near(canvas.pixel(0, canvas.height() / 2), Qt::black));
        QVERIFY(!Near(canvas.pixel(canvas.width() / 2, 0), Qt::black));
        if (turns == 0 && ratio == 1.0) {
            QCOMPARE(drawn.originalSize, kPhotoSize);
            QCOMPARE(drawn.zoomPercent, std::optional<int>(box.width() * 100 / 800));
        }
    }

    void thumbnailsAreMadeFromPreviews() {
        // What the printed list stages: the 105 x 80 thumbnail, from the preview.
        testing_support::RuntimeFixture fixture(testing_support::RuntimeFixture::Database::None);
        const QString photo = fixture.file("photo.bmp");
        const QSize wide(800, 400);
        QVERIFY(Filled(wide, kPhoto).save(photo, "BMP"));
        images::PreviewStore store(fixture.file("previews"), kScreen);
        QVERIFY(store.Store(photo, Orientation::AsTaken, Filled(QSize(400, 200), kPreview), wide));
        const QImage thumbnail = QImage::fromData(
            images::MakeThumbnail(photo, false, 100, fixture.file("placeholder.jpg"),
                                  Orientation::AsTaken, &store),
            "BMP");
        QCOMPARE(thumbnail.size(), QSize(105, 80));
        QVERIFY(Near(thumbnail.pixel(52, 40), kPreview));
        // Laid out as from the photo: 2:1 into 105 x 80 leaves grey above and below.
        QCOMPARE(thumbnail.pixel(52, 0) & 0xffffff, images::kThumbnailMargin.rgb() & 0xffffff);
    }
};

QTEST_MAIN(PreviewDrawingTest)
#include "test_preview_drawing.moc"
