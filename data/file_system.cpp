#include "data/file_system.h"

#include <sys/vfs.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace data {
namespace {

// From linux/magic.h and the file systems' own headers.
constexpr quint64 kNfs = 0x6969;
constexpr quint64 kSmb = 0x517B;
constexpr quint64 kCifs = 0xFF534D42;
constexpr quint64 kSmb2 = 0xFE534D42;
constexpr quint64 kFuse = 0x65735546;
constexpr quint64 kCoda = 0x73757245;
constexpr quint64 kNcp = 0x564C;
constexpr quint64 kAfs = 0x5346414F;
constexpr quint64 kKafs = 0x6B414653;
constexpr quint64 kV9fs = 0x01021997;
constexpr quint64 kCeph = 0x00C36400;
constexpr quint64 kOcfs2 = 0x7461636F;
constexpr quint64 kGfs2 = 0x01161970;
constexpr quint64 kLustre = 0x0BD00BD0;
constexpr quint64 kOrangeFs = 0x20030528;

std::function<bool(const QString&)>& Probe() {
    static std::function<bool(const QString&)> probe;
    return probe;
}

// mountinfo writes blanks, tabs, newlines and backslashes in paths as \ooo.
QString UnescapeMountPath(const QString& field) {
    QByteArray bytes = field.toUtf8();
    QByteArray out;
    for (int i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\\' && i + 3 < bytes.size() && bytes[i + 1] >= '0' &&
            bytes[i + 1] <= '3') {
            bool ok = false;
            const int value = bytes.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out += char(value);
                i += 3;
                continue;
            }
        }
        out += bytes[i];
    }
    return QString::fromUtf8(out);
}

bool Contains(const QString& mountPoint, const QString& path) {
    if (mountPoint == QLatin1String("/")) return true;
    return path == mountPoint || path.startsWith(mountPoint + QLatin1Char('/'));
}

}  // namespace

bool IsNetworkFileSystemType(quint64 fsType, const QString& mountType) {
    switch (fsType) {
        case kNfs:
        case kSmb:
        case kCifs:
        case kSmb2:
        case kCoda:
        case kNcp:
        case kAfs:
        case kKafs:
        case kV9fs:
        case kCeph:
        case kOcfs2:
        case kGfs2:
        case kLustre:
        case kOrangeFs:
            return true;
        case kFuse:
            break;
        default:
            return false;
    }
    static const QStringList local = {
        QStringLiteral("fuseblk"),         QStringLiteral("fuse.lxcfs"),
        QStringLiteral("fuse.mergerfs"),   QStringLiteral("fuse.bindfs"),
        QStringLiteral("fuse.encfs"),      QStringLiteral("fuse.gocryptfs"),
        QStringLiteral("fuse.squashfuse"), QStringLiteral("fuse.fuse-overlayfs"),
    };
    return !local.contains(mountType);
}

QString MountTypeOf(const QString& path, const QString& mountInfo) {
    QString best;
    qsizetype bestLength = -1;
    for (const QString& line : mountInfo.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        // id parent major:minor root mount-point options [optional...] - type source options
        const QStringList fields = line.split(QLatin1Char(' '));
        const qsizetype dash = fields.indexOf(QStringLiteral("-"));
        if (fields.size() < 5 || dash < 5 || dash + 1 >= fields.size()) continue;
        const QString mountPoint = UnescapeMountPath(fields[4]);
        if (!Contains(mountPoint, path) || mountPoint.size() < bestLength) continue;
        bestLength = mountPoint.size();
        best = fields[dash + 1];
    }
    return best;
}

bool IsOnNetworkFileSystem(const QString& path) {
    if (Probe()) return Probe()(path);
    QFileInfo info(path);
    // The file may not exist yet: its folder decides.
    const QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty()) canonical = folder;
    struct statfs fs {};
    if (::statfs(QFile::encodeName(canonical).constData(), &fs) != 0) return false;
    const quint64 type = quint64(fs.f_type) & 0xFFFFFFFFu;
    QString mountType;
    if (type == kFuse) {
        QFile mounts(QStringLiteral("/proc/self/mountinfo"));
        // A procfs file reports no size: read it to the end.
        if (mounts.open(QIODevice::ReadOnly))
            mountType = MountTypeOf(canonical, QString::fromUtf8(mounts.readAll()));
    }
    return IsNetworkFileSystemType(type, mountType);
}

void SetNetworkFolderProbeForTesting(std::function<bool(const QString&)> probe) {
    Probe() = std::move(probe);
}

}  // namespace data
