#include "output/folder_export.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <functional>

#include "data/errors.h"
#include "data/file_names.h"

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

// Writes a file through a temporary name in the same folder, then renames it over target.
// fill writes into the open descriptor and returns false with errno set on failure.
bool WriteThroughTemporary(const QString& target, mode_t mode, const std::function<bool(int)>& fill,
                           QString* reason) {
    const QString folder = QFileInfo(target).absolutePath();
    QByteArray temporary = QFile::encodeName(folder + QStringLiteral("/.verimond-XXXXXX"));
    const int out = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (out < 0) {
        *reason = FileErrorReason(errno);
        return false;
    }
    bool ok = ::fchmod(out, data::NewFileMode(mode)) == 0 || errno == EPERM;
    ok = ok && fill(out);
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

}  // namespace

QString DefaultExportFolder(const OutputCustomer& customer) {
    return customer.photoPath + QLatin1Char('/') +
           SafeFolderName(CustomerName(customer.customerId));
}

bool CopyFileAtomically(const QString& source, const QString& target, QString* reason) {
    const int in = ::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        *reason = QStringLiteral("无法读取源文件");
        return false;
    }
    struct stat info {};
    if (::fstat(in, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(in);
        *reason = QStringLiteral("源文件不是普通文件");
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
    const std::vector<StagedRow> rows =
        StageAndReadSelection(customer, PathForm::Full, StagedPictures::None, false);
    const int total = static_cast<int>(rows.size());

    QStringList notes;
    int number = 1;
    for (int i = 0; i < total; ++i) {
        const StagedRow& row = rows[i];
        const QString& source = row.path;
        const QString newPath =
            folder + QLatin1Char('/') + ExportFileName(number, row.album, source, options.naming);
        if (!QFileInfo::exists(source)) {
            if (!questions.GoOnPastMissing(source)) {
                result.stopped = true;
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
            if (WriteFileAtomically(path, EncodeNotesText(file.lines), &reason)) {
                result.written << path;
            } else if (result.notesError.isEmpty()) {
                result.notesError =
                    file.name + QStringLiteral("写入失败(") + reason + QLatin1Char(')');
            }
        }
    }
    return result;
}

QString ClosingMessage(const ExportResult& result) {
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
    return text;
}

}  // namespace output
