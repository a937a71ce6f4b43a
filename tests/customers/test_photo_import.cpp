// Importing a sample folder and creating a customer with it.

#include <QFile>
#include <QtTest>

#include "customers/customer_records.h"
#include "customers/photo_import.h"
#include "data/connection.h"
#include "data/errors.h"
#include "data/records.h"
#include "support/runtime_fixture.h"

using namespace customers;
using testing_support::RuntimeFixture;

namespace {

// (file name relative to the fixture, odrnum) of a customer's samples in key order.
QList<QPair<QString, int>> Samples(RuntimeFixture& fixture, const QString& customer) {
    QList<QPair<QString, int>> samples;
    for (const auto& row :
         data::QueryRows("select filename, odrnum from photoinfo where customerid=" + customer +
                         " order by id"))
        samples << qMakePair(QDir(fixture.path()).relativeFilePath(data::TextOf(row, "filename")),
                             row.value("odrnum").toInt());
    return samples;
}

ImportOptions Types(bool jpg, bool jpeg, bool bmp, bool subfolders = false) {
    ImportOptions options;
    options.acceptedTypes = AcceptedTypesList(jpg, jpeg, bmp);
    options.includeSubfolders = subfolders;
    return options;
}

void WriteText(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

}  // namespace

class TestPhotoImport : public QObject {
    Q_OBJECT

  private slots:
    void acceptedTypesFollowTheBoxes() {
        QCOMPARE(AcceptedTypesList(true, true, false), QString(".jpg,.jpeg,"));
        QCOMPARE(AcceptedTypesList(false, false, true), QString(".bmp,"));
        QCOMPARE(AcceptedTypesList(false, false, false), QString());
    }

    void importsAcceptedTypesOnceInNameOrder() {
        RuntimeFixture fixture;
        fixture.writePhoto("shoot/b.JPEG", 300, 200);
        fixture.writePhoto("shoot/a.jpg", 200, 300);
        fixture.writePhoto("shoot/c.bmp", 120, 90);
        fixture.writePhoto("shoot/d.png", 120, 90, "png");
        WriteText(fixture.file("shoot/notes.txt"), "notes");
        WriteText(fixture.file("shoot/a.jpg.txt"), "not a photo");
        const QString folder = fixture.file("shoot");

        QCOMPARE(ImportFolder("1", folder, Types(true, true, false)), 2);
        QCOMPARE(Samples(fixture, "1"),
                 (QList<QPair<QString, int>>{{"shoot/a.jpg", 1}, {"shoot/b.JPEG", 2}}));
        // Known files are skipped; a newly accepted type is numbered from 1 again.
        QCOMPARE(ImportFolder("1", folder, Types(true, true, false)), 0);
        QCOMPARE(ImportFolder("1", folder, Types(true, true, true)), 1);
        QCOMPARE(Samples(fixture, "1").last(), qMakePair(QString("shoot/c.bmp"), 1));
        // Nothing ticked imports nothing; another customer may have the same files.
        QCOMPARE(ImportFolder("2", folder, Types(false, false, false)), 0);
        QCOMPARE(ImportFolder("2", folder, Types(true, false, false)), 1);
    }

    void oddNamesAndHiddenFiles() {
        RuntimeFixture fixture;
        fixture.writePhoto("odd/.hidden.jpg", 50, 50);
        fixture.writePhoto("odd/.jpg", 50, 50, "jpeg");
        fixture.writePhoto("odd/photo.", 50, 50, "jpeg");
        fixture.writePhoto("odd/O'Brien.jpg", 50, 50);
        QCOMPARE(ImportFolder("1", fixture.file("odd"), Types(true, false, false)), 3);
        // The quote in a path no longer breaks the duplicate test.
        QCOMPARE(ImportFolder("1", fixture.file("odd"), Types(true, false, false)), 0);
        QCOMPARE(Samples(fixture, "1").size(), 3);
    }

    void subfoldersAreNumberedOnTheirOwn() {
        RuntimeFixture fixture;
        for (const char* name :
             {"top/1.jpg", "top/2.jpg", "top/3.jpg", "top/sub/4.jpg", "top/sub/5.jpg"})
            fixture.writePhoto(name, 40, 30);
        QCOMPARE(ImportFolder("1", fixture.file("top"), Types(true, false, false, false)), 3);
        QCOMPARE(ImportFolder("2", fixture.file("top"), Types(true, false, false, true)), 5);
        QCOMPARE(Samples(fixture, "2"), (QList<QPair<QString, int>>{{"top/1.jpg", 1},
                                                                    {"top/2.jpg", 2},
                                                                    {"top/3.jpg", 3},
                                                                    {"top/sub/4.jpg", 1},
                                                                    {"top/sub/5.jpg", 2}}));
    }

    void linksDoNotLoopAndEmptyFolderTextImportsNothing() {
        RuntimeFixture fixture;
        fixture.writePhoto("loop/a.jpg", 40, 30);
        QVERIFY(QFile::link(fixture.file("loop"), fixture.file("loop/again")));
        QCOMPARE(ImportFolder("1", fixture.file("loop"), Types(true, false, false, true)), 1);
        QCOMPARE(ImportFolder("1", "", Types(true, true, true, true)), 0);
        QCOMPARE(ImportFolder("1", "   ", Types(true, true, true, true)), 0);
        QCOMPARE(ImportFolder("1", fixture.file("nowhere"), Types(true, true, true, true)), 0);
    }

    void undecodablePhotoStillBecomesASample() {
        RuntimeFixture fixture;
        WriteText(fixture.file("bad/broken.jpg"), "\xff\xd8 cut short");
        QCOMPARE(ImportFolder("1", fixture.file("bad"), Types(true, false, false)), 1);
        const QByteArray bmp = data::QueryRows("select photofile from photoinfo")
                                   .front()
                                   .value("photofile")
                                   .toByteArray();
        QImage thumbnail;
        QVERIFY(thumbnail.loadFromData(bmp, "BMP"));
        QCOMPARE(thumbnail.size(), QSize(105, 80));
    }

    void manyFilesKeepListingOrder() {
        RuntimeFixture fixture;
        QList<QPair<QString, int>> expected;
        for (int i = 0; i < 40; ++i) {
            // Sizes vary so the pool finishes them out of order.
            const QString name = QString("many/%1.jpg").arg(i, 3, 10, QChar('0'));
            fixture.writePhoto(name, 60 + (i % 5) * 400, 50 + (i % 3) * 300);
            expected << qMakePair(name, i + 1);
        }
        int lastDone = 0;
        QCOMPARE(ImportFolder("1", fixture.file("many"), Types(true, false, false),
                              [&](int done, int total) {
                                  QCOMPARE(total, 40);
                                  QCOMPARE(done, lastDone + 1);
                                  lastDone = done;
                              }),
                 40);
        QCOMPARE(Samples(fixture, "1"), expected);
    }

    void createCustomerIsAllOrNothing() {
        RuntimeFixture fixture;
        fixture.writePhoto("new/a.jpg", 80, 60);
        const CreatedCustomer created =
            CreateCustomer({"王小姐", fixture.file("new"), "婚纱照"}, Types(true, false, false));
        QCOMPARE(created.samples, 1);
        const QString id = QString::number(created.id);
        QCOMPARE(data::LookupValue("customer", "staus", "customerid=" + id), QString("正常"));
        QStringList albums;
        for (const auto& row :
             data::QueryRows("select xcmc from customerxc where customerid=" + id + " order by id"))
            albums << data::TextOf(row, "xcmc");
        QStringList defaults;
        for (const auto& row : data::QueryRows("select xcmc from xclib order by id"))
            defaults << data::TextOf(row, "xcmc");
        QCOMPARE(albums, defaults);

        // An undecodable photo with no placeholder to stand in ends the import: nothing stays.
        WriteText(fixture.file("fail/broken.jpg"), "not a jpeg");
        fixture.writePhoto("fail/good.jpg", 80, 60);
        QVERIFY(QFile::remove(fixture.file("photo/Thumbnails_nophoto.jpg")));
        QVERIFY_THROWS_EXCEPTION(
            data::VerimondError,
            CreateCustomer({"李先生", fixture.file("fail"), ""}, Types(true, false, false)));
        QCOMPARE(data::LookupValue("customer", "customerid", "customername='李先生'"), QString());
        QCOMPARE(data::QueryRows("select * from photoinfo").size(), size_t(1));
        QCOMPARE(data::QueryRows("select * from customerxc").size(), size_t(defaults.size()));
    }
};

QTEST_MAIN(TestPhotoImport)
#include "test_photo_import.moc"
