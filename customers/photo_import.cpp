#include "customers/photo_import.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringDecoder>
#include <QThread>
#include <QtConcurrent>
#include <cerrno>

#include "customers/result_progress.h"
#include "data/connection.h"
#include "data/errors.h"
#include "data/file_names.h"
#include "data/folder_paths.h"
#include "data/log.h"
#include "data/records.h"
#include "images/camera_thumbnail.h"
#include "images/thumbnail.h"
#include "settings/studio_settings.h"

namespace customers {
namespace {

struct PendingSample {
    QString path;
    int orderNumber;
};

// A thumbnail to make: of a new photo (sampleId 0), or again for a sample already stored.
struct ThumbnailJob {
    QString path;
    qint64 sampleId = 0;
};

// Which stored thumbnails are made again.
enum class Remake { All, TurnedByCamera };

struct MadeThumbnail {
    QByteArray bmp;     // empty when a stored thumbnail is not made again
    bool kept = false;  // a stored one not made again because its photo cannot be read
    QString error;
};

struct StoredSample {
    qint64 id = 0;
    QString path;
};

bool Accepted(const QString& acceptedTypes, const QString& fileName) {
    const QString extension = data::ExtensionOf(fileName).toLower();
    if (extension.isEmpty()) return false;
    return acceptedTypes.split(QLatin1Char(','), Qt::SkipEmptyParts).contains(extension);
}

QString JoinPath(const QString& folder, const QString& name) {
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

// A name as staff would recognise it: archives from Windows carry GBK names.
QString ShownName(const QByteArray& raw) {
    QStringDecoder gbk("GBK");
    if (gbk.isValid()) {
        const QString name = gbk.decode(raw);
        if (!gbk.hasError()) return name;
    }
    return QFile::decodeName(raw);
}

// Entries of folder whose names do not survive being read as text: Qt's listing leaves
// them out and no path text can open them. Only those the import would have taken are
// reported: photos of an accepted type, and folders when subfolders are included.
void CollectUnreadable(const QString& folder, const ImportOptions& options,
                       std::vector<UnreadableName>& unreadable) {
    DIR* dir = opendir(QFile::encodeName(folder).constData());
    if (!dir) return;
    while (const dirent* entry = readdir(dir)) {
        const QByteArray raw(entry->d_name);
        if (raw == "." || raw == "..") continue;
        if (QFile::encodeName(QFile::decodeName(raw)) == raw) continue;
        struct stat info {};
        if (fstatat(dirfd(dir), entry->d_name, &info, 0) != 0) continue;
        const QString shown = ShownName(raw);
        if (S_ISREG(info.st_mode) && Accepted(options.acceptedTypes, shown))
            unreadable.push_back({JoinPath(folder, shown), false, LeftOut::NameNotUtf8, {}});
        else if (S_ISDIR(info.st_mode) && options.includeSubfolders)
            unreadable.push_back({JoinPath(folder, shown), true, LeftOut::NameNotUtf8, {}});
    }
    closedir(dir);
}

// Whether folder can be listed and its entries looked at. Qt's listing of a folder it may
// not read is just empty, which would hide its photos without a word.
bool CanOpenFolder(const QString& folder, QString* reason) {
    const int fd = ::open(QFile::encodeName(folder).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    int error = fd < 0 ? errno : 0;
    if (fd >= 0) {
        if (::faccessat(fd, ".", X_OK, AT_EACCESS) != 0) error = errno;
        ::close(fd);
    }
    if (error == 0) return true;
    if (error == EACCES || error == EPERM)
        *reason = QStringLiteral("没有权限");
    else if (error == EIO)
        *reason = QStringLiteral("读写错误");
    else
        *reason = QStringLiteral("系统错误%1").arg(error);
    return false;
}

// A folder an export wrote its notes into: its copies are picks, not new samples.
bool HoldsAnExport(const QString& folder) {
    return QFileInfo::exists(JoinPath(folder, QStringLiteral("样片说明.txt"))) ||
           QFileInfo::exists(JoinPath(folder, QStringLiteral("文件名列表.txt")));
}

struct Walk {
    const QSet<QString>& known;  // the customer's samples, normalised
    const ImportOptions& options;
    QString root;          // the chosen folder, every link followed
    QSet<QString> walked;  // folders walked, every link followed
    std::vector<PendingSample>& samples;
    std::vector<UnreadableName>& unreadable;
};

bool InsideRoot(const Walk& walk, const QString& resolved) {
    return resolved == walk.root || resolved.startsWith(data::FolderPrefix(walk.root));
}

// Walks folder depth-first, files and subfolders interleaved in name order (the order the
// studio's file manager shows), numbering each folder's new samples from 1. Folders
// already walked (reached again through a link) are not walked twice, and no link leads
// the walk out of the chosen folder.
void CollectSamples(Walk& walk, const QString& folder) {
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty() || walk.walked.contains(canonical)) return;
    walk.walked.insert(canonical);
    QString reason;
    if (!CanOpenFolder(folder, &reason)) {
        walk.unreadable.push_back({folder, true, LeftOut::CannotOpen, reason});
        return;
    }

    const QDir dir(folder);
    const QStringList names =
        dir.entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                      QDir::Name | QDir::IgnoreCase);
    int orderNumber = 1;
    for (const QString& name : names) {
        const QString path = JoinPath(folder, name);
        const QFileInfo info(path);
        if (info.isFile()) {
            if (!Accepted(walk.options.acceptedTypes, name)) continue;
            if (walk.known.contains(path)) continue;
            walk.samples.push_back({path, orderNumber++});
        } else if (info.isDir() && walk.options.includeSubfolders) {
            if (!InsideRoot(walk, info.canonicalFilePath()))
                walk.unreadable.push_back({path, true, LeftOut::LinkOutside, {}});
            else if (HoldsAnExport(path))
                walk.unreadable.push_back({path, true, LeftOut::ExportFolder, {}});
            else
                CollectSamples(walk, path);
        }
    }
    CollectUnreadable(folder, walk.options, walk.unreadable);
}

std::vector<StoredSample> StoredSamples(qint64 customerId) {
    std::vector<StoredSample> samples;
    for (const auto& row :
         data::QueryRows(QStringLiteral("select id,filename from photoinfo where customerid=") +
                         QString::number(customerId) + QStringLiteral(" order by id")))
        samples.push_back({row.value(QStringLiteral("id")).toLongLong(),
                           data::TextOf(row, QStringLiteral("filename"))});
    return samples;
}

images::Orientation OrientationOf(const ImportOptions& options) {
    return options.cameraOrientation ? images::Orientation::AsTaken : images::Orientation::AsStored;
}

// The thumbnail from the camera's own preview, when the options allow it and it is trusted.
std::optional<QByteArray> FromCamera(const QString& path, const ImportOptions& options) {
    if (!options.cameraThumbnails) return std::nullopt;
    return images::MakeThumbnailFromCamera(path, options.widescreen, options.widescreenRatio,
                                           OrientationOf(options));
}

MadeThumbnail MakeOne(const ThumbnailJob& job, const ImportOptions& options, Remake remake) {
    MadeThumbnail made;
    try {
        if (job.sampleId == 0) {
            std::optional<QByteArray> bmp = FromCamera(job.path, options);
            made.bmp =
                bmp ? std::move(*bmp)
                    : images::MakeThumbnail(job.path, options.widescreen, options.widescreenRatio,
                                            QStringLiteral("photo/Thumbnails_nophoto.jpg"),
                                            OrientationOf(options));
            return made;
        }
        // Only the camera's turn makes the thumbnail differ: reading the tag is cheap, a
        // decode is not.
        if (remake == Remake::TurnedByCamera && images::ReadCameraOrientation(job.path) == 1)
            return made;
        std::optional<QByteArray> bmp = FromCamera(job.path, options);
        if (!bmp)
            bmp = images::RemakeThumbnail(job.path, options.widescreen, options.widescreenRatio,
                                          OrientationOf(options));
        if (bmp)
            made.bmp = std::move(*bmp);
        else
            made.kept = true;
    } catch (const data::VerimondError& error) {
        made.error = error.text();
    } catch (const std::exception& error) {
        made.error = QString::fromLocal8Bit(error.what());
    }
    return made;
}

// Makes the thumbnails on the pool and hands them back in job order, reporting progress
// on the calling thread. The first failure ends the run with its error.
std::vector<MadeThumbnail> MakeThumbnails(const std::vector<ThumbnailJob>& jobs,
                                          const ImportOptions& options, Remake remake,
                                          const ImportProgress& progress) {
    std::vector<MadeThumbnail> results;
    if (jobs.empty()) return results;
    QFuture<MadeThumbnail> thumbnails = QtConcurrent::mapped(
        jobs, [options, remake](const ThumbnailJob& job) { return MakeOne(job, options, remake); });
    const int total = static_cast<int>(jobs.size());
    results.reserve(jobs.size());
    try {
        for (int i = 0; i < total; ++i) {
            if (progress)
                WaitTelling(thumbnails, i, total, QFileInfo(jobs[i].path).fileName(), progress);
            MadeThumbnail made = thumbnails.resultAt(i);
            if (!made.error.isEmpty()) throw data::VerimondError(made.error);
            results.push_back(std::move(made));
        }
    } catch (...) {
        thumbnails.cancel();
        thumbnails.waitForFinished();
        throw;
    }
    if (progress) progress(total, total, QFileInfo(jobs.back().path).fileName());
    return results;
}

[[noreturn]] void ThrowEngineError(const QSqlQuery& query) {
    QString text = query.lastError().databaseText().trimmed();
    if (text.isEmpty()) text = query.lastError().text().trimmed();
    data::LogFailedStatement(query.lastError().text(), query.lastQuery());
    throw data::DbError(text.isEmpty() ? QStringLiteral("数据库操作失败") : text);
}

}  // namespace

QString AcceptedTypesList(bool jpg, bool jpeg, bool bmp) {
    QString list;
    if (jpg) list += QStringLiteral(".jpg,");
    if (jpeg) list += QStringLiteral(".jpeg,");
    if (bmp) list += QStringLiteral(".bmp,");
    return list;
}

ImportOptions ImportOptionsFromSettings(const QString& acceptedTypes, bool includeSubfolders) {
    ImportOptions options;
    options.acceptedTypes = acceptedTypes;
    options.includeSubfolders = includeSubfolders;
    const settings::StudioSettings s = settings::ReadStudioSettings();
    options.widescreen = s.widescreenOn;
    options.widescreenRatio = settings::WidescreenRatioOr100(s);
    options.cameraOrientation = s.cameraOrientation;
    return options;
}

PreparedImport PrepareImport(const QString& customerId, const QString& folder,
                             const ImportOptions& options, const ImportProgress& progress) {
    PreparedImport prepared;
    // An empty folder text must never mean "the whole disk".
    if (folder.trimmed().isEmpty()) return prepared;
    const QString root = data::NormalisedFolder(folder);
    if (!QFileInfo(root).isDir()) return prepared;

    const std::vector<StoredSample> stored = customerId.isEmpty()
                                                 ? std::vector<StoredSample>()
                                                 : StoredSamples(data::StrToInt(customerId));
    // Samples stored before folders were normalised may spell their path with "//".
    QSet<QString> known;
    for (const StoredSample& sample : stored) known.insert(data::NormalisedFolder(sample.path));
    std::vector<PendingSample> pending;
    Walk walk{known, options, data::ResolvedPath(root), {}, pending, prepared.unreadable};
    CollectSamples(walk, root);

    // New photos in listing order, then the stored samples to look at again; all decoded on
    // the pool, results taken in that order.
    std::vector<ThumbnailJob> jobs;
    for (const PendingSample& sample : pending) jobs.push_back({sample.path, 0});
    if (options.remakeTurnedThumbnails)
        for (const StoredSample& sample : stored) jobs.push_back({sample.path, sample.id});
    std::vector<MadeThumbnail> made =
        MakeThumbnails(jobs, options, Remake::TurnedByCamera, progress);

    prepared.samples.reserve(pending.size());
    for (size_t i = 0; i < made.size(); ++i) {
        if (jobs[i].sampleId == 0)
            prepared.samples.push_back(
                {pending[i].path, pending[i].orderNumber, std::move(made[i].bmp)});
        else if (!made[i].bmp.isEmpty())
            prepared.remade.push_back({jobs[i].sampleId, std::move(made[i].bmp)});
    }
    return prepared;
}

int WriteSamples(qint64 customerId, const std::vector<PreparedSample>& samples, bool skipKnown) {
    if (samples.empty()) return 0;
    QSqlQuery insert(data::Connection());
    const QString sql = skipKnown
                            ? QStringLiteral(
                                  "insert into photoinfo(customerid,odrnum,filename,photofile) "
                                  "select ?,?,?,? where not exists "
                                  "(select 1 from photoinfo where customerid=? and filename=?)")
                            : QStringLiteral(
                                  "insert into photoinfo(customerid,odrnum,filename,photofile) "
                                  "values(?,?,?,?)");
    if (!insert.prepare(sql)) ThrowEngineError(insert);
    int written = 0;
    for (const PreparedSample& sample : samples) {
        insert.addBindValue(customerId);
        insert.addBindValue(sample.orderNumber);
        insert.addBindValue(sample.path);
        insert.addBindValue(sample.thumbnail);
        if (skipKnown) {
            insert.addBindValue(customerId);
            insert.addBindValue(sample.path);
        }
        if (!insert.exec()) ThrowEngineError(insert);
        written += insert.numRowsAffected();
    }
    return written;
}

int WriteThumbnails(qint64 customerId, const std::vector<RemadeThumbnail>& thumbnails) {
    if (thumbnails.empty()) return 0;
    QSqlQuery update(data::Connection());
    // Only what differs is written, and counted.
    if (!update.prepare(QStringLiteral("update photoinfo set photofile=? where customerid=? and "
                                       "id=? and (photofile is null or photofile<>?)")))
        ThrowEngineError(update);
    int changed = 0;
    for (const RemadeThumbnail& remade : thumbnails) {
        update.addBindValue(remade.thumbnail);
        update.addBindValue(customerId);
        update.addBindValue(remade.sampleId);
        update.addBindValue(remade.thumbnail);
        if (!update.exec()) ThrowEngineError(update);
        changed += update.numRowsAffected();
    }
    return changed;
}

ImportResult ImportFolder(const QString& customerId, const QString& folder,
                          const ImportOptions& options, const ImportProgress& progress) {
    const int customer = data::StrToInt(customerId);
    PreparedImport prepared = PrepareImport(customerId, folder, options, progress);
    ImportResult result;
    result.unreadable = std::move(prepared.unreadable);
    if (prepared.samples.empty() && prepared.remade.empty()) return result;
    data::Transaction transaction;
    result.added = WriteSamples(customer, prepared.samples, true);
    result.remade = WriteThumbnails(customer, prepared.remade);
    transaction.commit();
    return result;
}

ThumbnailsResult RemakeThumbnails(qint64 customerId, const ImportOptions& options,
                                  const ImportProgress& progress) {
    ThumbnailsResult result;
    const std::vector<StoredSample> stored = StoredSamples(customerId);
    result.samples = static_cast<int>(stored.size());
    std::vector<ThumbnailJob> jobs;
    for (const StoredSample& sample : stored) jobs.push_back({sample.path, sample.id});
    std::vector<MadeThumbnail> made = MakeThumbnails(jobs, options, Remake::All, progress);
    std::vector<RemadeThumbnail> remade;
    for (size_t i = 0; i < made.size(); ++i) {
        if (made[i].kept)
            result.kept << jobs[i].path;
        else
            remade.push_back({jobs[i].sampleId, std::move(made[i].bmp)});
    }
    if (remade.empty()) return result;
    data::Transaction transaction;
    result.remade = WriteThumbnails(customerId, remade);
    transaction.commit();
    result.unchanged = static_cast<int>(remade.size()) - result.remade;
    return result;
}

namespace {

// Up to five paths of the list, one a line, and a mark when there are more.
QString ShownPaths(const std::vector<UnreadableName>& names, bool withDetail) {
    constexpr int kShown = 5;
    QStringList shown;
    for (int i = 0; i < static_cast<int>(names.size()) && i < kShown; ++i) {
        QString line = QDir::toNativeSeparators(names[i].path);
        if (withDetail && !names[i].detail.isEmpty())
            line += QStringLiteral(" (") + names[i].detail + QLatin1Char(')');
        shown << line;
    }
    if (static_cast<int>(names.size()) > kShown) shown << QStringLiteral("……");
    return shown.join(QLatin1Char('\n'));
}

std::vector<UnreadableName> Only(const std::vector<UnreadableName>& all, LeftOut reason) {
    std::vector<UnreadableName> some;
    for (const UnreadableName& name : all)
        if (name.reason == reason) some.push_back(name);
    return some;
}

QString BadNamesText(const std::vector<UnreadableName>& unreadable) {
    int files = 0;
    int folders = 0;
    for (const UnreadableName& name : unreadable) (name.isFolder ? folders : files)++;
    QStringList counts;
    if (files > 0) counts << QStringLiteral("%1个照片文件").arg(files);
    if (folders > 0) counts << QStringLiteral("%1个子文件夹").arg(folders);
    return QStringLiteral("有") + counts.join(QStringLiteral("和")) +
           QStringLiteral(
               "的名称不是UTF-8编码(多为Windows压缩包解出的GBK文件名),"
               "程序无法读取,已跳过:\n") +
           ShownPaths(unreadable, false) +
           QStringLiteral("\n请把这些名称改为UTF-8编码(例如用convmv)后,点击\"更新目录\"补充导入。");
}

}  // namespace

QString UnreadableNamesText(const std::vector<UnreadableName>& unreadable) {
    QStringList parts;
    const std::vector<UnreadableName> badNames = Only(unreadable, LeftOut::NameNotUtf8);
    if (!badNames.empty()) parts << BadNamesText(badNames);
    const std::vector<UnreadableName> closed = Only(unreadable, LeftOut::CannotOpen);
    if (!closed.empty())
        parts << QStringLiteral("有%1个文件夹无法打开,其中的照片没有导入:\n").arg(closed.size()) +
                     ShownPaths(closed, true) +
                     QStringLiteral("\n请检查文件夹的权限后,点击\"更新目录\"补充导入。");
    const std::vector<UnreadableName> links = Only(unreadable, LeftOut::LinkOutside);
    if (!links.empty())
        parts << QStringLiteral("有%1个子文件夹是指向样片文件夹以外的链接,没有导入:\n")
                         .arg(links.size()) +
                     ShownPaths(links, false);
    const std::vector<UnreadableName> exports = Only(unreadable, LeftOut::ExportFolder);
    if (!exports.empty())
        parts << QStringLiteral("有%1个子文件夹是导出的选片结果(含样片说明.txt),没有导入:\n")
                         .arg(exports.size()) +
                     ShownPaths(exports, false);
    return parts.join(QStringLiteral("\n\n"));
}

}  // namespace customers
