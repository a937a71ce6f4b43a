// A restore killed at any system call of its swap leaves the old database or the new one,
// whole, and the next program or command opens it. The real verimond-admin restore runs under
// strace, once without a kill to learn the system calls of the swap, then once per call with
// a SIGKILL injected there.

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "data/backup.h"
#include "data/connection.h"
#include "data/records.h"
#include "data/schema.h"
#include "support/admin_process.h"
#include "support/runtime_fixture.h"

using namespace data;
using testing_support::CustomerNamesIn;
using testing_support::RunIn;

namespace {

const QStringList kOldNames{"旧客户一", "旧客户三", "旧客户二"};
const QStringList kNewNames{"新客户"};

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The replaced databases beside the live one (without their logs).
QStringList ReplacedIn(const QString& folder) {
    return QDir(folder)
        .entryList({"function.dll.replaced-*"}, QDir::Files)
        .filter(QRegularExpression("replaced-[0-9-]+$"));
}

}  // namespace

class TestRestoreCut : public QObject {
    Q_OBJECT

    QTemporaryDir work_;
    QString strace_;
    QString backup_;  // the copy put back: another state, kNewNames
    int runs_ = 0;

    // The old database, ours or (newer) one a newer release wrote, with its last changes
    // still in its -wal, as while a station runs.
    void MakeOldDatabase(bool newer, QByteArray* file, QByteArray* log) {
        const QString source = work_.filePath(newer ? "newer.dll" : "old.dll");
        QString error;
        QVERIFY2(CreateDatabase(source, &error), qPrintable(error));
        {
            QSqlDatabase writer = QSqlDatabase::addDatabase("QSQLITE", "old-writer");
            writer.setDatabaseName(source);
            QVERIFY(writer.open());
            QSqlQuery query(writer);
            QVERIFY(query.exec("pragma wal_autocheckpoint = 0"));
            for (const QString& name : kOldNames)
                QVERIFY(query.exec("insert into customer(customername) values('" + name + "')"));
            if (newer) QVERIFY(query.exec("pragma user_version = 99"));
            *file = ReadAll(source);
            *log = ReadAll(source + "-wal");
            query.finish();
            writer.close();
        }
        QSqlDatabase::removeDatabase("old-writer");
        QVERIFY(log->size() > 4096);
    }

    QString FolderWith(const QByteArray& file, const QByteArray& log) {
        const QString folder = work_.filePath(QString("run%1").arg(++runs_));
        QDir().mkpath(folder);
        WriteAll(folder + "/function.dll", file);
        WriteAll(folder + "/function.dll-wal", log);
        return folder;
    }

    // The system calls of the swap in a run without a kill: those of the program's thread
    // after it takes the lock alone, up to its report of success, each as (name, how many
    // calls of that name the thread has made), as the tracer counts them.
    QList<QPair<QString, int>> SwapCalls(const QString& folder) {
        const QString prefix = work_.filePath(QString("trace%1").arg(runs_));
        const testing_support::ProcessResult plain = RunIn(
            folder, strace_, {"-ff", "-qq", "-o", prefix, VERIMOND_ADMIN_PATH, "restore", backup_});
        if (plain.killed || plain.exitCode != 0) qWarning() << plain.err;
        QStringList calls;
        for (const QString& name :
             QDir(work_.path()).entryList({QFileInfo(prefix).fileName() + ".*"}, QDir::Files)) {
            const QByteArray trace = ReadAll(work_.filePath(name));
            if (!trace.startsWith("execve(")) continue;  // a thread of its own
            for (const QByteArray& line : trace.split('\n')) {
                const int paren = line.indexOf('(');
                if (paren <= 0 || line.startsWith("---") || line.startsWith("+++")) continue;
                const bool alone = line.startsWith("flock(") && line.contains("LOCK_EX") &&
                                   line.trimmed().endsWith("= 0");
                calls << QString::fromLatin1(line.left(paren)) + (alone ? "!"
                                                                  : line.startsWith("write(1,")
                                                                      ? "="
                                                                      : "");
            }
        }
        const int alone = calls.lastIndexOf(QRegularExpression("^flock!$"));
        const int reported = calls.indexOf(QRegularExpression("^write=$"), alone);
        QMap<QString, int> seen;
        QList<QPair<QString, int>> swap;
        for (int i = 0; alone > 0 && i <= reported; ++i) {
            const QString name =
                calls[i].endsWith('!') || calls[i].endsWith('=') ? calls[i].chopped(1) : calls[i];
            const int count = ++seen[name];
            if (i > alone) swap.append({name, count});
        }
        return swap;
    }

    // Kills a restore over the old database at each system call of its swap and checks what
    // the next opener finds.
    void CutAtEveryCall(bool newer) {
        QByteArray oldFile, oldLog;
        MakeOldDatabase(newer, &oldFile, &oldLog);
        if (QTest::currentTestFailed()) return;
        const QString traced = FolderWith(oldFile, oldLog);
        const QList<QPair<QString, int>> swap = SwapCalls(traced);
        QCOMPARE(CustomerNamesIn(traced + "/function.dll"), kNewNames);
        QVERIFY(swap.size() > 10);
        qInfo("%d system calls in the swap", int(swap.size()));

        for (const auto& [call, count] : swap) {
            const QString point = QString("killed at %1 #%2").arg(call).arg(count);
            const QString folder = FolderWith(oldFile, oldLog);
            const QString live = folder + "/function.dll";
            const testing_support::ProcessResult cut =
                RunIn(folder, strace_,
                      {"-f", "-qq", "-o", "/dev/null", "-e", "trace=" + call, "-e",
                       QString("inject=%1:signal=SIGKILL:when=%2").arg(call).arg(count),
                       VERIMOND_ADMIN_PATH, "restore", backup_});
            QVERIFY2(cut.killed, qPrintable(point + ": not reached. " + cut.err));

            // The next opener takes the use lock, which finishes what the kill left.
            const OpenResult opened = OpenConnection(live);
            const QString integrity =
                opened == OpenResult::Opened
                    ? QueryRows("pragma integrity_check").front().value(0).toString()
                    : QString();
            CloseConnection();
            const QStringList aside = ReplacedIn(folder);
            if (opened == OpenResult::Opened && CustomerNamesIn(live) == kNewNames) {
                QVERIFY2(integrity == "ok", qPrintable(point + ": " + integrity));
                // The old database is kept whole beside it.
                QVERIFY2(aside.size() == 1, qPrintable(point + ": " + aside.join(',')));
                const QString kept = folder + "/" + aside.first();
                if (newer) {
                    QVERIFY2(ReadAll(kept) == oldFile && ReadAll(kept + "-wal") == oldLog,
                             qPrintable(point));
                } else {
                    QVERIFY2(CustomerNamesIn(kept) == kOldNames, qPrintable(point));
                }
            } else if (newer) {
                // Refused as before the restore, with the file and its log as they were.
                QVERIFY2(opened == OpenResult::Newer, qPrintable(point));
                QVERIFY2(ReadAll(live) == oldFile && ReadAll(live + "-wal") == oldLog,
                         qPrintable(point));
                QVERIFY2(aside.isEmpty(), qPrintable(point + ": " + aside.join(',')));
            } else {
                QVERIFY2(opened == OpenResult::Opened, qPrintable(point));
                QVERIFY2(integrity == "ok", qPrintable(point + ": " + integrity));
                QVERIFY2(CustomerNamesIn(live) == kOldNames,
                         qPrintable(point + ": " + CustomerNamesIn(live).join(',')));
                QVERIFY2(aside.isEmpty(), qPrintable(point + ": " + aside.join(',')));
            }
        }
    }

  private slots:
    void initTestCase() {
        strace_ = QStandardPaths::findExecutable("strace");
        QVERIFY2(!strace_.isEmpty(), "strace is needed (scripts/install-deps.sh installs it)");
        QVERIFY(work_.isValid());
        const QString folder = work_.filePath("new");
        QVERIFY(QDir().mkpath(folder));
        QString error;
        QVERIFY2(CreateDatabase(folder + "/function.dll", &error), qPrintable(error));
        QCOMPARE(OpenConnection(folder + "/function.dll"), OpenResult::Opened);
        AppendRow("customer", {{"customername", kNewNames.first()}});
        CloseConnection();
        const BackupResult backup =
            BackupDatabase(folder + "/function.dll", QDateTime(QDate(2026, 12, 10), QTime(9, 30)));
        QVERIFY2(backup.ok, qPrintable(backup.error));
        backup_ = backup.file;
    }

    // The old database is ours: its log is folded into it before the swap.
    void cutWhereTheOldLogIsFoldedIn() { CutAtEveryCall(false); }

    // The old database is not one this release writes (here: a newer release's): its log
    // cannot be folded in and goes aside with it.
    void cutWhereTheOldLogGoesAsideWithIt() { CutAtEveryCall(true); }
};

QTEST_MAIN(TestRestoreCut)
#include "test_restore_cut.moc"
