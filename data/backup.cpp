#include "data/backup.h"

#include <errno.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QThread>
#include <QUrl>
#include <cstring>
#include <map>

#include "data/file_names.h"
#include "data/log.h"
#include "data/schema.h"

namespace data {
namespace {

const QString kPartialSuffix = QStringLiteral(".partial");
const QString kTimeFormat = QStringLiteral("yyyyMMdd-HHmmss");
// A copy on its way in: a backup being put back, or the compacted database.
const QString kIncomingSuffix = QStringLiteral(".restoring");
const QString kReplacedInfix = QStringLiteral(".replaced-");
// The logs SQLite keeps beside a database. Their pages belong to that one file: beside
// another file they would be played into it and corrupt it.
const char* const kLogSuffixes[] = {"-wal", "-journal"};
// How long a restore or a compaction waits for short users (a command) to finish.
constexpr int kAloneWaitMs = 3000;

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

bool Exists(const QString& path) {
    struct stat st;
    return ::lstat(Native(path).constData(), &st) == 0;
}

bool SameFile(const QString& a, const QString& b) {
    struct stat sa, sb;
    return ::stat(Native(a).constData(), &sa) == 0 && ::stat(Native(b).constData(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// Makes renames and new names in folder last through a power cut.
bool SyncFolder(const QString& folder) {
    const int fd = ::open(Native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool ok = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0) ::close(fd);
    return ok;
}

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
    const int rc = sqlite3_open_v2(Native(file).constData(), &raw, flags, nullptr);
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
    const int fd = ::open(Native(file).constData(), O_RDONLY | O_CLOEXEC);
    const bool ok = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0) ::close(fd);
    if (!ok) *error = QStringLiteral("无法写入磁盘: %1").arg(file);
    return ok;
}

// A new, empty file with the modes of the database's files, for SQLite to fill.
bool CreateEmpty(const QString& file, const DataFileModes& modes, QString* error) {
    const int fd =
        ::open(Native(file).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, modes.file);
    if (fd < 0) {
        *error = QStringLiteral("无法建立文件: %1 (%2)")
                     .arg(file, QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    FitDataFileMode(fd, modes);
    ::close(fd);
    return true;
}

// The folder for the data files, made with their modes (a folder of ours made before
// keeps its files to itself from now on).
bool MakeDataFolder(const QString& folder, const DataFileModes& modes) {
    if (::mkdir(Native(folder).constData(), modes.folder & 0777) != 0 && errno != EEXIST)
        return false;
    if (!QFileInfo(folder).isDir()) return false;
    FitDataFolderMode(folder, modes);
    return true;
}

int ReportProgress(void* data) {
    const auto* options = static_cast<const BackupOptions*>(data);
    if (options->whileCopying) options->whileCopying();
    return options->stop && options->stop->load() ? 1 : 0;
}

// Writes a compact copy of source into the empty file target: VACUUM INTO reads one moment
// of the database in a single read transaction (writers go on beside it in WAL mode) and
// leaves the free pages out. The copy gives later free pages back in steps.
bool CopyDatabase(const QString& source, const QString& target, const BackupOptions& options,
                  QString* error) {
    {
        SqliteHandle from = Open(source, SQLITE_OPEN_READONLY, error);
        if (!from) return false;
        // Applies to the copy only: on a read-only connection the setting is only noted for the
        // next vacuum (the statement reports that it cannot write it to the source). A source
        // that has it passes it on by itself.
        if (SingleValue(from.get(), "pragma auto_vacuum", error) != QLatin1String("2")) {
            QString noted;
            Execute(from.get(), "pragma auto_vacuum = incremental", &noted);
        }
        if (!error->isEmpty()) return false;
        sqlite3_progress_handler(from.get(), 10000, ReportProgress,
                                 const_cast<BackupOptions*>(&options));
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(from.get(), "vacuum into ?", -1, &statement, nullptr) != SQLITE_OK) {
            *error = SqliteText(from.get());
            return false;
        }
        const QByteArray name = target.toUtf8();
        sqlite3_bind_text(statement, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        const int rc = sqlite3_step(statement);
        sqlite3_finalize(statement);
        if (rc != SQLITE_DONE) {
            *error = rc == SQLITE_INTERRUPT ? QStringLiteral("备份已中止") : SqliteText(from.get());
            return false;
        }
    }
    // The copy stands alone as one file, with SQLite's rollback journal until it is opened.
    {
        SqliteHandle to = Open(target, SQLITE_OPEN_READWRITE, error);
        if (!to || !Execute(to.get(), "pragma journal_mode = delete", error)) return false;
    }
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

// The replaced databases kept beside databasePath (full paths, without their logs), oldest
// first.
QStringList ReplacedFiles(const QString& databasePath) {
    const QFileInfo info(databasePath);
    static const QRegularExpression logName(QStringLiteral("-(wal|shm|journal)$"));
    QStringList files;
    for (const QString& name :
         info.absoluteDir().entryList({info.fileName() + kReplacedInfix + QLatin1Char('*')},
                                      QDir::Files | QDir::Hidden | QDir::System, QDir::Name))
        if (!logName.match(name).hasMatch()) files << info.absoluteDir().filePath(name);
    return files;
}

// A free name for the database replaced at `now`.
QString ReplacedName(const QString& databasePath, const QDateTime& now) {
    const QString base = databasePath + kReplacedInfix + now.toString(kTimeFormat);
    QString name = base;
    for (int n = 2; Exists(name) || Exists(name + QStringLiteral("-wal")) ||
                    Exists(name + QStringLiteral("-journal"));
         ++n)
        name = base + QStringLiteral("-%1").arg(n);
    return name;
}

// A replaced name that is still the live database itself: a swap was cut between keeping
// the old file aside and putting the new one in place.
bool HasInterruptedSwap(const QString& databasePath) {
    if (!Exists(databasePath)) return false;
    for (const QString& aside : ReplacedFiles(databasePath))
        if (SameFile(aside, databasePath)) return true;
    return false;
}

// Undoes such a swap: the live database gets its log back and the extra name goes. Only
// under the lock alone, before anyone opens the database.
bool UndoInterruptedSwap(const QString& databasePath) {
    bool ok = true;
    for (const QString& aside : ReplacedFiles(databasePath)) {
        if (!SameFile(aside, databasePath)) continue;
        bool logsBack = true;
        for (const char* suffix : kLogSuffixes) {
            const QString kept = aside + QLatin1String(suffix);
            const QString live = databasePath + QLatin1String(suffix);
            if (!Exists(kept)) continue;
            if (!Exists(live))
                logsBack =
                    ::rename(Native(kept).constData(), Native(live).constData()) == 0 && logsBack;
            else if (SameFile(kept, live))
                logsBack = ::unlink(Native(kept).constData()) == 0 && logsBack;
            else
                logsBack = false;  // a log of its own beside it: leave both for a person
        }
        ok = logsBack && ::unlink(Native(aside).constData()) == 0 && ok;
    }
    SyncFolder(QFileInfo(databasePath).absolutePath());
    return ok;
}

QString UndoFailure(const QString& databasePath) {
    return QStringLiteral("上次恢复备份被中断,留下的文件无法整理,请检查文件夹中的 %1%2* 文件")
        .arg(QFileInfo(databasePath).fileName(), kReplacedInfix);
}

// Whether the file (its -wal included) carries our mark and a version this release writes,
// read through a read-only connection. Through SQLite only: a descriptor of the file opened
// and closed beside a connection of this process would drop that connection's locks.
bool MarkedOurs(const QString& databasePath) {
    QString error;
    SqliteHandle db = Open(databasePath, SQLITE_OPEN_READONLY, &error);
    if (!db) return false;
    const int id = SingleValue(db.get(), "pragma application_id", &error).toInt();
    const int version = SingleValue(db.get(), "pragma user_version", &error).toInt();
    return error.isEmpty() && id == kApplicationId && version >= 1 && version <= kSchemaVersion;
}

// Folds the database's log into it and leaves WAL, so the file stands alone. Only a file of
// ours is written; false when a log is left (a damaged file, or not ours).
bool FoldLog(const QString& databasePath) {
    const auto logsLeft = [&] {
        for (const char* suffix : kLogSuffixes)
            if (Exists(databasePath + QLatin1String(suffix))) return true;
        return false;
    };
    if (!logsLeft()) return true;
    QString error;
    if (!MarkedOurs(databasePath)) return false;
    {
        SqliteHandle db = Open(databasePath, SQLITE_OPEN_READWRITE, &error);
        // A read plays a hot rollback journal back; leaving WAL checkpoints and deletes it.
        if (!db || SingleValue(db.get(), "select count(*) from sqlite_master", &error).isEmpty() ||
            SingleValue(db.get(), "pragma journal_mode = delete", &error) !=
                QLatin1String("delete"))
            return false;
    }
    return !logsLeft();
}

// An exclusive claim on a file of our own making (flock on it): the name of a copy on its
// way in. A file nobody holds is a leftover of work cut short. -1 with *busy when another
// process holds it.
int ClaimFile(const QString& path, const DataFileModes& modes, bool* busy) {
    *busy = false;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int fd =
            ::open(Native(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, modes.file);
        if (fd < 0) return -1;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            *busy = true;
            return -1;
        }
        // Someone who found it left over may have removed the name before our lock.
        struct stat held, named;
        if (::fstat(fd, &held) == 0 && ::stat(Native(path).constData(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            if (::ftruncate(fd, 0) == 0) {
                FitDataFileMode(fd, modes);
                return fd;
            }
        }
        ::close(fd);
    }
    return -1;
}

// Claims function.dll.restoring for a copy on its way in (a backup put back, the compacted
// file); -1 with *error when another restore or compaction holds it or it cannot be made.
int ClaimIncoming(const QString& databasePath, QString* error) {
    const QString incoming = databasePath + kIncomingSuffix;
    bool busy = false;
    const int claim =
        ClaimFile(incoming, DataFileModesFor(QFileInfo(databasePath).absolutePath()), &busy);
    if (claim < 0)
        *error = busy ? QStringLiteral("另一个恢复或整理正在进行,请等它完成后再试")
                      : QStringLiteral("无法建立文件: %1").arg(incoming);
    return claim;
}

// Removes a file that ClaimFile's holders make, when nobody holds it.
bool RemoveIfLeftOver(const QString& path) {
    const int fd = ::open(Native(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    bool removed = false;
    struct stat held, named;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 &&
        ::stat(Native(path).constData(), &named) == 0 && held.st_dev == named.st_dev &&
        held.st_ino == named.st_ino)
        removed = ::unlink(Native(path).constData()) == 0;
    ::close(fd);
    return removed;
}

bool CopyBytes(const QString& from, int to, QString* error) {
    const int in = ::open(Native(from).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        *error = QStringLiteral("无法读取: %1").arg(from);
        return false;
    }
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), size_t(buffer.size()));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        for (ssize_t done = 0; ok && done < n;) {
            const ssize_t w = ::write(to, buffer.constData() + done, size_t(n - done));
            if (w < 0 && errno == EINTR) continue;
            ok = w > 0;
            done += w > 0 ? w : 0;
        }
        if (!ok) break;
    }
    ::close(in);
    if (ok) ok = ::fsync(to) == 0;
    if (!ok) *error = QStringLiteral("复制时读写失败: %1").arg(from);
    return ok;
}

// Puts the complete, checked file incoming in place of the database. The caller holds the
// use lock alone. Every step leaves the old database or the new one under the live name,
// never a log beside a file it does not belong to:
//   1. the old file's log is folded into it (when it is ours and sound);
//   2. the old file, and a log that could not be folded, get a second name (hard links);
//   3. the live log names go (a cut from 2 to here is undone by the next opener, which
//      gives the live file its log back);
//   4. one rename puts the new file under the live name, and the folder is synced.
// With aside empty the old file is not kept, and a log that cannot be folded stops it.
bool SwapIn(const QString& databasePath, const QString& incoming, const QString& aside,
            QString* error) {
    const QString folder = QFileInfo(databasePath).absolutePath();
    const bool folded = FoldLog(databasePath);
    if (aside.isEmpty() && !folded) {
        *error = QStringLiteral("无法合并数据库的日志文件: %1").arg(databasePath);
        return false;
    }
    if (!aside.isEmpty()) {
        // A log without its database (left by an older release's restore) goes aside too.
        QStringList linked;
        for (const QString& suffix :
             {QString(), QStringLiteral("-wal"), QStringLiteral("-journal")}) {
            if (!Exists(databasePath + suffix)) continue;
            if (::link(Native(databasePath + suffix).constData(),
                       Native(aside + suffix).constData()) != 0) {
                *error = QStringLiteral("无法保留原数据库文件: %1 (%2)")
                             .arg(databasePath + suffix, QString::fromLocal8Bit(strerror(errno)));
                for (const QString& name : linked) ::unlink(Native(name).constData());
                return false;
            }
            linked << aside + suffix;
        }
    }
    for (const QString& suffix :
         {QStringLiteral("-wal"), QStringLiteral("-journal"), QStringLiteral("-shm")}) {
        if (::unlink(Native(databasePath + suffix).constData()) != 0 && errno != ENOENT) {
            *error = QStringLiteral("无法移开原数据库的日志文件: %1").arg(databasePath + suffix);
            UndoInterruptedSwap(databasePath);
            return false;
        }
    }
    if (::rename(Native(incoming).constData(), Native(databasePath).constData()) != 0) {
        *error = QStringLiteral("无法放回数据库文件: %1 (%2)")
                     .arg(databasePath, QString::fromLocal8Bit(strerror(errno)));
        UndoInterruptedSwap(databasePath);
        return false;
    }
    SyncFolder(folder);
    return true;
}

// Removes the replaced databases beyond the newest kReplacedFilesKept, with their logs.
QStringList RemoveOldReplacedFiles(const QString& databasePath) {
    QStringList removed;
    QStringList files = ReplacedFiles(databasePath);
    while (files.size() > kReplacedFilesKept) {
        const QString oldest = files.takeFirst();
        if (SameFile(oldest, databasePath)) continue;
        for (const QString& suffix :
             {QStringLiteral("-wal"), QStringLiteral("-journal"), QStringLiteral("-shm")})
            ::unlink(Native(oldest + suffix).constData());
        if (::unlink(Native(oldest).constData()) == 0)
            removed << QFileInfo(oldest).fileName();
        else
            qCWarning(lcData).noquote()
                << "replaced database" << oldest << "not removed:" << std::strerror(errno);
    }
    return removed;
}

// One backup of a folder at a time: a lock on the folder itself, released when the holder
// ends however it ends.
class FolderLock {
  public:
    explicit FolderLock(const QString& folder)
        : fd_(::open(Native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        held_ = fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
    }
    ~FolderLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool held() const { return held_; }

  private:
    int fd_;
    bool held_ = false;
};

qint64 DatabaseBytes(const QString& databasePath) {
    return QFileInfo(databasePath).size() + QFileInfo(databasePath + QStringLiteral("-wal")).size();
}

}  // namespace

std::unique_ptr<DatabaseUseLock> LockDatabaseForUse(const QString& databasePath, int waitMs,
                                                    QString* problem) {
    QElapsedTimer waited;
    waited.start();
    const auto left = [&] { return std::max(0, waitMs - int(waited.elapsed())); };
    auto lock =
        std::make_unique<DatabaseUseLock>(databasePath, DatabaseUseLock::Mode::Shared, waitMs);
    while (lock->isHeld() && HasInterruptedSwap(databasePath)) {
        // Undoing needs the lock alone; another opener may be undoing it right now.
        if (lock->Change(DatabaseUseLock::Mode::Exclusive, 0)) {
            if (!UndoInterruptedSwap(databasePath)) {
                qCWarning(lcData).noquote() << "restore cut short at" << databasePath
                                            << "not undone:" << UndoFailure(databasePath);
                if (problem) *problem = UndoFailure(databasePath);
                lock->Release();
                break;
            }
        } else if (left() == 0) {
            break;
        } else {
            QThread::msleep(20);
        }
        lock->Change(DatabaseUseLock::Mode::Shared, left());
    }
    return lock;
}

std::unique_ptr<DatabaseUseLock> LockDatabaseAlone(const QString& databasePath, int waitMs,
                                                   QString* problem) {
    auto lock =
        std::make_unique<DatabaseUseLock>(databasePath, DatabaseUseLock::Mode::Exclusive, waitMs);
    if (lock->isHeld() && HasInterruptedSwap(databasePath) && !UndoInterruptedSwap(databasePath)) {
        qCWarning(lcData).noquote()
            << "restore cut short at" << databasePath << "not undone:" << UndoFailure(databasePath);
        if (problem) *problem = UndoFailure(databasePath);
        lock->Release();
    }
    return lock;
}

QStringList FitDataFiles(const QString& databasePath) {
    const QFileInfo info(databasePath);
    const DataFileModes modes = DataFileModesFor(info.absolutePath());
    QStringList files;
    for (const QString& name :
         info.absoluteDir().entryList({info.fileName(), info.fileName() + QStringLiteral("-*"),
                                       info.fileName() + kReplacedInfix + QLatin1Char('*')},
                                      QDir::Files | QDir::Hidden | QDir::System))
        files << info.absoluteDir().filePath(name);
    const QString folder = BackupFolderFor(databasePath);
    if (QFileInfo(folder).isDir()) {
        if (!FitDataFolderMode(folder, modes)) files << folder;
        for (const QString& name :
             QDir(folder).entryList({QStringLiteral("function-*")}, QDir::Files | QDir::System))
            files << QDir(folder).filePath(name);
    }
    QStringList open;
    for (const QString& file : files)
        if (file == folder || !FitDataFileMode(file, modes)) open << file;
    return open;
}

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

namespace {

BackupResult MakeBackup(const QString& databasePath, const QDateTime& now,
                        const BackupOptions& options) {
    BackupResult result;
    if (!QFileInfo(databasePath).isFile()) {
        result.error = QStringLiteral("找不到数据库文件: %1").arg(databasePath);
        return result;
    }
    const QString folder = BackupFolderFor(databasePath);
    const DataFileModes modes = DataFileModesFor(QFileInfo(databasePath).absolutePath());
    if (!MakeDataFolder(folder, modes)) {
        result.error = QStringLiteral("无法创建备份文件夹: %1").arg(folder);
        return result;
    }
    const FolderLock oneAtATime(folder);
    if (!oneAtATime.held()) {
        result.busy = true;
        result.error = QStringLiteral("另一个备份正在进行,请等它完成后再试: %1").arg(folder);
        return result;
    }
    // No other copy is being made: partial files are what copies cut short left behind, and
    // so is a copy on its way in that nobody holds.
    for (const QString& name : QDir(folder).entryList(
             {QStringLiteral("function-*.dll") + kPartialSuffix}, QDir::Files | QDir::System))
        if (QFile::remove(QDir(folder).filePath(name))) result.removed << name;
    if (RemoveIfLeftOver(databasePath + kIncomingSuffix))
        result.removed << QFileInfo(databasePath + kIncomingSuffix).fileName();

    const QString final = QDir(folder).filePath(BackupFileName(now));
    const QString partial = final + kPartialSuffix;
    if (QFileInfo::exists(final)) {
        result.error = QStringLiteral("备份文件已存在: %1").arg(final);
        return result;
    }

    // The database's files are read only under its use lock, like every other user's.
    QString problem;
    const auto use = LockDatabaseForUse(databasePath, kAloneWaitMs, &problem);
    if (use->state() == DatabaseUseLock::State::Busy) {
        result.error =
            QStringLiteral("备份失败: %1")
                .arg(problem.isEmpty() ? QStringLiteral("数据库正在恢复备份或整理,请稍后再试")
                                       : problem);
        return result;
    }
    QString error;
    if (!CreateEmpty(partial, modes, &error) ||
        !CopyDatabase(databasePath, partial, options, &error)) {
        QFile::remove(partial);
        result.error = QStringLiteral("备份失败: %1").arg(error);
        return result;
    }
    if (options.beforeCheck) options.beforeCheck(partial);
    const QString check = CheckDatabaseFile(partial);
    if (!check.isEmpty()) {
        QFile::remove(partial);
        result.error = QStringLiteral("备份校验失败: %1").arg(check);
        return result;
    }
    if (!QFile::rename(partial, final)) {
        QFile::remove(partial);
        result.error = QStringLiteral("无法保存备份文件: %1").arg(final);
        return result;
    }
    SyncFolder(folder);
    result.ok = true;
    result.file = final;
    result.bytes = QFileInfo(final).size();

    // Only now that a checked copy exists do older ones go.
    const QStringList old = BackupsToRemove(BackupFilesIn(folder));
    for (const QString& name : BackupFilesIn(folder)) {
        if (old.contains(name)) {
            QFile copy(QDir(folder).filePath(name));
            if (copy.remove())
                result.removed << name;
            else
                qCWarning(lcData).noquote()
                    << "old backup" << copy.fileName() << "not removed:" << copy.errorString();
        } else {
            FitDataFileMode(QDir(folder).filePath(name), modes);  // copies made before
        }
    }
    return result;
}

RestoreResult PutBack(const QString& databasePath, const QString& backupFile,
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
    const QString inUse = QStringLiteral("数据库正在被使用,请先关闭所有 Verimond 程序再恢复");
    // Told at once, before the copy is made.
    if (DatabaseUseLock(databasePath, DatabaseUseLock::Mode::Exclusive).state() ==
        DatabaseUseLock::State::Busy) {
        result.error = inUse;
        return result;
    }

    // The copy is made beside the database and checked again before anything moves.
    const QString incoming = databasePath + kIncomingSuffix;
    const int claim = ClaimIncoming(databasePath, &result.error);
    if (claim < 0) return result;
    const auto fail = [&](const QString& text) {
        ::unlink(Native(incoming).constData());
        ::close(claim);
        result.error = text;
        return result;
    };
    QString error;
    if (!CopyBytes(backupFile, claim, &error))
        return fail(QStringLiteral("无法复制备份文件到: %1 (%2)").arg(incoming, error));
    const QString copied = CheckDatabaseFile(incoming);
    if (!copied.isEmpty()) return fail(QStringLiteral("复制后的备份文件不能使用: %1").arg(copied));

    // Only the swap itself needs the database alone.
    QString undo;
    const auto alone = LockDatabaseAlone(databasePath, kAloneWaitMs, &undo);
    if (!alone->isHeld() || !undo.isEmpty()) return fail(undo.isEmpty() ? inUse : undo);
    const QString aside = ReplacedName(databasePath, now);
    const bool hadDatabase = Exists(databasePath);
    if (!SwapIn(databasePath, incoming, aside, &error)) return fail(error);
    ::close(claim);
    result.ok = true;
    if (hadDatabase) result.keptAside = aside;
    result.removed = RemoveOldReplacedFiles(databasePath);
    return result;
}

SpaceResult GiveFreePagesBack(const QString& databasePath, const SpaceOptions& options) {
    SpaceResult result;
    QString problem;
    const auto use = LockDatabaseForUse(databasePath, kAloneWaitMs, &problem);
    if (use->state() == DatabaseUseLock::State::Busy) {
        result.error =
            problem.isEmpty() ? QStringLiteral("数据库正在恢复备份或整理,请稍后再试") : problem;
        return result;
    }
    if (!QFileInfo(databasePath).isFile() || !MarkedOurs(databasePath)) {
        result.error = QStringLiteral("不是可以使用的本程序数据库文件: %1").arg(databasePath);
        return result;
    }
    QString error;
    SqliteHandle db = Open(databasePath, SQLITE_OPEN_READWRITE, &error);
    if (!db) {
        result.error = error;
        return result;
    }
    result.bytesBefore = DatabaseBytes(databasePath);
    result.incremental = SingleValue(db.get(), "pragma auto_vacuum", &error).toInt() == 2;
    result.freePagesBefore = SingleValue(db.get(), "pragma freelist_count", &error).toLongLong();
    qint64 free = result.freePagesBefore;
    const QByteArray step = QByteArrayLiteral("pragma incremental_vacuum(") +
                            QByteArray::number(std::max(1, options.pagesPerStep)) +
                            QByteArrayLiteral(")");
    // Each step is a write transaction of its own; other stations write between them.
    while (result.incremental && error.isEmpty() && free > 0 &&
           !(options.stop && options.stop->load())) {
        QElapsedTimer stepTimer;
        stepTimer.start();
        if (!Execute(db.get(), step.constData(), &error)) break;
        // The step's pages are copied back into the file here, so that no station's next
        // commit finds a long log to copy back itself.
        SingleValue(db.get(), "pragma wal_checkpoint(passive)", &error);
        result.stepMicroseconds.push_back(stepTimer.nsecsElapsed() / 1000);
        ++result.steps;
        free = SingleValue(db.get(), "pragma freelist_count", &error).toLongLong();
        if (free > 0 && options.pauseMs > 0) QThread::msleep(options.pauseMs);
    }
    // The file is cut to its new size when the log is copied back into it.
    QString ignored;
    SingleValue(db.get(), "pragma wal_checkpoint(passive)", &ignored);
    result.freePagesAfter = free;
    db.reset();
    result.bytesAfter = DatabaseBytes(databasePath);
    result.ok = error.isEmpty();
    result.error = error;
    return result;
}

SpaceResult Compact(const QString& databasePath) {
    SpaceResult result;
    QString problem;
    const auto alone = LockDatabaseAlone(databasePath, kAloneWaitMs, &problem);
    if (!alone->isHeld() || !problem.isEmpty()) {
        result.error =
            problem.isEmpty()
                ? QStringLiteral("数据库正在被使用,请先关闭所有 Verimond 程序和命令再整理")
                : problem;
        return result;
    }
    if (!QFileInfo(databasePath).isFile() || !MarkedOurs(databasePath)) {
        result.error = QStringLiteral("不是可以使用的本程序数据库文件: %1").arg(databasePath);
        return result;
    }
    result.bytesBefore = DatabaseBytes(databasePath);
    QString error;
    {
        SqliteHandle db = Open(databasePath, SQLITE_OPEN_READONLY, &error);
        if (db)
            result.freePagesBefore =
                SingleValue(db.get(), "pragma freelist_count", &error).toLongLong();
    }
    const QString incoming = databasePath + kIncomingSuffix;
    const int claim = ClaimIncoming(databasePath, &result.error);
    if (claim < 0) return result;
    QString check;
    const bool copied = CopyDatabase(databasePath, incoming, BackupOptions{}, &error) &&
                        (check = CheckDatabaseFile(incoming)).isEmpty();
    if (!copied || !SwapIn(databasePath, incoming, QString(), &error)) {
        ::unlink(Native(incoming).constData());
        ::close(claim);
        result.error = !check.isEmpty() ? QStringLiteral("整理后的文件不能使用: %1").arg(check)
                                        : QStringLiteral("整理失败: %1").arg(error);
        return result;
    }
    ::close(claim);
    result.ok = true;
    result.incremental = true;
    result.bytesAfter = DatabaseBytes(databasePath);
    return result;
}

}  // namespace

// Each failure is logged here once, with the files and the reason the caller is given.

BackupResult BackupDatabase(const QString& databasePath, const QDateTime& now,
                            const BackupOptions& options) {
    BackupResult result = MakeBackup(databasePath, now, options);
    if (result.ok) return result;
    // Another backup running, or a stop asked for, is no failure of this one.
    if (result.busy || (options.stop && options.stop->load()))
        qCDebug(lcData).noquote() << "backup of" << databasePath << "not made:" << result.error;
    else
        qCWarning(lcData).noquote() << "backup of" << databasePath << "failed:" << result.error;
    return result;
}

RestoreResult RestoreDatabase(const QString& databasePath, const QString& backupFile,
                              const QDateTime& now) {
    RestoreResult result = PutBack(databasePath, backupFile, now);
    if (!result.ok)
        qCWarning(lcData).noquote()
            << "restore of" << backupFile << "to" << databasePath << "failed:" << result.error;
    return result;
}

SpaceResult GiveSpaceBack(const QString& databasePath, const SpaceOptions& options) {
    SpaceResult result = GiveFreePagesBack(databasePath, options);
    if (!result.ok)
        qCWarning(lcData).noquote()
            << "free pages of" << databasePath << "not given back:" << result.error;
    return result;
}

SpaceResult CompactDatabase(const QString& databasePath) {
    SpaceResult result = Compact(databasePath);
    if (!result.ok)
        qCWarning(lcData).noquote() << "compaction of" << databasePath << "failed:" << result.error;
    return result;
}

}  // namespace data
