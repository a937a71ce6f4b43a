#include "app/runtime_folder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <cerrno>

namespace app {

void NameRuntimeFolder() {
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) return;
    // The folder Qt falls back to: runtime-<user> in the temporary folder.
    const uid_t uid = ::geteuid();
    const passwd* account = ::getpwuid(uid);
    const QByteArray user = account && account->pw_name && *account->pw_name
                                ? QByteArray(account->pw_name)
                                : QByteArray::number(uid);
    const QByteArray folder = QFile::encodeName(QDir::tempPath()) + "/runtime-" + user;
    if (::mkdir(folder.constData(), 0700) != 0 && errno != EEXIST) return;
    struct stat info;
    if (::lstat(folder.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != uid ||
        (info.st_mode & 07777) != 0700)
        return;
    qputenv("XDG_RUNTIME_DIR", folder);
}

}  // namespace app
