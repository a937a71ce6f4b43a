#include "data/database_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

namespace data {

QString DatabaseUseLock::LockFileFor(const QString& databasePath) {
    return databasePath + QStringLiteral(".lock");
}

DatabaseUseLock::DatabaseUseLock(const QString& databasePath, Mode mode, int waitMs) {
    const QByteArray name = QFile::encodeName(LockFileFor(databasePath));
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return;
    const int operation = (mode == Mode::Shared ? LOCK_SH : LOCK_EX) | LOCK_NB;
    QElapsedTimer waited;
    waited.start();
    while (::flock(fd, operation) != 0) {
        if (waited.elapsed() >= waitMs) {
            ::close(fd);
            return;
        }
        QThread::msleep(50);
    }
    fd_ = fd;
}

DatabaseUseLock::~DatabaseUseLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

}  // namespace data
