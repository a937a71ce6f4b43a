// Thumbnails: 24-bit BMP files of 105 x 80 with the photo fitted on grey, the placeholder
// when the photo cannot be read, and reading a stored thumbnail back.

#include <QFile>
#include <QtConcurrent>
#include <QtEndian>
#include <QtTest>

#include "data/errors.h"
#include "images/image_checks.h"
#include "images/thumbnail.h"
#include "support/hostile_files.h"
#include "support/runtime_fixture.h"

using testing_support::RuntimeFixture;

namespace {

const QRect kWholeCell(0, 0, images::kThumbnailWidth, images::kThumbnailHeight);
constexpr int kBmpSize = 54 + 316 * 80;  // rows of 105 * 3 bytes padded to 316

quint32 U32(const QByteArray& bytes, int at) {
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}
quint16 U16(const QByteArray& bytes, int at) {
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

// Empty when the blob is a 24-bit 105 x 80 BMP showing `photo` on grey; otherwise why not.
QString CheckThumbnail(const QByteArray& bmp, const QRect& photo) {
    if (bmp.size() != kBmpSize) return QStringLiteral("size %1").arg(bmp.size());
    if (!bmp.startsWith("BM") || U32(bmp, 2) != quint32(kBmpSize) || U32(bmp, 10) != 54 ||
        U32(bmp, 14) != 40 || U32(bmp, 18) != 105 || U32(bmp, 22) != 80 || U16(bmp, 26) != 1 ||
        U16(bmp, 28) != 24 || U32(bmp, 30) != 0)
        return QStringLiteral("bad header ") + QString::fromLatin1(bmp.left(54).toHex(' '));
    QImage image;
    if (!image.loadFromData(bmp, "BMP")) return QStringLiteral("unreadable");
    return image_checks::PhotoOnMargin(image, photo, images::kThumbnailMargin);
}

void WriteText(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("this is not a picture\n");
}

}  // namespace

class ThumbnailTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void bmpLayout();
    void photoFittedOnGrey_data();
    void photoFittedOnGrey();
    void unreadablePhotoGivesFittedPlaceholder_data();
    void unreadablePhotoGivesFittedPlaceholder();
    void nothingReadableGivesGrey();
    void undecodablePhotoWithoutPlaceholderThrows();
    void threadsMakeTheSameThumbnails();
    void showStoredThumbnail();
    void thumbnailShowsTheShape_data();
    void thumbnailShowsTheShape();
    void showUnreadableThumbnailThrows_data();
    void showUnreadableThumbnailThrows();

  private:
    RuntimeFixture fixture_{RuntimeFixture::Database::None};
    QString placeholder_;  // 100 x 60: fits the cell at (2,10)
    QString text_;         // a text file named .jpg
};

void ThumbnailTest::initTestCase() {
    placeholder_ = fixture_.writePhoto("photo/placeholder.jpg", 100, 60);
    text_ = fixture_.file("text.jpg");
    WriteText(text_);
}

// Odd width for row padding, distinct colours for byte order and row order.
void ThumbnailTest::bmpLayout() {
    QImage image(3, 2, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(1, 2, 3));
    image.setPixel(1, 0, qRgb(4, 5, 6));
    image.setPixel(2, 0, qRgb(7, 8, 9));
    image.setPixel(0, 1, qRgb(10, 11, 12));
    image.setPixel(1, 1, qRgb(13, 14, 15));
    image.setPixel(2, 1, qRgb(16, 17, 18));

    const QByteArray bmp = images::EncodeBmp24(image);
    QCOMPARE(bmp.size(), 54 + 2 * 12);
    QCOMPARE(U32(bmp, 2), quint32(bmp.size()));
    QCOMPARE(U16(bmp, 28), quint16(24));
    QCOMPARE(U32(bmp, 34), quint32(2 * 12));
    // Bottom row first, blue-green-red, padded with zeros to 12 bytes.
    QCOMPARE(bmp.mid(54, 12).toHex(), QByteArray("0c0b0a0f0e0d121110000000"));
    QCOMPARE(bmp.mid(66, 12).toHex(), QByteArray("030201060504090807000000"));
    QImage back;
    QVERIFY(back.loadFromData(bmp, "BMP"));
    QCOMPARE(back.convertToFormat(QImage::Format_RGB32), image);
}

void ThumbnailTest::photoFittedOnGrey_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("photo");
    QTest::addColumn<int>("widescreen");
    QTest::addColumn<QRect>("expected");

    QTest::newRow("jpeg landscape") << "a.jpg" << QSize(3000, 2000) << 0 << QRect(0, 5, 105, 70);
    QTest::newRow("jpeg portrait") << "b.jpg" << QSize(2000, 3000) << 0 << QRect(26, 0, 53, 80);
    QTest::newRow("bmp smaller than the cell")
        << "c.bmp" << QSize(100, 50) << 0 << QRect(2, 15, 100, 50);
    QTest::newRow("jpeg 4:3") << "d.jpg" << QSize(1600, 1200) << 0 << QRect(0, 1, 105, 78);
    QTest::newRow("bmp of the cell's ratio") << "e.bmp" << QSize(2100, 1600) << 0 << kWholeCell;
    QTest::newRow("jpeg widescreen") << "a.jpg" << QSize(3000, 2000) << 75 << QRect(13, 5, 78, 70);
}

void ThumbnailTest::photoFittedOnGrey() {
    QFETCH(QString, name);
    QFETCH(QSize, photo);
    QFETCH(int, widescreen);
    QFETCH(QRect, expected);
    const QString path = fixture_.writePhoto(name, photo.width(), photo.height());

    const QByteArray bmp = images::MakeThumbnail(path, widescreen != 0, widescreen, placeholder_);
    const QString fault = CheckThumbnail(bmp, expected);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
}

// The cell has a fixed size: the placeholder is fitted and centred like a photo.
void ThumbnailTest::unreadablePhotoGivesFittedPlaceholder_data() {
    QTest::addColumn<QString>("photo");
    QTest::addColumn<int>("widescreen");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("missing") << "nowhere.jpg" << 0 << QRect(2, 10, 100, 60);
    QTest::newRow("undecodable") << "text.jpg" << 0 << QRect(2, 10, 100, 60);
    QTest::newRow("undecodable, widescreen") << "text.jpg" << 50 << QRect(27, 10, 50, 60);
    QTest::newRow("missing, widescreen") << "nowhere.jpg" << 50 << QRect(27, 10, 50, 60);
}

void ThumbnailTest::unreadablePhotoGivesFittedPlaceholder() {
    QFETCH(QString, photo);
    QFETCH(int, widescreen);
    QFETCH(QRect, expected);
    const QByteArray bmp =
        images::MakeThumbnail(fixture_.file(photo), widescreen != 0, widescreen, placeholder_);
    const QString fault = CheckThumbnail(bmp, expected);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
}

void ThumbnailTest::nothingReadableGivesGrey() {
    const QByteArray bmp = images::MakeThumbnail(fixture_.file("nowhere.jpg"), false, 100,
                                                 fixture_.file("photo/none.jpg"));
    const QString fault = CheckThumbnail(bmp, QRect());
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
}

// The import then fails and rolls back rather than storing a thumbnail of nothing.
void ThumbnailTest::undecodablePhotoWithoutPlaceholderThrows() {
    QVERIFY_THROWS_EXCEPTION(
        data::VerimondError,
        images::MakeThumbnail(text_, false, 100, fixture_.file("photo/none.jpg")));
}

// The import makes thumbnails on all cores: nothing may be shared between calls.
void ThumbnailTest::threadsMakeTheSameThumbnails() {
    QStringList photos;
    for (int i = 0; i < 12; ++i) {
        const QString name = QStringLiteral("many/%1.%2").arg(i).arg(i % 3 ? "jpg" : "bmp");
        photos << fixture_.writePhoto(name, 400 + 97 * i, 300 + 131 * (i % 5));
    }
    photos << text_ << fixture_.file("nowhere.jpg");
    const auto make = [this](const QString& photo) {
        return images::MakeThumbnail(photo, false, 100, placeholder_);
    };
    QList<QByteArray> sequential;
    for (const QString& photo : photos) sequential << make(photo);

    QThreadPool pool;
    pool.setMaxThreadCount(4);
    for (int round = 0; round < 3; ++round) {
        const QList<QByteArray> parallel =
            QtConcurrent::blockingMapped<QList<QByteArray>>(&pool, photos, make);
        QCOMPARE(parallel, sequential);
    }
}

// The large view's stand-in: a thumbnail made with the photo turned the other way (the
// orientation setting changed since the import) is not shown for it.
void ThumbnailTest::thumbnailShowsTheShape_data() {
    QTest::addColumn<QSize>("made");   // the photo's size when its thumbnail was made
    QTest::addColumn<QSize>("drawn");  // its size as the large view will draw it
    QTest::addColumn<int>("widescreen");
    QTest::addColumn<bool>("shows");
    QTest::newRow("landscape as made") << QSize(3000, 2000) << QSize(6000, 4000) << 0 << true;
    QTest::newRow("portrait as made") << QSize(2000, 3000) << QSize(4000, 6000) << 0 << true;
    QTest::newRow("landscape, now turned") << QSize(3000, 2000) << QSize(4000, 6000) << 0 << false;
    QTest::newRow("portrait, now lying") << QSize(2000, 3000) << QSize(6000, 4000) << 0 << false;
    QTest::newRow("narrowed landscape") << QSize(3000, 2000) << QSize(6000, 4000) << 75 << true;
    QTest::newRow("square either way") << QSize(2000, 2000) << QSize(4000, 6000) << 0 << true;
}

void ThumbnailTest::thumbnailShowsTheShape() {
    QFETCH(QSize, made);
    QFETCH(QSize, drawn);
    QFETCH(int, widescreen);
    QFETCH(bool, shows);
    const QString path = fixture_.writePhoto("shape.jpg", made.width(), made.height());
    const QImage thumbnail = images::ShowThumbnail(
        images::MakeThumbnail(path, widescreen != 0, widescreen, placeholder_), QString());
    QCOMPARE(images::ThumbnailShowsShape(thumbnail, drawn), shows);
    QVERIFY(!images::ThumbnailShowsShape(QImage(), drawn));
}

void ThumbnailTest::showStoredThumbnail() {
    const QByteArray bmp =
        images::MakeThumbnail(fixture_.writePhoto("shown.jpg", 300, 200), false, 100, placeholder_);
    const QImage shown = images::ShowThumbnail(bmp, placeholder_);
    QCOMPARE(shown.size(), QSize(105, 80));
    QCOMPARE(shown.pixel(0, 0) | 0xFF000000u, images::kThumbnailMargin.rgb());

    // No thumbnail stored: the placeholder file, as it is.
    QCOMPARE(images::ShowThumbnail(QByteArray(), placeholder_).size(), QSize(100, 60));
}

void ThumbnailTest::showUnreadableThumbnailThrows_data() {
    QTest::addColumn<QByteArray>("blob");
    QTest::addColumn<QString>("placeholder");
    QTest::newRow("garbage blob") << QByteArray("BM not really a bitmap")
                                  << "photo/placeholder.jpg";
    // Would take 900 MB if it were believed.
    QTest::newRow("blob claiming 15000 x 15000")
        << testing_support::BmpClaiming(15000, 15000, 24, 64) << "photo/placeholder.jpg";
    QTest::newRow("no blob, placeholder missing") << QByteArray() << "photo/none.jpg";
    QTest::newRow("no blob, placeholder undecodable") << QByteArray() << "text.jpg";
}

void ThumbnailTest::showUnreadableThumbnailThrows() {
    QFETCH(QByteArray, blob);
    QFETCH(QString, placeholder);
    QVERIFY_THROWS_EXCEPTION(data::VerimondError,
                             images::ShowThumbnail(blob, fixture_.file(placeholder)));
}

QTEST_MAIN(ThumbnailTest)
#include "test_images_thumbnail.moc"
