// Importing a sample folder and creating a customer with it.

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QtTest>

#include "customers/customer_records.h"
#include "customers/photo_import.h"
#include "data/connection.h"
#include "data/errors.h"
#include "data/records.h"
#include "support/file_access.h"
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

// Writes bytes under a name given as raw bytes, which need not be valid UTF-8.
void WriteRawName(const QString& folder, const QByteArray& rawName, const QByteArray& bytes) {
    const QByteArray path = QFile::encodeName(folder) + '/' + rawName;
    FILE* out = fopen(path.constData(), "wb");
    QVERIFY(out);
    QCOMPARE(fwrite(bytes.constData(), 1, bytes.size(), out), size_t(bytes.size()));
    fclose(out);
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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

        QCOMPARE(ImportFolder("1", folder, Types(true, true, false)).added, 2);
        QCOMPARE(Samples(fixture, "1"),
                 (QList<QPair<QString, int>>{{"shoot/a.jpg", 1}, {"shoot/b.JPEG", 2}}));
        // Known files are skipped; a newly accepted type is numbered from 1 again.
        QCOMPARE(ImportFolder("1", folder, Types(true, true, false)).added, 0);
        QCOMPARE(ImportFolder("1", folder, Types(true, true, true)).added, 1);
        QCOMPARE(Samples(fixture, "1").last(), qMakePair(QString("shoot/c.bmp"), 1));
        // Nothing ticked imports nothing; another customer may have the same files.
        QCOMPARE(ImportFolder("2", folder, Types(false, false, false)).added, 0);
        QCOMPARE(ImportFolder("2", folder, Types(true, false, false)).added, 1);
    }

    void oddNamesAndHiddenFiles() {
        RuntimeFixture fixture;
        fixture.writePhoto("odd/.hidden.jpg", 50, 50);
        fixture.writePhoto("odd/.jpg", 50, 50, "jpeg");
        fixture.writePhoto("odd/photo.", 50, 50, "jpeg");
        fixture.writePhoto("odd/O'Brien.jpg", 50, 50);
        QCOMPARE(ImportFolder("1", fixture.file("odd"), Types(true, false, false)).added, 3);
        // The quote in a path no longer breaks the duplicate test.
        QCOMPARE(ImportFolder("1", fixture.file("odd"), Types(true, false, false)).added, 0);
        QCOMPARE(Samples(fixture, "1").size(), 3);
    }

    void subfoldersAreNumberedOnTheirOwn() {
        RuntimeFixture fixture;
        for (const char* name :
             {"top/1.jpg", "top/2.jpg", "top/3.jpg", "top/sub/4.jpg", "top/sub/5.jpg"})
            fixture.writePhoto(name, 40, 30);
        QCOMPARE(ImportFolder("1", fixture.file("top"), Types(true, false, false, false)).added, 3);
        QCOMPARE(ImportFolder("2", fixture.file("top"), Types(true, false, false, true)).added, 5);
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
        QCOMPARE(ImportFolder("1", fixture.file("loop"), Types(true, false, false, true)).added, 1);
        QCOMPARE(ImportFolder("1", "", Types(true, true, true, true)).added, 0);
        QCOMPARE(ImportFolder("1", "   ", Types(true, true, true, true)).added, 0);
        QCOMPARE(ImportFolder("1", fixture.file("nowhere"), Types(true, true, true, true)).added,
                 0);
    }

    // Subfolders are walked only inside the chosen folder; what is left out is reported
    // with its name and how many there are.
    void subfoldersStayInsideTheChosenFolder_data() {
        QTest::addColumn<QString>("tree");
        QTest::addColumn<int>("added");
        QTest::addColumn<QString>("report");  // %1: the left-out folder; empty: no report
        QTest::newRow("link to the folder above")
            << "up" << 2 << "有1个子文件夹是指向样片文件夹以外的链接,没有导入:\n%1";
        QTest::newRow("link into /proc")
            << "proc" << 2 << "有1个子文件夹是指向样片文件夹以外的链接,没有导入:\n%1";
        QTest::newRow("link loop") << "loop" << 2 << "";
        QTest::newRow("link inside") << "inside" << 2 << "";
        QTest::newRow("unreadable subfolder")
            << "locked" << 2
            << "有1个文件夹无法打开,其中的照片没有导入:\n%1 (没有权限)\n"
               "请检查文件夹的权限后,点击\"更新目录\"补充导入。";
        QTest::newRow("earlier export")
            << "export" << 2 << "有1个子文件夹是导出的选片结果(含样片说明.txt),没有导入:\n%1";
    }
    void subfoldersStayInsideTheChosenFolder() {
        QFETCH(QString, tree);
        QFETCH(int, added);
        QFETCH(QString, report);
        RuntimeFixture fixture;
        // top/a.jpg and top/sub/b.jpg are the customer's; beside/x.jpg is someone else's.
        fixture.writePhoto("top/a.jpg", 40, 30);
        fixture.writePhoto("top/sub/b.jpg", 40, 30);
        fixture.writePhoto("beside/x.jpg", 40, 30);
        const QString top = fixture.file("top");
        QString leftOut;
        if (tree == "up") {
            leftOut = top + "/up";
            QVERIFY(QFile::link("..", leftOut));
        } else if (tree == "proc") {
            // The fixture's folder is current: this link leads to everything beside top.
            leftOut = top + "/cwd";
            QVERIFY(QFile::link("/proc/self/cwd", leftOut));
        } else if (tree == "loop") {
            QVERIFY(QFile::link("..", top + "/sub/back"));
            QVERIFY(QFile::link(".", top + "/sub/here"));
        } else if (tree == "inside") {
            QVERIFY(QFile::link("sub", top + "/again"));
        } else if (tree == "locked") {
            fixture.writePhoto("top/locked/c.jpg", 40, 30);
            leftOut = top + "/locked";
            QVERIFY(QFile::setPermissions(leftOut, QFileDevice::Permissions()));
        } else if (tree == "export") {
            fixture.writePhoto("top/王女士/1-精修相册-a.jpg", 40, 30);
            WriteText(top + "/王女士/样片说明.txt", "1   精修相册   ...\r\n");
            leftOut = top + "/王女士";
        }
        ImportResult result;
        {
            testing_support::OrdinaryFileAccess ordinary;
            result = ImportFolder("1", top, Types(true, false, false, true));
        }
        if (tree == "locked")
            QFile::setPermissions(
                leftOut, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(result.added, added);
        QStringList names;
        for (const auto& sample : Samples(fixture, "1"))
            names << QFileInfo(sample.first).fileName();
        names.sort();
        QCOMPARE(names, QStringList({"a.jpg", "b.jpg"}));
        QCOMPARE(UnreadableNamesText(result.unreadable),
                 report.isEmpty() ? QString() : report.arg(leftOut));
    }

    void namesThatAreNotUtf8AreReported() {
        RuntimeFixture fixture;
        const QString folder = fixture.file("gbk");
        const QByteArray photo = ReadAll(fixture.writePhoto("gbk/ok.jpg", 40, 30));
        const QByteArray wedding = "\xbb\xe9\xc9\xb4";  // 婚纱 in GBK
        // Names Qt cannot address are removed by hand, or the temporary folder stays behind.
        struct RawCleanup {
            QByteArray folder, file, text, subfolder;
            ~RawCleanup() {
                unlink((folder + '/' + file).constData());
                unlink((folder + '/' + text).constData());
                rmdir((folder + '/' + subfolder).constData());
            }
        } cleanup{QFile::encodeName(folder), wedding + "01.jpg", wedding + ".txt", wedding};
        WriteRawName(folder, wedding + "01.jpg", photo);
        WriteRawName(folder, wedding + ".txt", "notes");  // a type that is not imported anyway
        QCOMPARE(mkdir((QFile::encodeName(folder) + '/' + wedding).constData(), 0755), 0);

        const ImportResult flat = ImportFolder("1", folder, Types(true, false, false));
        QCOMPARE(flat.added, 1);
        QCOMPARE(flat.unreadable.size(), size_t(1));
        QCOMPARE(flat.unreadable[0].path, folder + "/婚纱01.jpg");
        QVERIFY(!flat.unreadable[0].isFolder);
        QVERIFY(
            UnreadableNamesText(flat.unreadable).startsWith("有1个照片文件的名称不是UTF-8编码"));

        // With subfolders, the folder that cannot be entered is reported too.
        const ImportResult deep = ImportFolder("2", folder, Types(true, false, false, true));
        QCOMPARE(deep.added, 1);
        QCOMPARE(deep.unreadable.size(), size_t(2));
        QVERIFY(UnreadableNamesText(deep.unreadable).startsWith("有1个照片文件和1个子文件夹"));
        QVERIFY(UnreadableNamesText({}).isEmpty());
    }

    void foldersAreStoredNormalised_data() {
        QTest::addColumn<QString>("typed");  // after the fixture's folder
        QTest::newRow("trailing slash") << "/shoot/";
        QTest::newRow("doubled slashes") << "//shoot//";
        QTest::newRow("dot parts") << "/./shoot/.";
        QTest::newRow("already clean") << "/shoot";
    }
    void foldersAreStoredNormalised() {
        QFETCH(QString, typed);
        RuntimeFixture fixture;
        fixture.writePhoto("shoot/a.jpg", 40, 30);
        fixture.writePhoto("other/b.jpg", 40, 30);
        const QString clean = fixture.file("shoot");
        const CreatedCustomer created =
            CreateCustomer({"王", fixture.path() + typed, ""}, Types(true, false, false));
        QCOMPARE(LoadCustomer(created.id)->photoPath, clean);
        QCOMPARE(data::QueryRows("select filename from photoinfo").front().value(0).toString(),
                 clean + "/a.jpg");
        // Imported again under any spelling, the known photo stays one sample.
        QCOMPARE(
            ReimportCustomer(created.id, fixture.path() + typed, Types(true, false, false))->added,
            0);
        QVERIFY(SaveCustomer(created.id, {"王", fixture.path() + "/" + typed + "/../other/", ""}));
        // ".." stays: a link may stand before it.
        QCOMPARE(LoadCustomer(created.id)->photoPath, clean + "/../other");
    }

    void anotherProgramWritesWhileThumbnailsAreMade() {
        RuntimeFixture fixture;
        fixture.writePhoto("first/a.jpg", 60, 40);
        const qint64 other =
            CreateCustomer({"先来的客户", fixture.file("first"), ""}, Types(true, false, false)).id;
        for (int i = 0; i < 4; ++i) fixture.writePhoto(QString("big/%1.jpg").arg(i), 1600, 1200);

        // A second program changes the database while this import decodes its photos.
        int exitCode = -1;
        QString errors;
        const CreatedCustomer created = CreateCustomer(
            {"后来的客户", fixture.file("big"), ""}, Types(true, false, false),
            [&](int done, int, const QString&) {
                if (done != 1 || exitCode != -1) return;
                QProcess admin;
                admin.setWorkingDirectory(fixture.path());
                admin.start(VERIMOND_ADMIN_PATH, {"status", "--id", QString::number(other)});
                QVERIFY(admin.waitForFinished(60000));
                exitCode = admin.exitCode();
                errors = QString::fromUtf8(admin.readAllStandardError());
            });
        QVERIFY2(exitCode == 0, qPrintable(errors));
        QCOMPARE(created.samples, 4);
        QCOMPARE(data::LookupValue("customer", "staus", "customerid=" + QString::number(other)),
                 QString("关闭"));
    }

    void undecodablePhotoStillBecomesASample() {
        RuntimeFixture fixture;
        WriteText(fixture.file("bad/broken.jpg"), "\xff\xd8 cut short");
        QCOMPARE(ImportFolder("1", fixture.file("bad"), Types(true, false, false)).added, 1);
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
        // Progress counts up without gaps and names the file being read.
        int lastDone = 0;
        QCOMPARE(ImportFolder("1", fixture.file("many"), Types(true, false, false),
                              [&](int done, int total, const QString& item) {
                                  QCOMPARE(total, 40);
                                  QVERIFY(done == lastDone || done == lastDone + 1);
                                  if (done < total)
                                      QCOMPARE(item, QFileInfo(expected[done].first).fileName());
                                  lastDone = done;
                              })
                     .added,
                 40);
        QCOMPARE(lastDone, 40);
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
