// verimond-admin's settings and password commands.

#include <QtTest>

#include "data/connection.h"
#include "data/records.h"
#include "support/admin_process.h"
#include "support/runtime_fixture.h"

using testing_support::RuntimeFixture;

namespace {

using Result = testing_support::AdminResult;
using testing_support::Admin;

QString Stored(const QString& file, const QString& table, const QString& field,
               const QString& condition) {
    if (data::OpenConnection(file) != data::OpenResult::Opened) return "not opened";
    const QString value = data::LookupValue(table, field, condition);
    data::CloseConnection();
    return value;
}

}  // namespace

class TestAdminSettings : public QObject {
    Q_OBJECT

  private slots:
    void settingsShownAndChanged() {
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        QCOMPARE(Admin({"init"}).exitCode, 0);
        const Result shown = Admin({"settings"});
        QCOMPARE(shown.exitCode, 0);
        QCOMPARE(shown.out, QString("printinfo=请核对以上选片信息，确认无误后签字。\nqhkh=否\n"
                                    "widthsalerote=75\nstartpage=\ncameraorientation=是\n"
                                    "xclib=精修相册,放大摆台,电子相册\n"));

        const Result changed = Admin({"settings", "--printinfo", "Tom's 影楼",
                                      "--lock-without-login", "yes", "--ratio", "90", "--startpage",
                                      "https://select.example.com/", "--camera-orientation", "否"});
        QVERIFY2(changed.exitCode == 0, qPrintable(changed.err));
        QVERIFY(changed.out.contains("printinfo=Tom's 影楼\nqhkh=是\nwidthsalerote=90\n"));
        QVERIFY(changed.out.contains("\ncameraorientation=否\n"));
        QCOMPARE(Stored(fixture.file("function.dll"), "SysSet", "itemvalue",
                        "itemname='cameraorientation'"),
                 QString("否"));
        QCOMPARE(
            Stored(fixture.file("function.dll"), "SysSet", "itemvalue", "itemname='startpage'"),
            QString("https://select.example.com/"));

        const Result budget = Admin({"settings", "--preview-budget", "2048"});
        QVERIFY2(budget.exitCode == 0, qPrintable(budget.err));
        QVERIFY2(budget.out.contains("\ncameraorientation=否\npreviewbudget=2048\nxclib="),
                 qPrintable(budget.out));
        QCOMPARE(
            Stored(fixture.file("function.dll"), "SysSet", "itemvalue", "itemname='previewbudget'"),
            QString("2048"));
    }

    void badValuesChangeNothing_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("ratio") << QStringList{"settings", "--printinfo", "x", "--ratio", "300"}
                               << 1;
        QTest::newRow("start page") << QStringList{"settings", "--startpage", "ftp://x"} << 1;
        QTest::newRow("yes or no") << QStringList{"settings", "--lock-without-login", "maybe"} << 1;
        QTest::newRow("orientation yes or no")
            << QStringList{"settings", "--camera-orientation", "sideways"} << 1;
        QTest::newRow("unknown option") << QStringList{"settings", "--colour", "red"} << 2;
        QTest::newRow("no value") << QStringList{"settings", "--ratio"} << 2;
        QTest::newRow("preview budget too small")
            << QStringList{"settings", "--printinfo", "x", "--preview-budget", "50"} << 1;
        QTest::newRow("preview budget with a unit")
            << QStringList{"settings", "--preview-budget", "5GB"} << 1;
        QTest::newRow("password without --new") << QStringList{"password"} << 2;
    }
    void badValuesChangeNothing() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        QCOMPARE(Admin({"init"}).exitCode, 0);
        const QByteArray before = testing_support::FileDigest(fixture.file("function.dll"));
        const Result result = Admin(args);
        QCOMPARE(result.exitCode, exitCode);
        QVERIFY(!result.err.isEmpty());
        QVERIFY(result.out.isEmpty());
        QCOMPARE(testing_support::FileDigest(fixture.file("function.dll")), before);
    }

    void passwordResetForAForgottenOne() {
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        QCOMPARE(Admin({"init"}).exitCode, 0);
        const Result result = Admin({"password", "--new", "new'one"});
        QVERIFY2(result.exitCode == 0, qPrintable(result.err));
        QCOMPARE(result.out, QString("密码已修改\n"));
        QCOMPARE(Stored(fixture.file("function.dll"), "usertable", "password", "username='admin'"),
                 QString("new'one"));
        QVERIFY(Admin({"password", "--new", "x"}).exitCode == 0);
        QFile::remove(fixture.file("function.dll"));
        QCOMPARE(Admin({"password", "--new", "x"}).exitCode, 1);
    }
};

QTEST_GUILESS_MAIN(TestAdminSettings)
#include "test_admin_settings.moc"
