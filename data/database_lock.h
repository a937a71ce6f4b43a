#pragma once
// Who is using a database file. Every program instance and command that opens the file
// holds a shared lock on a companion file beside it (function.dll.lock); putting a backup
// back needs the lock alone. The lock is released when its holder ends, however it ends,
// so a crash never leaves the file locked. The database file itself is never locked here:
// its own locks belong to SQLite.

#include <QString>

namespace data {

class DatabaseUseLock {
  public:
    enum class Mode { Shared, Exclusive };

    // Tries to take the lock without waiting longer than waitMs; isHeld() tells.
    DatabaseUseLock(const QString& databasePath, Mode mode, int waitMs = 0);
    ~DatabaseUseLock();
    DatabaseUseLock(const DatabaseUseLock&) = delete;
    DatabaseUseLock& operator=(const DatabaseUseLock&) = delete;

    bool isHeld() const { return fd_ >= 0; }
    static QString LockFileFor(const QString& databasePath);

  private:
    int fd_ = -1;
};

}  // namespace data
