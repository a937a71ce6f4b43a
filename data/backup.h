#pragma once
// Verified copies of the database file. The whole studio's history lives in one file, so
// a copy is taken with SQLite's online backup (consistent while other connections read
// and write), checked before it is kept, and old copies are removed only after a new one
// has been checked. A backup never writes to the database it copies.
//
// Copies live in the folder "backup" beside the database and are named
// function-YYYYMMDD-HHMMSS.dll; a copy being made carries ".partial" until it is checked.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>

namespace data {

inline constexpr char kBackupFolderName[] = "backup";

struct BackupResult {
    bool ok = false;
    QString file;   // the kept copy
    QString error;  // why there is none
    qint64 bytes = 0;
    QStringList removed;  // older copies rotated away
};

struct BackupOptions {
    // Pages copied per step; between steps the copy can be stopped.
    int pagesPerStep = 4096;
    // Set from another thread to stop a running copy (the partial file is removed).
    const std::atomic_bool* stop = nullptr;
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
    QString keptAside;  // where the replaced database went
};

// Puts a checked copy back in place of the database at databasePath. The replaced file
// (and its -wal and -shm) is renamed aside, never deleted. Refuses a file that fails the
// check, and refuses while a program or command is using the database.
RestoreResult RestoreDatabase(const QString& databasePath, const QString& backupFile,
                              const QDateTime& now);

}  // namespace data
