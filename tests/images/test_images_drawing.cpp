// DrawPictureFitted: the photo fitted and centred with exact margins, the zoom percent, and
// every way of falling back when the photo or the placeholder is missing or unreadable.

#include <QFile>
#include <QtTest>

#include "data/errors.h"
#include "images/image_checks.h"
#include "images/image_decoder.h"
#include "images/picture_drawing.h"
#include "support/runtime_fixture.h"

using images::DrawnPicture;
using images::DrawOptions;
using testing_support::RuntimeFixture;

Q_DECLARE_METATYPE(std::optional<int>)

namespace {

const QColor kMargin(59, 60, 59);
const QSize kCanvas(200, 120);

DrawOptions Options(int widescreenRatio = 0, int quarterTurns = 0) {
    DrawOptions options;
    options.size = kCanvas;
    options.margin = kMargin;
    options.widescreen = widescreenRatio != 0;
    options.widescreenRatio = widescreenRatio;
    options.quarterTurns = quarterTurns;
    return options;
}

void WriteText(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("this is not a picture\n");
}

}  // namespace

class DrawingTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void photoFittedOnExactMargins_data();
    void photoFittedOnExactMargins();
    void missingPhotoDrawsPlaceholder_data();
    void missingPhotoDrawsPlaceholder();
    void undecodablePhotoGivesPlainPlaceholder();
    void undecodablePhotoWithoutPlaceholderThrows();
    void failingPlaceholderLeavesAllMargin_data();
    void failingPlaceholderLeavesAllMargin();
    void turnedPhoto_data();
    void turnedPhoto();
    void turnedFailureLeavesAllMargin();

  private:
    RuntimeFixture fixture_{RuntimeFixture::Database::None};
    QString placeholder_;  // 100 x 60: fits the canvas at (50,30)
    QString text_;         // a text file named .jpg
    QString halves_;       // 160 x 80, top half red, bottom half blue
};

void DrawingTest::initTestCase() {
    placeholder_ = fixture_.writePhoto("photo/placeholder.jpg", 100, 60);
    text_ = fixture_.file("text.jpg");
    WriteText(text_);
    QImage halves(160, 80, QImage::Format_RGB32);
    halves.fill(QColor(220, 20, 20));
    for (int y = 40; y < 80; ++y)
        for (int x = 0; x < 160; ++x) halves.setPixel(x, y, qRgb(20, 20, 220));
    halves_ = fixture_.file("halves.bmp");
    QVERIFY(halves.save(halves_, "BMP"));
}

void DrawingTest::photoFittedOnExactMargins_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("photo");
    QTest::addColumn<int>("widescreen");
    QTest::addColumn<QRect>("expected");
    QTest::addColumn<int>("zoom");

    // All into 200 x 120.
    QTest::newRow("jpeg wider than the canvas")
        << "wide.jpg" << QSize(800, 400) << 0 << QRect(0, 10, 200, 100) << 25;
    QTest::newRow("jpeg portrait")
        << "tall.jpg" << QSize(300, 600) << 0 << QRect(70, 0, 60, 120) << 20;
    QTest::newRow("jpeg decoded at 1/8")
        << "large.jpg" << QSize(2400, 1600) << 0 << QRect(10, 0, 180, 120) << 7;
    QTest::newRow("bmp square") << "square.bmp" << QSize(400, 400) << 0 << QRect(40, 0, 120, 120)
                                << 30;
    QTest::newRow("small photo centred")
        << "small.jpg" << QSize(100, 50) << 0 << QRect(50, 35, 100, 50) << 100;
    QTest::newRow("widescreen narrows about the centre")
        << "wide.jpg" << QSize(800, 400) << 75 << QRect(25, 10, 150, 100) << 18;
}

void DrawingTest::photoFittedOnExactMargins() {
    QFETCH(QString, name);
    QFETCH(QSize, photo);
    QFETCH(int, widescreen);
    QFETCH(QRect, expected);
    QFETCH(int, zoom);
    const QString path = fixture_.writePhoto(name, photo.width(), photo.height());

    const DrawnPicture drawn = images::DrawPictureFitted(path, placeholder_, Options(widescreen));
    QCOMPARE(drawn.canvas.size(), kCanvas);
    QCOMPARE(drawn.canvas.format(), QImage::Format_RGB32);
    QVERIFY(!drawn.plain);
    QCOMPARE(drawn.zoomPercent, std::optional<int>(zoom));
    const QString fault = image_checks::PhotoOnMargin(drawn.canvas, expected, kMargin);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
}

void DrawingTest::missingPhotoDrawsPlaceholder_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("no such file") << "nowhere.jpg";
    QTest::newRow("a folder of that name") << "photo";
}

void DrawingTest::missingPhotoDrawsPlaceholder() {
    QFETCH(QString, name);
    const DrawnPicture drawn =
        images::DrawPictureFitted(fixture_.file(name), placeholder_, Options());
    QVERIFY(!drawn.plain);
    QVERIFY(!drawn.zoomPercent);
    const QString fault =
        image_checks::PhotoOnMargin(drawn.canvas, QRect(50, 30, 100, 60), kMargin);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
}

// The caller shows the placeholder as a plain picture, so it comes back at its own size.
void DrawingTest::undecodablePhotoGivesPlainPlaceholder() {
    const DrawnPicture drawn = images::DrawPictureFitted(text_, placeholder_, Options(75));
    QVERIFY(drawn.plain);
    QVERIFY(!drawn.zoomPercent);
    QCOMPARE(drawn.canvas.size(), QSize(100, 60));
    QCOMPARE(drawn.canvas, images::DecodeImage(placeholder_).image);
}

void DrawingTest::undecodablePhotoWithoutPlaceholderThrows() {
    const QString missing = fixture_.file("photo/none.jpg");
    try {
        images::DrawPictureFitted(text_, missing, Options());
        QFAIL("no error for an unreadable photo without its placeholder");
    } catch (const data::VerimondError& error) {
        QVERIFY2(error.text().contains(missing), qPrintable(error.text()));
    }
}

// When the placeholder itself is what cannot be drawn, the frame is all that is left.
void DrawingTest::failingPlaceholderLeavesAllMargin_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("fallback");
    QTest::newRow("photo and placeholder missing") << "nowhere.jpg"
                                                   << "photo/none.jpg";
    QTest::newRow("photo missing, placeholder undecodable") << "nowhere.jpg"
                                                            << "text.jpg";
    QTest::newRow("photo is the undecodable placeholder") << "text.jpg"
                                                          << "text.jpg";
}

void DrawingTest::failingPlaceholderLeavesAllMargin() {
    QFETCH(QString, file);
    QFETCH(QString, fallback);
    DrawnPicture drawn;
    try {
        drawn = images::DrawPictureFitted(fixture_.file(file), fixture_.file(fallback), Options());
    } catch (const data::VerimondError& error) {
        QFAIL(qPrintable("unexpected error: " + error.text()));
    }
    QVERIFY(!drawn.plain);
    QVERIFY(!drawn.zoomPercent);
    QCOMPARE(drawn.canvas.size(), kCanvas);
    const QString fault = image_checks::AllMargin(drawn.canvas, kMargin);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
}

void DrawingTest::turnedPhoto_data() {
    QTest::addColumn<int>("turns");
    QTest::addColumn<QRect>("expected");
    QTest::addColumn<QPoint>("red");  // a point of the top half of the file, once turned
    QTest::addColumn<QPoint>("blue");

    // 160 x 80 into 200 x 120: turned 80 x 160 shrinks to 60 x 120; unturned it fits as is.
    QTest::newRow("quarter") << 1 << QRect(70, 0, 60, 120) << QPoint(120, 60) << QPoint(80, 60);
    QTest::newRow("half") << 2 << QRect(20, 20, 160, 80) << QPoint(100, 80) << QPoint(100, 40);
    QTest::newRow("three quarters")
        << 3 << QRect(70, 0, 60, 120) << QPoint(80, 60) << QPoint(120, 60);
}

void DrawingTest::turnedPhoto() {
    QFETCH(int, turns);
    QFETCH(QRect, expected);
    QFETCH(QPoint, red);
    QFETCH(QPoint, blue);

    const DrawnPicture drawn = images::DrawPictureFitted(halves_, placeholder_, Options(0, turns));
    QVERIFY(!drawn.plain);
    QVERIFY(!drawn.zoomPercent);
    const QString fault = image_checks::PhotoOnMargin(drawn.canvas, expected, kMargin);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    QVERIFY(qRed(drawn.canvas.pixel(red)) > 150 && qBlue(drawn.canvas.pixel(red)) < 100);
    QVERIFY(qBlue(drawn.canvas.pixel(blue)) > 150 && qRed(drawn.canvas.pixel(blue)) < 100);
    QCOMPARE(images::DrawRotatedFitted(halves_, Options(0, turns)), drawn.canvas);
}

// The turned view has no placeholder and never throws.
void DrawingTest::turnedFailureLeavesAllMargin() {
    for (const QString& file : {fixture_.file("nowhere.jpg"), text_}) {
        const DrawnPicture drawn = images::DrawPictureFitted(file, placeholder_, Options(0, 1));
        QVERIFY(!drawn.plain);
        QVERIFY(!drawn.zoomPercent);
        const QString fault = image_checks::AllMargin(drawn.canvas, kMargin);
        QVERIFY2(fault.isEmpty(), qPrintable(file + ": " + fault));
    }
}

QTEST_MAIN(DrawingTest)
#include "test_images_drawing.moc"
