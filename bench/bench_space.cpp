// verimond-bench space: what keeping the file small costs on a studio-sized database. The
// backup (a compact copy) against a plain page copy of the same file, then half of the
// customers deleted, and the free pages given back in steps while another connection writes
// a pick every few milliseconds, as a station would; or, for a file without incremental
// auto-vacuum, the one rewrite that converts it.

#include <sqlite3.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <QThread>
#include <atomic>
#include <thread>

#include "bench/bench_common.h"
#include "data/backup.h"

namespace bench {
namespace {

double Mb(qint64 bytes) { return double(bytes) / (1024.0 * 1024.0); }
QString MbText(qint64 bytes) { return QString::number(Mb(bytes), 'f', 1); }

qint64 BytesOf(const QString& file) {
    return QFileInfo(file).size() + QFileInfo(file + QStringLiteral("-wal")).size();
}

bool Exec(sqlite3* db, const char* sql) {
    char* message = nullptr;
    const bool ok = sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK;
    if (!ok) QTextStream(stderr) << sql << ": " << (message ? message : "?") << "\n";
    sqlite3_free(message);
    return ok;
}

qint64 Value(sqlite3* db, const char* sql) {
    sqlite3_stmt* statement = nullptr;
    qint64 value = -1;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW)
        value = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    return value;
}

sqlite3* OpenFile(const QString& file, int flags) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, flags, nullptr) != SQLITE_OK) {
        sqlite3_close_v2(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, 5000);
    return db;
}

// The way backups were taken before: every page of the file, free ones included, copied
// with SQLite's online backup in one step.
double PageCopyMs(const QString& source, const QString& target, qint64* bytes) {
    QFile::remove(target);
    sqlite3* from = OpenFile(source, SQLITE_OPEN_READONLY);
    sqlite3* to = OpenFile(target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    const double ms = TimeMs([&] {
        Exec(to, "pragma journal_mode = off; pragma synchronous = off");
        sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
        if (backup) {
            sqlite3_backup_step(backup, -1);
            sqlite3_backup_finish(backup);
        }
        Exec(to, "pragma journal_mode = delete");
        sqlite3_close_v2(to);
        to = nullptr;
        QFile synced(target);
        if (synced.open(QIODevice::ReadOnly)) ::fsync(synced.handle());
    });
    sqlite3_close_v2(from);
    *bytes = QFileInfo(target).size();
    QFile::remove(target);
    return ms;
}

double BackupMs(const QString& file, qint64* bytes) {
    data::BackupResult result;
    const double ms =
        TimeMs([&] { result = data::BackupDatabase(file, QDateTime::currentDateTime()); });
    if (!result.ok) {
        QTextStream(stderr) << result.error << "\n";
        return -1;
    }
    *bytes = result.bytes;
    QFile::remove(result.file);
    QDir().rmdir(data::BackupFolderFor(file));
    return ms;
}

// A station picking: one pick added and taken back in a transaction every 10 ms, each
// timed from BEGIN to the end of COMMIT (waits for the write lock included).
class PickingStation {
  public:
    explicit PickingStation(const QString& file) : file_(file) {}
    void Start() {
        stop_ = false;
        times_.clear();
        thread_ = std::thread([this] { Run(); });
    }
    std::vector<double> Stop() {
        stop_ = true;
        thread_.join();
        return times_;
    }

  private:
    void Run() {
        sqlite3* db = OpenFile(file_, SQLITE_OPEN_READWRITE);
        if (!db) return;
        while (!stop_) {
            times_.push_back(TimeMs([&] {
                Exec(db,
                     "begin immediate; insert into xcphoto(customerid, photoid, xcmc) "
                     "values(-1, -1, 'bench'); delete from xcphoto where customerid = -1; "
                     "commit");
            }));
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        sqlite3_close_v2(db);
    }

    QString file_;
    std::atomic_bool stop_{false};
    std::thread thread_;
    std::vector<double> times_;
};

double Max(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

// The value that 99 in 100 of the values do not exceed.
double P99(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, values.size() * 99 / 100)];
}

}  // namespace

int RunSpace(const QStringList& args) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList positional =
        PositionalArgs(args, {"--delete", "--pages-per-step", "--pause"});
    int deleted = 0, pagesPerStep = 0, pause = 0;
    if (positional.size() != 1 || !PositiveOption(args, "--delete", 100, &deleted) ||
        !PositiveOption(args, "--pages-per-step", 128, &pagesPerStep) ||
        !PositiveOption(args, "--pause", 50, &pause)) {
        err << "usage: verimond-bench space DBFILE [--delete 100] [--pages-per-step 128] "
               "[--pause 50]\n";
        return 2;
    }
    // The work is done on a copy beside the database, which is removed afterwards.
    const QString source = QFileInfo(positional[0]).absoluteFilePath();
    const QString file = source + QStringLiteral(".space-bench");
    const QString copyTarget = source + QStringLiteral(".page-copy");
    QFile::remove(file);
    if (!QFile::copy(source, file)) {
        err << "cannot copy " << source << " to " << file << "\n";
        return 1;
    }
    sqlite3* db = OpenFile(file, SQLITE_OPEN_READWRITE);
    if (!db) return 1;
    const bool incremental = Value(db, "pragma auto_vacuum") == 2;
    const qint64 pageSize = Value(db, "pragma page_size");

    qint64 pageCopyBytes = 0, backupBytes = 0;
    const double pageCopy = PageCopyMs(file, copyTarget, &pageCopyBytes);
    const double backup = BackupMs(file, &backupBytes);
    out << "whole: file_mb=" << MbText(BytesOf(file)) << " page_copy_ms=" << Ms(pageCopy)
        << " page_copy_mb=" << MbText(pageCopyBytes) << " backup_ms=" << Ms(backup)
        << " backup_mb=" << MbText(backupBytes) << " auto_vacuum=" << (incremental ? 2 : 0)
        << Qt::endl;

    // Half the studio's customers go, as the customer window deletes them.
    const QByteArray limit = QByteArray::number(deleted);
    const double deleteMs = TimeMs([&] {
        Exec(db, "begin");
        for (const char* table : {"xcphoto", "customerxc", "photoinfo", "customer"})
            Exec(db, QByteArray("delete from ") + table +
                         " where customerid in (select customerid "
                         "from customer order by customerid limit " +
                         limit + ")");
        Exec(db, "commit");
        Exec(db, "pragma wal_checkpoint(truncate)");
    });
    const qint64 freePages = Value(db, "pragma freelist_count");
    sqlite3_close_v2(db);
    const qint64 afterDelete = BytesOf(file);
    const double pageCopyAfter = PageCopyMs(file, copyTarget, &pageCopyBytes);
    const double backupAfter = BackupMs(file, &backupBytes);
    out << "deleted " << deleted << " customers: delete_ms=" << Ms(deleteMs)
        << " file_mb=" << MbText(afterDelete) << " free_mb=" << MbText(freePages * pageSize)
        << " page_copy_ms=" << Ms(pageCopyAfter) << " page_copy_mb=" << MbText(pageCopyBytes)
        << " backup_ms=" << Ms(backupAfter) << " backup_mb=" << MbText(backupBytes) << Qt::endl;

    // The free pages go back while a station picks; its picks before, as the baseline.
    PickingStation station(file);
    station.Start();
    QThread::msleep(3000);
    const std::vector<double> idle = station.Stop();
    data::SpaceResult space;
    double spaceMs = 0;
    std::vector<double> during;
    if (incremental) {
        data::SpaceOptions options;
        options.pagesPerStep = pagesPerStep;
        options.pauseMs = pause;
        station.Start();
        spaceMs = TimeMs([&] { space = data::GiveSpaceBack(file, options); });
        during = station.Stop();
    } else {
        // A file without incremental auto-vacuum is rewritten once, alone.
        spaceMs = TimeMs([&] { space = data::CompactDatabase(file); });
    }
    const QString how = incremental ? QStringLiteral("steps") : QStringLiteral("rewrite");
    if (!space.ok) {
        err << space.error << "\n";
        return 1;
    }
    std::vector<double> steps;
    for (qint64 us : space.stepMicroseconds) steps.push_back(double(us) / 1000.0);
    out << "space given back (" << how << "): space_ms=" << Ms(spaceMs)
        << " file_mb=" << MbText(space.bytesBefore) << " -> " << MbText(BytesOf(file))
        << " steps=" << space.steps << " step_median_ms=" << Ms(Median(steps))
        << " step_p99_ms=" << Ms(P99(steps)) << " step_max_ms=" << Ms(Max(steps))
        << " picks=" << during.size() << " pick_median_ms=" << Ms(Median(during))
        << " pick_p99_ms=" << Ms(P99(during)) << " pick_max_ms=" << Ms(Max(during))
        << " idle_picks=" << idle.size() << " idle_pick_median_ms=" << Ms(Median(idle))
        << " idle_pick_max_ms=" << Ms(Max(idle)) << Qt::endl;
    for (const QString& suffix :
         {QString(), QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral(".lock")})
        QFile::remove(file + suffix);
    return 0;
}

}  // namespace bench
