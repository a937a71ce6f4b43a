// Backups of the database: consistent while others write, compact, checked before they are
// kept, rotated, and put back only when sound and when nobody is using the database, by a
// swap that a kill at any moment leaves whole. The files that hold the data are kept from
// other accounts, and the file gives its free space back.

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <QScopeGuard>
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
#include "data/schema.h"
#include "support/admin_process.h"
#include "support/log_capture.h"
#include "support/runtime_fixture.h"
#include "support/workspace_fixture.h"
#include "workspace/login_box.h"

using namespace data;
using testing_support::CustomerNamesIn;
using testing_support::FileDigest;
using testing_support::RunIn;
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

QString SettingIn(const QString& file, const QString& key) {
    QString value = "?";
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "setting");
        db.setDatabaseName(file);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        QSqlQuery query(db);
        if (db.open() && query.exec("select itemvalue from SysSet where itemname='" + key + "'") &&
            query.next())
            value = query.value(0).toString();
    }
    QSqlDatabase::removeDatabase("setting");
    return value;
}

QString ModeOf(const QString& path) {
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return "missing";
    return QString::number(st.st_mode & 07777, 8);
}

long GroupOf(const QString& path) {
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? long(st.st_gid) : -1;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Whether process pid has file open.
bool HoldsOpen(qint64 pid, const QString& file) {
    const QByteArray wanted = QFile::encodeName(QFileInfo(file).canonicalFilePath());
    const QString fds = QStringLiteral("/proc/%1/fd").arg(pid);
    for (const QString& fd :
         QDir(fds).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        char target[4096];
        const ssize_t n =
            ::readlink(QFile::encodeName(fds + "/" + fd).constData(), target, sizeof target);
        if (n > 0 && QByteArray(target, int(n)) == wanted) return true;
    }
    return false;
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
        int atCopyStart = -1;
        options.whileCopying = [&] {
            // Once, early in the copy: the writer commits a few transactions meanwhile.
            if (atCopyStart >= 0) return;
            atCopyStart = pairs;
            while (pairs < atCopyStart + 3) QThread::msleep(1);
        };
        const BackupResult result = BackupDatabase(db, kNow, options);
        const int during = pairs - before;
        done = true;
        writer.waitForFinished();

        QVERIFY2(result.ok, qPrintable(result.error));
        QVERIFY(atCopyStart >= 0);
        QVERIFY(during >= 3);
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
        testing_support::LogCapture log("verimond.data");
        QSignalSpy finished(&workspace.dailyBackup(), &DailyBackup::finished);
        workspace.StartDailyBackup();
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.first().first().toBool(), false);
        // The log says which folder was in the way before anyone logs in.
        QCOMPARE(log.warnings().size(), 1);
        QVERIFY2(log.warnings().first().contains("无法创建备份文件夹: " + blocker.fileName()),
                 qPrintable(log.warnings().first()));

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

    // A copy leaves the free pages out, and the daily run gives the file's free pages back.
    void backupIsCompactAndTheFileGivesItsSpaceBack() {
        RuntimeFixture fixture;
        FillSamples(1500);
        const QString db = fixture.file("function.dll");
        Execute("delete from photoinfo where id % 3 <> 0");
        Execute("pragma wal_checkpoint(truncate)");
        const qint64 before = QFileInfo(db).size();
        QVERIFY(QueryRows("pragma freelist_count").front().value(0).toInt() > 900);

        DailyBackup daily;
        QSignalSpy finished(&daily, &DailyBackup::finished);
        daily.Start(db);
        QVERIFY(finished.wait(30000));
        QCOMPARE(finished.first().first().toBool(), true);
        const QStringList copies = FilesIn(BackupFolderFor(db));
        QCOMPARE(copies.size(), 1);
        const QString copy = QDir(BackupFolderFor(db)).filePath(copies.first());
        QVERIFY2(
            QFileInfo(copy).size() < before / 2,
            qPrintable(QString("copy %1 of %2 bytes").arg(QFileInfo(copy).size()).arg(before)));
        QCOMPARE(CountIn(copy, "pragma freelist_count"), 0);
        QCOMPARE(CountIn(copy, "select count(*) from photoinfo"), 500);

        Execute("pragma wal_checkpoint(truncate)");
        QVERIFY2(QFileInfo(db).size() < before / 2,
                 qPrintable(QString("file %1 of %2 bytes").arg(QFileInfo(db).size()).arg(before)));
        QCOMPARE(QueryRows("pragma freelist_count").front().value(0).toInt(), 0);
        QCOMPARE(QueryRows("pragma integrity_check").front().value(0).toString(), QString("ok"));
        QCOMPARE(QueryRows("select count(*) from photoinfo").front().value(0).toInt(), 500);
    }

    // A file made by an older release cannot give pages back by itself: "compact" rewrites
    // it once when nobody uses it; afterwards it gives them back while stations work.
    void olderFileIsCompactedOnceThenGivesSpaceBackInUse() {
        RuntimeFixture fixture;
        FillSamples(600);
        const QString db = fixture.file("function.dll");
        Execute("pragma auto_vacuum = none");
        Execute("vacuum");
        Execute("delete from photoinfo where id % 2 = 0");
        Execute("pragma wal_checkpoint(truncate)");
        const qint64 before = QFileInfo(db).size();
        QCOMPARE(QueryRows("pragma auto_vacuum").front().value(0).toInt(), 0);

        // In use: refused, and the file is left as it was.
        const QByteArray digest = FileDigest(db);
        testing_support::AdminResult busy = testing_support::Admin({"compact"});
        QCOMPARE(busy.exitCode, 1);
        QVERIFY2(busy.err.contains("正在被使用"), qPrintable(busy.err));
        QCOMPARE(FileDigest(db), digest);

        CloseConnection();
        testing_support::AdminResult done = testing_support::Admin({"compact"});
        QVERIFY2(done.exitCode == 0, qPrintable(done.err));
        QVERIFY(QFileInfo(db).size() < before * 2 / 3);
        QCOMPARE(CheckDatabaseFile(db), QString());
        QCOMPARE(CountIn(db, "pragma auto_vacuum"), 2);
        QCOMPARE(CountIn(db, "select count(*) from photoinfo"), 300);
        QVERIFY(FilesIn(fixture.path()).filter("function.dll.").filter("replaced").isEmpty());

        // Now while the program has it open.
        QVERIFY(fixture.reopen());
        Execute("delete from photoinfo where id % 3 = 0");
        const qint64 open = QFileInfo(db).size() + QFileInfo(db + "-wal").size();
        testing_support::AdminResult inUse = testing_support::Admin({"compact"});
        QVERIFY2(inUse.exitCode == 0, qPrintable(inUse.err));
        Execute("pragma wal_checkpoint(truncate)");
        QVERIFY(QFileInfo(db).size() < open);
        QCOMPARE(QueryRows("pragma freelist_count").front().value(0).toInt(), 0);
        QCOMPARE(QueryRows("select count(*) from photoinfo").front().value(0).toInt(), 200);
    }

    void leftoversOfCopiesCutShortAreRemovedByTheNextBackup_data() {
        QTest::addColumn<bool>("anotherBackupRuns");
        QTest::newRow("nothing else running") << false;
        QTest::newRow("another backup running") << true;
    }

    void leftoversOfCopiesCutShortAreRemovedByTheNextBackup() {
        QFETCH(bool, anotherBackupRuns);
        RuntimeFixture fixture;
        const QString db = fixture.file("function.dll");
        const QString folder = BackupFolderFor(db);
        QVERIFY(QDir().mkpath(folder));
        // What killed copies leave: a partial backup, and a copy on its way in for a restore.
        const QString partial = QDir(folder).filePath("function-20261201-093000.dll.partial");
        WriteAll(partial, QByteArray(100000, 'p'));
        WriteAll(db + ".restoring", QByteArray(100000, 'r'));
        const int held = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
        QVERIFY(held >= 0);
        if (anotherBackupRuns) QCOMPARE(::flock(held, LOCK_EX | LOCK_NB), 0);

        const BackupResult result = BackupDatabase(db, kNow);
        ::close(held);
        if (anotherBackupRuns) {
            QVERIFY(!result.ok);
            QVERIFY(result.busy);
            QVERIFY2(result.error.contains("另一个备份"), qPrintable(result.error));
            QVERIFY(QFile::exists(partial));  // it may be the running copy's
        } else {
            QVERIFY2(result.ok, qPrintable(result.error));
            QVERIFY(!QFile::exists(partial));
            QVERIFY(!QFile::exists(db + ".restoring"));
            QCOMPARE(FilesIn(folder), QStringList{BackupFileName(kNow)});
            QVERIFY(result.removed.contains(QFileInfo(partial).fileName()));
        }
    }

    // What the program does beside its open connection (keeping its files private, the
    // daily copy and giving space back) must leave SQLite's locks alone: a file descriptor of
    // the database closed in the same process drops them, after which another program
    // closing last deletes the -wal this one still writes into.
    void workBesideTheOpenConnectionKeepsItsLog() {
        RuntimeFixture fixture;
        const QString db = fixture.file("function.dll");
        AppendRow("customer", {{"customername", "先写的"}});
        DailyBackup daily;
        QSignalSpy finished(&daily, &DailyBackup::finished);
        daily.Start(db);
        QVERIFY(finished.wait(30000));
        const testing_support::AdminResult other = testing_support::Admin({"list"});
        QCOMPARE(other.exitCode, 0);
        AppendRow("customer", {{"customername", "后写的"}});
        const testing_support::AdminResult after = testing_support::Admin({"list"});
        QVERIFY2(after.out.contains("后写的"), qPrintable(after.out + after.err));
    }

    void restoreKeepsOnlyTheNewestReplacedFiles() {
        RuntimeFixture fixture;
        const QString db = fixture.file("function.dll");
        const BackupResult backup = BackupDatabase(db, kNow);
        QVERIFY(backup.ok);
        CloseConnection();
        QStringList expected;
        for (int i = 1; i <= kReplacedFilesKept + 2; ++i) {
            const QDateTime when = kNow.addSecs(60 * i);
            const RestoreResult result = RestoreDatabase(db, backup.file, when);
            QVERIFY2(result.ok, qPrintable(result.error));
            expected << QFileInfo(result.keptAside).fileName();
        }
        expected = expected.mid(expected.size() - kReplacedFilesKept);
        QCOMPARE(FilesIn(fixture.path()).filter(".replaced-"), expected);
        for (const QString& name : expected)
            QCOMPARE(CheckDatabaseFile(fixture.file(name)), QString());
    }

    // A program or command started while a restore swaps the files waits for the swap and
    // then works on the file under the live name, not on the one moved aside.
    void openingDuringARestoreUsesTheRestoredFile() {
        RuntimeFixture fixture;
        const QString db = fixture.file("function.dll");
        const BackupResult backup = BackupDatabase(db, kNow);
        QVERIFY(backup.ok);
        AppendRow("customer", {{"customername", "恢复前的客户"}});
        CloseConnection();

        auto restoring = std::make_unique<DatabaseUseLock>(db, DatabaseUseLock::Mode::Exclusive, 0);
        QVERIFY(restoring->isHeld());
        QProcess admin;
        admin.setWorkingDirectory(fixture.path());
        admin.start(VERIMOND_ADMIN_PATH, {"settings", "--printinfo", "恢复时写入"});
        QVERIFY(admin.waitForStarted());
        // It has come as far as the lock, and waits there.
        QTRY_VERIFY_WITH_TIMEOUT(HoldsOpen(admin.processId(), DatabaseUseLock::LockFileFor(db)),
                                 30000);
        // The swap, as a restore made it: the old file aside with its logs, the copy in its
        // place.
        const QString aside = db + ".replaced-20261210-093005";
        for (const QString suffix : {"", "-wal", "-shm"})
            if (QFile::exists(db + suffix)) QVERIFY(QFile::rename(db + suffix, aside + suffix));
        QVERIFY(QFile::copy(backup.file, db));
        restoring.reset();
        QVERIFY(admin.waitForFinished(60000));
        QVERIFY2(admin.exitCode() == 0, admin.readAllStandardError().constData());
        QCOMPARE(SettingIn(db, "printinfo"), QString("恢复时写入"));
        QCOMPARE(CustomerNamesIn(db), QStringList());
        QVERIFY(SettingIn(aside, "printinfo") != "恢复时写入");
    }

    void dataFilesAreKeptFromOtherAccounts_data() {
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<int>("madeBefore");  // the mode an older release gave the file; 0: new
        QTest::addColumn<bool>("shared");
        QTest::newRow("private folder") << 0700 << 0 << false;
        QTest::newRow("private folder, file made readable before") << 0755 << 0644 << false;
        QTest::newRow("folder shared through its group") << 02770 << 0 << true;
        QTest::newRow("group folder without setgid, file made before") << 0770 << 0644 << true;
    }

    void dataFilesAreKeptFromOtherAccounts() {
        QFETCH(int, folderMode);
        QFETCH(int, madeBefore);
        QFETCH(bool, shared);
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        const QByteArray folder = QFile::encodeName(fixture.path());
        // As root, a group of the folder that is not ours shows that files are given to it.
        const gid_t group = ::geteuid() == 0 ? 4242 : ::getegid();
        QCOMPARE(::chown(folder.constData(), uid_t(-1), group), 0);
        QCOMPARE(::chmod(folder.constData(), mode_t(folderMode)), 0);
        const mode_t previous = ::umask(022);
        const auto restoreUmask = qScopeGuard([previous] { ::umask(previous); });
        const QString db = fixture.file("function.dll");
        QString error;
        QVERIFY2(CreateDatabase(db, &error), qPrintable(error));
        if (madeBefore) {
            QCOMPARE(::chmod(QFile::encodeName(db).constData(), mode_t(madeBefore)), 0);
            QCOMPARE(::chown(QFile::encodeName(db).constData(), uid_t(-1), ::getegid()), 0);
        }
        // "mode group" of a file, to compare with what is wanted.
        const auto modeOf = [&](const QString& path) {
            return ModeOf(path) + (shared ? QString(" %1").arg(GroupOf(path)) : QString());
        };
        const QString inGroup = shared ? QString(" %1").arg(group) : QString();
        const QString wantedFile = (shared ? "660" : "600") + inGroup;
        const QString wantedFolder = (shared ? "2770" : "700") + inGroup;

        QCOMPARE(OpenConnection(db), OpenResult::Opened);
        AppendRow("customer", {{"customername", "甲"}});
        for (const QString suffix : {"", "-wal", "-shm", ".lock"})
            QCOMPARE(suffix + ": " + modeOf(db + suffix), suffix + ": " + wantedFile);
        const BackupResult backup = BackupDatabase(db, kNow);
        QVERIFY2(backup.ok, qPrintable(backup.error));
        QCOMPARE(modeOf(BackupFolderFor(db)), wantedFolder);
        QCOMPARE(modeOf(backup.file), wantedFile);
        CloseConnection();
        const RestoreResult restored = RestoreDatabase(db, backup.file, kNow.addSecs(5));
        QVERIFY2(restored.ok, qPrintable(restored.error));
        QCOMPARE(modeOf(db), wantedFile);
        QCOMPARE(modeOf(restored.keptAside), wantedFile);
    }

    // The shared folder of the README, with two real accounts of one group and the usual
    // umask: each of them goes on working after the other.
    void twoAccountsWorkInAFolderSharedThroughTheirGroup() {
        if (::geteuid() != 0) QSKIP("acting as two accounts needs root");
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        constexpr gid_t kStudio = 61000;
        const QByteArray folder = QFile::encodeName(fixture.path());
        QCOMPARE(::chown(folder.constData(), 0, kStudio), 0);
        QCOMPARE(::chmod(folder.constData(), 02770), 0);
        const auto as = [&](uid_t account, const QStringList& args) {
            return RunIn(fixture.path(), testing_support::AdminForAnyAccount(), args, [account] {
                ::umask(022);
                const gid_t groups[] = {kStudio};
                if (::setgroups(1, groups) != 0 || ::setgid(account) != 0 || ::setuid(account) != 0)
                    ::_exit(120);
            });
        };
        const uid_t first = 61001, second = 61002;
        for (const auto& [account, args] : std::vector<std::pair<uid_t, QStringList>>{
                 {first, {"init"}},
                 {second, {"settings", "--printinfo", "乙写的"}},
                 {first, {"settings", "--printinfo", "甲写的"}},
                 {second, {"backup"}},
                 {first, {"list"}}}) {
            const testing_support::ProcessResult run = as(account, args);
            QVERIFY2(!run.killed && run.exitCode == 0,
                     qPrintable(QString("%1 %2: %3").arg(account).arg(args.join(' '), run.err)));
        }
        QCOMPARE(SettingIn(fixture.file("function.dll"), "printinfo"), QString("甲写的"));
        QStringList data = QDir(fixture.path()).entryList({"function.dll*"}, QDir::Files);
        for (QString& name : data) name = fixture.file(name);
        for (const QString& name :
             QDir(BackupFolderFor(fixture.file("function.dll"))).entryList(QDir::Files))
            data << QDir(BackupFolderFor(fixture.file("function.dll"))).filePath(name);
        QVERIFY(data.size() >= 3);
        for (const QString& path : data) {
            QVERIFY2(ModeOf(path).toInt(nullptr, 8) % 8 == 0,
                     qPrintable(path + " " + ModeOf(path)));
            QCOMPARE(GroupOf(path), long(kStudio));
        }
    }
};

QTEST_MAIN(TestBackup)
#include "test_backup.moc"
