// Decoding: JPEG at the smallest DCT scale that covers the need, the original size reported
// whatever the scale, other formats through Qt, failures reported rather than thrown.

#include <sys/stat.h>
#include <turbojpeg.h>

#include <QFile>
#include <QImageWriter>
#include <QtTest>
#include <atomic>
#include <thread>

#include "images/demo_photo.h"
#include "images/image_decoder.h"
#include "images/thumbnail.h"
#include "support/hostile_files.h"
#include "support/runtime_fixture.h"

using images::DecodedImage;
using testing_support::RuntimeFixture;

namespace {

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Top half red, bottom half blue: shows which way a turn went.
QString WriteHalves(const QString& path, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(220, 20, 20));
    for (int y = height / 2; y < height; ++y)
        for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(20, 20, 220));
    image.save(path, "JPEG", 95);
    return path;
}

// A photo-like picture as a camera would write it, through TurboJPEG's encoder.
QByteArray EncodedPhoto(QSize size, int subsampling, bool progressive) {
    const QImage photo = images::MakeDemoPhoto(size.width(), size.height(), 7, QString())
                             .convertToFormat(QImage::Format_RGB32);
    tjhandle compressor = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long length = 0;
    const int failed = tjCompress2(compressor, photo.constBits(), photo.width(),
                                   int(photo.bytesPerLine()), photo.height(), TJPF_BGRX, &jpeg,
                                   &length, subsampling, 90, progressive ? TJFLAG_PROGRESSIVE : 0);
    QByteArray bytes =
        failed ? QByteArray() : QByteArray(reinterpret_cast<const char*>(jpeg), int(length));
    tjFree(jpeg);
    tjDestroy(compressor);
    return bytes;
}

// The pixels TurboJPEG's one-call decode gives at `scaled`.
QImage TurboJpegDecode(const QByteArray& jpeg, QSize scaled) {
    QImage image(scaled, QImage::Format_RGB32);
    tjhandle decompressor = tjInitDecompress();
    const int failed =
        tjDecompress2(decompressor, reinterpret_cast<const unsigned char*>(jpeg.constData()),
                      static_cast<unsigned long>(jpeg.size()), image.bits(), scaled.width(),
                      int(image.bytesPerLine()), scaled.height(), TJPF_BGRX, TJFLAG_LIMITSCANS);
    tjDestroy(decompressor);
    return failed ? QImage() : image;
}

// Says yes `times` times, then no; counts every ask.
images::StillWanted WantedFor(int times, std::shared_ptr<int> asks) {
    return [times, asks] { return ++*asks <= times; };
}

bool Reddish(QRgb p) { return qRed(p) > 150 && qBlue(p) < 100; }
bool Bluish(QRgb p) { return qBlue(p) > 150 && qRed(p) < 100; }

}  // namespace

class DecodingTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void jpegAtSmallestCoveringScale_data();
    void jpegAtSmallestCoveringScale();
    void otherFormatsAtFullSize_data();
    void otherFormatsAtFullSize();
    void greyAndCmykJpegs();
    void failuresAreReported_data();
    void failuresAreReported();
    void truncatedJpegKeepsWhatDecoded();
    void fitDecodesWhatTheBoxNeeds_data();
    void fitDecodesWhatTheBoxNeeds();
    void turnsAreClockwise_data();
    void turnsAreClockwise();
    void claimsBeyondTheLimitsAreRefused_data();
    void claimsBeyondTheLimitsAreRefused();
    void decodeStaysWithinItsBudget();
    void largePhotosOfOtherFormatsDecode_data();
    void largePhotosOfOtherFormatsDecode();
    void whatIsNotAPhotoFileIsNotRead_data();
    void whatIsNotAPhotoFileIsNotRead();
    void photoRewrittenWhileDecoded();
    void samePixelsAsTurboJpeg_data();
    void samePixelsAsTurboJpeg();
    void anUnwantedDecodeStopsHalfWay_data();
    void anUnwantedDecodeStopsHalfWay();

  private:
    RuntimeFixture fixture_{RuntimeFixture::Database::None};
    QString scales_;  // 801 x 601
    QString fit_;     // 1600 x 1200
    QString halves_;  // 320 x 160
};

void DecodingTest::initTestCase() {
    // Named .bmp: JPEG is recognised by its content, and still gets DCT scaling.
    scales_ = fixture_.writePhoto("scales.bmp", 801, 601, "jpeg");
    fit_ = fixture_.writePhoto("fit.jpg", 1600, 1200);
    halves_ = WriteHalves(fixture_.file("halves.jpg"), 320, 160);
}

void DecodingTest::jpegAtSmallestCoveringScale_data() {
    QTest::addColumn<QSize>("needed");
    QTest::addColumn<QSize>("decoded");

    // 801 x 601: scaled sizes round up (101 x 76, 201 x 151, 401 x 301).
    QTest::newRow("no need: full size") << QSize() << QSize(801, 601);
    QTest::newRow("nothing needed: 1/8") << QSize(0, 0) << QSize(101, 76);
    QTest::newRow("exactly 1/8") << QSize(101, 76) << QSize(101, 76);
    QTest::newRow("one wider: 1/4") << QSize(102, 76) << QSize(201, 151);
    QTest::newRow("one taller: 1/4") << QSize(101, 77) << QSize(201, 151);
    QTest::newRow("wide strip: 1/2") << QSize(202, 10) << QSize(401, 301);
    QTest::newRow("just over 1/2: full") << QSize(401, 302) << QSize(801, 601);
    QTest::newRow("more than the file: full") << QSize(5000, 5000) << QSize(801, 601);
}

void DecodingTest::jpegAtSmallestCoveringScale() {
    QFETCH(QSize, needed);
    QFETCH(QSize, decoded);
    const QString& path = scales_;
    const DecodedImage result = images::DecodeImage(path, needed);
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(result.image.size(), decoded);
    QCOMPARE(result.originalSize, QSize(801, 601));
    QCOMPARE(images::ReadImageSize(path), QSize(801, 601));
    // Format_RGB32 needs an opaque fourth byte; the colours must come through in order.
    const QRgb centre = result.image.pixel(decoded.width() / 2, decoded.height() / 2);
    QCOMPARE(qAlpha(centre), 255);
    QVERIFY2(qRed(centre) > 180 && qGreen(centre) < 80, qPrintable(QColor(centre).name()));
}

void DecodingTest::otherFormatsAtFullSize_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("bmp") << "other.bmp" << QByteArray("bmp");
    QTest::newRow("png") << "other.png" << QByteArray("png");
    QTest::newRow("bmp named .jpg") << "bmp-inside.jpg" << QByteArray("bmp");
}

void DecodingTest::otherFormatsAtFullSize() {
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    const QString path = fixture_.writePhoto(name, 300, 200, format.constData());

    const DecodedImage result = images::DecodeImage(path, QSize(10, 10));
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(result.originalSize, QSize(300, 200));
    QCOMPARE(result.image.size(), QSize(300, 200));
    QCOMPARE(images::ReadImageSize(path), QSize(300, 200));
    QCOMPARE(result.image.pixel(150, 100) | 0xFF000000u,
             testing_support::ColourfulImage(300, 200).pixel(150, 100));
}

void DecodingTest::greyAndCmykJpegs() {
    QImage grey(320, 240, QImage::Format_Grayscale8);
    grey.fill(90);
    const QString greyPath = fixture_.file("grey.jpg");
    QVERIFY(grey.save(greyPath, "JPEG", 95));

    // TurboJPEG writes CMYK input as an Adobe YCCK file, which it cannot turn into RGB itself.
    const int width = 320, height = 240;
    QByteArray cmyk(width * height * 4, '\0');
    for (int i = 0; i < width * height; ++i) {
        cmyk[4 * i + 0] = char(255);
        cmyk[4 * i + 3] = char(255);
    }
    tjhandle compressor = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long jpegSize = 0;
    QCOMPARE(tjCompress2(compressor, reinterpret_cast<const unsigned char*>(cmyk.constData()),
                         width, 0, height, TJPF_CMYK, &jpeg, &jpegSize, TJSAMP_444, 95, 0),
             0);
    const QString cmykPath = fixture_.file("cmyk.jpg");
    WriteBytes(cmykPath, QByteArray(reinterpret_cast<const char*>(jpeg), int(jpegSize)));
    tjFree(jpeg);
    tjDestroy(compressor);

    for (const QString& path : {greyPath, cmykPath}) {
        const DecodedImage result = images::DecodeImage(path, QSize(40, 30));
        QVERIFY2(result.ok(), qPrintable(path + ": " + result.error));
        QCOMPARE(result.originalSize, QSize(320, 240));
        QCOMPARE(result.image.size(), QSize(40, 30));
    }
    const QRgb p = images::DecodeImage(greyPath).image.pixel(100, 100);
    QVERIFY2(qAbs(qRed(p) - 90) <= 3 && qRed(p) == qGreen(p) && qGreen(p) == qBlue(p),
             qPrintable(QColor(p).name()));
}

void DecodingTest::failuresAreReported_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");  // "missing", "folder" or "file" holding `content`
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("missing") << "missing.jpg"
                             << "missing" << QByteArray();
    QTest::newRow("folder") << "folder.jpg"
                            << "folder" << QByteArray();
    QTest::newRow("text named .jpg") << "text.jpg"
                                     << "file" << QByteArray("not a picture\n");
    QTest::newRow("empty file") << "empty.jpg"
                                << "file" << QByteArray();
    QTest::newRow("jpeg magic then nothing") << "magic.jpg"
                                             << "file" << QByteArray("\xFF\xD8\xFF\xE0", 4);
}

void DecodingTest::failuresAreReported() {
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QByteArray, content);
    const QString path = fixture_.file(name);
    if (kind == "folder") QVERIFY(QDir().mkpath(path));
    if (kind == "file") WriteBytes(path, content);

    for (const DecodedImage& result :
         {images::DecodeImage(path),
          images::DecodeForFit(path, QSize(100, 100), {images::Orientation::AsTaken, 1})}) {
        QVERIFY(!result.ok());
        QVERIFY(result.image.isNull());
        QVERIFY(!result.originalSize.isValid());
        QVERIFY(!result.error.isEmpty());
    }
    QVERIFY(!images::ReadImageSize(path).isValid());
}

// A photo whose copy was cut short still shows what arrived, at its full size.
void DecodingTest::truncatedJpegKeepsWhatDecoded() {
    const QByteArray whole = ReadBytes(fixture_.writePhoto("whole.jpg", 640, 480));
    const QString path = fixture_.file("cut.jpg");
    WriteBytes(path, whole.left(whole.size() / 2));

    const DecodedImage result = images::DecodeImage(path);
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(result.originalSize, QSize(640, 480));
    QVERIFY(Reddish(result.image.pixel(320, 10)));
}

void DecodingTest::fitDecodesWhatTheBoxNeeds_data() {
    QTest::addColumn<QSize>("box");
    QTest::addColumn<int>("turns");
    QTest::addColumn<QSize>("decoded");
    QTest::addColumn<QSize>("original");

    // A 1600 x 1200 photo.
    QTest::newRow("thumbnail: 1/8") << QSize(105, 80) << 0 << QSize(200, 150) << QSize(1600, 1200);
    QTest::newRow("fit 800x600: 1/2")
        << QSize(1000, 600) << 0 << QSize(800, 600) << QSize(1600, 1200);
    QTest::newRow("fit 933x700: full")
        << QSize(1000, 700) << 0 << QSize(1600, 1200) << QSize(1600, 1200);
    QTest::newRow("larger box: full")
        << QSize(2000, 2000) << 0 << QSize(1600, 1200) << QSize(1600, 1200);
    QTest::newRow("quarter turn: 1/8")
        << QSize(105, 80) << 1 << QSize(150, 200) << QSize(1200, 1600);
    QTest::newRow("half turn") << QSize(105, 80) << 2 << QSize(200, 150) << QSize(1600, 1200);
    // Fitting the unturned size would ask for 400 x 300 (1/4).
    QTest::newRow("fit computed on the turned size")
        << QSize(400, 1000) << 3 << QSize(600, 800) << QSize(1200, 1600);
    // The turned need 525 x 700 is 700 x 525 of the file (1/2), not 525 x 700 (full).
    QTest::newRow("turned need mapped back onto the file")
        << QSize(1000, 700) << 1 << QSize(600, 800) << QSize(1200, 1600);
}

void DecodingTest::fitDecodesWhatTheBoxNeeds() {
    QFETCH(QSize, box);
    QFETCH(int, turns);
    QFETCH(QSize, decoded);
    QFETCH(QSize, original);
    const DecodedImage result =
        images::DecodeForFit(fit_, box, {images::Orientation::AsTaken, turns});
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(result.image.size(), decoded);
    QCOMPARE(result.originalSize, original);
}

void DecodingTest::turnsAreClockwise_data() {
    QTest::addColumn<int>("turns");
    QTest::addColumn<QString>("redSide");
    QTest::newRow("none") << 0 << "top";
    QTest::newRow("quarter") << 1 << "right";
    QTest::newRow("half") << 2 << "bottom";
    QTest::newRow("three quarters") << 3 << "left";
}

void DecodingTest::turnsAreClockwise() {
    QFETCH(int, turns);
    QFETCH(QString, redSide);
    const DecodedImage result =
        images::DecodeForFit(halves_, QSize(1000, 1000), {images::Orientation::AsTaken, turns});
    QVERIFY2(result.ok(), qPrintable(result.error));
    const QImage& image = result.image;
    const int w = image.width(), h = image.height();
    const QPoint top(w / 2, 4), bottom(w / 2, h - 5), left(4, h / 2), right(w - 5, h / 2);
    const QPoint red = redSide == "top"      ? top
                       : redSide == "right"  ? right
                       : redSide == "bottom" ? bottom
                                             : left;
    const QPoint blue = red == top ? bottom : red == bottom ? top : red == left ? right : left;
    QVERIFY(Reddish(image.pixel(red)));
    QVERIFY(Bluish(image.pixel(blue)));
}

// Whatever a file claims, a decode never grows beyond what a studio's photos need, and the
// thumbnail of a refused file is the placeholder.
void DecodingTest::claimsBeyondTheLimitsAreRefused_data() {
    using namespace testing_support;
    QTest::addColumn<QByteArray>("content");
    const QByteArray jpeg = SmallJpeg(64, 48);
    const QByteArray progressive = SmallJpeg(64, 48, true);
    QTest::newRow("jpeg claiming 60000 x 60000") << WithClaimedSize(jpeg, 60000, 60000);
    QTest::newRow("jpeg claiming 65000 x 65000") << WithClaimedSize(jpeg, 65000, 65000);
    // Held whole as coefficients: 14000 x 14000 would take about 600 MB at any scale.
    QTest::newRow("progressive claiming 14000 x 14000")
        << WithClaimedSize(progressive, 14000, 14000);
    // 100 KB whose 410 scans each go over 375,000 blocks.
    QTest::newRow("progressive with 410 scans")
        << WithRepeatedLastScan(SmallJpeg(4000, 4000, true, true), 400);
    QTest::newRow("bmp claiming 60000 x 60000") << BmpClaiming(60000, 60000, 24, 64);
    QTest::newRow("png claiming 60000 x 60000") << PngClaiming(60000, 60000);
    QTest::newRow("png beyond a whole decode's budget") << PngClaiming(12000, 11000);
    QTest::newRow("gif claiming 65535 x 65535") << GifClaiming(65535, 65535);
}

void DecodingTest::claimsBeyondTheLimitsAreRefused() {
    QFETCH(QByteArray, content);
    QVERIFY(!content.isEmpty());
    const QString path = fixture_.file("claims.jpg");
    WriteBytes(path, content);
    for (const DecodedImage& result :
         {images::DecodeImage(path, QSize(105, 80)), images::DecodeImage(path),
          images::DecodeForFit(path, QSize(1654, 760), {images::Orientation::AsTaken, 1})}) {
        QVERIFY2(!result.ok(), qPrintable(QStringLiteral("decoded %1 x %2")
                                              .arg(result.image.width())
                                              .arg(result.image.height())));
        QVERIFY(!result.error.isEmpty());
    }
    QVERIFY(!images::ReadImageSize(path).isValid());
    const QImage thumbnail = QImage::fromData(images::MakeThumbnail(path, false, 100), "BMP");
    QCOMPARE(thumbnail.size(), QSize(105, 80));
}

// A header may claim up to the picture limit; asked for all of it, the decode comes out at
// the largest DCT scale within its budget and still reports the original size.
void DecodingTest::decodeStaysWithinItsBudget() {
    const QString path = fixture_.file("claims-12000.jpg");
    WriteBytes(path,
               testing_support::WithClaimedSize(testing_support::SmallJpeg(64, 48), 12000, 12000));
    QCOMPARE(images::ReadImageSize(path), QSize(12000, 12000));
    const DecodedImage full = images::DecodeImage(path);
    QVERIFY2(full.ok(), qPrintable(full.error));
    QCOMPARE(full.originalSize, QSize(12000, 12000));
    QCOMPARE(full.image.size(), QSize(6000, 6000));
    const DecodedImage small = images::DecodeImage(path, QSize(105, 80));
    QCOMPARE(small.image.size(), QSize(1500, 1500));
}

// A 45-megapixel camera's pictures as BMP and PNG: beyond Qt's default allocation limit.
void DecodingTest::largePhotosOfOtherFormatsDecode_data() {
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("bmp") << QByteArray("bmp");
    QTest::newRow("png") << QByteArray("png");
}

void DecodingTest::largePhotosOfOtherFormatsDecode() {
    QFETCH(QByteArray, format);
    const QSize size(8256, 5504);
    const QString path = fixture_.file("large." + format);
    {
        QImage photo(size, QImage::Format_RGB32);
        photo.fill(QColor(30, 160, 60));
        if (format == "bmp")
            WriteBytes(path, images::EncodeBmp24(photo));
        else
            QVERIFY(photo.save(path, "PNG", 0));
    }
    QCOMPARE(images::ReadImageSize(path), size);
    const DecodedImage result = images::DecodeImage(path, QSize(105, 80));
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(result.originalSize, size);
    const QImage thumbnail = QImage::fromData(images::MakeThumbnail(path, false, 100), "BMP");
    QCOMPARE(thumbnail.pixel(52, 40) | 0xFF000000u, qRgb(30, 160, 60));
}

void DecodingTest::whatIsNotAPhotoFileIsNotRead_data() {
    QTest::addColumn<QString>("kind");
    // 3 GiB with nothing but a hole: neither is read, whatever the first bytes say.
    QTest::newRow("3 GiB named .jpg") << "huge";
    QTest::newRow("3 GiB starting like a jpeg") << "huge-jpeg";
    QTest::newRow("pipe named .jpg") << "pipe";
    QTest::newRow("device named .jpg") << "device";
}

void DecodingTest::whatIsNotAPhotoFileIsNotRead() {
    QFETCH(QString, kind);
    const QString path = fixture_.file(kind + ".jpg");
    if (kind == "huge") QVERIFY(testing_support::WriteSparseFile(path, qint64(3) << 30));
    if (kind == "huge-jpeg")
        QVERIFY(testing_support::WriteSparseFile(path, qint64(3) << 30,
                                                 testing_support::SmallJpeg(64, 48).left(600)));
    if (kind == "pipe") QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    if (kind == "device") QVERIFY(QFile::link("/dev/zero", path));

    for (const DecodedImage& result :
         {images::DecodeImage(path), images::DecodeForFit(path, QSize(105, 80))}) {
        QVERIFY(!result.ok());
        QVERIFY(!result.error.isEmpty());
    }
    QVERIFY(!images::ReadImageSize(path).isValid());
}

// A retoucher saving over a sample while it is drawn: the file shrinks and grows under the
// decoder, which must come out with a picture or an error, never a crash.
void DecodingTest::photoRewrittenWhileDecoded() {
    const QByteArray photo = ReadBytes(fixture_.writePhoto("retouched-source.jpg", 2400, 1600));
    const QString path = fixture_.file("retouched.jpg");
    WriteBytes(path, photo);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        while (!done) {
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
                continue;
            for (int at = 0; at < photo.size() && !done; at += 8192)
                file.write(photo.constData() + at, qMin(8192, int(photo.size()) - at));
        }
    });
    int unexplained = 0;
    for (int i = 0; i < 300; ++i) {
        const DecodedImage result = images::DecodeImage(path, QSize(300, 200));
        if (!result.ok() && result.error.isEmpty()) ++unexplained;
    }
    done = true;
    writer.join();
    QCOMPARE(unexplained, 0);
}

// The decode in chunks gives the very pixels of TurboJPEG's one-call decode: same scale,
// same upsampling, same colour conversion, for every subsampling a camera writes.
void DecodingTest::samePixelsAsTurboJpeg_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("subsampling");
    QTest::addColumn<bool>("progressive");
    QTest::addColumn<QSize>("needed");
    QTest::newRow("4:2:0 at 1/8") << QSize(1203, 803) << int(TJSAMP_420) << false << QSize(100, 60);
    QTest::newRow("4:2:0 at 1/2") << QSize(1203, 803) << int(TJSAMP_420) << false
                                  << QSize(500, 300);
    QTest::newRow("4:2:2 at 1/4") << QSize(1203, 803) << int(TJSAMP_422) << false
                                  << QSize(250, 150);
    QTest::newRow("4:4:4 whole") << QSize(803, 1203) << int(TJSAMP_444) << false << QSize();
    QTest::newRow("4:4:0 at 1/2") << QSize(803, 1203) << int(TJSAMP_440) << false
                                  << QSize(400, 600);
    QTest::newRow("4:1:1 at 1/4") << QSize(1203, 803) << int(TJSAMP_411) << false
                                  << QSize(250, 150);
    QTest::newRow("grey at 1/4") << QSize(1203, 803) << int(TJSAMP_GRAY) << false
                                 << QSize(250, 150);
    QTest::newRow("progressive at 1/2")
        << QSize(1203, 803) << int(TJSAMP_420) << true << QSize(500, 300);
    QTest::newRow("progressive whole") << QSize(641, 481) << int(TJSAMP_420) << true << QSize();
    QTest::newRow("tiny at 1/8") << QSize(9, 7) << int(TJSAMP_420) << false << QSize(1, 1);
}

void DecodingTest::samePixelsAsTurboJpeg() {
    QFETCH(QSize, size);
    QFETCH(int, subsampling);
    QFETCH(bool, progressive);
    QFETCH(QSize, needed);
    const QByteArray jpeg = EncodedPhoto(size, subsampling, progressive);
    QVERIFY(!jpeg.isEmpty());
    const QString path = fixture_.file(
        QStringLiteral("same-%1.jpg").arg(QString(QTest::currentDataTag()).replace('/', '-')));
    WriteBytes(path, jpeg);
    const DecodedImage result = images::DecodeImage(path, needed);
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(result.originalSize, size);
    const QImage expected = TurboJpegDecode(jpeg, result.image.size());
    QVERIFY(!expected.isNull());
    QCOMPARE(result.image.size(), expected.size());
    QVERIFY(result.image == expected);
}

// Asked between chunks (and between the scans of a progressive file), a decode nobody
// wants any more stops at the first "no" with nothing to show; one still wanted comes out
// as if nobody had asked.
void DecodingTest::anUnwantedDecodeStopsHalfWay_data() {
    QTest::addColumn<bool>("progressive");
    QTest::addColumn<QSize>("needed");
    QTest::newRow("baseline, whole") << false << QSize();
    QTest::newRow("baseline, 1/8") << false << QSize(100, 60);
    QTest::newRow("progressive, 1/2") << true << QSize(500, 300);
}

void DecodingTest::anUnwantedDecodeStopsHalfWay() {
    QFETCH(bool, progressive);
    QFETCH(QSize, needed);
    const QString path =
        fixture_.file(QStringLiteral("unwanted-%1.jpg").arg(progressive ? "p" : "b"));
    if (!QFile::exists(path))
        WriteBytes(path, EncodedPhoto(QSize(1203, 803), TJSAMP_420, progressive));
    const DecodedImage unasked = images::DecodeImage(path, needed);
    QVERIFY2(unasked.ok(), qPrintable(unasked.error));

    auto asks = std::make_shared<int>(0);
    const DecodedImage wanted = images::DecodeImage(path, needed, {}, WantedFor(1 << 30, asks));
    QVERIFY(!wanted.abandoned);
    QVERIFY(wanted.image == unasked.image);
    const int asked = *asks;
    QVERIFY2(asked >= 3, qPrintable(QString::number(asked)));

    for (const int yes : {0, 1, asked / 2}) {
        *asks = 0;
        const DecodedImage stopped = images::DecodeImage(path, needed, {}, WantedFor(yes, asks));
        QVERIFY(stopped.abandoned);
        QVERIFY(!stopped.ok());
        QVERIFY(!stopped.error.isEmpty());
        QCOMPARE(*asks, yes + 1);
    }
}

QTEST_MAIN(DecodingTest)
#include "test_images_decoding.moc"
