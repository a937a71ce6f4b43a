#include "output/staging.h"

#include <QCache>
#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtConcurrent>

#include "data/connection.h"
#include "data/errors.h"
#include "data/log.h"
#include "data/records.h"
#include "images/thumbnail.h"

namespace output {
namespace {

const QString kStagedFallback = QStringLiteral("photo/nophoto.jpg");

struct MadePicture {
    QByteArray bmp;
    QString error;
};

MadePicture DrawStagedPicture(const QString& path, bool widescreen, int ratio, bool upright,
                              const images::PreviewStore* previews) {
    MadePicture made;
    try {
        made.bmp = images::MakeThumbnail(
            path, widescreen, ratio, kStagedFallback,
            upright ? images::Orientation::AsTaken : images::Orientation::AsStored, previews);
    } catch (const data::VerimondError& error) {
        made.error = error.text();
    } catch (const std::exception& error) {
        made.error = QString::fromLocal8Bit(error.what());
    }
    return made;
}

// Pictures drawn earlier in this run, keyed on everything that changes them: the file's
// path, size and modification time, the widescreen correction and the camera's orientation. The
// preview, the print and the PDF that usually follow one another draw each photo once. Cost in KiB.
QCache<QString, QByteArray>& DrawnPictures() {
    static QCache<QString, QByteArray> cache(48 * 1024);
    return cache;
}

QString PictureKey(const QString& path, bool widescreen, int ratio, bool upright) {
    const QFileInfo info(path);
    const bool file = info.isFile();
    return path + QLatin1Char('\n') + QString::number(file ? info.size() : -1) + QLatin1Char('\n') +
           QString::number(file ? info.lastModified().toMSecsSinceEpoch() : -1) +
           QLatin1Char('\n') + QString::number(widescreen ? ratio : 100) +
           (upright ? QStringLiteral("\nupright") : QStringLiteral("\nas stored"));
}

// The photo folder followed by one "/". A folder stored with a trailing "/" (before
// folders were stored normalised) has samples named with a single one.
QString PrefixOf(QString photoPath) {
    while (photoPath.size() > 1 && photoPath.endsWith(QLatin1Char('/'))) photoPath.chop(1);
    return photoPath.endsWith(QLatin1Char('/')) ? photoPath : photoPath + QLatin1Char('/');
}

}  // namespace

void ForgetDrawnPictures() { DrawnPictures().clear(); }

QString RelativeFilePath(const QString& filename, const QString& photoPath) {
    if (photoPath.isEmpty()) return filename;
    QString result = filename;
    result.remove(PrefixOf(photoPath), Qt::CaseSensitive);
    return result;
}

QString CustomerName(const QString& customerId) {
    return data::LookupValue(
        QStringLiteral("customer"), QStringLiteral("customername"),
        QStringLiteral("customerid=") + QString::number(data::StrToInt(customerId)));
}

QStringList CustomerAlbums(const QString& customerId) {
    QStringList albums;
    for (const auto& row : data::QueryRows(
             QStringLiteral("select xcmc from customerxc where customerid=") +
             QString::number(data::StrToInt(customerId)) + QStringLiteral(" order by id")))
        albums << data::TextOf(row, QStringLiteral("xcmc"));
    return albums;
}

namespace {

// Empties print and writes the customer's picks into it inside one transaction, which
// also runs readBack: print is one table for every station, and another station's output
// must neither empty it between the writing and the reading nor add its rows to these.
int Stage(const OutputCustomer& customer, PathForm form, StagedPictures pictures,
          const StagingProgress& progress, const std::function<void()>& readBack) {
    const QString id = QString::number(data::StrToInt(customer.customerId));
    data::Execute(QStringLiteral("delete from  print"));
    const QString picksOfCustomer = QStringLiteral(" from V_xcphotoall where customerid=") + id +
                                    QStringLiteral(" order by disid");

    if (pictures == StagedPictures::None) {
        // One statement: the rows never pass through the program.
        const QString filepath = form == PathForm::Relative && !customer.photoPath.isEmpty()
                                     ? QStringLiteral("replace(filename, '") +
                                           data::SqlQuote(PrefixOf(customer.photoPath)) +
                                           QStringLiteral("', '')")
                                     : QStringLiteral("filename");
        data::Transaction transaction;
        data::LockTableForWriting(QStringLiteral("print"));
        data::Execute(QStringLiteral("delete from  print"));
        data::Execute(QStringLiteral("insert into print(xcmc, filepath, customerid, zzyq) "
                                     "select xcmc, ") +
                      filepath + QStringLiteral(", customerid, zzyq") + picksOfCustomer);
        const int staged = data::LookupValue(QStringLiteral("print"), QStringLiteral("count(*)"),
                                             QStringLiteral("1=1"))
                               .toInt();
        if (readBack) readBack();
        transaction.commit();
        return staged;
    }

    const data::Rows picks = data::QueryRows(
        QStringLiteral("select customerid, filename, xcmc, zzyq") + picksOfCustomer);
    const int total = static_cast<int>(picks.size());

    // Pictures are drawn on all cores before the transaction begins; a sample picked into
    // several albums is drawn once.
    std::vector<QByteArray> photos(picks.size());
    if (total > 0) {
        QStringList files;
        QHash<QString, int> fileIndex;
        std::vector<int> indexOfRow(picks.size());
        for (int i = 0; i < total; ++i) {
            const QString file = data::TextOf(picks[i], QStringLiteral("filename"));
            auto found = fileIndex.constFind(file);
            if (found == fileIndex.constEnd()) {
                found = fileIndex.insert(file, static_cast<int>(files.size()));
                files << file;
            }
            indexOfRow[i] = *found;
        }
        const bool widescreen = customer.widescreen;
        const int ratio = customer.widescreenRatio;
        const bool upright = customer.cameraOrientation;
        std::vector<QByteArray> drawn(static_cast<size_t>(files.size()));
        QStringList keys;
        QStringList toDraw;
        std::vector<int> drawIndex(static_cast<size_t>(files.size()), -1);
        for (int u = 0; u < files.size(); ++u) {
            keys << PictureKey(files[u], widescreen, ratio, upright);
            if (const QByteArray* cached = DrawnPictures().object(keys[u])) {
                drawn[u] = *cached;
            } else {
                drawIndex[u] = static_cast<int>(toDraw.size());
                toDraw << files[u];
            }
        }
        QFuture<MadePicture> made = QtConcurrent::mapped(
            toDraw,
            [widescreen, ratio, upright, previews = customer.previews](const QString& file) {
                return DrawStagedPicture(file, widescreen, ratio, upright, previews.get());
            });
        try {
            for (int i = 0; i < total; ++i) {
                const int u = indexOfRow[i];
                if (drawn[u].isEmpty()) {
                    const MadePicture picture = made.resultAt(drawIndex[u]);
                    if (!picture.error.isEmpty()) throw data::VerimondError(picture.error);
                    drawn[u] = picture.bmp;
                    DrawnPictures().insert(keys[u], new QByteArray(picture.bmp),
                                           std::max<qsizetype>(1, picture.bmp.size() / 1024));
                }
                photos[i] = drawn[u];
                if (progress) progress(i + 1, total, QFileInfo(files[u]).fileName());
            }
        } catch (...) {
            made.cancel();
            made.waitForFinished();
            throw;
        }
    }

    data::Transaction transaction;
    data::LockTableForWriting(QStringLiteral("print"));
    data::Execute(QStringLiteral("delete from  print"));
    QSqlQuery insert(data::Connection());
    const auto fail = [&insert] {
        data::LogFailedStatement(insert.lastError().text(), insert.lastQuery());
        throw data::DbError(insert.lastError().text());
    };
    if (!insert.prepare(QStringLiteral("insert into print(photo, xcmc, filepath, customerid, zzyq) "
                                       "values(?, ?, ?, ?, ?)")))
        fail();
    for (int i = 0; i < total; ++i) {
        const QSqlRecord& pick = picks[i];
        const QString filename = data::TextOf(pick, QStringLiteral("filename"));
        insert.addBindValue(photos[i]);
        insert.addBindValue(data::TextOf(pick, QStringLiteral("xcmc")));
        insert.addBindValue(
            form == PathForm::Relative ? RelativeFilePath(filename, customer.photoPath) : filename);
        insert.addBindValue(pick.value(QStringLiteral("customerid")).toInt());
        insert.addBindValue(data::TextOf(pick, QStringLiteral("zzyq")));
        if (!insert.exec()) fail();
    }
    if (readBack) readBack();
    transaction.commit();
    return total;
}

}  // namespace

int StageSelection(const OutputCustomer& customer, PathForm form, StagedPictures pictures,
                   const StagingProgress& progress) {
    return Stage(customer, form, pictures, progress, {});
}

std::vector<StagedRow> StageAndReadSelection(const OutputCustomer& customer, PathForm form,
                                             StagedPictures pictures, bool withPictures,
                                             const StagingProgress& progress) {
    std::vector<StagedRow> rows;
    Stage(customer, form, pictures, progress, [&] { rows = ReadStagedRows(withPictures); });
    return rows;
}

std::vector<StagedRow> ReadStagedRows(bool withPictures) {
    const data::Rows rows = data::QueryRows(
        withPictures
            ? QStringLiteral("select * from print order by id")
            : QStringLiteral("select id, xcmc, filepath, customerid, zzyq from print order by id"));
    std::vector<StagedRow> staged;
    staged.reserve(rows.size());
    for (const auto& row : rows) {
        StagedRow s;
        s.id = row.value(QStringLiteral("id")).toLongLong();
        if (withPictures) {
            const QVariant photo = row.value(QStringLiteral("photo"));
            if (!photo.isNull()) s.photo = photo.toByteArray();
        }
        s.album = data::TextOf(row, QStringLiteral("xcmc"));
        s.path = data::TextOf(row, QStringLiteral("filepath"));
        s.customerId = row.value(QStringLiteral("customerid")).toInt();
        s.note = data::TextOf(row, QStringLiteral("zzyq"));
        staged.push_back(std::move(s));
    }
    return staged;
}

std::vector<PickedFile> ReadPickedFiles(const QString& customerId) {
    std::vector<PickedFile> picks;
    for (const auto& row : data::QueryRows(
             QStringLiteral("select xcmc, filename from V_xcphotoall where customerid=") +
             QString::number(data::StrToInt(customerId)) + QStringLiteral(" order by disid")))
        picks.push_back({data::TextOf(row, QStringLiteral("xcmc")),
                         data::TextOf(row, QStringLiteral("filename"))});
    return picks;
}

}  // namespace output
