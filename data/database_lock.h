#pragma once
// Who is using a database file. Every program instance and command that opens the file
// holds a shared lock on a companion file beside it (function.dll.lock), taken before it
// touches any of the database's files; putting a backup back needs the lock alone. The
// lock is released when its holder ends, however it ends, so a crash never leaves the file
// locked. The database file itself is never locked here: its own locks belong to SQLite.

#include <QString>

namespace data {

class DatabaseUseLock {
  public:
    enum class Mode { Shared, Exclusive };
    enum class State {
        Held,
        Busy,         // another holder kept it for longer than the wait
        Unavailable,  // the lock file can be neither made nor opened (a read-only folder)
    };

    // Tries to take the lock without waiting longer than waitMs; state() tells.
    DatabaseUseLock(const QString& databasePath, Mode mode, int waitMs = 0);
    ~DatabaseUseLock();
    DatabaseUseLock(const DatabaseUseLock&) = delete;
    DatabaseUseLock& operator=(const DatabaseUseLock&) = delete;

    bool isHeld() const { return state_ == State::Held; }
    State state() const { return state_; }
    // Changes a held lock to mode, waiting up to waitMs. The change is not atomic: another
    // holder may come between, and a change that fails leaves the lock not held.
    bool Change(Mode mode, int waitMs);
    // Gives the lock up before the end of the holder's life.
    void Release();

    static QString LockFileFor(const QString& databasePath);

  private:
    bool Take(Mode mode, int waitMs);

    int fd_ = -1;
    State state_ = State::Unavailable;
};

}  // namespace data
