// Thumbnails from the camera's own preview: trusted only when it shows the photo as it is,
// drawn where and as a decode of the photo would be, and read from the head of the file
// alone. Whatever is doubtful or broken falls back to the decode.

#include <QPainter>
#include <QStringEncoder>
#include <QtTest>

#include "customers/photo_import.h"
#include "data/connection.h"
#include "images/camera_thumbnail.h"
#include "images/demo_photo.h"
#include "images/thumbnail.h"
#include "support/camera_photos.h"
#include "support/hostile_files.h"
#include "support/oriented_photos.h"
#include "support/runtime_fixture.h"

using images::Orientation;
using testing_support::CameraExif;
using testing_support::RuntimeFixture;

namespace {

const QString kPlaceholder = QStringLiteral("photo/Thumbnails_nophoto.jpg");

QImage FromBmp(const QByteArray& bmp) { return QImage::fromData(bmp, "BMP"); }

// Where the photo lies in a thumbnail: everything that is not the grey ground.
QRect PhotoIn(const QImage& thumbnail) {
    QRect found;
    for (int y = 0; y < thumbnail.height(); ++y)
        for (int x = 0; x < thumbnail.width(); ++x)
            if ((thumbnail.pixel(x, y) & 0xFFFFFF) != (images::kThumbnailMargin.rgb() & 0xFFFFFF))
                found |= QRect(x, y, 1, 1);
    return found;
}

// Mean difference of the channels of two pictures over `area`.
double MeanDifference(const QImage& a, const QImage& b, const QRect& area) {
    qint64 sum = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum +=
                qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q));
        }
    return double(sum) / (3.0 * area.width() * area.height());
}

// Bytes read by this thread so far, as the kernel counts them.
qint64 BytesReadByThisThread() {
    QFile io(QStringLiteral("/proc/thread-self/io"));
    if (!io.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : io.readAll().split('\n'))
        if (line.startsWith("rchar:")) return line.mid(6).trimmed().toLongLong();
    return -1;
}

// The demo picture, which has the grain and colours of a studio photo.
QImage Picture(QSize size, int seed = 1) {
    return images::MakeDemoPhoto(size.width(), size.height(), seed, QStringLiteral("样片"));
}

QByteArray WithPreview(const QImage& stored, CameraExif exif = {}) {
    exif.preview = testing_support::CameraPreviewJpeg(stored);
    return testing_support::CameraJpeg(stored, exif);
}

// The photo's preview with its scan data damaged, and its length kept.
QByteArray DamagedPreview(const QImage& stored) {
    QByteArray preview = testing_support::CameraPreviewJpeg(stored);
    for (int i = preview.size() / 2; i < preview.size() - 2; i += 5)
        preview[i] = char(preview[i] ^ 0x5A);
    return preview;
}

}  // namespace

class CameraThumbnailTest : public QObject {
    Q_OBJECT
  private slots:
    void signOfEditing_data();
    void signOfEditing();
    void bandsAreCutAway_data();
    void bandsAreCutAway();
    void trustedPreviewIsDrawnAsTheDecode_data();
    void trustedPreviewIsDrawnAsTheDecode();
    void doubtfulOrBrokenPreviewIsRefused_data();
    void doubtfulOrBrokenPreviewIsRefused();
    void onlyTheHeadIsRead();
    void importTakesTrustedPreviewsAndDecodesTheRest();

  private:
    RuntimeFixture fixture_;
};

void CameraThumbnailTest::signOfEditing_data() {
    QTest::addColumn<QString>("dateTime");
    QTest::addColumn<QString>("dateTimeOriginal");
    QTest::addColumn<QString>("software");
    QTest::addColumn<QString>("processingSoftware");
    QTest::addColumn<QByteArray>("xmp");
    QTest::addColumn<bool>("photoshopBlock");
    QTest::addColumn<bool>("edited");
    const QString shot = "2026:12:10 10:20:30";
    const auto row = [&](const char* name, const QString& dateTime, const QString& software,
                         const QString& processing, const QByteArray& xmp, bool block,
                         bool edited) {
        QTest::newRow(name) << dateTime << shot << software << processing << xmp << block << edited;
    };
    row("as shot", shot, "Ver.1.00", "", "", false, false);
    row("firmware", shot, "Firmware 2.1.0", "", "", false, false);
    row("written a second later", "2026:12:10 10:20:31", "Ver.1.00", "", "", false, true);
    row("written next year", "2027:01:02 08:00:00", "", "", "", false, true);
    row("written before the shot", "2026:12:10 10:20:29", "", "", "", false, false);
    row("blank date", "    :  :     :  :  ", "", "", "", false, false);
    row("zero date", "0000:00:00 00:00:00", "", "", "", false, false);
    row("Photoshop", shot, "Adobe Photoshop 25.0 (Windows)", "", "", false, true);
    row("Lightroom", shot, "Lightroom Classic 13.1", "", "", false, true);
    row("GIMP as processing software", shot, "Ver.1.00", "GIMP 2.10.34", "", false, true);
    row("Capture One", shot, "Capture One 23 Windows", "", "", false, true);
    row("darktable", shot, "darktable 4.6.0", "", "", false, true);
    row("Meitu", shot, "美图秀秀", "", "", false, true);
    row("Nikon-free retouch app", shot, "光影魔术手 4.4", "", "", false, true);
    row("generic editor", shot, "Photo Editor 2.0", "", "", false, true);
    row("Photoshop resources", shot, "Ver.1.00", "", "", true, true);
    row("XMP of a camera", shot, "Ver.1.00", "",
        "<x:xmpmeta><rdf:Description xmp:CreatorTool=\"Ver.1.00\" "
        "xmp:CreateDate=\"2026-12-10T10:20:30\" xmp:ModifyDate=\"2026-12-10T10:20:30\"/>"
        "</x:xmpmeta>",
        false, false);
    row("XMP CreatorTool", shot, "Ver.1.00", "",
        "<rdf:Description><xmp:CreatorTool>Adobe Photoshop 25.0</xmp:CreatorTool>"
        "</rdf:Description>",
        false, true);
    row("XMP ModifyDate later", shot, "Ver.1.00", "",
        "<rdf:Description xmp:ModifyDate='2026-12-11T09:00:00+08:00'/>", false, true);
    row("XMP history", shot, "Ver.1.00", "",
        "<xmpMM:History><rdf:Seq><rdf:li stEvt:action=\"saved\"/></rdf:Seq></xmpMM:History>", false,
        true);
    row("XMP raw develop settings", shot, "Ver.1.00", "",
        "<rdf:Description crs:Exposure2012=\"+0.50\"/>", false, true);
}

void CameraThumbnailTest::signOfEditing() {
    QFETCH(QString, dateTime);
    QFETCH(QString, dateTimeOriginal);
    QFETCH(QString, software);
    QFETCH(QString, processingSoftware);
    QFETCH(QByteArray, xmp);
    QFETCH(bool, photoshopBlock);
    QFETCH(bool, edited);
    const QString sign = images::SignOfEditing(
        {dateTime, dateTimeOriginal, software, processingSoftware, xmp, photoshopBlock});
    QVERIFY2(sign.isEmpty() != edited, qPrintable(sign.isEmpty() ? "no sign" : sign));
}

// Previews as cameras encode them (JPEG, 4:2:0), bands with JPEG's ringing next to bright
// pictures included.
void CameraThumbnailTest::bandsAreCutAway_data() {
    QTest::addColumn<QImage>("preview");
    QTest::addColumn<QRect>("picture");
    const QSize cell(160, 120);
    const auto banded = [&](const QImage& stored) {
        return QImage::fromData(testing_support::CameraPreviewJpeg(stored, cell), "JPEG");
    };
    QImage white(1500, 1000, QImage::Format_RGB32);
    white.fill(Qt::white);
    // 3:2 in 4:3: 160 x 106.7 between bands of 6.7 rows.
    QTest::newRow("3:2 photo") << banded(Picture({1500, 1000})) << QRect(0, 6, 160, 107);
    QTest::newRow("3:2 white") << banded(white) << QRect(0, 6, 160, 107);
    QTest::newRow("2:3 photo") << banded(Picture({1000, 1500})) << QRect(40, 0, 80, 120);
    QTest::newRow("4:3 photo") << banded(Picture({1600, 1200})) << QRect(0, 0, 160, 120);
    // Near-black along one side only is part of the picture, not a band.
    QImage darkTop = Picture({1600, 1200});
    QPainter(&darkTop).fillRect(QRect(0, 0, 1600, 200), QColor(4, 4, 4));
    QTest::newRow("dark top") << banded(darkTop) << QRect(0, 0, 160, 120);
    QImage black(160, 120, QImage::Format_RGB32);
    black.fill(Qt::black);
    QTest::newRow("all black") << banded(black) << QRect();
}

void CameraThumbnailTest::bandsAreCutAway() {
    QFETCH(QImage, preview);
    QFETCH(QRect, picture);
    const QRect found = images::PictureInsideBands(preview);
    if (picture.isEmpty()) {
        QVERIFY2(found.isEmpty(), qPrintable(QString("found %1,%2 %3x%4")
                                                 .arg(found.x())
                                                 .arg(found.y())
                                                 .arg(found.width())
                                                 .arg(found.height())));
        return;
    }
    // Within a row or column of rounding on each side.
    QVERIFY2(qAbs(found.left() - picture.left()) <= 1 && qAbs(found.top() - picture.top()) <= 1 &&
                 qAbs(found.right() - picture.right()) <= 1 &&
                 qAbs(found.bottom() - picture.bottom()) <= 1,
             qPrintable(QString("found %1,%2 %3x%4")
                            .arg(found.x())
                            .arg(found.y())
                            .arg(found.width())
                            .arg(found.height())));
    QVERIFY(images::SameShape(found.size(), picture.size()));
}

void CameraThumbnailTest::trustedPreviewIsDrawnAsTheDecode_data() {
    QTest::addColumn<QSize>("upright");
    QTest::addColumn<int>("tag");
    QTest::addColumn<bool>("asTaken");
    QTest::addColumn<bool>("widescreen");
    for (bool widescreen : {false, true}) {
        const auto row = [&](const char* name, QSize upright, int tag, bool asTaken) {
            QTest::addRow("%s%s", name, widescreen ? ", widescreen" : "")
                << upright << tag << asTaken << widescreen;
        };
        row("3:2 with bands", {1200, 800}, 1, true);
        row("4:3", {1024, 768}, 1, true);
        row("portrait by tag 6", {800, 1200}, 6, true);
        row("portrait by tag 8", {800, 1200}, 8, true);
        row("tag 6 shown as stored", {800, 1200}, 6, false);
    }
}

void CameraThumbnailTest::trustedPreviewIsDrawnAsTheDecode() {
    QFETCH(QSize, upright);
    QFETCH(int, tag);
    QFETCH(bool, asTaken);
    QFETCH(bool, widescreen);
    const Orientation orientation = asTaken ? Orientation::AsTaken : Orientation::AsStored;
    const QImage stored =
        testing_support::StoredPixels(testing_support::QuartersImage(upright), tag);
    CameraExif exif;
    exif.orientation = tag;
    const QString path = testing_support::WriteBytes(
        fixture_.file(QString("trusted/%1.jpg").arg(QTest::currentDataTag())),
        WithPreview(stored, exif));

    QString why;
    const std::optional<QByteArray> camera =
        images::MakeThumbnailFromCamera(path, widescreen, 80, orientation, &why);
    QVERIFY2(camera, qPrintable(why));
    const QImage fromCamera = FromBmp(*camera);
    const QImage decoded =
        FromBmp(images::MakeThumbnail(path, widescreen, 80, kPlaceholder, orientation));
    QCOMPARE(fromCamera.size(), QSize(105, 80));

    const QRect expected = PhotoIn(decoded), found = PhotoIn(fromCamera);
    QVERIFY2(qAbs(found.left() - expected.left()) <= 1 && qAbs(found.top() - expected.top()) <= 1 &&
                 qAbs(found.right() - expected.right()) <= 1 &&
                 qAbs(found.bottom() - expected.bottom()) <= 1,
             qPrintable(QString("camera %1,%2 %3x%4, decode %5,%6 %7x%8")
                            .arg(found.x())
                            .arg(found.y())
                            .arg(found.width())
                            .arg(found.height())
                            .arg(expected.x())
                            .arg(expected.y())
                            .arg(expected.width())
                            .arg(expected.height())));
    if (asTaken) QCOMPARE(testing_support::QuartersUprightIn(fromCamera, found), QString());
    const double difference = MeanDifference(fromCamera, decoded, expected & found);
    QVERIFY2(difference < 12, qPrintable(QString::number(difference)));
}

void CameraThumbnailTest::doubtfulOrBrokenPreviewIsRefused_data() {
    // What the refusal names: each case is refused for its own fault.
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QByteArray>("file");
    const QImage stored = Picture({1200, 800});
    const QByteArray preview = testing_support::CameraPreviewJpeg(stored);
    const auto camera = [&](const std::function<void(CameraExif&)>& change) {
        CameraExif exif;
        exif.preview = preview;
        change(exif);
        return testing_support::CameraJpeg(stored, exif);
    };
    QTest::newRow("written later")
        << QString("later than shot")
        << camera([](CameraExif& e) { e.dateTime = "2026:12:12 09:00:00"; });
    QTest::newRow("editor named") << QString("Photoshop") << camera([](CameraExif& e) {
        e.software = "Adobe Photoshop 25.0 (Windows)";
    });
    QTest::newRow("editor named in GBK") << QString("美图") << camera([](CameraExif& e) {
        e.software = QStringEncoder("GBK").encode(QString("美图秀秀 7.0"));
    });
    QTest::newRow("processed by GIMP")
        << QString("GIMP") << camera([](CameraExif& e) { e.processingSoftware = "GIMP 2.10.34"; });
    QTest::newRow("XMP history")
        << QString("History")
        << testing_support::WithSegment(
               camera([](CameraExif&) {}),
               testing_support::XmpSegment(
                   "<xmpMM:History><rdf:Seq><rdf:li stEvt:action=\"saved\"/>"
                   "</rdf:Seq></xmpMM:History>"));
    QTest::newRow("Photoshop resources")
        << QString("APP13")
        << testing_support::WithSegment(camera([](CameraExif&) {}),
                                        testing_support::PhotoshopSegment());
    // The preview of a 4:3 crop: an edit that kept the preview of another picture.
    QTest::newRow("wrong shape") << QString("shows") << camera([&](CameraExif& e) {
        e.preview = testing_support::CameraPreviewJpeg(stored.copy(100, 0, 1000, 800));
    });
    QTest::newRow("cropped to 4:3 after") << QString("shows") << [&] {
        CameraExif exif;
        exif.preview = preview;
        return testing_support::CameraJpeg(stored.copy(0, 0, 1000, 750), exif);
    }();
    QTest::newRow("damaged preview")
        << QString("cannot be decoded")
        << camera([&](CameraExif& e) { e.preview = DamagedPreview(stored); });
    QTest::newRow("preview cut short")
        << QString("cannot be decoded")
        << camera([](CameraExif& e) { e.previewLengthShift = -300; });
    QTest::newRow("preview beyond the block")
        << QString("no thumbnail") << camera([](CameraExif& e) { e.previewOffsetShift = 100000; });
    QTest::newRow("preview length beyond the block")
        << QString("no thumbnail")
        << camera([](CameraExif& e) { e.previewLengthShift = 0x7FFFFF00; });
    QTest::newRow("preview too large") << QString("too large") << camera([&](CameraExif& e) {
        e.preview = testing_support::SmallJpeg(800, 600, false, true);
    });
    QTest::newRow("preview too small for the cell")
        << QString("smaller than its place") << camera([&](CameraExif& e) {
               e.preview = testing_support::CameraPreviewJpeg(stored, QSize(80, 60));
           });
    QTest::newRow("preview claims 60000") << QString("too large") << camera([&](CameraExif& e) {
        e.preview = testing_support::WithClaimedSize(preview, 60000, 60000);
    });
    QTest::newRow("preview not a JPEG")
        << QString("no JPEG")
        << camera([](CameraExif& e) { e.preview = testing_support::PngClaiming(160, 120); });
    QTest::newRow("no IFD1") << QString("no thumbnail")
                             << camera([](CameraExif& e) { e.preview.clear(); });
    QTest::newRow("no EXIF") << QString("no EXIF") << testing_support::EncodeJpeg(stored, 90);
    QTest::newRow("progressive photo")
        << QString("baseline")
        << testing_support::WithSegment(testing_support::EncodeJpeg(stored, 90, true),
                                        testing_support::CameraExifSegment([&] {
                                            CameraExif exif;
                                            exif.preview = preview;
                                            return exif;
                                        }()));
}

void CameraThumbnailTest::doubtfulOrBrokenPreviewIsRefused() {
    QFETCH(QString, reason);
    QFETCH(QByteArray, file);
    const QString path = testing_support::WriteBytes(
        fixture_.file(QString("refused/%1.jpg").arg(QTest::currentDataTag())), file);
    QString why;
    QVERIFY(!images::MakeThumbnailFromCamera(path, false, 100, Orientation::AsTaken, &why));
    QVERIFY2(why.contains(reason), qPrintable(why));
}

void CameraThumbnailTest::onlyTheHeadIsRead() {
    const QImage stored = Picture({1200, 800});
    // A photo followed by 64 MB (of nothing, after its end): the decode reads it all.
    const QString photo =
        testing_support::WriteBytes(fixture_.file("head/long.jpg"), WithPreview(stored));
    QVERIFY(QFile::resize(photo, qint64(64) << 20));
    // Camera segments before the frame header, past the first 128 KB: read on for it.
    QByteArray segments;
    for (int i = 0; i < 4; ++i)
        segments += QByteArray("\xFF\xE2\xFF\xFF", 4) + QByteArray(0xFFFD, char('a' + i));
    QByteArray late = WithPreview(stored);
    const int afterExif = 4 + ((quint8(late[4]) << 8) | quint8(late[5]));
    late.insert(afterExif, segments);
    const QString later = testing_support::WriteBytes(fixture_.file("head/late.jpg"), late);
    // Beyond the hard limit, it is not searched for.
    QByteArray beyond = late;
    beyond.insert(afterExif, segments + segments + segments + segments);
    const QString tooLate = testing_support::WriteBytes(fixture_.file("head/beyond.jpg"), beyond);

    const auto readFor = [](const std::function<void()>& work) {
        const qint64 before = BytesReadByThisThread();
        work();
        return BytesReadByThisThread() - before;
    };
    QString why;
    QVERIFY(readFor([&] { images::MakeThumbnail(photo, false, 100); }) >= qint64(64) << 20);
    QVERIFY(readFor([&] {
                QVERIFY2(
                    images::MakeThumbnailFromCamera(photo, false, 100, Orientation::AsTaken, &why),
                    qPrintable(why));
            }) < 256 * 1024);
    QVERIFY(readFor([&] {
                QVERIFY2(
                    images::MakeThumbnailFromCamera(later, false, 100, Orientation::AsTaken, &why),
                    qPrintable(why));
            }) < images::kMaxCameraHeadBytes + 64 * 1024);
    QVERIFY(readFor([&] {
                QVERIFY(!images::MakeThumbnailFromCamera(tooLate, false, 100, Orientation::AsTaken,
                                                         &why));
            }) < images::kMaxCameraHeadBytes + 64 * 1024);
    QVERIFY2(why.contains("no frame header"), qPrintable(why));
}

// The import keeps its rows and order; each thumbnail is the camera's where that is
// trusted and the decode's everywhere else, and all are the decode's when switched off.
// Thumbnails made again are made the same way.
void CameraThumbnailTest::importTakesTrustedPreviewsAndDecodesTheRest() {
    const QString folder = fixture_.file("import");
    const QImage landscape = Picture({1200, 800}, 2), portrait = Picture({1200, 800}, 3);
    CameraExif turned, edited;
    turned.orientation = 6;
    edited.software = "Lightroom Classic 13.1";
    struct Photo {
        QString name;
        QByteArray bytes;
        bool trusted;
    };
    const std::vector<Photo> photos = {
        {"a.jpg", WithPreview(landscape), true},
        {"b.jpg", WithPreview(landscape, edited), false},
        {"c.jpg", WithPreview(portrait, turned), true},
        {"d.jpg", testing_support::EncodeJpeg(landscape, 90), false},
        {"e.jpg",
         testing_support::CameraJpeg(landscape,
                                     [&] {
                                         CameraExif exif;
                                         exif.preview = DamagedPreview(landscape);
                                         return exif;
                                     }()),
         false},
    };
    for (const Photo& photo : photos)
        testing_support::WriteBytes(folder + "/" + photo.name, photo.bytes);

    for (bool cameraThumbnails : {true, false}) {
        data::Execute("delete from photoinfo");
        customers::ImportOptions options;
        options.widescreen = true;
        options.widescreenRatio = 90;
        options.cameraThumbnails = cameraThumbnails;
        QCOMPARE(customers::ImportFolder("1", folder, options).added, int(photos.size()));
        const data::Rows rows = data::QueryRows(
            "select filename, odrnum, photofile from photoinfo where customerid=1 order by id");
        QCOMPARE(int(rows.size()), int(photos.size()));
        for (size_t i = 0; i < photos.size(); ++i) {
            const QString path = folder + "/" + photos[i].name;
            QCOMPARE(rows[i].value("filename").toString(), path);
            QCOMPARE(rows[i].value("odrnum").toInt(), int(i) + 1);
            const std::optional<QByteArray> camera =
                images::MakeThumbnailFromCamera(path, true, 90, Orientation::AsTaken);
            QCOMPARE(bool(camera), photos[i].trusted);
            const QByteArray expected = cameraThumbnails && photos[i].trusted
                                            ? *camera
                                            : images::MakeThumbnail(path, true, 90);
            QVERIFY2(rows[i].value("photofile").toByteArray() == expected,
                     qPrintable(photos[i].name));
        }
        // Made again with the same options, every thumbnail comes out as the import made it.
        const customers::ThumbnailsResult again = customers::RemakeThumbnails(1, options);
        QCOMPARE(again.remade, 0);
        QCOMPARE(again.unchanged, int(photos.size()));
    }
}

QTEST_MAIN(CameraThumbnailTest)
#include "test_camera_thumbnail.moc"
