#include "data/file_names.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

namespace data {

unsigned NewFileMode(unsigned mode) {
    // umask can only be read by setting it; read it once, before any thread could race.
    static const mode_t mask = [] {
        const mode_t m = ::umask(022);
        ::umask(m);
        return m;
    }();
    return mode & ~unsigned(mask);
}

QString ExtensionOf(const QString& name) {
    // A "." never occurs inside a multi-byte GBK character, so searching the
    // Unicode text gives the same answer as searching the stored bytes.
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot);
}

DataFileModes DataFileModesFor(const QString& folder) {
    DataFileModes modes;
    struct stat st;
    if (::stat(QFile::encodeName(folder).constData(), &st) == 0 && (st.st_mode & S_IWGRP)) {
        modes.shared = true;
        modes.file = 0660;
        modes.folder = 02770;
        modes.group = long(st.st_gid);
    }
    return modes;
}

namespace {

// The owner keeps its own bits; the group gets read and write in a shared folder (and its
// folders pass the group on), nothing otherwise; others get nothing.
unsigned Wanted(unsigned bits, bool folder, const DataFileModes& modes) {
    if (!modes.shared) return bits & 0700;
    return (bits & 0700) | (folder ? 02070u : 0060u);
}

bool Secret(const struct stat& st, const DataFileModes& modes) {
    return (st.st_mode & 0007) == 0 && (modes.shared || (st.st_mode & 0070) == 0);
}

// Fits fd to the modes when this account owns it; whether it is then kept from others.
bool Fit(int fd, bool folder, const DataFileModes& modes) {
    struct stat st;
    if (::fstat(fd, &st) != 0) return false;
    const unsigned bits = st.st_mode & 07777;
    const bool groupFits = !modes.shared || long(st.st_gid) == modes.group;
    if ((bits != Wanted(bits, folder, modes) || !groupFits) && st.st_uid == ::geteuid()) {
        // The group first: changing it may clear the setgid bit, which the mode then sets.
        if (!groupFits) (void)::fchown(fd, uid_t(-1), gid_t(modes.group));
        (void)::fchmod(fd, Wanted(bits, folder, modes));
        if (::fstat(fd, &st) != 0) return false;
    }
    return Secret(st, modes);
}

// By name, never through a descriptor of its own: closing any descriptor of a database file
// drops every lock SQLite holds on it in this process, after which another program would
// take itself for the file's last user and delete its -wal.
bool FitPath(const QString& path, bool folder, const DataFileModes& modes) {
    const QByteArray name = QFile::encodeName(path);
    struct stat st;
    if (::stat(name.constData(), &st) != 0) return true;
    if (folder != S_ISDIR(st.st_mode)) return Secret(st, modes);
    const unsigned bits = st.st_mode & 07777;
    const bool groupFits = !modes.shared || long(st.st_gid) == modes.group;
    if ((bits != Wanted(bits, folder, modes) || !groupFits) && st.st_uid == ::geteuid()) {
        // The group first: changing it may clear the setgid bit, which the mode then sets.
        if (!groupFits) (void)::chown(name.constData(), uid_t(-1), gid_t(modes.group));
        (void)::chmod(name.constData(), Wanted(bits, folder, modes));
        if (::stat(name.constData(), &st) != 0) return true;
    }
    return Secret(st, modes);
}

}  // namespace

bool FitDataFileMode(int fd, const DataFileModes& modes) { return Fit(fd, false, modes); }

bool FitDataFileMode(const QString& path, const DataFileModes& modes) {
    return FitPath(path, false, modes);
}

bool FitDataFolderMode(const QString& path, const DataFileModes& modes) {
    return FitPath(path, true, modes);
}

}  // namespace data
