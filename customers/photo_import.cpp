#include "customers/photo_import.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
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

bool Accepted(const QString& acceptedTypes, const QString& fileName) {
    const QString extension = data::ExtensionOf(fileName).toLower();
    if (extension.isEmpty()) return false;
    return acceptedTypes.split(QLatin1Char(','), Qt::SkipEmptyParts).contains(extension);
}

QString JoinPath(const QString& folder, const QString& name) {
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

// Walks folder depth-first, files and subfolders interleaved in name order (the
// order the studio's file manager shows), numbering each folder's new samples from 1.
// Folders already walked (reached again through a link) are not walked twice.
void CollectSamples(const QString& customerId, const QString& folder, const ImportOptions& options,
                    QSet<QString>& walked, std::vector<PendingSample>& samples) {
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
            if (data::ValueExists(
                    QStringLiteral("photoinfo"),
                    QStringLiteral("customerid=") + customerId + QStringLiteral(" and filename"),
                    path, QString()))
                continue;
            samples.push_back({path, orderNumber++});
        } else if (info.isDir() && options.includeSubfolders) {
            CollectSamples(customerId, path, options, walked, samples);
        }
    }
}

}  // namespace

QString AcceptedTypesList(bool jpg, bool jpeg, bool bmp) {
    QString list;
    if (jpg) list += QStringLiteral(".jpg,");
    if (jpeg) list += QStringLiteral(".jpeg,");
    if (bmp) list += QStringLiteral(".bmp,");
    return list;
}

int ImportFolder(const QString& customerId, const QString& folder, const ImportOptions& options,
                 const ImportProgress& progress) {
    const int customer = data::StrToInt(customerId);
    // An empty folder text must never mean "the whole disk".
    if (folder.trimmed().isEmpty()) return 0;
    if (!QFileInfo(folder).isDir()) return 0;

    QSet<QString> walked;
    std::vector<PendingSample> samples;
    CollectSamples(customerId, folder, options, walked, samples);
    if (samples.empty()) return 0;

    // Thumbnails are decoded on the pool while this thread writes rows in order.
    QFuture<MadeThumbnail> thumbnails =
        QtConcurrent::mapped(samples, [options](const PendingSample& sample) {
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

    const int total = static_cast<int>(samples.size());
    try {
        for (int i = 0; i < total; ++i) {
            const MadeThumbnail made = thumbnails.resultAt(i);
            if (!made.error.isEmpty()) throw data::VerimondError(made.error);
            data::AppendRow(QStringLiteral("photoinfo"),
                            {{QStringLiteral("customerid"), customer},
                             {QStringLiteral("odrnum"), samples[i].orderNumber},
                             {QStringLiteral("filename"), samples[i].path},
                             {QStringLiteral("photofile"), made.bmp}});
            if (progress) progress(i + 1, total);
        }
    } catch (...) {
        thumbnails.cancel();
        thumbnails.waitForFinished();
        throw;
    }
    return total;
}

}  // namespace customers
