// verimond-admin export: the same products as the output window, from a script.

#include <QtTest>

#include "../output/output_fixture.h"
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

        // A missing photo is passed over, an existing copy kept; both are reported.
        const Result folder = Admin({"export", "--id", id, "--folder", out, "--no-album-name"});
        QCOMPARE(folder.exitCode, 0);
        QVERIFY2(folder.err.contains("跳过(文件不存在): " + photos + "/b.jpg") &&
                     folder.err.contains("保留已有文件: " + out + "/1-a.jpg"),
                 qPrintable(folder.err));
        QVERIFY2(folder.out.contains(out + "/1-c.jpg\n") &&
                     folder.out.contains("copied=1 missing=1 kept=1 failed=0"),
                 qPrintable(folder.out));
        QCOMPARE(testing_support::ReadAll(out + "/1-a.jpg"), QByteArray("kept"));
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
    }
    void refusals() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        OutputFixture fixture;
        data::CloseConnection();
        const Result result = Admin(args);
        QCOMPARE(result.exitCode, exitCode);
        QVERIFY(!result.err.isEmpty());
        QVERIFY(!QFile::exists(fixture.file("a.xlsx")));
    }
};

QTEST_MAIN(TestAdminExport)
#include "test_admin_export.moc"
