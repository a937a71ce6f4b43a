// The database server as a studio's stations use it: making the schema on an empty
// database, refusing databases that are not ours, moving a studio's file onto the server,
// the program on a server, and a server line that was cut.

#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

#include "app/tfrmps.h"
#include "data/connection.h"
#include "data/daily_backup.h"
#include "data/database_lock.h"
#include "data/errors.h"
#include "data/records.h"
#include "data/schema.h"
#include "data/sql_dialect.h"
#include "support/admin_process.h"
#include "support/runtime_fixture.h"
#include "support/server_run.h"

using namespace data;
using testing_support::Admin;
using testing_support::AdminResult;
using testing_support::RuntimeFixture;

namespace {

// An empty database on the test server named by the folder's verimond.ini, dropped at the end.
struct EmptyServerDatabase {
    explicit EmptyServerDatabase(const QString& folder)
        : address(testing_support::CreateServerDatabase()) {
        testing_support::WriteServerSetting(folder, address);
    }
    ~EmptyServerDatabase() {
        CloseConnection();
        testing_support::DropServerDatabase(address);
    }
    // Runs statements on a connection of its own, outside the program's.
    void run(const QStringList& statements) {
        QString error;
        {
            QSqlDatabase db = OpenServerConnection("setup", address, &error);
            QVERIFY2(db.isOpen(), qPrintable(error));
            QSqlQuery query(db);
            for (const QString& statement : statements)
                QVERIFY2(query.exec(statement), qPrintable(query.lastError().text()));
            query.finish();
            db.close();
        }
        QSqlDatabase::removeDatabase("setup");
    }
    ServerAddress address;
};

// Every row of a table, in key order, as text (numbers and text) or hex (bytes).
QStringList TableText(const QString& table, const QString& order) {
    QStringList rows;
    for (const QSqlRecord& row : QueryRows("select * from " + table + " order by " + order)) {
        QStringList fields;
        for (int i = 0; i < row.count(); ++i) {
            const QVariant value = row.value(i);
            const QString name = row.fieldName(i).toLower();
            if (value.isNull())
                fields << name + "=NULL";
            else if (value.typeId() == QMetaType::QByteArray)
                fields << name + "=" + QString::fromLatin1(value.toByteArray().toHex());
            else if (value.typeId() == QMetaType::Double)
                fields << name + "=" + QString::number(value.toDouble(), 'g', 17);
            else
                fields << name + "=" + value.toString();
        }
        fields.sort();
        rows << fields.join('|');
    }
    return rows;
}

const QList<QPair<QString, QString>> kTablesInOrder = {
    {"customer", "customerid"}, {"photoinfo", "id"},       {"customerxc", "id"},
    {"xcphoto", "id"},          {"xclib", "id"},           {"print", "id"},
    {"SysSet", "itemname"},     {"usertable", "username"}, {"V_photoinfo", "id"},
    {"V_xcphoto", "id"},        {"V_xcphotoall", "id"},
};

QMap<QString, QStringList> EverythingOf(const DatabaseTarget& target) {
    QMap<QString, QStringList> all;
    if (OpenDatabase(target) != OpenResult::Opened) return all;
    for (const auto& [table, order] : kTablesInOrder) all[table] = TableText(table, order);
    CloseConnection();
    return all;
}

// A studio's file with a bit of everything: text that needs care, bytes with zeros, a NULL
// thumbnail, repeated picks, a deleted newest customer whose key must not come back.
void FillStudioFile(const QString& file) {
    QString error;
    QVERIFY2(CreateDatabase(file, &error), qPrintable(error));
    QCOMPARE(OpenConnection(file), OpenResult::Opened);
    QByteArray bytes;
    for (int i = 0; i < 3000; ++i) bytes += char((i * 37) % 256);
    const qint64 a = AppendRow("customer", {{"customername", "O'Brien \\ 陈"},
                                            {"photopath", "/studio/a"},
                                            {"staus", "正常"},
                                            {"note", "第一行\n第二行 'x' \\n"}});
    const qint64 b = AppendRow("customer", {{"customername", "乙"}, {"staus", "关闭"}});
    const qint64 gone = AppendRow("customer", {{"customername", "丙"}});
    Execute("delete from customer where customerid=" + QString::number(gone));
    QList<qint64> samples;
    for (int i = 0; i < 5; ++i)
        samples << AppendRow("photoinfo", {{"customerid", a},
                                           {"odrnum", i == 3 ? 1.5 : double(i + 1)},
                                           {"filename", QString("/studio/a/%1.jpg").arg(i)},
                                           {"photofile", bytes.mid(i)}});
    samples << AppendRow("photoinfo", {{"customerid", b}, {"odrnum", 1}, {"filename", "/b/1.jpg"}});
    Execute("update photoinfo set zzyq='加急''s' where id=" + QString::number(samples[1]));
    Execute("update photoinfo set zzyq='' where id=" + QString::number(samples[2]));
    Execute("insert into customerxc(customerid,xcmc) select " + QString::number(a) +
            ", xcmc from xclib order by id");
    for (qint64 sample : {samples[0], samples[2], samples[0], samples[4]})
        AppendRow("xcphoto", {{"customerid", a}, {"photoid", sample}, {"xcmc", "精修相册"}});
    AppendRow("xcphoto", {{"customerid", a}, {"photoid", samples[1]}, {"xcmc", "放大摆台"}});
    AppendRow("print", {{"photo", bytes.left(100)}, {"xcmc", "精修相册"}, {"customerid", a}});
    Execute("insert into SysSet(itemname, itemvalue) values('startpage', 'http://x/?a=1')");
    Execute("update usertable set password='p''w\\' where username='admin'");
    CloseConnection();
}

}  // namespace

class TestServer : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        // This program exists for the server; run without one it would test nothing.
        QVERIFY2(testing_support::ServerRun(),
                 "VERIMOND_TEST_SERVER is not set: run through ctest (test_server_server)");
    }

    // init makes the schema only where there is nothing; a database with anything in it is
    // left exactly as it was, and the program refuses what is not ours.
    void initOnlyOnAnEmptyDatabase_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("before");  // what the program finds before init
        QTest::addColumn<bool>("made");
        QTest::addColumn<QString>("says");
        QTest::newRow("empty") << "empty" << int(OpenResult::Empty) << true << "";
        QTest::newRow("someone else's tables")
            << "foreign" << int(OpenResult::NotOurs) << false << "不是空的";
        QTest::newRow("ours already") << "ours" << int(OpenResult::Opened) << false << "已经建立过";
        QTest::newRow("ours from a newer release")
            << "newer" << int(OpenResult::Newer) << false << "已经建立过";
    }
    void initOnlyOnAnEmptyDatabase() {
        QFETCH(QString, kind);
        QFETCH(int, before);
        QFETCH(bool, made);
        QFETCH(QString, says);
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        EmptyServerDatabase server(fixture.path());
        if (kind == "foreign")
            server.run({"create table orders(id integer, what text)",
                        "insert into orders values(1, 'x')"});
        if (kind == "ours" || kind == "newer") QCOMPARE(Admin({"init"}).exitCode, 0);
        if (kind == "newer") server.run({"update schema_mark set user_version = 99"});

        const DatabaseTarget target = fixture.database();
        QCOMPARE(int(OpenDatabase(target)), before);
        const QString reason = OpenFailureReason(OpenResult(before), target);
        if (before == int(OpenResult::Empty)) QVERIFY2(reason.contains("init"), qPrintable(reason));
        CloseConnection();

        const AdminResult init = Admin({"init"});
        QCOMPARE(init.exitCode, made ? 0 : 1);
        QVERIFY2(init.err.contains(says), qPrintable(init.err));
        if (made) QVERIFY2(init.out.contains(server.address.name), qPrintable(init.out));
        QVERIFY(!QFile::exists(fixture.file(kDatabaseFileName)));

        if (kind == "foreign") {
            server.run({"select 1 from orders where what='x'"});
            QCOMPARE(OpenDatabase(target), OpenResult::NotOurs);
            return;
        }
        if (kind == "newer") {
            QCOMPARE(OpenDatabase(target), OpenResult::Newer);
            return;
        }
        QCOMPARE(OpenDatabase(target), OpenResult::Opened);
        QCOMPARE(QueryRows("select * from SysSet").size(), size_t(4));
        QCOMPARE(LookupValue("usertable", "password", "username='admin'"), QString());
        QCOMPARE(LookupValue("xclib", "count(*)", "1=1"), QString("3"));
        QCOMPARE(LookupValue("schema_mark", "user_version", "1=1"),
                 QString::number(kSchemaVersion));
    }

    // The whole studio moves: every row with its key, thumbnails to the byte, the display
    // numbers, the settings and the password; the file is not touched, and new keys
    // follow the highest the file ever gave out.
    void copyToServerKeepsEveryRowAndKey() {
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        const QString file = fixture.file(kDatabaseFileName);
        FillStudioFile(file);
        const QMap<QString, QStringList> inFile =
            EverythingOf(ParseDatabaseSetting(QString(), fixture.path()));
        QVERIFY(!inFile.value("photoinfo").isEmpty());
        const QByteArray digest = testing_support::FileDigest(file);

        EmptyServerDatabase server(fixture.path());
        const AdminResult copy = Admin({"copy-to-server"});
        QVERIFY2(copy.exitCode == 0, qPrintable(copy.err));
        QVERIFY2(copy.out.contains("photoinfo: 文件 6 行, 服务器 6 行"), qPrintable(copy.out));

        const QMap<QString, QStringList> onServer = EverythingOf(fixture.database());
        for (const auto& [table, order] : kTablesInOrder)
            QCOMPARE(onServer.value(table), inFile.value(table));
        QCOMPARE(testing_support::FileDigest(file), digest);

        QCOMPARE(OpenDatabase(fixture.database()), OpenResult::Opened);
        QCOMPARE(AppendRow("customer", {{"customername", "丁"}}), qint64(4));
        const qint64 lastSample = LookupValue("photoinfo", "max(id)", "1=1").toLongLong();
        QCOMPARE(AppendRow("photoinfo", {{"customerid", 4}, {"odrnum", 1}}), lastSample + 1);
        CloseConnection();

        // A second copy finds the server in use and changes nothing.
        const AdminResult again = Admin({"copy-to-server"});
        QCOMPARE(again.exitCode, 1);
        QVERIFY2(again.err.contains("已经建立过"), qPrintable(again.err));
        QCOMPARE(OpenDatabase(fixture.database()), OpenResult::Opened);
        QCOMPARE(LookupValue("customer", "count(*)", "1=1"), QString("3"));
    }

    // A row the server cannot take, late in the copy, leaves the server database empty.
    void failedCopyLeavesTheServerEmpty() {
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        const QString file = fixture.file(kDatabaseFileName);
        FillStudioFile(file);
        QCOMPARE(OpenConnection(file), OpenResult::Opened);
        // A text holding a zero character: SQLite keeps it, the server refuses it.
        Execute("update usertable set password='a' || char(0) || 'b' where username='admin'");
        CloseConnection();
        EmptyServerDatabase server(fixture.path());
        const AdminResult copy = Admin({"copy-to-server"});
        QCOMPARE(copy.exitCode, 1);
        QVERIFY2(copy.err.contains("没有改动"), qPrintable(copy.err));
        QCOMPARE(OpenDatabase(fixture.database()), OpenResult::Empty);
    }

    // A station still open on the file would go on writing into it after the move.
    void copyRefusesAFileInUse() {
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        const QString file = fixture.file(kDatabaseFileName);
        FillStudioFile(file);
        EmptyServerDatabase server(fixture.path());
        {
            const DatabaseUseLock program(file, DatabaseUseLock::Mode::Shared);
            QVERIFY(program.isHeld());
            const AdminResult copy = Admin({"copy-to-server"});
            QCOMPARE(copy.exitCode, 1);
            QVERIFY2(copy.err.contains("正在使用"), qPrintable(copy.err));
            QCOMPARE(OpenDatabase(fixture.database()), OpenResult::Empty);
        }
        const AdminResult copy = Admin({"copy-to-server"});
        QVERIFY2(copy.exitCode == 0, qPrintable(copy.err));
    }

    void copyNeedsAServerSetting() {
        RuntimeFixture fixture;  // a server database of ours already
        const AdminResult copy = Admin({"copy-to-server", "nowhere.dll"});
        QCOMPARE(copy.exitCode, 1);
        QVERIFY2(copy.err.contains("nowhere.dll"), qPrintable(copy.err));
        QFile::remove(fixture.file(kSettingFileName));
        const AdminResult local = Admin({"copy-to-server"});
        QCOMPARE(local.exitCode, 1);
        QVERIFY2(local.err.contains("engine=postgresql"), qPrintable(local.err));
    }

    // On a server the workspace makes no file beside it and takes no backups: the server
    // is backed up with its own tools, which verimond-admin backup names.
    void workspaceOnTheServerLeavesFilesAlone() {
        RuntimeFixture fixture;
        CloseConnection();
        {
            app::Tfrmps workspace;
            QCOMPARE(fixture.dialogs().Texts("message"), QStringList());
            QVERIFY(IsConnected());
            QCOMPARE(CurrentEngine(), Engine::Server);
            QCOMPARE(ConnectedDatabaseFile(), QString());
            workspace.StartDailyBackup();
            QVERIFY(!workspace.dailyBackup().IsRunning());
        }
        for (const QString name : {"function.dll", "function.dll.lock", "backup"})
            QVERIFY2(!QFile::exists(fixture.file(name)), qPrintable(name));
        const AdminResult backup = Admin({"backup"});
        QCOMPARE(backup.exitCode, 1);
        QVERIFY2(backup.err.contains("pg_dump"), qPrintable(backup.err));
        QVERIFY(!QFile::exists(fixture.file("backup")));
    }

    void emptyServerDatabaseIsReportedAtStart() {
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        EmptyServerDatabase server(fixture.path());
        app::Tfrmps workspace;
        const QStringList told = fixture.dialogs().Texts("message");
        QCOMPARE(told.size(), 1);
        QVERIFY2(told.first().startsWith("数据库连结错误,请检查数据库连结设置！\n") &&
                     told.first().contains("verimond-admin init") &&
                     told.first().contains(server.address.name),
                 qPrintable(told.first()));
        QVERIFY(!IsConnected());
    }

    // Another station holds a lock in an open transaction: a statement that needs it waits
    // a few seconds, then ends with a message the staff understand, in the program and in
    // a command; once that station is done, the same statement goes through.
    void lockWaitEndsWithAMessage_data() {
        QTest::addColumn<QString>("lock");  // what the other station holds
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QStringList>("command");
        QTest::newRow("a read behind a table lock")
            << "lock table customer in access exclusive mode"
            << "select count(*) from customer" << QStringList{"list"};
        QTest::newRow("a write behind a row lock")
            << "update usertable set password='x' where username='admin'"
            << "update usertable set password='y' where username='admin'"
            << QStringList{"password", "--new", "y"};
    }
    void lockWaitEndsWithAMessage() {
        QFETCH(QString, lock);
        QFETCH(QString, statement);
        QFETCH(QStringList, command);
        const QString busy = "另一台电脑正在修改同样的数据,请稍后再试";
        RuntimeFixture fixture;
        // Were a wait without a bound, the guard below would end it, with another message.
        Execute("set statement_timeout = '60s'");
        qputenv("PGOPTIONS", "-c statement_timeout=60s");
        const auto unset = qScopeGuard([] { qunsetenv("PGOPTIONS"); });
        const auto run = [&] {
            if (statement.startsWith("select"))
                QueryRows(statement);
            else
                Execute(statement);
        };
        {
            QSqlDatabase other = testing_support::OpenOtherStation(fixture.database(), "other");
            QVERIFY(other.isOpen() && other.transaction());
            QSqlQuery held(other);
            QVERIFY2(held.exec(lock), qPrintable(held.lastError().text()));

            QString text;
            try {
                run();
            } catch (const DbError& error) {
                text = error.text();
            }
            QCOMPARE(text, busy);
            const AdminResult admin = Admin(command);
            QCOMPARE(admin.exitCode, 1);
            QVERIFY2(admin.err.contains(busy), qPrintable(admin.err));

            QVERIFY(other.rollback());
            other.close();
        }
        QSqlDatabase::removeDatabase("other");
        run();
        QCOMPARE(Admin(command).exitCode, 0);
    }

    // The server restarted or the network was cut: reads go on at once, a write that was
    // under way is reported and not repeated, a transaction fails whole.
    void cutServerLineIsOpenedAgain() {
        RuntimeFixture fixture;
        const auto cut = [&] {
            const QString pid = QueryRows("select pg_backend_pid()").front().value(0).toString();
            QString error;
            {
                QSqlDatabase db = OpenServerConnection("cutter", fixture.database().server, &error);
                QVERIFY2(db.isOpen(), qPrintable(error));
                QSqlQuery query(db);
                QVERIFY(query.exec("select pg_terminate_backend(" + pid + ")"));
                query.finish();
                db.close();
            }
            QSqlDatabase::removeDatabase("cutter");
        };
        cut();
        QCOMPARE(LookupValue("xclib", "count(*)", "1=1"), QString("3"));

        cut();
        QVERIFY_THROWS_EXCEPTION(DbError, Execute("insert into xclib(xcmc) values('新')"));
        Execute("insert into xclib(xcmc) values('新')");
        QCOMPARE(LookupValue("xclib", "count(*)", "1=1"), QString("4"));

        {
            Transaction transaction;
            AppendRow("xclib", {{"xcmc", "事务中"}});
            cut();
            QVERIFY_THROWS_EXCEPTION(DbError, AppendRow("xclib", {{"xcmc", "事务中"}}));
        }
        cut();
        {
            Transaction transaction;  // begins on a line opened again
            AppendRow("xclib", {{"xcmc", "之后"}});
            transaction.commit();
        }
        QCOMPARE(LookupValue("xclib", "count(*)", "xcmc='事务中'"), QString("0"));
        QCOMPARE(LookupValue("xclib", "count(*)", "xcmc='之后'"), QString("1"));
    }
};

QTEST_MAIN(TestServer)
#include "test_server.moc"
