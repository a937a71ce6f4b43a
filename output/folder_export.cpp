#include "output/folder_export.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <functional>

#include "data/errors.h"
#include "data/file_names.h"
#include "data/folder_paths.h"

namespace output {

QString FileErrorReason(int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT:
            return QStringLiteral("磁盘空间不足");
        case EACCES:
        case EPERM:
            return QStringLiteral("没有写入权限");
        case EROFS:
            return QStringLiteral("磁盘是只读的");
        case ENAMETOOLONG:
            return QStringLiteral("文件名太长");
        case EINVAL:
        case EILSEQ:
            return QStringLiteral("文件名不被接受");
        case ENOENT:
        case ENOTDIR:
            return QStringLiteral("文件夹不存在");
        case EISDIR:
            return QStringLiteral("同名的文件夹已存在");
        case EIO:
            return QStringLiteral("读写错误");
        default:
            return QStringLiteral("系统错误%1").arg(error);
    }
}

namespace {

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Temporary names of the export's files. Older versions used ".verimond-" and six
// characters; what a killed run left under either is removed by the next.
constexpr char kTemporaryPrefix[] = ".verimond-export-";
constexpr char kOlderTemporaryPrefix[] = ".verimond-";

// Flushes a file's data (or a folder's entries) to the device. A descriptor that cannot
// be flushed at all (EINVAL) has nothing to flush.
bool Flush(int fd) {
    for (;;) {
        if (::fsync(fd) == 0) return true;
        if (errno == EINTR) continue;
        return errno == EINVAL;
    }
}

// Writes a file through a temporary name in the same folder, flushes it, then renames it
// over target. fill writes into the open descriptor and returns false with errno set on
// failure.
bool WriteThroughTemporary(const QString& target, mode_t mode, const std::function<bool(int)>& fill,
                           QString* reason) {
    const QString folder = QFileInfo(target).absolutePath();
    QByteArray temporary =
        QFile::encodeName(data::FolderPrefix(folder) + QLatin1String(kTemporaryPrefix)) + "XXXXXX";
    const int out = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (out < 0) {
        *reason = FileErrorReason(errno);
        return false;
    }
    bool ok = ::fchmod(out, data::NewFileMode(mode)) == 0 || errno == EPERM;
    ok = ok && fill(out);
    // On the device before it takes its name: the staff hand the stick over after "导出成功".
    ok = ok && Flush(out);
    int error = ok ? 0 : errno;
    // Some file systems (network shares, sticks) report a failed write only on close.
    if (::close(out) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(temporary.constData(), QFile::encodeName(target).constData()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(temporary.constData());
        *reason = FileErrorReason(error);
    }
    return ok;
}

bool CopyContents(int in, int out, off_t size) {
    bool kernelCopy = true;
    off_t left = size;
    while (left > 0 && kernelCopy) {
        const ssize_t n =
            ::copy_file_range(in, nullptr, out, nullptr, static_cast<size_t>(left), 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL ||
                errno == EBADF) {
                kernelCopy = false;  // not offered between these files: copy by hand below
                break;
            }
            return false;
        }
        if (n == 0) return true;  // the source shrank while we copied
        left -= n;
    }
    if (left <= 0) return true;
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return true;
        if (!WriteAll(out, buffer.data(), static_cast<size_t>(n))) return false;
    }
}

QString SafeFolderName(const QString& name) {
    QString safe = SafeFileName(name);
    // "." and ".." would name the photo folder itself or the one above it.
    if (!safe.isEmpty() && safe.count(QLatin1Char('.')) == safe.size()) safe.fill(QLatin1Char('_'));
    return safe;
}

// Opens a file for reading without waiting on it: a pipe or a device under the name is
// refused (it could block for ever or never end). -1 with errno set, or with EINVAL for
// something that is not a regular file.
int OpenRegularFile(const QByteArray& path, struct stat* info) {
    int fd;
    do {
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return -1;
    if (::fstat(fd, info) != 0 || !S_ISREG(info->st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    // Regular files never block; reads go on in the ordinary way.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool SixNameCharacters(const QByteArray& text) {
    if (text.size() != 6) return false;
    for (const char c : text)
        if (!std::isalnum(static_cast<unsigned char>(c))) return false;
    return true;
}

bool IsLeftoverName(const QByteArray& name) {
    for (const char* prefix : {kTemporaryPrefix, kOlderTemporaryPrefix})
        if (name.startsWith(prefix) && SixNameCharacters(name.mid(int(qstrlen(prefix)))))
            return true;
    return false;
}

// Removes the temporary files a killed export left in folder. Only called under the
// folder's lock, so no export is writing them.
int RemoveLeftovers(const QString& folder) {
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir) return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (!IsLeftoverName(QByteArray(entry->d_name))) continue;
        struct stat info {};
        if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(info.st_mode))
            continue;
        if (::unlinkat(::dirfd(dir), entry->d_name, 0) == 0) ++removed;
    }
    ::closedir(dir);
    return removed;
}

// A copy's name starts with its number: "12-精修相册-IMG_0012.jpg", "12.jpg", "12".
const QRegularExpression& NumberedName() {
    static const QRegularExpression numbered(QStringLiteral("^([0-9]+)(?:[-.]|$)"));
    return numbered;
}

QStringList EntriesOf(const QString& folder) {
    return QDir(folder).entryList(
        QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// Numbers above this are not continued: they would not fit the running number.
constexpr qint64 kHighestNumber = 1000000000;

// The highest copy number in folder, 0 when there is none.
qint64 HighestNumberIn(const QString& folder) {
    qint64 highest = 0;
    for (const QString& name : EntriesOf(folder)) {
        const QRegularExpressionMatch match = NumberedName().match(name);
        if (!match.hasMatch()) continue;
        const QString digits = match.captured(1);
        bool ok = false;
        const qint64 number = digits.size() > 18 ? kHighestNumber : digits.toLongLong(&ok);
        highest = std::max(highest, ok ? number : kHighestNumber);
    }
    return highest;
}

// What an earlier export wrote into path, for adding to; empty when there is no such file.
bool ReadEarlierText(const QString& path, QByteArray* bytes, QString* reason) {
    constexpr qint64 kMaxTextBytes = 64 << 20;
    struct stat info {};
    const int fd = OpenRegularFile(QFile::encodeName(path), &info);
    if (fd < 0) {
        if (errno == ENOENT) return true;
        *reason = errno == EINVAL ? QStringLiteral("不是普通文件") : FileErrorReason(errno);
        return false;
    }
    bool ok = info.st_size <= kMaxTextBytes;
    if (!ok) *reason = QStringLiteral("文件太大");
    bytes->resize(ok ? info.st_size : 0);
    qint64 done = 0;
    while (ok && done < bytes->size()) {
        const ssize_t n = ::read(fd, bytes->data() + done, size_t(bytes->size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ok = false;
            *reason = FileErrorReason(errno);
        }
        if (n <= 0) break;
        done += n;
    }
    bytes->truncate(done);
    ::close(fd);
    return ok;
}

// The folder's entries (the new names) on the device.
bool FlushFolder(const QString& folder, QString* reason) {
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    bool ok = fd >= 0 && Flush(fd);
    const int error = errno;
    if (fd >= 0) ::close(fd);
    if (!ok)
        *reason = QStringLiteral("导出的文件没能全部写入磁盘(") + FileErrorReason(error) +
                  QStringLiteral("),请检查磁盘后重新导出");
    return ok;
}

QString BusyText(const QString& folder) {
    return QStringLiteral("另一个导出正在写入文件夹") + folder +
           QStringLiteral(",请等它完成后再导出");
}

}  // namespace

ExportFolderLock::ExportFolderLock(const QString& folder)
    : path_(QFile::encodeName(data::FolderPrefix(folder) + kExportLockName)) {
    // A finishing export removes the file while it still holds the lock, so a lock taken on
    // a file that no longer has the name is worthless: take the one there now instead.
    for (int attempt = 0; attempt < 8; ++attempt) {
        const int fd =
            ::open(path_.constData(),
                   O_RDONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK, 0666);
        struct stat locked {};
        if (fd < 0 || ::fstat(fd, &locked) != 0 || !S_ISREG(locked.st_mode)) {
            const int error = fd < 0 ? errno : EINVAL;
            if (fd >= 0) ::close(fd);
            problem_ =
                QStringLiteral("无法使用导出文件夹") + folder + QStringLiteral("(") +
                (error == ELOOP || error == EINVAL
                     ? QStringLiteral("其中的") + kExportLockName + QStringLiteral("不是普通文件")
                     : FileErrorReason(error)) +
                QLatin1Char(')');
            return;
        }
        int error = 0;
        while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            if (errno == EINTR) continue;
            error = errno;
            break;
        }
        if (error == EWOULDBLOCK) {
            ::close(fd);
            problem_ = BusyText(folder);
            return;
        }
        // A file system that offers no locks (some network shares) still takes the export;
        // only two at once cannot be told apart there.
        struct stat named {};
        if (::stat(path_.constData(), &named) == 0 && named.st_dev == locked.st_dev &&
            named.st_ino == locked.st_ino) {
            fd_ = fd;
            return;
        }
        ::close(fd);
    }
    problem_ = BusyText(folder);
}

ExportFolderLock::~ExportFolderLock() {
    if (fd_ < 0) return;
    ::unlink(path_.constData());
    ::close(fd_);
}

QString DefaultExportFolder(const OutputCustomer& customer) {
    const QString photos = data::NormalisedFolder(customer.photoPath);
    QString name = SafeFolderName(CustomerName(customer.customerId));
    if (name.isEmpty()) name = QStringLiteral("客户") + customer.customerId;
    const QString beside = data::FolderPrefix(QFileInfo(photos).path()) + name;
    // Photo folders are often named after the customer.
    if (data::IsInsideFolder(beside, photos)) return beside + QStringLiteral("-选片");
    return beside;
}

QString ExportFolderProblem(const OutputCustomer& customer, const QString& folder) {
    if (folder.trimmed().isEmpty()) return QStringLiteral("没有指定导出文件夹");
    if (!customer.photoPath.trimmed().isEmpty() && data::IsInsideFolder(folder, customer.photoPath))
        return QStringLiteral("导出文件夹") + folder + QStringLiteral("在客户的样片文件夹") +
               customer.photoPath +
               QStringLiteral(
                   "里,以后更新目录时导出的照片会被当成新样片导入,"
                   "请选择样片文件夹以外的文件夹");
    return QString();
}

QStringList EarlierExportIn(const QString& folder) {
    QStringList found;
    for (const QString& name : EntriesOf(folder))
        if (name == kNotesFileName || name == kNamesFileName ||
            NumberedName().match(name).hasMatch())
            found << name;
    return found;
}

bool CopyFileAtomically(const QString& source, const QString& target, QString* reason) {
    struct stat info {};
    const int in = OpenRegularFile(QFile::encodeName(source), &info);
    if (in < 0) {
        *reason = errno == EINVAL ? QStringLiteral("源文件不是普通文件")
                                  : QStringLiteral("无法读取源文件");
        return false;
    }
    const bool ok = WriteThroughTemporary(
        target, info.st_mode & 0666, [&](int out) { return CopyContents(in, out, info.st_size); },
        reason);
    ::close(in);
    return ok;
}

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* reason) {
    return WriteThroughTemporary(
        path, 0666,
        [&](int out) {
            return WriteAll(out, bytes.constData(), static_cast<size_t>(bytes.size()));
        },
        reason);
}

ExportResult ExportToFolder(const OutputCustomer& customer, const QString& folder,
                            const ExportOptions& options, ExportQuestions& questions) {
    ExportResult result;
    result.refused = ExportFolderProblem(customer, folder);
    if (!result.refused.isEmpty()) return result;
    const ExportFolderLock lock(folder);
    if (!lock.isHeld()) {
        result.refused = lock.problem();
        return result;
    }
    result.leftovers = RemoveLeftovers(folder);
    int number = 1;
    if (options.earlier == EarlierExport::Refuse) {
        result.earlier = EarlierExportIn(folder);
        if (!result.earlier.isEmpty()) {
            constexpr int kNamed = 3;
            QString names = result.earlier.mid(0, kNamed).join(QStringLiteral("、"));
            if (result.earlier.size() > kNamed)
                names += QStringLiteral("等%1个").arg(result.earlier.size());
            result.refused = QStringLiteral("文件夹") + folder +
                             QStringLiteral("中已有以前导出的文件(") + names +
                             QStringLiteral("),没有导出");
            return result;
        }
    } else if (options.earlier == EarlierExport::Add) {
        const qint64 highest = HighestNumberIn(folder);
        if (highest >= kHighestNumber) {
            result.refused = QStringLiteral("文件夹") + folder +
                             QStringLiteral("中的文件编号太大,无法接着编号,没有导出");
            return result;
        }
        number = static_cast<int>(highest) + 1;
    }

    const std::vector<StagedRow> rows =
        StageAndReadSelection(customer, PathForm::Full, StagedPictures::None, false);
    const int total = static_cast<int>(rows.size());

    QStringList notes;
    for (int i = 0; i < total; ++i) {
        const StagedRow& row = rows[i];
        const QString& source = row.path;
        const QString newPath =
            folder + QLatin1Char('/') + ExportFileName(number, row.album, source, options.naming);
        if (!QFileInfo::exists(source)) {
            if (!questions.GoOnPastMissing(source)) {
                result.stopped = true;
                FlushFolder(folder, &result.flushError);  // the copies made so far
                return result;
            }
            result.missing << source;
        } else if (QFileInfo::exists(newPath) && !questions.Overwrite(newPath)) {
            result.kept << newPath;
        } else {
            QString reason;
            if (CopyFileAtomically(source, newPath, &reason)) {
                notes << NotesLine(number, row.album, newPath, row.note);
                result.copied << newPath;
                ++number;
            } else {
                result.failures.push_back({source, newPath, reason});
            }
        }
        questions.Progress(i + 1, total, SourceNameOf(source));
    }

    if (options.writeNotes) {
        std::vector<PickedFile> picks;
        picks.reserve(rows.size());
        for (const StagedRow& row : rows) picks.push_back({row.album, row.path});
        const struct {
            QString name;
            QStringList lines;
        } files[] = {{kNotesFileName, notes}, {kNamesFileName, FileNameListByAlbum(picks)}};
        for (const auto& file : files) {
            const QString path = folder + QLatin1Char('/') + file.name;
            QString reason;
            QByteArray bytes;
            // Added to, the files describe every export in the folder.
            bool ok =
                options.earlier != EarlierExport::Add || ReadEarlierText(path, &bytes, &reason);
            if (ok && !bytes.isEmpty() && !bytes.endsWith('\n')) bytes += "\r\n";
            ok = ok && WriteFileAtomically(path, bytes + EncodeNotesText(file.lines), &reason);
            if (ok) {
                result.written << path;
            } else if (result.notesError.isEmpty()) {
                result.notesError =
                    file.name + QStringLiteral("写入失败(") + reason + QLatin1Char(')');
            }
        }
    }
    FlushFolder(folder, &result.flushError);
    return result;
}

QString ClosingMessage(const ExportResult& result) {
    if (!result.refused.isEmpty()) return result.refused;
    if (result.ok()) return QStringLiteral("导出成功");
    QString text = QStringLiteral("导出完成,已复制%1个文件").arg(result.copied.size());
    if (!result.failures.empty()) {
        text += QStringLiteral(",以下%1个文件复制失败:").arg(result.failures.size());
        constexpr size_t kListed = 10;
        for (size_t i = 0; i < result.failures.size() && i < kListed; ++i)
            text += QLatin1Char('\n') + result.failures[i].source + QStringLiteral(" (") +
                    result.failures[i].reason + QLatin1Char(')');
        if (result.failures.size() > kListed)
            text += QStringLiteral("\n……另有%1个").arg(result.failures.size() - kListed);
    }
    if (!result.notesError.isEmpty()) text += QLatin1Char('\n') + result.notesError;
    if (!result.flushError.isEmpty()) text += QLatin1Char('\n') + result.flushError;
    return text;
}

}  // namespace output
