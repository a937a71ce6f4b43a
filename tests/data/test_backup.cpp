// Backups of the database: consistent while others write, checked before they are kept,
// rotated, and put back only when sound and when nobody is using the database.

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtConcurrent>
#include <QtTest>
#include <atomic>

#include "data/backup.h"
#include "data/connection.h"
#include "data/daily_backup.h"
#include "data/database_lock.h"
#include "data/records.h"
#include "support/runtime_fixture.h"
#include "support/workspace_fixture.h"
#include "workspace/login_box.h"

using namespace data;
using testing_support::FileDigest;
using testing_support::RuntimeFixture;

namespace {

const QDateTime kNow(QDate(2026, 12, 10), QTime(9, 30, 0));

// Makes the database big enough that a copy takes many steps.
void FillSamples(int count) {
    Transaction transaction;
    const QByteArray blob(4000, 'x');
    for (int i = 0; i < count; ++i)
        AppendRow(
            "photoinfo",
            {{"customerid", 1}, {"odrnum", i}, {"filename", "/p/x.jpg"}, {"photofile", blob}});
    transaction.commit();
}

// Overwrites a stretch in the middle of a file, as a bad sector would.
void Damage(const QString& file) {
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadWrite));
    f.seek(f.size() / 2);
    f.write(QByteArray(8192, '\x5a'));
}

int CountIn(const QString& file, const QString& sql) {
    int count = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "check");
        db.setDatabaseName(file);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(sql) && query.next()) count = query.value(0).toInt();
        }
    }
    QSqlDatabase::removeDatabase("check");
    return count;
}

QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

}  // namespace

class TestBackup : public QObject {
    Q_OBJECT

  private slots:
    void backupIsConsistentWhileAnotherConnectionWrites() {
        RuntimeFixture fixture;
        FillSamples(1500);
        const QString db = fixture.file("function.dll");

        // A second connection writes pairs of rows in transactions the whole time.
        std::atomic_bool done{false};
        std::atomic_int pairs{0};
        QFuture<void> writer = QtConcurrent::run([&] {
            {
                QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "writer");
                other.setDatabaseName(db);
                other.setConnectOptions("QSQLITE_BUSY_TIMEOUT=5000");
                if (!other.open()) return;
                QSqlQuery query(other);
                while (!done) {
                    other.transaction();
                    query.exec("insert into photoinfo(customerid, odrnum) values(7, 1)");
                    query.exec("insert into photoinfo(customerid, odrnum) values(7, 2)");
                    if (other.commit()) ++pairs;
                    QThread::usleep(300);
                }
            }
            QSqlDatabase::removeDatabase("writer");
        });
        while (pairs < 5) QThread::msleep(1);
        const int before = pairs;
        BackupOptions options;
        options.pagesPerStep = 8;  // many steps, so writes fall between them
        const BackupResult result = BackupDatabase(db, kNow, options);
        const int during = pairs - before;
        done = true;
        writer.waitForFinished();

        QVERIFY2(result.ok, qPrintable(result.error));
        QVERIFY(during > 0);
        QCOMPARE(CheckDatabaseFile(result.file), QString());
        const int written =
            CountIn(result.file, "select count(*) from photoinfo where customerid=7");
        QVERIFY(written >= 10);
        QCOMPARE(written % 2, 0);  // never half a transaction
        QCOMPARE(CountIn(result.file, "select count(*) from photoinfo where customerid=1"), 1500);
        // The copy is one file; nothing else is left in the folder.
        QCOMPARE(FilesIn(BackupFolderFor(db)), QStringList{BackupFileName(kNow)});
    }

    void rotationKeepsDailyAndWeeklyCopies() {
        // A copy every morning from Sunday 1 November, and a second one in the evening
        // of the last two days.
        QStringList files{"notes.txt"};
        for (QDate day(2026, 11, 1); day <= QDate(2026, 12, 10); day = day.addDays(1))
            files << BackupFileName(QDateTime(day, QTime(9, 0)));
        files << BackupFileName(QDateTime(QDate(2026, 12, 9), QTime(18, 0)))
              << BackupFileName(QDateTime(QDate(2026, 12, 10), QTime(18, 0)));
        std::reverse(files.begin(), files.end());  // order must not matter

        QStringList kept;
        const QStringList removed = BackupsToRemove(files);
        for (const QString& file : files)
            if (!removed.contains(file) && file != "notes.txt") kept << file;
        std::sort(kept.begin(), kept.end());
        const QStringList expected{
            "function-20261122-090000.dll",  // the newest of the week of 16 November
            "function-20261129-090000.dll",  // ... of 23 November
            "function-20261204-090000.dll",  // the last seven days, the newest of each
            "function-20261205-090000.dll", "function-20261206-090000.dll",
            "function-20261207-090000.dll", "function-20261208-090000.dll",
            "function-20261209-180000.dll", "function-20261210-180000.dll",
        };
        QCOMPARE(kept, expected);
        QVERIFY(!removed.contains("notes.txt"));
    }

    void damagedCopyIsNotKeptAndOldCopiesStay() {
        RuntimeFixture fixture;
        FillSamples(200);
        const QString db = fixture.file("function.dll");
        const QString folder = BackupFolderFor(db);
        // Ten old copies: a good backup would rotate most of them away.
        BackupResult first = BackupDatabase(db, kNow.addDays(-60));
        QVERIFY(first.ok);
        for (int i = 1; i <= 10; ++i)
            QVERIFY(QFile::copy(first.file,
                                QDir(folder).filePath(BackupFileName(kNow.addDays(-60 + i)))));
        const QStringList before = FilesIn(folder);
        const QByteArray digest = FileDigest(db);

        BackupOptions options;
        options.beforeCheck = [](const QString& partial) { Damage(partial); };
        const BackupResult result = BackupDatabase(db, kNow, options);
        QVERIFY(!result.ok);
        QVERIFY2(result.error.startsWith("备份校验失败"), qPrintable(result.error));
        QCOMPARE(FilesIn(folder), before);
        QCOMPARE(FileDigest(db), digest);

        // The next sound copy is kept and only then do the old ones go.
        const BackupResult good = BackupDatabase(db, kNow.addSecs(60));
        QVERIFY(good.ok);
        QVERIFY(!good.removed.isEmpty());
        QVERIFY(FilesIn(folder).contains(BackupFileName(kNow.addSecs(60))));
    }

    void failedBackupLeavesTheDatabaseAlone() {
        RuntimeFixture fixture;
        const QString db = fixture.file("function.dll");
        // A file where the folder should be: the folder cannot be made.
        QFile blocker(BackupFolderFor(db));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        CloseConnection();
        const QByteArray digest = FileDigest(db);
        const BackupResult result = BackupDatabase(db, kNow);
        QVERIFY(!result.ok);
        QVERIFY(result.error.contains(BackupFolderFor(db)));
        QCOMPARE(FileDigest(db), digest);
    }

    void restoreRefusesUnsoundFilesAndABusyDatabase_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("text file") << "text";
        QTest::newRow("another program's SQLite file") << "foreign";
        QTest::newRow("damaged copy of ours") << "damaged";
        QTest::newRow("database in use") << "busy";
    }

    void restoreRefusesUnsoundFilesAndABusyDatabase() {
        QFETCH(QString, kind);
        RuntimeFixture fixture;
        FillSamples(300);
        const QString db = fixture.file("function.dll");
        const BackupResult backup = BackupDatabase(db, kNow);
        QVERIFY(backup.ok);
        QString candidate = backup.file;
        if (kind == "text") {
            candidate = fixture.file("text.dll");
            QFile f(candidate);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("这不是数据库\n");
        } else if (kind == "foreign") {
            candidate = fixture.file("foreign.db");
            {
                QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "foreign");
                other.setDatabaseName(candidate);
                QVERIFY(other.open());
                QSqlQuery(other).exec("create table t(x)");
            }
            QSqlDatabase::removeDatabase("foreign");
        } else if (kind == "damaged") {
            Damage(candidate);
        }
        if (kind != "busy") CloseConnection();  // "busy": the fixture's connection stays open

        const QStringList filesBefore = FilesIn(fixture.path());
        const QByteArray digest = FileDigest(db);
        const RestoreResult result = RestoreDatabase(db, candidate, kNow.addSecs(5));
        QVERIFY(!result.ok);
        QVERIFY(!result.error.isEmpty());
        if (kind == "busy") QVERIFY(result.error.contains("正在被使用"));
        QCOMPARE(FileDigest(db), digest);
        QCOMPARE(FilesIn(fixture.path()), filesBefore);
    }

    void restorePutsTheCopyBackAndKeepsTheReplacedFile() {
        RuntimeFixture fixture;
        const QString db = fixture.file("function.dll");
        const BackupResult backup = BackupDatabase(db, kNow);
        QVERIFY(backup.ok);
        AppendRow("customer", {{"customername", "后来的客户"}});
        CloseConnection();

        const RestoreResult result = RestoreDatabase(db, backup.file, kNow.addSecs(5));
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(CountIn(db, "select count(*) from customer"), 0);
        QCOMPARE(CountIn(result.keptAside, "select count(*) from customer"), 1);
        QCOMPARE(OpenConnection(db), OpenResult::Opened);
        // A restore waits for nobody: the program can open the restored file at once.
        QCOMPARE(LookupValue("SysSet", "itemvalue", "itemname='qhkh'"), QString("否"));
    }

    void automaticBackupFailureIsShownAtTheNextLogin() {
        testing_support::WorkspaceFixture fixture;
        app::Tfrmps& workspace = fixture.workspace();
        QFile blocker(BackupFolderFor(fixture.file("function.dll")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QSignalSpy finished(&workspace.dailyBackup(), &DailyBackup::finished);
        workspace.StartDailyBackup();
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.first().first().toBool(), false);

        fixture.dialogs().shown.clear();
        workspace.imgdlClick();  // the initial password is empty
        QVERIFY(workspace.State().adminLoggedIn);
        const QStringList messages = fixture.dialogs().Texts("message");
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages.first().startsWith("数据库自动备份失败:"));
        // Told once.
        workspace.imgzxdlClick();
        fixture.dialogs().shown.clear();
        workspace.imgdlClick();
        QVERIFY(fixture.dialogs().Texts("message").isEmpty());
    }

    void automaticBackupRunsOnceADay() {
        RuntimeFixture fixture;
        const QString db = fixture.file("function.dll");
        DailyBackup daily;
        QSignalSpy finished(&daily, &DailyBackup::finished);
        daily.Start(db);
        QVERIFY(finished.wait(10000));
        QVERIFY(HasBackupOfDay(db, QDate::currentDate()));
        const QStringList after = FilesIn(BackupFolderFor(db));
        QCOMPARE(after.size(), 1);
        QTest::qWait(1100);  // a second copy would get another name
        daily.Start(db);
        QVERIFY(finished.wait(10000));
        QCOMPARE(FilesIn(BackupFolderFor(db)), after);
        QVERIFY(daily.TakeFailure().isEmpty());
    }
};

QTEST_MAIN(TestBackup)
#include "test_backup.moc"
