// The database file, the connection and the record helpers.

#include <sys/stat.h>

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include "data/connection.h"
#include "data/errors.h"
#include "data/file_names.h"
#include "data/records.h"
#include "data/schema.h"
#include "support/runtime_fixture.h"

using namespace data;
using testing_support::RuntimeFixture;

namespace {

qint64 AddSample(int customer, double odrnum, const QString& file = QStringLiteral("/p/x.jpg")) {
    return AppendRow(QStringLiteral("photoinfo"), {{QStringLiteral("customerid"), customer},
                                                   {QStringLiteral("odrnum"), odrnum},
                                                   {QStringLiteral("filename"), file}});
}

qint64 AddPick(int customer, qint64 photo, const QString& album) {
    return AppendRow(QStringLiteral("xcphoto"), {{QStringLiteral("customerid"), customer},
                                                 {QStringLiteral("photoid"), photo},
                                                 {QStringLiteral("xcmc"), album}});
}

// The ids of a view's rows for one condition, in the order the view returns them,
// checked against their display numbers 1..n.
QList<qint64> IdsInDisplayOrder(const QString& view, const QString& condition,
                                const QString& idColumn = QStringLiteral("id")) {
    QList<qint64> ids;
    int expected = 1;
    for (const auto& row : QueryRows(QStringLiteral("select * from ") + view +
                                     QStringLiteral(" where ") + condition)) {
        if (row.value(QStringLiteral("disid")).toInt() != expected++) return {-1};
        ids << row.value(idColumn).toLongLong();
    }
    return ids;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The database file and its journal files, "-" for one that does not exist. The -shm is
// only an index that readers mark as they go; that it stays is what counts.
QStringList Digests(const QString& path) {
    QStringList digests;
    for (const QString suffix : {"", "-wal", "-journal"})
        digests << (QFile::exists(path + suffix)
                        ? QString::fromLatin1(testing_support::FileDigest(path + suffix).toHex())
                        : QStringLiteral("-"));
    digests << (QFile::exists(path + "-shm") ? QStringLiteral("shm") : QStringLiteral("-"));
    return digests;
}

}  // namespace

class TestDatabase : public QObject {
    Q_OBJECT

  private slots:
    void newDatabaseHasSettingsAndAdmin() {
        RuntimeFixture fixture;
        QCOMPARE(LookupValue("SysSet", "itemvalue", "itemname='widthsalerote'"), QString("75"));
        QCOMPARE(LookupValue("sysset", "itemvalue", "itemname='openwidthsale'"), QString("否"));
        QCOMPARE(LookupValue("SysSet", "itemvalue", "itemname='qhkh'"), QString("否"));
        QVERIFY(!LookupValue("SysSet", "itemvalue", "itemname='printinfo'").isEmpty());
        QCOMPARE(QueryRows("select * from SysSet").size(), size_t(4));
        const Rows admin = QueryRows("select [password] From usertable where username='admin'");
        QCOMPARE(admin.size(), size_t(1));
        QCOMPARE(TextOf(admin.front(), "password"), QString());
    }

    void newCustomerGetsDateAndIdsGrow() {
        RuntimeFixture fixture;
        const qint64 first = AppendRow("customer", {{"customername", "甲"}, {"staus", "正常"}});
        const qint64 second = AppendRow("customer", {{"customername", "乙"}, {"staus", "正常"}});
        QVERIFY(first > 0 && second > first);
        const QString date =
            LookupValue("customer", "adddate", "customerid=" + QString::number(first));
        QVERIFY2(QDateTime::fromString(date, "yyyy-MM-dd HH:mm:ss").isValid(), qPrintable(date));
        // Keys are never reused, even after the newest row is deleted.
        Execute("delete from customer where customerid=" + QString::number(second));
        QVERIFY(AppendRow("customer", {{"customername", "丙"}}) > second);
    }

    void createRefusesExistingFile() {
        RuntimeFixture fixture;
        const QString path = fixture.file(kDatabaseFileName);
        const QByteArray before = testing_support::FileDigest(path);
        QString error;
        QVERIFY(!CreateDatabase(path, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(testing_support::FileDigest(path), before);
    }

    // A new database can be shared like any file the user makes (a studio folder used by
    // several accounts): not private to its maker because it was built under a temporary name.
    void newDatabaseHasTheUsualPermissions() {
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        const mode_t previous = ::umask(022);
        const QString path = fixture.file(kDatabaseFileName);
        QString error;
        const bool created = CreateDatabase(path, &error);
        ::umask(previous);
        QVERIFY2(created, qPrintable(error));
        QCOMPARE(QFileInfo(path).permissions() &
                     (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOwner | QFile::ReadOwner),
                 QFile::ReadGroup | QFile::ReadOther | QFile::WriteOwner | QFile::ReadOwner);
    }

    // Every refusal says why, and leaves the file and its journal files exactly as they were.
    void openTellsWhyAFileIsRefused_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("expected");
        QTest::newRow("text file") << "text" << int(OpenResult::NotOurs);
        QTest::newRow("empty file") << "empty" << int(OpenResult::NotOurs);
        QTest::newRow("someone else's sqlite") << "foreign" << int(OpenResult::NotOurs);
        QTest::newRow("someone else's sqlite with a pending wal")
            << "foreign-wal" << int(OpenResult::NotOurs);
        QTest::newRow("ours from a newer release") << "newer" << int(OpenResult::Newer);
        QTest::newRow("ours from a newer release, pending wal")
            << "newer-wal" << int(OpenResult::Newer);
        QTest::newRow("ours cut within the header") << "cut-header" << int(OpenResult::Damaged);
        QTest::newRow("ours cut after a page") << "cut-page" << int(OpenResult::Damaged);
        QTest::newRow("ours cut in half") << "cut-half" << int(OpenResult::Damaged);
    }
    void openTellsWhyAFileIsRefused() {
        QFETCH(QString, kind);
        QFETCH(int, expected);
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        const QString path = fixture.file(kDatabaseFileName);
        if (kind == "text") {
            WriteFile(path, "not a database at all\n");
        } else if (kind == "empty") {
            WriteFile(path, QByteArray());
        } else if (kind.startsWith("foreign") || kind.startsWith("newer")) {
            // A copy taken while its writer still had changes in the -wal, as after a crash.
            const QString source = fixture.file("source.db");
            if (kind.startsWith("newer")) {
                QString error;
                QVERIFY2(CreateDatabase(source, &error), qPrintable(error));
            }
            {
                QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "writer");
                db.setDatabaseName(source);
                QVERIFY(db.open());
                QSqlQuery query(db);
                QVERIFY(query.exec("pragma journal_mode = wal"));
                QVERIFY(query.exec("pragma wal_autocheckpoint = 0"));
                if (kind.startsWith("foreign")) {
                    QVERIFY(query.exec("create table t(a)"));
                    QVERIFY(query.exec("insert into t values('x')"));
                } else {
                    QVERIFY(query.exec("pragma user_version = 99"));
                }
                const bool pending = kind.endsWith("-wal");
                if (!pending) QVERIFY(query.exec("pragma wal_checkpoint(truncate)"));
                QVERIFY(QFile::copy(source, path));
                if (pending) {
                    QVERIFY(QFile::copy(source + "-wal", path + "-wal"));
                    QVERIFY(QFile::copy(source + "-shm", path + "-shm"));
                }
                query.finish();
                db.close();
            }
            QSqlDatabase::removeDatabase("writer");
            QCOMPARE(QFile::exists(path + "-wal"), kind.endsWith("-wal"));
        } else {
            // A real file of ours with a few pages of thumbnails, copied only in part.
            const QString source = fixture.file("source.db");
            QString error;
            QVERIFY2(CreateDatabase(source, &error), qPrintable(error));
            QCOMPARE(OpenConnection(source), OpenResult::Opened);
            for (int i = 0; i < 20; ++i)
                AppendRow("photoinfo",
                          {{"customerid", 1}, {"odrnum", i}, {"photofile", QByteArray(8000, 'x')}});
            CloseConnection();
            const QByteArray whole = ReadFile(source);
            QVERIFY(whole.size() > 16 * 4096);
            const int cut = kind == "cut-header" ? 80
                            : kind == "cut-page" ? 4096
                                                 : whole.size() / 2;
            WriteFile(path, whole.left(cut));
        }

        const QStringList before = Digests(path);
        QCOMPARE(int(OpenConnection(path)), expected);
        QVERIFY(!IsConnected());
        QCOMPARE(Digests(path), before);
        QVERIFY(!OpenFailureReason(OpenResult(expected), path).isEmpty());
    }

    void refusalsAreToldApart() {
        const QString path = "/x/function.dll";
        QSet<QString> reasons;
        for (OpenResult result : {OpenResult::Missing, OpenResult::NotOurs, OpenResult::Newer,
                                  OpenResult::Damaged, OpenResult::Failed}) {
            const QString reason = OpenFailureReason(result, path);
            QVERIFY2(reason.contains(path), qPrintable(reason));
            reasons.insert(reason);
        }
        QCOMPARE(reasons.size(), 5);
        QVERIFY(OpenFailureReason(OpenResult::Newer, path).contains("新版本"));
        QVERIFY(OpenFailureReason(OpenResult::Damaged, path).contains("不完整"));
    }

    void olderFileIsUpgradedOnOpening() {
        RuntimeFixture fixture;
        const qint64 sample = AddSample(1, 1);
        Execute("drop view V_photoinfo");
        Execute("pragma user_version = 1");
        CloseConnection();
        QCOMPARE(OpenConnection(fixture.file(kDatabaseFileName)), OpenResult::Opened);
        QCOMPARE(LookupValue("V_photoinfo", "id", "customerid=1 and disid=1"),
                 QString::number(sample));
        QCOMPARE(QueryRows("pragma user_version").front().value(0).toInt(), kSchemaVersion);
        // A file from a newer release is left alone.
        Execute("pragma user_version = 99");
        CloseConnection();
        QCOMPARE(OpenConnection(fixture.file(kDatabaseFileName)), OpenResult::Newer);
    }

    void missingFileIsNotCreated() {
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        const QString path = fixture.file(kDatabaseFileName);
        QCOMPARE(OpenConnection(path), OpenResult::Missing);
        QVERIFY(!QFile::exists(path));
        QVERIFY_THROWS_EXCEPTION(DbError, QueryRows("select 1"));
    }

    void sqlQuote_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("quoted");
        QTest::newRow("name") << "O'Brien"
                              << "O''Brien";
        QTest::newRow("two quotes") << "''"
                                    << "''''";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("chinese") << "精修'相册"
                                 << "精修''相册";
    }
    void sqlQuote() {
        QFETCH(QString, text);
        QFETCH(QString, quoted);
        QCOMPARE(SqlQuote(text), quoted);
    }

    void helpersOnMissingAndNullValues() {
        RuntimeFixture fixture;
        QCOMPARE(LookupValue("SysSet", "itemvalue", "itemname='nosuchkey'"), QString());
        const qint64 id = AppendRow("customer", {{"customername", "甲"}});
        QCOMPARE(LookupValue("customer", "note", "customerid=" + QString::number(id)), QString());
        UpdateValue("SysSet", "itemvalue", "'x'", "itemname='nosuchkey'");
        QCOMPARE(QueryRows("select * from SysSet").size(), size_t(4));
        UpdateValue("SysSet", "itemvalue", "'" + SqlQuote("页脚'文字") + "'",
                    "itemname='printinfo'");
        QCOMPARE(LookupValue("SysSet", "itemvalue", "itemname='printinfo'"), QString("页脚'文字"));
        // An unknown column is the engine's error, carried to the caller.
        QVERIFY_THROWS_EXCEPTION(DbError, LookupValue("SysSet", "nosuch", "1=1"));
    }

    void valueExistsTestsOneCustomersPaths() {
        RuntimeFixture fixture;
        const QString quoted = "/studio/O'Brien/a.jpg";
        const qint64 first = AddSample(1, 1, quoted);
        AddSample(2, 1, "/studio/b.jpg");
        QVERIFY(ValueExists("photoinfo", "customerid=1 and filename", quoted, QString()));
        QVERIFY(!ValueExists("photoinfo", "customerid=2 and filename", quoted, QString()));
        QVERIFY(!ValueExists("photoinfo", "filename", quoted, QString::number(first)));
        QVERIFY(ValueExists("photoinfo", "filename", "/studio/b.jpg", QString::number(first)));
        for (int i = 0; i < 2000; ++i)
            ValueExists("photoinfo", "customerid=1 and filename", "/x" + QString::number(i), {});
        Execute("delete from photoinfo");  // would fail with a statement still reading
    }

    void strToInt() {
        QCOMPARE(StrToInt("75"), 75);
        QCOMPARE(StrToInt("-3"), -3);
        try {
            StrToInt("");
            QFAIL("no error");
        } catch (const ConversionError& e) {
            QCOMPARE(e.text(), QString("'' is not a valid integer value"));
        }
        QVERIFY_THROWS_EXCEPTION(ConversionError, StrToInt("7a"));
    }

    void extensionOf_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("extension");
        QTest::newRow("plain") << "a.jpg"
                               << ".jpg";
        QTest::newRow("upper") << "b.JPEG"
                               << ".JPEG";
        QTest::newRow("two dots") << "a.jpg.txt"
                                  << ".txt";
        QTest::newRow("only extension") << ".jpg"
                                        << ".jpg";
        QTest::newRow("trailing dot") << "photo."
                                      << ".";
        QTest::newRow("no dot") << "README"
                                << "";
        QTest::newRow("leading dots") << "..jpg"
                                      << ".jpg";
        QTest::newRow("chinese") << "样片.一.bmp"
                                 << ".bmp";
    }
    void extensionOf() {
        QFETCH(QString, name);
        QFETCH(QString, extension);
        QCOMPARE(ExtensionOf(name), extension);
    }

    void samplesAreNumberedInOrder() {
        RuntimeFixture fixture;
        // A re-import repeats order numbers; ties go by id, fractions sort between.
        const qint64 a = AddSample(1, 1), b = AddSample(1, 2), c = AddSample(1, 3);
        const qint64 other = AddSample(2, 1);
        const qint64 d = AddSample(1, 1), e = AddSample(1, 2);
        const qint64 f = AddSample(1, 0.5);
        const QList<qint64> order{f, a, d, b, e, c};
        QCOMPARE(IdsInDisplayOrder("V_photoinfo", "customerid=1"), order);
        QCOMPARE(IdsInDisplayOrder("V_photoinfo", "customerid=2"), QList<qint64>{other});
        // The same order on every query, and from any display number on.
        QCOMPARE(IdsInDisplayOrder("V_photoinfo", "customerid=1"), order);
        const Rows tail = QueryRows(
            "select id, disid from V_photoinfo where disid >=4 and "
            "customerid=1 limit 12");
        QCOMPARE(tail.size(), size_t(3));
        QCOMPARE(tail[0].value("id").toLongLong(), b);
        QCOMPARE(LookupValue("V_photoinfo", "disid", "customerid=1 and id=" + QString::number(c)),
                 QString("6"));
        // Deleting closes the gap at once.
        Execute("delete from photoinfo where id=" + QString::number(d));
        QCOMPARE(IdsInDisplayOrder("V_photoinfo", "customerid=1"), (QList<qint64>{f, a, b, e, c}));
    }

    void picksAreNumberedPerAlbumAndPerCustomer() {
        RuntimeFixture fixture;
        const qint64 s1 = AddSample(1, 1, "/p/1.jpg"), s2 = AddSample(1, 2, "/p/2.jpg");
        const qint64 s3 = AddSample(2, 1, "/p/3.jpg");
        const qint64 p1 = AddPick(1, s1, "精修");
        const qint64 p2 = AddPick(1, s2, "放大");
        const qint64 p3 = AddPick(1, s1, "精修");  // the same sample twice
        const qint64 p4 = AddPick(2, s3, "精修");
        const qint64 p5 = AddPick(1, s2, "精修");
        QCOMPARE(IdsInDisplayOrder("V_xcphoto", "customerid=1 and xcmc='精修'"),
                 (QList<qint64>{p1, p3, p5}));
        QCOMPARE(IdsInDisplayOrder("V_xcphoto", "customerid=1 and xcmc='放大'"), QList<qint64>{p2});
        QCOMPARE(IdsInDisplayOrder("V_xcphoto", "customerid=2 and xcmc='精修'"), QList<qint64>{p4});
        QCOMPARE(IdsInDisplayOrder("V_xcphotoall", "customerid=1"),
                 (QList<qint64>{p1, p2, p3, p5}));
        // Rows carry the sample's file and note.
        Execute("update photoinfo set zzyq='加急' where id=" + QString::number(s2));
        const Rows all =
            QueryRows("select * from V_xcphotoall where customerid=1 and disid>=2 limit 18");
        QCOMPARE(all.size(), size_t(3));
        QCOMPARE(TextOf(all[0], "filename"), QString("/p/2.jpg"));
        QCOMPARE(TextOf(all[0], "zzyq"), QString("加急"));
        QCOMPARE(all[0].value("photoid").toLongLong(), s2);
        // Removing one of two repeated picks renumbers the rest without a gap.
        Execute(
            "delete from xcphoto where id=(select id from xcphoto where customerid=1 and "
            "photoid=" +
            QString::number(s1) + " and xcmc='精修' limit 1)");
        QCOMPARE(IdsInDisplayOrder("V_xcphoto", "customerid=1 and xcmc='精修'"),
                 (QList<qint64>{p3, p5}));
    }

    void sampleQueriesOfTheWorkspaceRun() {
        RuntimeFixture fixture;
        const qint64 s1 = AddSample(7, 1), s2 = AddSample(7, 2);
        AddPick(7, s2, "a");
        AddPick(7, s2, "b");
        const QString condition = " customerid=7";
        const Rows rows = QueryRows(
            "select photofile,filename,id,(select count(1) from xcphoto where" + condition +
            " and photoid=V_photoinfo.id) as isel,'' as fs  from V_photoinfo where disid >=1 and" +
            condition + " limit 12");
        QCOMPARE(rows.size(), size_t(2));
        QCOMPARE(rows[0].value("id").toLongLong(), s1);
        QCOMPARE(rows[0].value("isel").toInt(), 0);
        QCOMPARE(rows[1].value("isel").toInt(), 2);
        const Rows counts = QueryRows(
            "select xcmc,count(photoid) as shumu from xcphoto where "
            "customerid=7 group by xcmc");
        QCOMPARE(counts.size(), size_t(2));
    }

    void transactionRollsBackUnlessCommitted() {
        RuntimeFixture fixture;
        {
            Transaction transaction;
            AppendRow("xclib", {{"xcmc", "临时"}});
        }
        QCOMPARE(LookupValue("xclib", "xcmc", "xcmc='临时'"), QString());
        try {
            Transaction transaction;
            AppendRow("xclib", {{"xcmc", "临时"}});
            Execute("insert into nosuchtable values(1)");
            transaction.commit();
        } catch (const DbError&) {
        }
        QCOMPARE(LookupValue("xclib", "xcmc", "xcmc='临时'"), QString());
        {
            Transaction transaction;
            AppendRow("xclib", {{"xcmc", "保留"}});
            transaction.commit();
        }
        QCOMPARE(LookupValue("xclib", "xcmc", "xcmc='保留'"), QString("保留"));
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "test_database.moc"
