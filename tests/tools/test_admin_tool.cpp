// verimond-admin as staff and scripts use it: its results and its refusals.

#include <QProcess>
#include <QtTest>

#include "data/connection.h"
#include "data/records.h"
#include "support/runtime_fixture.h"

using testing_support::RuntimeFixture;

namespace {

struct Result {
    int exitCode;
    QString out;
    QString err;
};

Result Admin(const QStringList& args) {
    QProcess process;
    process.start(VERIMOND_ADMIN_PATH, args);
    if (!process.waitForFinished(300000)) return {-1, {}, "timed out"};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

}  // namespace

class TestAdminTool : public QObject {
    Q_OBJECT

  private slots:
    void initCreatesOnceAndNeverOverwrites() {
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        QCOMPARE(Admin({"init", fixture.file("store")}).exitCode, 0);
        const QString db = fixture.file("store/function.dll");
        QCOMPARE(data::OpenConnection(db), data::OpenResult::Opened);
        QCOMPARE(data::QueryRows("select * from SysSet").size(), size_t(4));
        data::CloseConnection();
        const QByteArray before = testing_support::FileDigest(db);
        const Result again = Admin({"init", fixture.file("store")});
        QVERIFY(again.exitCode != 0);
        QVERIFY(!again.err.isEmpty());
        QCOMPARE(testing_support::FileDigest(db), before);
    }

    void importCreatesTheCustomer() {
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        QCOMPARE(Admin({"init"}).exitCode, 0);
        fixture.writePhoto("shoot/1.jpg", 300, 200);
        fixture.writePhoto("shoot/2.bmp", 300, 200);
        fixture.writePhoto("shoot/sub/3.jpg", 300, 200);
        const Result result =
            Admin({"import", "--name", "陈女士", "--folder", fixture.file("shoot"), "--subfolders",
                   "--types", ".jpg,.bmp"});
        QCOMPARE(result.exitCode, 0);
        QVERIFY2(QRegularExpression("^id=\\d+ samples=3\\n$").match(result.out).hasMatch(),
                 qPrintable(result.out));
        QCOMPARE(data::OpenConnection(fixture.file("function.dll")), data::OpenResult::Opened);
        QCOMPARE(data::LookupValue("customer", "photopath", "customername='陈女士'"),
                 fixture.file("shoot"));
        QCOMPARE(data::LookupValue("customerxc", "count(*)", "1=1"),
                 data::LookupValue("xclib", "count(*)", "1=1"));
    }

    void refusals_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("withDatabase");
        QTest::newRow("no command") << QStringList{} << true;
        QTest::newRow("unknown command") << QStringList{"frobnicate"} << true;
        QTest::newRow("no name") << QStringList{"import", "--folder", "."} << true;
        QTest::newRow("no folder") << QStringList{"import", "--name", "甲"} << true;
        QTest::newRow("missing folder")
            << QStringList{"import", "--name", "甲", "--folder", "nowhere"} << true;
        QTest::newRow("bad type") << QStringList{"import", "--name",  "甲",  "--folder",
                                                 ".",      "--types", ".gif"}
                                  << true;
        QTest::newRow("no database")
            << QStringList{"import", "--name", "甲", "--folder", "."} << false;
        QTest::newRow("restore of a file that is not a backup")
            << QStringList{"restore", "icon/ztflag.bmp"} << true;
        QTest::newRow("backup without a database") << QStringList{"backup"} << false;
    }
    void refusals() {
        QFETCH(QStringList, args);
        QFETCH(bool, withDatabase);
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        if (withDatabase) QCOMPARE(Admin({"init"}).exitCode, 0);
        const Result result = Admin(args);
        QVERIFY(result.exitCode != 0);
        QVERIFY(!result.err.isEmpty());
        QVERIFY(result.out.isEmpty());
        if (withDatabase) {
            QCOMPARE(data::OpenConnection(fixture.file("function.dll")), data::OpenResult::Opened);
            QCOMPARE(data::QueryRows("select * from customer").size(), size_t(0));
        } else {
            QVERIFY(!QFile::exists(fixture.file("function.dll")));
        }
    }

    void backupThenRestore() {
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        QCOMPARE(Admin({"init"}).exitCode, 0);
        const Result backup = Admin({"backup"});
        QVERIFY2(backup.exitCode == 0, qPrintable(backup.err));
        const QStringList copies = QDir(fixture.file("backup")).entryList({"function-*.dll"});
        QCOMPARE(copies.size(), 1);
        QVERIFY(backup.out.contains(copies.first()));

        QCOMPARE(Admin({"import", "--name", "甲", "--folder", fixture.path()}).exitCode, 0);
        const Result restore = Admin({"restore", "backup/" + copies.first()});
        QVERIFY2(restore.exitCode == 0, qPrintable(restore.err));
        QCOMPARE(data::OpenConnection(fixture.file("function.dll")), data::OpenResult::Opened);
        QCOMPARE(data::QueryRows("select * from customer").size(), size_t(0));
    }

    void helpListsTheCommands_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("--help") << QStringList{"--help"};
        QTest::newRow("-h") << QStringList{"-h"};
        QTest::newRow("after a command") << QStringList{"init", "--help"};
    }
    void helpListsTheCommands() {
        QFETCH(QStringList, args);
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        const Result result = Admin(args);
        QCOMPARE(result.exitCode, 0);
        for (const char* command : {"init", "import", "demo"})
            QVERIFY2(result.out.contains(QString("verimond-admin %1 ").arg(command)),
                     qPrintable(result.out));
        // Asking for help makes nothing: no database, no folder named after the option.
        QVERIFY(!QFile::exists(fixture.file("function.dll")));
        QVERIFY(!QFile::exists(fixture.file("--help")));
    }

    void deskCommandsForScripts() {
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        QCOMPARE(Admin({"init"}).exitCode, 0);
        for (int i = 1; i <= 3; ++i) fixture.writePhoto(QString("甲/%1.jpg").arg(i), 60, 40);
        fixture.writePhoto("乙/1.jpg", 60, 40);
        QCOMPARE(Admin({"import", "--name", "甲客户", "--folder", fixture.file("甲")}).exitCode, 0);
        QCOMPARE(Admin({"import", "--name", "乙's", "--folder", fixture.file("乙")}).exitCode, 0);
        // A script run twice does not make the customer twice.
        const Result again = Admin({"import", "--name", "甲客户", "--folder", fixture.file("甲")});
        QCOMPARE(again.exitCode, 1);
        QVERIFY(again.err.contains("已有名为甲客户的客户"));

        const QRegularExpression line(
            "^(\\d+)\t([^\t]+)\t\\d{4}-\\d\\d-\\d\\d [0-9:]{8}\t(正常|关闭)$");
        const QStringList listed = Admin({"list"}).out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(listed.size(), 2);
        for (const QString& row : listed) QVERIFY2(line.match(row).hasMatch(), qPrintable(row));
        QCOMPARE(listed[0].section('\t', 1, 1), QString("甲客户"));
        QCOMPARE(listed[1].section('\t', 1, 1), QString("乙's"));
        const QString first = listed[0].section('\t', 0, 0);
        const QString second = listed[1].section('\t', 0, 0);

        QCOMPARE(Admin({"status", "--id", first}).out, "id=" + first + " status=关闭\n");
        QCOMPARE(Admin({"list", "--status", "关闭"}).out.count('\n'), 1);
        QCOMPARE(Admin({"list", "--status", "正常", "--name", "'"}).out.section('\t', 1, 1),
                 QString("乙's"));
        QCOMPARE(Admin({"status", "--id", first}).out, "id=" + first + " status=正常\n");

        QCOMPARE(Admin({"shuffle", "--id", first}).out, "id=" + first + " shuffled=3\n");
        fixture.writePhoto("甲/4.jpg", 60, 40);
        fixture.writePhoto("甲/5.bmp", 60, 40);
        QCOMPARE(Admin({"reimport", "--id", first, "--types", ".jpg,.bmp"}).out,
                 "id=" + first + " added=2\n");
        QCOMPARE(Admin({"reimport", "--id", first}).out, "id=" + first + " added=0\n");
        QCOMPARE(Admin({"delete", "--id", second}).out,
                 "id=" + second + " deleted samples=1 albums=3 picks=0\n");

        QCOMPARE(data::OpenConnection(fixture.file("function.dll")), data::OpenResult::Opened);
        QStringList order;
        for (const auto& row : data::QueryRows(
                 "select odrnum from photoinfo where customerid=" + first + " order by odrnum"))
            order << row.value(0).toString();
        QCOMPARE(order, (QStringList{"1", "1", "2", "2", "3"}));
        QCOMPARE(data::LookupValue("customer", "count(*)", "1=1"), QString("1"));
        QCOMPARE(data::LookupValue("customerxc", "count(*)", "customerid=" + second), QString("0"));
    }

    void deskCommandRefusals_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("status without id") << QStringList{"status"} << 2;
        QTest::newRow("id not a number") << QStringList{"delete", "--id", "1 or 1=1"} << 2;
        QTest::newRow("id of nobody") << QStringList{"delete", "--id", "999"} << 1;
        QTest::newRow("shuffle of nobody") << QStringList{"shuffle", "--id", "999"} << 1;
        QTest::newRow("reimport of nobody") << QStringList{"reimport", "--id", "999"} << 1;
        QTest::newRow("reimport, bad type")
            << QStringList{"reimport", "--id", "1", "--types", ".png"} << 1;
        QTest::newRow("unknown status") << QStringList{"list", "--status", "暂停"} << 1;
        QTest::newRow("stray argument") << QStringList{"list", "extra"} << 2;
        QTest::newRow("import, blank name")
            << QStringList{"import", "--name", "  ", "--folder", "."} << 1;
        QTest::newRow("import, name too long")
            << QStringList{"import", "--name", QString(51, QChar(u'名')), "--folder", "."} << 1;
    }

    void deskCommandRefusals() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        QCOMPARE(Admin({"init"}).exitCode, 0);
        fixture.writePhoto("甲/1.jpg", 60, 40);
        QCOMPARE(Admin({"import", "--name", "甲", "--folder", fixture.file("甲")}).exitCode, 0);
        const QByteArray before = Admin({"list"}).out.toUtf8();
        const Result result = Admin(args);
        QCOMPARE(result.exitCode, exitCode);
        QVERIFY(!result.err.isEmpty());
        QVERIFY(result.out.isEmpty());
        QCOMPARE(Admin({"list"}).out.toUtf8(), before);
        QCOMPARE(data::OpenConnection(fixture.file("function.dll")), data::OpenResult::Opened);
        QCOMPARE(data::LookupValue("photoinfo", "count(*)", "1=1"), QString("1"));
    }

    void demoMakesTheDemoCustomer() {
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        const Result result = Admin({"demo", fixture.path()});
        QVERIFY2(result.exitCode == 0, qPrintable(result.err));
        QCOMPARE(data::OpenConnection(fixture.file("function.dll")), data::OpenResult::Opened);
        const QString id = data::LookupValue("customer", "customerid", "customername='演示客户'");
        QVERIFY(!id.isEmpty());
        const int samples = data::LookupValue("photoinfo", "count(*)", "customerid=" + id).toInt();
        QVERIFY(samples >= 10);
        QVERIFY(result.out.contains(QString("samples=%1").arg(samples)));
        // A second run refuses rather than making a second demo customer.
        data::CloseConnection();
        QVERIFY(Admin({"demo", fixture.path()}).exitCode != 0);
    }
};

QTEST_GUILESS_MAIN(TestAdminTool)
#include "test_admin_tool.moc"
