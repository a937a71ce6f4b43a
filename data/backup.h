#pragma once
// Verified copies of the database file, putting one back, and keeping the file small.
//
// The whole studio's history lives in one file, so a copy is a compact snapshot of one
// moment (VACUUM INTO: consistent while other connections read and write, free pages left
// out), checked before it is kept, and old copies are removed only after a new one has been
// checked. A backup never writes to the database it copies.
//
// Copies live in the folder "backup" beside the database and are named
// function-YYYYMMDD-HHMMSS.dll; a copy being made carries ".partial" until it is checked.
// One backup runs at a time (it holds a lock on the folder), so the next one removes the
// partial files of copies that were cut short.
//
// Putting a copy back swaps files under the database's use lock taken alone, so that a kill
// or a power cut at any moment leaves the old database or the new one, whole: see
// RestoreDatabase. Every program and command takes the use lock (LockDatabaseForUse) before
// it touches any of the database's files, which also finishes a swap that was cut short.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "data/database_lock.h"

namespace data {

inline constexpr char kBackupFolderName[] = "backup";
// How many replaced databases a restore keeps beside the database (the newest ones).
inline constexpr int kReplacedFilesKept = 3;

// Takes the database's use lock shared, as every program and command that reads or writes
// the file does before it opens any of its files. A restore cut short is first undone
// under the lock alone. Waits up to waitMs for a restore or a copy that holds the lock
// alone. *problem says why an interrupted restore could not be undone (the lock is then
// not held).
std::unique_ptr<DatabaseUseLock> LockDatabaseForUse(const QString& databasePath, int waitMs,
                                                    QString* problem = nullptr);
// The same, alone: no other program or command has the database open meanwhile.
std::unique_ptr<DatabaseUseLock> LockDatabaseAlone(const QString& databasePath, int waitMs,
                                                   QString* problem = nullptr);

// Gives the files that hold the database's data (the file and its logs, the replaced files,
// the backup folder and its copies) the modes of their folder (see DataFileModesFor) where
// this account owns them. Returns those left readable by other accounts.
QStringList FitDataFiles(const QString& databasePath);

struct BackupResult {
    bool ok = false;
    bool busy = false;  // another backup of the same database was running
    QString file;       // the kept copy
    QString error;      // why there is none
    qint64 bytes = 0;
    QStringList removed;  // older copies rotated away, and leftovers of copies cut short
};

struct BackupOptions {
    // Set from another thread to stop a running copy (the partial file is removed).
    const std::atomic_bool* stop = nullptr;
    // Runs now and then on the copying thread while the copy is made; tests write meanwhile.
    std::function<void()> whileCopying;
    // Runs on the finished copy before it is checked; tests use it to damage the copy.
    std::function<void(const QString& partialFile)> beforeCheck;
};

// The folder that holds the backups of the database file at databasePath.
QString BackupFolderFor(const QString& databasePath);
// The name a backup taken at `when` gets.
QString BackupFileName(const QDateTime& when);
// When the backup file name says it was taken; invalid for other names.
QDateTime BackupTime(const QString& fileName);

// Copies the database, checks the copy, keeps it, then rotates the older copies.
BackupResult BackupDatabase(const QString& databasePath, const QDateTime& now,
                            const BackupOptions& options = {});

// Whether a copy taken today (by `now`'s date) is already in the backup folder.
bool HasBackupOfDay(const QString& databasePath, const QDate& day);

// Runs SQLite's integrity check and checks our mark on a file, opened read-only.
// Empty text when the file is a sound database of ours; otherwise why not.
QString CheckDatabaseFile(const QString& file);

// Of the copies named in `files` (file names with their times), those to delete: all but
// the newest copy of each of the last 7 days with a copy and the newest copy of each of
// the last 4 weeks (Monday to Sunday) with a copy.
QStringList BackupsToRemove(const QStringList& files);

struct RestoreResult {
    bool ok = false;
    QString error;
    QString keptAside;    // where the replaced database went
    QStringList removed;  // older replaced databases beyond the ones kept
};

// Puts a checked copy back in place of the database at databasePath. The replaced file is
// kept as function.dll.replaced-YYYYMMDD-HHMMSS (with its -wal when its log could not be
// folded into it); the newest kReplacedFilesKept of these stay. Refuses a file that fails
// the check, and refuses while a program or command is using the database.
RestoreResult RestoreDatabase(const QString& databasePath, const QString& backupFile,
                              const QDateTime& now);

struct SpaceResult {
    bool ok = false;
    QString error;
    bool incremental = false;  // the file gives free pages back in steps
    qint64 bytesBefore = 0;
    qint64 bytesAfter = 0;
    qint64 freePagesBefore = 0;
    qint64 freePagesAfter = 0;
    int steps = 0;
    // How long each step took: its write transaction, and the checkpoint SQLite may run after
    // it once the write lock is given back.
    std::vector<qint64> stepMicroseconds;
};

struct SpaceOptions {
    // Free pages given back per step, each step a short write transaction of its own.
    int pagesPerStep = 128;
    // Pause between steps, so that other stations' writes come between them.
    int pauseMs = 50;
    const std::atomic_bool* stop = nullptr;
};

// Gives the free pages of the database back to the file system in short steps while other
// programs go on working. Only a file with incremental auto-vacuum (every database made or
// put back by this release) can do so; for an older one `incremental` is false and
// CompactDatabase converts it once.
SpaceResult GiveSpaceBack(const QString& databasePath, const SpaceOptions& options = {});

// Rewrites the database compactly, with incremental auto-vacuum, and swaps it in as a
// restore does (crash-safe). Needs the database alone; refuses while it is in use.
SpaceResult CompactDatabase(const QString& databasePath);

}  // namespace data
