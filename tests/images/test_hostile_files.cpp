// Hostile picture files (cut short, corrupted, claiming sizes they do not hold, misnamed,
// not files at all, camera previews that lie) through every way a photo is read: decoding,
// sizing, drawing, thumbnails (the camera's preview included) and the import of a whole
// folder of them. Nothing may crash or hang, what is refused gives no picture, and nothing
// decoded goes beyond the budget.

#include <QtTest>

#include "customers/photo_import.h"
#include "data/connection.h"
#include "data/errors.h"
#include "images/camera_thumbnail.h"
#include "images/image_decoder.h"
#include "images/picture_drawing.h"
#include "images/thumbnail.h"
#include "support/hostile_files.h"
#include "support/runtime_fixture.h"

using testing_support::HostileFile;
using testing_support::RuntimeFixture;

class HostileFilesTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        corpus_ = testing_support::WriteHostileCorpus(fixture_.file("hostile"));
        QVERIFY(corpus_.size() > 30);
    }

    void everyReaderSurvives_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("mustBeRefused");
        for (const HostileFile& file : corpus_)
            QTest::newRow(qPrintable(file.name)) << file.name << file.mustBeRefused;
    }
    void everyReaderSurvives() {
        QFETCH(QString, name);
        QFETCH(bool, mustBeRefused);
        const QString path = fixture_.file("hostile/" + name);

        const QSize size = images::ReadImageSize(path);
        // Also a decode given up half-way, as the large view gives up a sample passed over.
        int asks = 0;
        const images::StillWanted threeAsks = [&asks] { return ++asks <= 3; };
        for (const images::DecodedImage& result :
             {images::DecodeImage(path), images::DecodeImage(path, QSize(105, 80)),
              images::DecodeForFit(path, QSize(1654, 760)),
              images::DecodeForFit(path, QSize(1654, 760), {images::Orientation::AsTaken, 3}),
              images::DecodeForFit(path, QSize(1654, 760), {}, 1.0, threeAsks)}) {
            if (result.ok()) {
                QVERIFY2(!mustBeRefused, "a picture came out of a file that must be refused");
                QVERIFY(qint64(result.image.width()) * result.image.height() <=
                        images::kMaxDecodedPixels);
                QVERIFY(result.originalSize.isValid());
            } else {
                QVERIFY(!result.error.isEmpty());
            }
        }
        if (mustBeRefused) QVERIFY(!size.isValid());

        // The large view: the placeholder takes the place of whatever cannot be drawn.
        images::DrawOptions options;
        options.size = QSize(1654, 760);
        options.margin = QColor(59, 60, 59);
        const images::DrawnPicture drawn =
            images::DrawPictureFitted(path, QStringLiteral("photo/nophoto.jpg"), options);
        QVERIFY(!drawn.canvas.isNull());
        const QImage thumbnail = QImage::fromData(images::MakeThumbnail(path, false, 100), "BMP");
        QCOMPARE(thumbnail.size(), QSize(105, 80));

        // The camera's preview, read from the head of the file alone.
        QString why;
        const std::optional<QByteArray> fromCamera =
            images::MakeThumbnailFromCamera(path, false, 100, images::Orientation::AsTaken, &why);
        if (fromCamera) {
            QVERIFY2(!mustBeRefused, "a thumbnail came from a file that must be refused");
            QCOMPARE(QImage::fromData(*fromCamera, "BMP").size(), QSize(105, 80));
        } else {
            QVERIFY(!why.isEmpty());
        }
    }

    // The folder as staff would import it: every plain file of an accepted type becomes a
    // sample with a thumbnail; pipes, devices, folders and broken links are passed over.
    void folderOfThemImports() {
        const QString types = customers::AcceptedTypesList(true, true, true);
        int expected = 0;
        for (const HostileFile& file : corpus_) {
            const QString extension = file.name.section('.', -1).toLower();
            if (file.regularFile &&
                (extension == "jpg" || extension == "jpeg" || extension == "bmp"))
                ++expected;
        }
        customers::ImportOptions options;
        options.acceptedTypes = types;
        const int imported = customers::ImportFolder("1", fixture_.file("hostile"), options).added;
        QCOMPARE(imported, expected);
        const data::Rows rows =
            data::QueryRows("select filename, photofile from photoinfo where customerid=1");
        QCOMPARE(int(rows.size()), expected);
        for (const auto& row : rows) {
            const QImage thumbnail = QImage::fromData(row.value("photofile").toByteArray(), "BMP");
            QVERIFY2(thumbnail.size() == QSize(105, 80),
                     qPrintable(row.value("filename").toString()));
        }
    }

  private:
    RuntimeFixture fixture_;
    std::vector<HostileFile> corpus_;
};

QTEST_MAIN(HostileFilesTest)
#include "test_hostile_files.moc"
