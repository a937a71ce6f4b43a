// Photos come out as the camera held them: the EXIF orientation applied where a photo is
// decoded, so sizes, fitting, the DCT scale and thumbnails all follow the upright picture;
// the customer's turns come after it; and pictures are drawn on device pixels.

#include <QBuffer>
#include <QFile>
#include <QTransform>
#include <QtTest>

#include "images/image_checks.h"
#include "images/image_decoder.h"
#include "images/picture_drawing.h"
#include "images/thumbnail.h"
#include "support/hostile_files.h"
#include "support/oriented_photos.h"
#include "support/runtime_fixture.h"

using images::DecodedImage;
using images::Orientation;
using namespace testing_support;

namespace {

const QColor kMargin(59, 60, 59);

// What a camera writes: landscape pixels, upright as portrait for the orientations 5..8.
QSize UprightFor(int orientation) { return orientation >= 5 ? QSize(96, 144) : QSize(144, 96); }

// Empty when the decoded picture shows the stored pixels as they are.
QString AsStoredPixels(const QImage& decoded, QSize upright, int orientation) {
    const QImage stored = StoredPixels(QuartersImage(upright), orientation);
    if (decoded.size() != stored.size()) return QStringLiteral("size differs");
    for (const QPoint at : {QPoint(stored.width() / 4, stored.height() / 4),
                            QPoint(stored.width() * 3 / 4, stored.height() / 4),
                            QPoint(stored.width() / 4, stored.height() * 3 / 4),
                            QPoint(stored.width() * 3 / 4, stored.height() * 3 / 4)}) {
        const QColor want = stored.pixelColor(at), got = decoded.pixelColor(at);
        if (std::abs(want.red() - got.red()) + std::abs(want.green() - got.green()) +
                std::abs(want.blue() - got.blue()) >
            90)
            return QStringLiteral("(%1,%2) is %3, stored %4")
                .arg(at.x())
                .arg(at.y())
                .arg(got.name(), want.name());
    }
    return QString();
}

QRect Placed(QSize frame, QSize photo) {
    const images::Placement p =
        images::FitPicture(frame.width(), frame.height(), photo.width(), photo.height());
    return QRect(p.x, p.y, p.w, p.h);
}

QImage Checkerboard(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    return image;
}

}  // namespace

class OrientationTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { placeholder_ = fixture_.writePhoto("placeholder.jpg", 100, 60); }

    // Every path that decodes a photo sees it upright, and only the setting's "as stored"
    // shows the pixels as they lie in the file.
    void eightOrientations_data() {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<bool>("bigEndian");
        for (int o = 1; o <= 8; ++o) QTest::addRow("orientation %d", o) << o << false;
        QTest::newRow("orientation 6, Motorola byte order") << 6 << true;
        QTest::newRow("orientation 7, Motorola byte order") << 7 << true;
    }
    void eightOrientations() {
        QFETCH(int, orientation);
        QFETCH(bool, bigEndian);
        const QSize upright = UprightFor(orientation);
        const QSize stored = orientation >= 5 ? upright.transposed() : upright;
        const QString path = WriteOrientedPhoto(
            fixture_.file(QStringLiteral("o%1%2.jpg").arg(orientation).arg(bigEndian)), upright,
            orientation, bigEndian);

        QCOMPARE(images::ReadCameraOrientation(path), orientation);
        QCOMPARE(images::ReadImageSize(path), upright);
        QCOMPARE(images::ReadImageSize(path, Orientation::AsStored), stored);

        const DecodedImage whole = images::DecodeImage(path);
        QVERIFY2(whole.ok(), qPrintable(whole.error));
        QCOMPARE(whole.originalSize, upright);
        QCOMPARE(whole.image.size(), upright);
        QCOMPARE(whole.orientation, orientation);
        QCOMPARE(QuartersUpright(whole.image), QString());

        const DecodedImage asStored =
            images::DecodeImage(path, QSize(), {Orientation::AsStored, 0});
        QCOMPARE(asStored.originalSize, stored);
        QCOMPARE(AsStoredPixels(asStored.image, upright, orientation), QString());

        const DecodedImage fitted = images::DecodeForFit(path, QSize(40, 40));
        QCOMPARE(fitted.originalSize, upright);
        QCOMPARE(QuartersUpright(fitted.image), QString());

        // Fitting, margins and the zoom percent follow the upright size.
        images::DrawOptions options;
        options.size = QSize(200, 120);
        options.margin = kMargin;
        const images::DrawnPicture drawn = images::DrawPictureFitted(path, placeholder_, options);
        const QRect photo = Placed(options.size, upright);
        QCOMPARE(image_checks::PhotoOnMargin(drawn.canvas, photo, kMargin), QString());
        QCOMPARE(QuartersUprightIn(drawn.canvas, photo), QString());
        QCOMPARE(drawn.zoomPercent, std::optional<int>(photo.width() * 100 / upright.width()));

        const QSize cell(images::kThumbnailWidth, images::kThumbnailHeight);
        const QImage thumbnail = QImage::fromData(images::MakeThumbnail(path, false, 100), "BMP");
        QCOMPARE(
            image_checks::PhotoOnMargin(thumbnail, Placed(cell, upright), images::kThumbnailMargin),
            QString());
        QCOMPARE(QuartersUprightIn(thumbnail, Placed(cell, upright)), QString());
        const QImage storedThumbnail = QImage::fromData(
            images::MakeThumbnail(path, false, 100, placeholder_, Orientation::AsStored), "BMP");
        QCOMPARE(image_checks::PhotoOnMargin(storedThumbnail, Placed(cell, stored),
                                             images::kThumbnailMargin),
                 QString());
    }

    // The customer's turns start from the upright picture, mirrored orientations included.
    void customerTurnsFromUpright_data() {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("turns");
        for (int orientation : {6, 5, 2})
            for (int turns : {1, 2, 3, -1})
                QTest::addRow("orientation %d, %d turns", orientation, turns)
                    << orientation << turns;
    }
    void customerTurnsFromUpright() {
        QFETCH(int, orientation);
        QFETCH(int, turns);
        const QSize upright = UprightFor(orientation);
        const QString path = WriteOrientedPhoto(
            fixture_.file(QStringLiteral("t%1.jpg").arg(orientation)), upright, orientation);
        const DecodedImage turned =
            images::DecodeForFit(path, QSize(500, 500), {Orientation::AsTaken, turns});
        QVERIFY2(turned.ok(), qPrintable(turned.error));
        QCOMPARE(turned.originalSize, turns % 2 ? upright.transposed() : upright);
        // Turned back by the customer's turns, the picture is upright again.
        QCOMPARE(QuartersUpright(turned.image.transformed(QTransform().rotate(-90.0 * turns))),
                 QString());

        images::DrawOptions options;
        options.size = QSize(300, 300);
        options.margin = kMargin;
        options.quarterTurns = ((turns % 4) + 4) % 4;
        const QImage canvas = images::DrawRotatedFitted(path, options);
        const QRect photo = Placed(options.size, turned.originalSize);
        QCOMPARE(image_checks::PhotoOnMargin(canvas, photo, kMargin), QString());
        QCOMPARE(
            QuartersUpright(canvas.copy(photo).transformed(QTransform().rotate(-90.0 * turns))),
            QString());
    }

    // The DCT scale must cover what is shown: a quarter-turned camera swaps which side of
    // the file the frame limits, and a scaled screen needs its device pixels.
    void dctScaleCoversTheShownPicture_data() {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QSize>("box");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<QSize>("decoded");
        // The file is 1600 x 1200 in every row.
        QTest::newRow("landscape: fit 933x700, full")
            << 1 << QSize(1000, 700) << 1.0 << QSize(1600, 1200);
        // Upright 1200 x 1600 fits as 525 x 700: 700 x 525 of the file, so 1/2 covers it.
        QTest::newRow("turned by the camera: 1/2")
            << 6 << QSize(1000, 700) << 1.0 << QSize(600, 800);
        QTest::newRow("turned, on a scaled screen: full")
            << 8 << QSize(1000, 700) << 2.0 << QSize(1200, 1600);
        QTest::newRow("landscape into 400x300: 1/4")
            << 1 << QSize(400, 300) << 1.0 << QSize(400, 300);
        QTest::newRow("the same at a scale of 2: 1/2")
            << 1 << QSize(400, 300) << 2.0 << QSize(800, 600);
    }
    void dctScaleCoversTheShownPicture() {
        QFETCH(int, orientation);
        QFETCH(QSize, box);
        QFETCH(qreal, ratio);
        QFETCH(QSize, decoded);
        const QSize upright = orientation >= 5 ? QSize(1200, 1600) : QSize(1600, 1200);
        const QString path = WriteOrientedPhoto(
            fixture_.file(QStringLiteral("big%1.jpg").arg(orientation)), upright, orientation);
        const DecodedImage result = images::DecodeForFit(path, box, {}, ratio);
        QVERIFY2(result.ok(), qPrintable(result.error));
        QCOMPARE(result.image.size(), decoded);
        QCOMPARE(result.originalSize, upright);
    }

    // A tag that says nothing usable leaves the pixels as stored and the photo readable.
    void tagsThatSayNothing_data() {
        QTest::addColumn<QByteArray>("segment");
        const QByteArray six = ExifSegment(6);
        QByteArray truncated = six.left(4 + 6 + 8 + 4);  // header and IFD count, no entry
        truncated[2] = char(0);
        truncated[3] = char(truncated.size() - 2);
        QByteArray outside = six;  // IFD0 said to lie far beyond the segment
        outside[4 + 6 + 4] = char(0x70);
        outside[4 + 6 + 5] = char(0xFF);
        QByteArray junk(
            "\xFF\xE1\x00\x28"
            "Exif\0\0",
            10);
        junk.append(QByteArray(0x26 - 6, '\xA5'));
        QTest::newRow("no EXIF") << QByteArray();
        QTest::newRow("orientation 0") << ExifSegment(0);
        QTest::newRow("orientation 9") << ExifSegment(9);
        QTest::newRow("EXIF cut after the directory count") << truncated;
        QTest::newRow("directory beyond the segment") << outside;
        QTest::newRow("junk after the EXIF header") << junk;
    }
    void tagsThatSayNothing() {
        QFETCH(QByteArray, segment);
        const QString path = fixture_.file(QStringLiteral("nothing.jpg"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(WithSegment(SmallJpeg(64, 48), segment));
        file.close();
        QCOMPARE(images::ReadCameraOrientation(path), 1);
        QCOMPARE(images::ReadImageSize(path), QSize(64, 48));
        const DecodedImage decoded = images::DecodeImage(path);
        QVERIFY2(decoded.ok(), qPrintable(decoded.error));
        QCOMPARE(decoded.image.size(), QSize(64, 48));
        QCOMPARE(decoded.orientation, 1);
    }

    // On a scaled screen the canvas holds device pixels while fitting, margins and the zoom
    // percent stay logical: a one-pixel checkerboard shown at its own device size survives.
    void drawnOnDevicePixels_data() {
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<int>("widescreen");
        QTest::addColumn<QRect>("logical");  // where the photo lies, in logical pixels
        QTest::addColumn<int>("zoom");
        QTest::newRow("scale 1") << 1.0 << 0 << QRect(0, 0, 400, 300) << 50;
        QTest::newRow("scale 2") << 2.0 << 0 << QRect(0, 0, 400, 300) << 50;
        QTest::newRow("scale 2, widescreen 75") << 2.0 << 75 << QRect(50, 0, 300, 300) << 37;
        QTest::newRow("scale 1.5") << 1.5 << 0 << QRect(0, 0, 400, 300) << 50;
    }
    void drawnOnDevicePixels() {
        QFETCH(qreal, ratio);
        QFETCH(int, widescreen);
        QFETCH(QRect, logical);
        QFETCH(int, zoom);
        const QString path = fixture_.file(QStringLiteral("checkerboard.bmp"));
        QVERIFY(Checkerboard(QSize(800, 600)).save(path, "BMP"));
        images::DrawOptions options;
        options.size = QSize(400, 300);
        options.margin = kMargin;
        options.widescreen = widescreen != 0;
        options.widescreenRatio = widescreen;
        options.devicePixelRatio = ratio;
        const images::DrawnPicture drawn = images::DrawPictureFitted(path, placeholder_, options);
        QCOMPARE(drawn.canvas.size(), QSize(qRound(400 * ratio), qRound(300 * ratio)));
        QCOMPARE(drawn.canvas.devicePixelRatio(), ratio);
        QCOMPARE(drawn.zoomPercent, std::optional<int>(zoom));
        const QRect device(qRound(logical.x() * ratio), qRound(logical.y() * ratio),
                           qRound(logical.width() * ratio), qRound(logical.height() * ratio));
        QCOMPARE(image_checks::PhotoOnMargin(drawn.canvas, device, kMargin), QString());
        if (ratio == 2.0 && widescreen == 0) {
            // Every device pixel is one pixel of the photo.
            QImage photo = Checkerboard(QSize(800, 600));
            photo.setDevicePixelRatio(2);
            QCOMPARE(drawn.canvas.convertToFormat(QImage::Format_RGB32), photo);
        }
    }

  private:
    RuntimeFixture fixture_{RuntimeFixture::Database::None};
    QString placeholder_;
};

QTEST_GUILESS_MAIN(OrientationTest)
#include "test_orientation.moc"
