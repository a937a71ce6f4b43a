#include "customers/photo_import.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringDecoder>
#include <QThread>
#include <QtConcurrent>

#include "data/connection.h"
#include "data/errors.h"
#include "data/file_names.h"
#include "data/records.h"
#include "images/thumbnail.h"

namespace customers {
namespace {

struct PendingSample {
    QString path;
    int orderNumber;
};

struct MadeThumbnail {
    QByteArray bmp;
    QString error;
};

// How often a busy notice hears from a long decode of one file.
constexpr int kProgressTickMs = 100;

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
            unreadable.push_back({JoinPath(folder, shown), false});
        else if (S_ISDIR(info.st_mode) && options.includeSubfolders)
            unreadable.push_back({JoinPath(folder, shown), true});
    }
    closedir(dir);
}

// Walks folder depth-first, files and subfolders interleaved in name order (the order the
// studio's file manager shows), numbering each folder's new samples from 1. Folders
// already walked (reached again through a link) are not walked twice.
void CollectSamples(const QSet<QString>& known, const QString& folder, const ImportOptions& options,
                    QSet<QString>& walked, std::vector<PendingSample>& samples,
                    std::vector<UnreadableName>& unreadable) {
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty() || walked.contains(canonical)) return;
    walked.insert(canonical);

    const QDir dir(folder);
    const QStringList names =
        dir.entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                      QDir::Name | QDir::IgnoreCase);
    int orderNumber = 1;
    for (const QString& name : names) {
        const QString path = JoinPath(folder, name);
        const QFileInfo info(path);
        if (info.isFile()) {
            if (!Accepted(options.acceptedTypes, name)) continue;
            if (known.contains(path)) continue;
            samples.push_back({path, orderNumber++});
        } else if (info.isDir() && options.includeSubfolders) {
            CollectSamples(known, path, options, walked, samples, unreadable);
        }
    }
    CollectUnreadable(folder, options, unreadable);
}

QSet<QString> KnownFiles(const QString& customerId) {
    QSet<QString> known;
    if (customerId.isEmpty()) return known;
    const int customer = data::StrToInt(customerId);
    for (const auto& row :
         data::QueryRows(QStringLiteral("select filename from photoinfo where customerid=") +
                         QString::number(customer)))
        known.insert(data::TextOf(row, QStringLiteral("filename")));
    return known;
}

[[noreturn]] void ThrowEngineError(const QSqlQuery& query) {
    QString text = query.lastError().databaseText().trimmed();
    if (text.isEmpty()) text = query.lastError().text().trimmed();
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
    options.widescreen =
        data::LookupValue(QStringLiteral("SysSet"), QStringLiteral("itemvalue"),
                          QStringLiteral("itemname='openwidthsale'")) == QStringLiteral("是");
    bool ok = false;
    const int ratio = data::LookupValue(QStringLiteral("SysSet"), QStringLiteral("itemvalue"),
                                        QStringLiteral("itemname='widthsalerote'"))
                          .toInt(&ok);
    options.widescreenRatio = ok ? ratio : 100;
    return options;
}

PreparedImport PrepareImport(const QString& customerId, const QString& folder,
                             const ImportOptions& options, const ImportProgress& progress) {
    PreparedImport prepared;
    // An empty folder text must never mean "the whole disk".
    if (folder.trimmed().isEmpty()) return prepared;
    if (!QFileInfo(folder).isDir()) return prepared;

    const QSet<QString> known = KnownFiles(customerId);
    QSet<QString> walked;
    std::vector<PendingSample> pending;
    CollectSamples(known, folder, options, walked, pending, prepared.unreadable);
    if (pending.empty()) return prepared;

    // Thumbnails are decoded on the pool; results are taken in listing order.
    QFuture<MadeThumbnail> thumbnails =
        QtConcurrent::mapped(pending, [options](const PendingSample& sample) {
            MadeThumbnail made;
            try {
                made.bmp =
                    images::MakeThumbnail(sample.path, options.widescreen, options.widescreenRatio);
            } catch (const data::VerimondError& error) {
                made.error = error.text();
            } catch (const std::exception& error) {
                made.error = QString::fromLocal8Bit(error.what());
            }
            return made;
        });

    const int total = static_cast<int>(pending.size());
    prepared.samples.reserve(pending.size());
    try {
        for (int i = 0; i < total; ++i) {
            if (progress) {
                const QString item = QFileInfo(pending[i].path).fileName();
                progress(i, total, item);
                QElapsedTimer sinceTick;
                sinceTick.start();
                while (!thumbnails.isResultReadyAt(i)) {
                    QThread::msleep(5);
                    if (sinceTick.elapsed() >= kProgressTickMs) {
                        progress(i, total, item);
                        sinceTick.restart();
                    }
                }
            }
            MadeThumbnail made = thumbnails.resultAt(i);
            if (!made.error.isEmpty()) throw data::VerimondError(made.error);
            prepared.samples.push_back(
                {pending[i].path, pending[i].orderNumber, std::move(made.bmp)});
        }
    } catch (...) {
        thumbnails.cancel();
        thumbnails.waitForFinished();
        throw;
    }
    if (progress) progress(total, total, QFileInfo(pending.back().path).fileName());
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

ImportResult ImportFolder(const QString& customerId, const QString& folder,
                          const ImportOptions& options, const ImportProgress& progress) {
    const int customer = data::StrToInt(customerId);
    PreparedImport prepared = PrepareImport(customerId, folder, options, progress);
    ImportResult result;
    result.unreadable = std::move(prepared.unreadable);
    if (prepared.samples.empty()) return result;
    data::Transaction transaction;
    result.added = WriteSamples(customer, prepared.samples, true);
    transaction.commit();
    return result;
}

QString UnreadableNamesText(const std::vector<UnreadableName>& unreadable) {
    if (unreadable.empty()) return QString();
    int files = 0;
    int folders = 0;
    for (const UnreadableName& name : unreadable) (name.isFolder ? folders : files)++;
    QStringList counts;
    if (files > 0) counts << QStringLiteral("%1个照片文件").arg(files);
    if (folders > 0) counts << QStringLiteral("%1个子文件夹").arg(folders);
    constexpr int kShown = 5;
    QStringList shown;
    for (int i = 0; i < static_cast<int>(unreadable.size()) && i < kShown; ++i)
        shown << QDir::toNativeSeparators(unreadable[i].path);
    if (static_cast<int>(unreadable.size()) > kShown) shown << QStringLiteral("……");
    return QStringLiteral("有") + counts.join(QStringLiteral("和")) +
           QStringLiteral(
               "的名称不是UTF-8编码(多为Windows压缩包解出的GBK文件名),"
               "程序无法读取,已跳过:\n") +
           shown.join(QLatin1Char('\n')) +
           QStringLiteral("\n请把这些名称改为UTF-8编码(例如用convmv)后,点击\"更新目录\"补充导入。");
}

}  // namespace customers
