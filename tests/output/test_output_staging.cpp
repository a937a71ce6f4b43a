// Staging the selection into print, and the pure pieces of the outputs: relative paths,
// export names, the notes file's bytes and the retoucher's name lists.

#include <QScopeGuard>
#include <QSemaphore>
#include <QSqlQuery>
#include <QStringDecoder>
#include <QtTest>
#include <atomic>
#include <thread>

#include "data/errors.h"
#include "images/thumbnail.h"
#include "output/export_naming.h"
#include "output/staging.h"
#include "output_fixture.h"
#include "support/oriented_photos.h"
#include "support/server_run.h"

using output::PathForm;
using output::StagedPictures;
using testing_support::OutputFixture;

namespace {

QImage StagedPicture(const output::StagedRow& row) {
    QImage image;
    image.loadFromData(row.photo, "BMP");
    return image;
}

bool IsGrey(QRgb pixel) { return pixel == qRgb(120, 120, 120); }

}  // namespace

class TestOutputStaging : public QObject {
    Q_OBJECT

  private slots:
    void stagesEveryPickInPickOrder() {
        OutputFixture fixture;
        const QString a = fixture.addCustomer("甲", {{"1.jpg", 96, 64}, {"2.jpg", 96, 64}});
        const QString b = fixture.addCustomer("乙", {{"1.jpg", 96, 64}});
        fixture.pick(b, 1, "精修相册");
        output::StageSelection(fixture.customer(b), PathForm::Full, StagedPictures::Draw);

        fixture.pick(a, 2, "精修相册");
        fixture.pick(a, 1, "放大摆台");
        fixture.pick(a, 2, "放大摆台");  // one sample in two albums
        fixture.setNote(a, 2, "做封面");
        QCOMPARE(output::StageSelection(fixture.customer(a), PathForm::Full, StagedPictures::Draw),
                 3);
        const auto rows = output::ReadStagedRows(true);
        QCOMPARE(rows.size(), size_t(3));  // the other customer's rows are gone
        const QString folder = fixture.photoPath(a);
        const QStringList albums = {"精修相册", "放大摆台", "放大摆台"};
        const QStringList paths = {folder + "/2.jpg", folder + "/1.jpg", folder + "/2.jpg"};
        const QStringList notes = {"做封面", "", "做封面"};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(rows[i].album, albums[i]);
            QCOMPARE(rows[i].path, paths[i]);
            QCOMPARE(rows[i].note, notes[i]);
            QCOMPARE(rows[i].customerId, a.toInt());
            QCOMPARE(StagedPicture(rows[i]).size(), QSize(105, 80));
        }
        QVERIFY(rows[0].id < rows[1].id && rows[1].id < rows[2].id);

        // Staging again gives the same rows under new keys.
        output::StageSelection(fixture.customer(a), PathForm::Full, StagedPictures::Draw);
        const auto again = output::ReadStagedRows(true);
        QCOMPARE(again.size(), size_t(3));
        QVERIFY(again[0].id > rows[2].id);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(again[i].path, rows[i].path);
            QCOMPARE(again[i].photo, rows[i].photo);
        }
    }

    // Another station runs outputs all the while: each of ours still reads exactly its own
    // customer's picks, never an emptied table or the other station's rows.
    void outputsOfTwoStationsDoNotMix_data() {
        QTest::addColumn<bool>("pictures");
        QTest::newRow("without pictures") << false;
        QTest::newRow("with pictures") << true;
    }
    void outputsOfTwoStationsDoNotMix() {
        QFETCH(bool, pictures);
        OutputFixture fixture;
        const QString a = fixture.addCustomer("甲", {{"1.jpg", 96, 64}, {"2.jpg", 96, 64}});
        const QString b = fixture.addCustomer("乙", {{"1.jpg", 96, 64}});
        fixture.pick(a, 1, "精修相册");
        fixture.pick(a, 2, "放大摆台");
        fixture.pick(a, 1, "电子相册");
        fixture.pick(b, 1, "精修相册");
        const data::DatabaseTarget target = fixture.database();
        std::atomic_bool stop{false};
        std::atomic<int> otherOutputs{0};
        QSemaphore started;
        std::thread other([&] {
            {
                QSqlDatabase db = testing_support::OpenOtherStation(target, "other-station");
                QSqlQuery query(db);
                started.release();
                // The other station's outputs, as its staging writes print.
                while (!stop) {
                    if (query.exec("delete from print") &&
                        query.exec("insert into print(xcmc, filepath, customerid, zzyq) select "
                                   "xcmc, filename, customerid, zzyq from V_xcphotoall where "
                                   "customerid=" +
                                   b))
                        ++otherOutputs;
                    std::this_thread::sleep_for(std::chrono::milliseconds(3));
                }
                query.finish();
                db.close();
            }
            QSqlDatabase::removeDatabase("other-station");
        });
        started.acquire();
        const auto join = qScopeGuard([&] {
            stop = true;
            other.join();
        });
        const StagedPictures draw = pictures ? StagedPictures::Draw : StagedPictures::None;
        for (int i = 0; i < 25; ++i) {
            const auto rows =
                output::StageAndReadSelection(fixture.customer(a), PathForm::Full, draw, pictures);
            QCOMPARE(rows.size(), size_t(3));
            QStringList albums;
            for (const auto& row : rows) {
                QCOMPARE(row.customerId, a.toInt());
                QCOMPARE(row.photo.isEmpty(), !pictures);
                albums << row.album;
            }
            QCOMPARE(albums, (QStringList{"精修相册", "放大摆台", "电子相册"}));
            // A moment between outputs, in which the other station gets its turn.
            QThread::msleep(10);
        }
        QVERIFY(otherOutputs > 0);
    }

    void customerWithoutPicksEmptiesPrint() {
        OutputFixture fixture;
        const QString a = fixture.addCustomer("甲", {{"1.jpg", 96, 64}});
        const QString b = fixture.addCustomer("乙", {{"1.jpg", 96, 64}});
        fixture.pick(b, 1, "精修相册");
        output::StageSelection(fixture.customer(b), PathForm::Full, StagedPictures::Draw);
        QCOMPARE(
            output::StageSelection(fixture.customer(a), PathForm::Relative, StagedPictures::Draw),
            0);
        QVERIFY(output::ReadStagedRows(false).empty());
    }

    void relativePaths_data() {
        QTest::addColumn<QString>("filename");
        QTest::addColumn<QString>("photoPath");
        QTest::addColumn<QString>("staged");
        QTest::newRow("below the folder") << "/s/甲/IMG_1.jpg"
                                          << "/s/甲"
                                          << "IMG_1.jpg";
        QTest::newRow("in a subfolder") << "/s/甲/精选/IMG_1.jpg"
                                        << "/s/甲"
                                        << "精选/IMG_1.jpg";
        QTest::newRow("outside the folder") << "/t/IMG_1.jpg"
                                            << "/s/甲"
                                            << "/t/IMG_1.jpg";
        QTest::newRow("prefix twice") << "/s/a/x/s/a/y.jpg"
                                      << "/s/a"
                                      << "xy.jpg";
        QTest::newRow("other letter case") << "/S/A/x.jpg"
                                           << "/s/a"
                                           << "/S/A/x.jpg";
        QTest::newRow("folder name without the slash") << "/s/ab/x.jpg"
                                                       << "/s/a"
                                                       << "/s/ab/x.jpg";
        QTest::newRow("no photo folder") << "/s/a/x.jpg"
                                         << ""
                                         << "/s/a/x.jpg";
        // Folders stored before they were normalised.
        QTest::newRow("folder with a trailing slash") << "/s/甲/IMG_1.jpg"
                                                      << "/s/甲/"
                                                      << "IMG_1.jpg";
        QTest::newRow("root folder") << "/IMG_1.jpg"
                                     << "/"
                                     << "IMG_1.jpg";
    }
    void relativePaths() {
        QFETCH(QString, filename);
        QFETCH(QString, photoPath);
        QFETCH(QString, staged);
        QCOMPARE(output::RelativeFilePath(filename, photoPath), staged);
    }

    void relativeFormInTheTable() {
        OutputFixture fixture;
        const QString a = fixture.addCustomer("甲", {{"1.jpg", 96, 64}});
        fixture.pick(a, 1, "精修相册");
        output::StageSelection(fixture.customer(a), PathForm::Relative, StagedPictures::None);
        QCOMPARE(output::ReadStagedRows(false).at(0).path, QString("1.jpg"));
        // A folder stored with a trailing slash before folders were normalised.
        data::Execute("update customer set photopath=photopath || '/' where customerid=" + a);
        QVERIFY(fixture.customer(a).photoPath.endsWith("/甲/"));
        output::StageSelection(fixture.customer(a), PathForm::Relative, StagedPictures::None);
        QCOMPARE(output::ReadStagedRows(false).at(0).path, QString("1.jpg"));
    }

    void stagedPictures() {
        OutputFixture fixture;
        const QString a = fixture.addCustomer(
            "甲", {{"1-tall.jpg", 300, 600}, {"2-wide.jpg", 600, 200}, {"3-small.jpg", 40, 30}});
        for (int n = 1; n <= 3; ++n) fixture.pick(a, n, "精修相册");
        QVERIFY(QFile::remove(fixture.photoPath(a) + "/2-wide.jpg"));
        output::StageSelection(fixture.customer(a), PathForm::Full, StagedPictures::Draw);
        const auto rows = output::ReadStagedRows(true);

        // Taller than the box: grey bars left and right, none above or below.
        const QImage tall = StagedPicture(rows[0]);
        QVERIFY(IsGrey(tall.pixel(0, 40)) && IsGrey(tall.pixel(104, 40)));
        QVERIFY(!IsGrey(tall.pixel(52, 0)) && !IsGrey(tall.pixel(52, 79)));
        // A missing photo is staged as the placeholder.
        QCOMPARE(rows[1].photo, images::MakeThumbnail(fixture.file("nowhere.jpg"), false, 100,
                                                      "photo/nophoto.jpg"));
        // Smaller than the box: its own size in the middle, grey all round.
        const QImage small = StagedPicture(rows[2]);
        QVERIFY(IsGrey(small.pixel(52, 10)) && IsGrey(small.pixel(52, 70)));
        QVERIFY(IsGrey(small.pixel(10, 40)) && IsGrey(small.pixel(95, 40)));
        QVERIFY(!IsGrey(small.pixel(52, 40)));

        // With the widescreen correction on, the picture is narrowed like the large view's.
        output::OutputCustomer wide = fixture.customer(a);
        wide.widescreen = true;
        wide.widescreenRatio = 50;
        output::StageSelection(wide, PathForm::Full, StagedPictures::Draw);
        const QImage narrowed = StagedPicture(output::ReadStagedRows(true).at(0));
        QVERIFY(IsGrey(narrowed.pixel(35, 40)) && !IsGrey(narrowed.pixel(52, 40)));
        QVERIFY(!IsGrey(tall.pixel(35, 40)));
    }

    // A portrait shot the camera stored on its side: staged upright, or as stored when the
    // studio turns the setting off; the pictures kept from the first run must not be reused.
    void stagedPicturesFollowTheCameraOrientation() {
        OutputFixture fixture;
        const QString a = fixture.addCustomer("甲", {{"1.jpg", 300, 600}});
        fixture.pick(a, 1, "精修相册");
        testing_support::WriteOrientedPhoto(fixture.photoPath(a) + "/1.jpg", QSize(300, 600), 6);

        output::OutputCustomer customer = fixture.customer(a);
        output::StageSelection(customer, PathForm::Full, StagedPictures::Draw);
        const QImage upright = StagedPicture(output::ReadStagedRows(true).at(0));
        QVERIFY(IsGrey(upright.pixel(0, 40)) && !IsGrey(upright.pixel(52, 0)));
        QCOMPARE(testing_support::QuartersUprightIn(upright, QRect(33, 0, 39, 80)), QString());

        customer.cameraOrientation = false;
        output::StageSelection(customer, PathForm::Full, StagedPictures::Draw);
        const QImage stored = StagedPicture(output::ReadStagedRows(true).at(0));
        QVERIFY(!IsGrey(stored.pixel(0, 40)) && IsGrey(stored.pixel(52, 0)));
    }

    void changedPhotoIsDrawnAgain() {
        OutputFixture fixture;
        const QString a = fixture.addCustomer("甲", {{"1.jpg", 300, 600}});
        fixture.pick(a, 1, "精修相册");
        output::StageSelection(fixture.customer(a), PathForm::Full, StagedPictures::Draw);
        const QImage before = StagedPicture(output::ReadStagedRows(true).at(0));
        QVERIFY(IsGrey(before.pixel(0, 40)));
        // The photo is replaced by a wide one: the picture follows the file, not the last run.
        fixture.writePhoto("shoots/甲/1.jpg", 600, 300);
        output::StageSelection(fixture.customer(a), PathForm::Full, StagedPictures::Draw);
        const QImage after = StagedPicture(output::ReadStagedRows(true).at(0));
        QVERIFY(!IsGrey(after.pixel(0, 40)) && IsGrey(after.pixel(52, 0)));
    }

    void failureRollsBackAndReports() {
        OutputFixture fixture;
        const QString a = fixture.addCustomer("甲", {{"1.jpg", 96, 64}, {"2.jpg", 96, 64}});
        fixture.pick(a, 1, "精修相册");
        fixture.pick(a, 2, "精修相册");
        // An unreadable photo whose placeholder is missing too cannot be staged.
        QFile broken(fixture.photoPath(a) + "/2.jpg");
        QVERIFY(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
        broken.write("\xff\xd8 cut short");
        broken.close();
        QVERIFY(QFile::remove(fixture.file("photo/nophoto.jpg")));
        QVERIFY_THROWS_EXCEPTION(
            data::VerimondError,
            output::StageSelection(fixture.customer(a), PathForm::Full, StagedPictures::Draw));
        QVERIFY(output::ReadStagedRows(false).empty());
        // No transaction is left open on the connection.
        data::Transaction next;
        data::Execute("insert into xclib(xcmc) values('新相册')");
        next.commit();
        QCOMPARE(data::LookupValue("xclib", "count(*)", "xcmc='新相册'"), QString("1"));
    }

    void exportNames_data() {
        QTest::addColumn<bool>("album");
        QTest::addColumn<bool>("source");
        QTest::addColumn<QString>("albumName");
        QTest::addColumn<QString>("sourcePath");
        QTest::addColumn<QString>("name");
        const QString source = "/样片/客户A/IMG_0012.JPG";
        QTest::newRow("album and source")
            << true << true << "婚纱" << source << "3-婚纱-IMG_0012.JPG";
        QTest::newRow("album only") << true << false << "婚纱" << source << "3-婚纱.JPG";
        QTest::newRow("source only") << false << true << "婚纱" << source << "3-IMG_0012.JPG";
        QTest::newRow("number only") << false << false << "婚纱" << source << "3.JPG";
        QTest::newRow("source without a dot") << true << false << "婚纱"
                                              << "/a/IMG5"
                                              << "3-婚纱";
        QTest::newRow("several dots") << false << false << "婚纱"
                                      << "/a/a.b.jpg"
                                      << "3.jpg";
        QTest::newRow("refused characters") << true << true << "婚纱/外景:1*?"
                                            << "/a/\"x\"<1>|.jpg"
                                            << "3-婚纱_外景_1__-_x__1__.jpg";
    }
    void exportNames() {
        QFETCH(bool, album);
        QFETCH(bool, source);
        QFETCH(QString, albumName);
        QFETCH(QString, sourcePath);
        QFETCH(QString, name);
        QCOMPARE(output::ExportFileName(3, albumName, sourcePath, {album, source}), name);
    }

    void notesBytes() {
        const QStringList lines = {
            output::NotesLine(3, "婚纱", "/e/3-婚纱-IMG_0012.JPG", "做封面"),
            output::NotesLine(4, "0012", "/e/4.jpg", ""),
            output::NotesLine(5, "婚纱", "/e/5.jpg", "加😀𠀀"),
        };
        QCOMPARE(lines[0], QString("3   婚纱   /e/3-婚纱-IMG_0012.JPG   做封面"));
        const QByteArray bytes = output::EncodeNotesText(lines);
        const QByteArray expected =
            "3   " + QByteArray::fromHex("bbe9c9b4") + "   /e/3-" +
            QByteArray::fromHex("bbe9c9b4") + "-IMG_0012.JPG   " +
            QByteArray::fromHex("d7f6b7e2c3e6") + "\r\n" + "4   0012   /e/4.jpg   \r\n" + "5   " +
            QByteArray::fromHex("bbe9c9b4") + "   /e/5.jpg   " + QByteArray::fromHex("bcd3") +
            QByteArray::fromHex("9439fc36") + QByteArray::fromHex("95328236") + "\r\n";
        QCOMPARE(bytes.toHex(), expected.toHex());
        // Read back as GB18030 (which GBK is part of), nothing was lost.
        QStringDecoder decoder("GB18030");
        QCOMPARE(QString(decoder.decode(bytes)), lines.join("\r\n") + "\r\n");
        QVERIFY(output::EncodeNotesText({}).isEmpty());
        // A line break inside a note does not split its line.
        QCOMPARE(output::NotesLine(1, "a", "/b", "x\r\ny\nz"), QString("1   a   /b   x y z"));
    }

    void fileNameLists() {
        const std::vector<output::PickedFile> picks = {{"婚纱", "/s/IMG_0045.JPG"},
                                                       {"精修", "/s/IMG_0012.CR2.jpg"},
                                                       {"婚纱", "/s/IMG_0012.JPG"},
                                                       {"婚纱", "/s/IMG_0045.JPG"},
                                                       {"精修", "/s/IMG_0045.JPG"}};
        QCOMPARE(output::FileNameList(picks, "婚纱"), QString("IMG_0045, IMG_0012"));
        QCOMPARE(output::FileNameList(picks), QString("IMG_0045, IMG_0012.CR2, IMG_0012"));
        QCOMPARE(output::FileNameListByAlbum(picks),
                 QStringList({"婚纱: IMG_0045, IMG_0012", "精修: IMG_0012.CR2, IMG_0045"}));
        QVERIFY(output::FileNameList({}).isEmpty());
    }
};

QTEST_MAIN(TestOutputStaging)
#include "test_output_staging.moc"
