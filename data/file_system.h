#pragma once
// Whether a folder lies on a network file system. SQLite's WAL keeps its index in shared
// memory, which computers sharing a network folder do not share, and file locks over
// NFS or SMB are unreliable: the embedded file there is used without WAL, and several
// stations belong on the database server.

#include <QString>
#include <functional>

namespace data {

// Decides from statfs's f_type and, for FUSE, the mount's type in /proc/self/mountinfo
// ("fuseblk", "fuse.sshfs"). FUSE counts as a network mount unless it is a local disk's
// (fuseblk) or a known local overlay: being wrong there only costs WAL.
bool IsNetworkFileSystemType(quint64 fsType, const QString& mountType);

// The type of the mount that holds path, from mountinfo's text: the longest mount point
// that contains path, the later of two on the same point.
QString MountTypeOf(const QString& path, const QString& mountInfo);

// Whether the folder (or file) at path lies on a network file system.
bool IsOnNetworkFileSystem(const QString& path);

// Tests replace the probe; an empty function puts the real one back.
void SetNetworkFolderProbeForTesting(std::function<bool(const QString&)> probe);

}  // namespace data
