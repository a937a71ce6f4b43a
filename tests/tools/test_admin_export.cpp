// verimond-admin export: the same products as the output window, from a script.

#include <sys/stat.h>

#include <QtTest>

#include "../output/output_fixture.h"
#include "output/folder_export.h"
#include "support/admin_process.h"

using testing_support::OutputFixture;

namespace {

using Result = testing_support::AdminResult;
using testing_support::Admin;

}  // namespace

class TestAdminExport : public QObject {
    Q_OBJECT

  private slots:
    void exportsTheThreeProducts() {
        OutputFixture fixture;
        const QString id =
            fixture.addCustomer("甲", {{"a.jpg", 96, 64}, {"b.jpg", 96, 64}, {"c.jpg", 96, 64}});
        for (int n = 1; n <= 3; ++n) fixture.pick(id, n, "精修相册");
        const QString photos = fixture.photoPath(id);
        QVERIFY(QFile::remove(photos + "/b.jpg"));
        const QString out = fixture.file("导出");
        QDir().mkpath(out);
        QFile kept(out + "/1-a.jpg");
        QVERIFY(kept.open(QIODevice::WriteOnly));
        kept.write("kept");
        kept.close();
        data::CloseConnection();  // the tool opens the file on its own

        // A folder holding what looks like an earlier copy is left alone unless told.
        const Result refused = Admin({"export", "--id", id, "--folder", out, "--no-album-name"});
        QCOMPARE(refused.exitCode, 1);
        QVERIFY2(refused.err.contains("中已有以前导出的文件(1-a.jpg),没有导出") &&
                     refused.err.contains("--overwrite") && refused.err.contains("--add"),
                 qPrintable(refused.err));
        QCOMPARE(testing_support::ReadAll(out + "/1-a.jpg"), QByteArray("kept"));
        QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden), QStringList({"1-a.jpg"}));

        // A missing photo is passed over, an existing copy replaced when asked; both are
        // reported.
        const Result folder =
            Admin({"export", "--id", id, "--folder", out, "--no-album-name", "--overwrite"});
        QCOMPARE(folder.exitCode, 0);
        QVERIFY2(folder.err.contains("跳过(文件不存在): " + photos + "/b.jpg") &&
                     folder.err.contains("替换已有文件: " + out + "/1-a.jpg"),
                 qPrintable(folder.err));
        QVERIFY2(folder.out.contains(out + "/2-c.jpg\n") &&
                     folder.out.contains("copied=2 missing=1 kept=0 failed=0"),
                 qPrintable(folder.out));
        QCOMPARE(testing_support::FileDigest(out + "/1-a.jpg"),
                 testing_support::FileDigest(photos + "/a.jpg"));
        QVERIFY(QFile::exists(out + "/样片说明.txt"));

        const Result xlsx = Admin({"export", "--id", id, "--xlsx", fixture.file("s.xlsx")});
        QCOMPARE(xlsx.exitCode, 0);
        QVERIFY(xlsx.out.contains("rows=3"));
        QVERIFY(QFile::exists(fixture.file("s.xlsx")));
        // An existing file is not replaced.
        QCOMPARE(Admin({"export", "--id", id, "--xlsx", fixture.file("s.xlsx")}).exitCode, 1);

        const Result pdf =
            Admin({"export", "--id", id, "--pdf", fixture.file("l.pdf"), "--no-pictures"});
        QCOMPARE(pdf.exitCode, 0);
        QVERIFY2(pdf.out.contains("rows=3 pages=1"), qPrintable(pdf.out));
        QVERIFY(testing_support::PdfPages(fixture.file("l.pdf")).join("").contains("选片单"));
    }

    void failedCopyExitsNonZero() {
        OutputFixture fixture;
        const QString id = fixture.addCustomer("甲", {{"a.jpg", 96, 64}});
        fixture.pick(id, 1, QString(100, QChar(0x5a5a)));  // a name too long for the disk
        data::CloseConnection();
        const Result result = Admin({"export", "--id", id, "--folder", fixture.file("out")});
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.err.contains("文件名太长"), qPrintable(result.err));
    }

    void refusals_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("no product") << QStringList{"export", "--id", "1"} << 2;
        QTest::newRow("two products")
            << QStringList{"export", "--id", "1", "--xlsx", "a.xlsx", "--pdf", "a.pdf"} << 2;
        QTest::newRow("folder flag without folder")
            << QStringList{"export", "--id", "1", "--xlsx", "a.xlsx", "--no-notes"} << 2;
        QTest::newRow("pictures flag without pdf")
            << QStringList{"export", "--id", "1", "--xlsx", "a.xlsx", "--no-pictures"} << 2;
        QTest::newRow("id not a number")
            << QStringList{"export", "--id", "1 or 1=1", "--xlsx", "a.xlsx"} << 2;
        QTest::newRow("unknown customer")
            << QStringList{"export", "--id", "42", "--xlsx", "a.xlsx"} << 1;
        QTest::newRow("overwrite and add")
            << QStringList{"export", "--id", "1", "--folder", "out", "--overwrite", "--add"} << 2;
        QTest::newRow("add without folder")
            << QStringList{"export", "--id", "1", "--xlsx", "a.xlsx", "--add"} << 2;
        // An unset variable in a script must not mean the current folder.
        QTest::newRow("empty folder") << QStringList{"export", "--id", "1", "--folder", ""} << 1;
        QTest::newRow("blank folder") << QStringList{"export", "--id", "1", "--folder", " "} << 1;
    }
    void refusals() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        OutputFixture fixture;
        const QString id = fixture.addCustomer("甲", {{"a.jpg", 96, 64}});
        QCOMPARE(id, QString("1"));
        fixture.pick(id, 1, "精修相册");
        data::CloseConnection();
        const QStringList before = QDir(fixture.path()).entryList(QDir::AllEntries | QDir::Hidden);
        const Result result = Admin(args);
        QCOMPARE(result.exitCode, exitCode);
        QVERIFY(!result.err.isEmpty());
        QCOMPARE(QDir(fixture.path()).entryList(QDir::AllEntries | QDir::Hidden), before);
    }

    // Running a script's export again into its folder: refused unless told to replace the
    // copies or to add after them; the notes then describe what is in the folder.
    void exportAgainIntoTheSameFolder_data() {
        QTest::addColumn<QString>("option");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<int>("notesLines");
        const QStringList once{"1-精修相册-a.jpg", "2-精修相册-b.jpg", "文件名列表.txt",
                               "样片说明.txt"};
        QTest::newRow("no option") << "" << 1 << once << 2;
        QTest::newRow("--overwrite") << "--overwrite" << 0 << once << 2;
        QTest::newRow("--add") << "--add" << 0
                               << QStringList{"1-精修相册-a.jpg", "2-精修相册-b.jpg",
                                              "3-精修相册-a.jpg", "4-精修相册-b.jpg",
                                              "文件名列表.txt",   "样片说明.txt"}
                               << 4;
    }
    void exportAgainIntoTheSameFolder() {
        QFETCH(QString, option);
        QFETCH(int, exitCode);
        QFETCH(QStringList, files);
        QFETCH(int, notesLines);
        OutputFixture fixture;
        const QString id = fixture.addCustomer("甲", {{"a.jpg", 96, 64}, {"b.jpg", 96, 64}});
        fixture.pick(id, 1, "精修相册");
        fixture.pick(id, 2, "精修相册");
        data::CloseConnection();
        const QString out = fixture.file("导出");
        QCOMPARE(Admin({"export", "--id", id, "--folder", out}).exitCode, 0);
        QStringList again{"export", "--id", id, "--folder", out};
        if (!option.isEmpty()) again << option;
        const Result result = Admin(again);
        QVERIFY2(result.exitCode == exitCode, qPrintable(result.err));
        QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden, QDir::Name), files);
        QCOMPARE(testing_support::ReadAll(out + "/样片说明.txt").count("\r\n"), notesLines);
    }

    // Two scripts exporting into one folder at the same moment: one of them exports, the
    // other is refused (the folder is busy, or holds the first one's export by then).
    void twoExportsAtOnce() {
        OutputFixture fixture;
        std::vector<OutputFixture::Photo> photos;
        for (int i = 0; i < 40; ++i)
            photos.push_back({QString("%1.jpg").arg(i, 2, 10, QChar('0')), 400, 300});
        const QString id = fixture.addCustomer("甲", photos);
        for (int n = 1; n <= 40; ++n) fixture.pick(id, n, "精修相册");
        data::CloseConnection();
        const QString out = fixture.file("导出");
        QProcess first, second;
        for (QProcess* process : {&first, &second})
            process->start(VERIMOND_ADMIN_PATH, {"export", "--id", id, "--folder", out});
        for (QProcess* process : {&first, &second}) QVERIFY(process->waitForFinished(300000));
        QCOMPARE(first.exitCode() + second.exitCode(), 1);
        const QString refused =
            QString::fromUtf8((first.exitCode() ? first : second).readAllStandardError());
        QVERIFY2(refused.contains("另一个导出正在写入文件夹" + out) ||
                     refused.contains("中已有以前导出的文件"),
                 qPrintable(refused));
        QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden).size(), 40 + 2);
        QCOMPARE(testing_support::ReadAll(out + "/样片说明.txt").count("\r\n"), 40);
    }

    // The folder's lock holds across programs: a script is refused while the output window
    // (here this test) exports into the folder.
    void busyFolderIsRefusedAtOnce() {
        OutputFixture fixture;
        const QString id = fixture.addCustomer("甲", {{"a.jpg", 96, 64}});
        fixture.pick(id, 1, "精修相册");
        data::CloseConnection();
        const QString out = fixture.file("导出");
        QDir().mkpath(out);
        {
            const output::ExportFolderLock window(out);
            QVERIFY(window.isHeld());
            const Result busy = Admin({"export", "--id", id, "--folder", out});
            QCOMPARE(busy.exitCode, 1);
            QVERIFY2(busy.err.contains("另一个导出正在写入文件夹" + out + ",请等它完成后再导出"),
                     qPrintable(busy.err));
        }
        QCOMPARE(Admin({"export", "--id", id, "--folder", out}).exitCode, 0);
    }

    // A photo replaced by a pipe must not keep the script waiting.
    void pipeUnderAPhotosNameDoesNotHang() {
        OutputFixture fixture;
        const QString id = fixture.addCustomer("甲", {{"a.jpg", 96, 64}, {"b.jpg", 96, 64}});
        fixture.pick(id, 1, "精修相册");
        fixture.pick(id, 2, "精修相册");
        const QString photo = fixture.photoPath(id) + "/a.jpg";
        QVERIFY(QFile::remove(photo));
        QCOMPARE(mkfifo(QFile::encodeName(photo).constData(), 0644), 0);
        data::CloseConnection();
        const Result result = Admin({"export", "--id", id, "--folder", fixture.file("导出")});
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(
            result.err.contains("复制失败: " + photo) && result.err.contains("源文件不是普通文件"),
            qPrintable(result.err));
        QVERIFY(result.out.contains("copied=1 missing=0 kept=0 failed=1"));
    }
};

QTEST_MAIN(TestAdminExport)
#include "test_admin_export.moc"
