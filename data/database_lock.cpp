#include "data/database_lock.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include "data/file_names.h"

namespace data {

QString DatabaseUseLock::LockFileFor(const QString& databasePath) {
    return databasePath + QStringLiteral(".lock");
}

DatabaseUseLock::DatabaseUseLock(const QString& databasePath, Mode mode, int waitMs) {
    const QString path = LockFileFor(databasePath);
    const QByteArray name = QFile::encodeName(path);
    const DataFileModes modes = DataFileModesFor(QFileInfo(path).absolutePath());
    int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, modes.file);
    // A lock is taken on any open file: another user's lock file that this account may only
    // read serves as well.
    if (fd < 0 && errno == EACCES) fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return;
    FitDataFileMode(fd, modes);
    fd_ = fd;
    state_ = Take(mode, waitMs) ? State::Held : State::Busy;
}

DatabaseUseLock::~DatabaseUseLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

bool DatabaseUseLock::Take(Mode mode, int waitMs) {
    const int operation = (mode == Mode::Shared ? LOCK_SH : LOCK_EX) | LOCK_NB;
    QElapsedTimer waited;
    waited.start();
    while (::flock(fd_, operation) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) return false;
        if (waited.elapsed() >= waitMs) return false;
        QThread::msleep(20);
    }
    return true;
}

void DatabaseUseLock::Release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    state_ = State::Busy;
}

bool DatabaseUseLock::Change(Mode mode, int waitMs) {
    if (fd_ < 0) return false;
    state_ = Take(mode, waitMs) ? State::Held : State::Busy;
    return isHeld();
}

}  // namespace data
