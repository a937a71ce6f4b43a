#include "data/backup.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QThread>
#include <QUrl>
#include <map>
#include <memory>

#include "data/database_lock.h"
#include "data/schema.h"

namespace data {
namespace {

const QString kPartialSuffix = QStringLiteral(".partial");
const QString kTimeFormat = QStringLiteral("yyyyMMdd-HHmmss");

struct CloseSqlite {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using SqliteHandle = std::unique_ptr<sqlite3, CloseSqlite>;

QString SqliteText(sqlite3* db) {
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
}

// Opens a file with the given flags; on failure returns null and says why.
SqliteHandle Open(const QString& file, int flags, QString* error) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(file).constData(), &raw, flags, nullptr);
    SqliteHandle db(raw);
    if (rc != SQLITE_OK) {
        *error = SqliteText(raw);
        return nullptr;
    }
    sqlite3_busy_timeout(raw, 5000);
    return db;
}

// The first column of the first row of sql, as text; empty with *error set on failure.
QString SingleValue(sqlite3* db, const char* sql, QString* error) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        *error = SqliteText(db);
        return QString();
    }
    QString value;
    const int rc = sqlite3_step(statement);
    if (rc == SQLITE_ROW) {
        value = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
    } else if (rc != SQLITE_DONE) {
        *error = SqliteText(db);
    }
    sqlite3_finalize(statement);
    return value;
}

bool Execute(sqlite3* db, const char* sql, QString* error) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
    *error = message ? QString::fromUtf8(message) : SqliteText(db);
    sqlite3_free(message);
    return false;
}

bool SyncToDisk(const QString& file, QString* error) {
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
    const bool ok = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0) ::close(fd);
    if (!ok) *error = QStringLiteral("无法写入磁盘: %1").arg(file);
    return ok;
}

// Copies every page of source into a new file at target with the online backup. Pages go
// over in steps, so another connection may keep writing; the copy is of one moment.
bool CopyDatabase(const QString& source, const QString& target, const BackupOptions& options,
                  QString* error) {
    SqliteHandle from = Open(source, SQLITE_OPEN_READONLY, error);
    if (!from) return false;
    SqliteHandle to = Open(target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, error);
    if (!to) return false;
    // The copy is a new file under a temporary name: it needs no journal of its own, and it
    // is synced to disk once, as a whole, before it is checked and kept.
    if (!Execute(to.get(), "pragma journal_mode = off; pragma synchronous = off", error))
        return false;
    sqlite3_backup* backup = sqlite3_backup_init(to.get(), "main", from.get(), "main");
    if (!backup) {
        *error = SqliteText(to.get());
        return false;
    }
    // Each step reads one moment of the source; a write by another connection between
    // steps starts the copy over. After a few such restarts the rest goes in one step,
    // which holds its read transaction to the end (writers still go on beside it).
    constexpr int kRestartsBeforeOneStep = 3;
    int restarts = 0;
    int lastRemaining = -1;
    int rc = SQLITE_OK;
    for (;;) {
        if (options.stop && options.stop->load()) {
            sqlite3_backup_finish(backup);
            *error = QStringLiteral("备份已中止");
            return false;
        }
        const bool oneStep = restarts >= kRestartsBeforeOneStep;
        rc = sqlite3_backup_step(backup, oneStep ? -1 : std::max(1, options.pagesPerStep));
        if (rc == SQLITE_DONE) break;
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
            QThread::msleep(20);
            continue;
        }
        if (rc != SQLITE_OK) break;
        const int remaining = sqlite3_backup_remaining(backup);
        if (lastRemaining >= 0 && remaining >= lastRemaining) ++restarts;
        lastRemaining = remaining;
    }
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE) {
        *error = QString::fromUtf8(sqlite3_errstr(rc));
        return false;
    }
    if (sqlite3_errcode(to.get()) != SQLITE_OK) {
        *error = SqliteText(to.get());
        return false;
    }
    // The source runs with a write-ahead log; the copy stands alone as one file.
    if (!Execute(to.get(), "pragma journal_mode = delete", error)) return false;
    to.reset();
    return SyncToDisk(target, error);
}

// Backup files of the folder (final names only), oldest first by the time in their names.
QStringList BackupFilesIn(const QString& folder) {
    QStringList files;
    for (const QString& name :
         QDir(folder).entryList({QStringLiteral("function-*.dll")}, QDir::Files, QDir::Name))
        if (BackupTime(name).isValid()) files << name;
    return files;
}

QString ReplacedName(const QString& databasePath, const QDateTime& now) {
    return databasePath + QStringLiteral(".replaced-") + now.toString(kTimeFormat);
}

}  // namespace

QString BackupFolderFor(const QString& databasePath) {
    return QFileInfo(databasePath).absoluteDir().filePath(QLatin1String(kBackupFolderName));
}

QString BackupFileName(const QDateTime& when) {
    return QStringLiteral("function-") + when.toString(kTimeFormat) + QStringLiteral(".dll");
}

QDateTime BackupTime(const QString& fileName) {
    static const QRegularExpression pattern(QStringLiteral("^function-(\\d{8}-\\d{6})\\.dll$"));
    const QRegularExpressionMatch match = pattern.match(QFileInfo(fileName).fileName());
    if (!match.hasMatch()) return QDateTime();
    return QDateTime::fromString(match.captured(1), kTimeFormat);
}

bool HasBackupOfDay(const QString& databasePath, const QDate& day) {
    for (const QString& name : BackupFilesIn(BackupFolderFor(databasePath)))
        if (BackupTime(name).date() == day) return true;
    return false;
}

QString CheckDatabaseFile(const QString& file) {
    if (!QFileInfo(file).isFile()) return QStringLiteral("文件不存在: %1").arg(file);
    // immutable: read the file as it is, without locks and without creating -wal or -shm.
    const QString uri =
        QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()).toString(QUrl::FullyEncoded) +
        QStringLiteral("?immutable=1");
    QString error;
    SqliteHandle db = Open(uri, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, &error);
    if (!db) return QStringLiteral("无法打开: %1").arg(error);
    const QString id = SingleValue(db.get(), "pragma application_id", &error);
    if (!error.isEmpty()) return QStringLiteral("不是数据库文件: %1").arg(error);
    const int version = SingleValue(db.get(), "pragma user_version", &error).toInt();
    if (id.toInt() != kApplicationId || version < 1 || version > kSchemaVersion)
        return QStringLiteral("不是本程序的数据库文件");
    const QString integrity = SingleValue(db.get(), "pragma integrity_check", &error);
    if (!error.isEmpty()) return QStringLiteral("完整性检查失败: %1").arg(error);
    if (integrity != QLatin1String("ok"))
        return QStringLiteral("完整性检查失败: %1").arg(integrity);
    return QString();
}

QStringList BackupsToRemove(const QStringList& files) {
    // Newest copy per day and per week; files come in any order.
    std::map<QDate, std::pair<QDateTime, QString>> newestOfDay;
    for (const QString& file : files) {
        const QDateTime time = BackupTime(file);
        if (!time.isValid()) continue;
        auto& slot = newestOfDay[time.date()];
        if (slot.second.isEmpty() || time > slot.first) slot = {time, file};
    }
    std::map<QDate, std::pair<QDateTime, QString>> newestOfWeek;  // keyed by the Monday
    for (const auto& [day, newest] : newestOfDay) {
        auto& slot = newestOfWeek[day.addDays(1 - day.dayOfWeek())];
        if (slot.second.isEmpty() || newest.first > slot.first) slot = newest;
    }
    QSet<QString> keep;
    int days = 0;
    for (auto it = newestOfDay.rbegin(); it != newestOfDay.rend() && days < 7; ++it, ++days)
        keep.insert(it->second.second);
    int weeks = 0;
    for (auto it = newestOfWeek.rbegin(); it != newestOfWeek.rend() && weeks < 4; ++it, ++weeks)
        keep.insert(it->second.second);
    QStringList remove;
    for (const QString& file : files)
        if (BackupTime(file).isValid() && !keep.contains(file)) remove << file;
    return remove;
}

BackupResult BackupDatabase(const QString& databasePath, const QDateTime& now,
                            const BackupOptions& options) {
    BackupResult result;
    if (!QFileInfo(databasePath).isFile()) {
        result.error = QStringLiteral("找不到数据库文件: %1").arg(databasePath);
        return result;
    }
    const QString folder = BackupFolderFor(databasePath);
    if (!QDir().mkpath(folder)) {
        result.error = QStringLiteral("无法创建备份文件夹: %1").arg(folder);
        return result;
    }
    const QString final = QDir(folder).filePath(BackupFileName(now));
    const QString partial = final + kPartialSuffix;
    QFile::remove(partial);
    if (QFileInfo::exists(final)) {
        result.error = QStringLiteral("备份文件已存在: %1").arg(final);
        return result;
    }

    QString error;
    if (!CopyDatabase(databasePath, partial, options, &error)) {
        QFile::remove(partial);
        result.error = QStringLiteral("备份失败: %1").arg(error);
        return result;
    }
    if (options.beforeCheck) options.beforeCheck(partial);
    const QString problem = CheckDatabaseFile(partial);
    if (!problem.isEmpty()) {
        QFile::remove(partial);
        result.error = QStringLiteral("备份校验失败: %1").arg(problem);
        return result;
    }
    if (!QFile::rename(partial, final)) {
        QFile::remove(partial);
        result.error = QStringLiteral("无法保存备份文件: %1").arg(final);
        return result;
    }
    result.ok = true;
    result.file = final;
    result.bytes = QFileInfo(final).size();

    // Only now that a checked copy exists do older ones go.
    for (const QString& name : BackupsToRemove(BackupFilesIn(folder)))
        if (QFile::remove(QDir(folder).filePath(name))) result.removed << name;
    return result;
}

RestoreResult RestoreDatabase(const QString& databasePath, const QString& backupFile,
                              const QDateTime& now) {
    RestoreResult result;
    const QString problem = CheckDatabaseFile(backupFile);
    if (!problem.isEmpty()) {
        result.error = QStringLiteral("备份文件不能使用: %1").arg(problem);
        return result;
    }
    const QFileInfo pendingLog(backupFile + QStringLiteral("-wal"));
    if (pendingLog.exists() && pendingLog.size() > 0) {
        result.error = QStringLiteral(
                           "备份文件旁还有未合并的日志(%1),请使用 verimond-admin backup "
                           "生成的备份")
                           .arg(pendingLog.fileName());
        return result;
    }

    DatabaseUseLock lock(databasePath, DatabaseUseLock::Mode::Exclusive);
    if (!lock.isHeld()) {
        result.error = QStringLiteral("数据库正在被使用,请先关闭所有 Verimond 程序再恢复");
        return result;
    }

    // The copy is made beside the database and checked again before anything moves.
    const QString incoming = databasePath + QStringLiteral(".restoring");
    QFile::remove(incoming);
    if (!QFile::copy(backupFile, incoming)) {
        result.error = QStringLiteral("无法复制备份文件到: %1").arg(incoming);
        return result;
    }
    const QString copied = CheckDatabaseFile(incoming);
    if (!copied.isEmpty()) {
        QFile::remove(incoming);
        result.error = QStringLiteral("复制后的备份文件不能使用: %1").arg(copied);
        return result;
    }

    // The replaced database keeps its -wal and -shm beside it, so it stays readable.
    const QString aside = ReplacedName(databasePath, now);
    QStringList moved;
    if (QFileInfo::exists(databasePath)) {
        for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
            if (!QFileInfo::exists(databasePath + suffix)) continue;
            if (!QFile::rename(databasePath + suffix, aside + suffix)) {
                for (const QString& back : moved) QFile::rename(aside + back, databasePath + back);
                QFile::remove(incoming);
                result.error =
                    QStringLiteral("无法移开原数据库文件: %1").arg(databasePath + suffix);
                return result;
            }
            moved << suffix;
        }
        result.keptAside = aside;
    }
    if (!QFile::rename(incoming, databasePath)) {
        for (const QString& back : moved) QFile::rename(aside + back, databasePath + back);
        QFile::remove(incoming);
        result.error = QStringLiteral("无法放回数据库文件: %1").arg(databasePath);
        result.keptAside.clear();
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace data
