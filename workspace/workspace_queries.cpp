#include "workspace/workspace_queries.h"

#include "data/connection.h"
#include "data/records.h"
#include "workspace/workspace_state.h"

namespace workspace {

using data::QueryRows;
using data::TextOf;

std::vector<CustomerEntry> LoadOpenCustomers() {
    std::vector<CustomerEntry> customers;
    for (const auto& row : QueryRows(
             QStringLiteral("select * from customer where staus<>'关闭' order by customerid")))
        customers.push_back({TextOf(row, QStringLiteral("customername")),
                             TextOf(row, QStringLiteral("customerid"))});
    return customers;
}

QString CustomerPhotoPath(const QString& customerId) {
    return data::LookupValue(QStringLiteral("customer"), QStringLiteral("photopath"),
                             QStringLiteral("customerid=") + customerId);
}

int SampleCount(const QString& customerId) {
    const data::Rows rows = QueryRows(
        QStringLiteral("select count(*) as picinfocount from  V_photoinfo where customerid=") +
        customerId);
    return rows.empty() ? 0 : rows.front().value(0).toInt();
}

QString SamplePageSql(const QString& view, const QString& nameColumn, const QString& idColumn,
                      const QString& condition, int start) {
    return QStringLiteral("select photofile,") + nameColumn + QStringLiteral(",") + idColumn +
           QStringLiteral(",(select count(1) from xcphoto where ") + condition +
           QStringLiteral(" and photoid=") + view + QStringLiteral(".id) as isel,'' as fs  from ") +
           view + QStringLiteral(" where disid >=") + QString::number(start) +
           QStringLiteral(" and ") + condition + QStringLiteral(" limit 12");
}

std::vector<StripCell> LoadSamplePage(const QString& view, const QString& nameColumn,
                                      const QString& idColumn, const QString& condition,
                                      int start) {
    std::vector<StripCell> cells;
    for (const auto& row : QueryRows(SamplePageSql(view, nameColumn, idColumn, condition, start)))
        cells.push_back({TextOf(row, idColumn),
                         row.value(QStringLiteral("photofile")).toByteArray(),
                         row.value(QStringLiteral("isel")).toInt(), TextOf(row, nameColumn)});
    return cells;
}

QString SampleCondition(const QString& customerId) {
    return QStringLiteral(" customerid=") + customerId;
}

QString CountAtLeastOne(const QString& sql, const QString& column) {
    const data::Rows rows = QueryRows(sql);
    QString count = rows.empty() ? QStringLiteral("0") : TextOf(rows.front(), column);
    if (count == QLatin1String("0")) count = QStringLiteral("1");
    return count;
}

int DisplayNumberOf(const QString& customerId, qint64 sampleId) {
    return data::StrToInt(data::LookupValue(QStringLiteral("V_photoinfo"), QStringLiteral("disid"),
                                            QStringLiteral("customerid=") + customerId +
                                                QStringLiteral(" and id=") +
                                                QString::number(sampleId)));
}

QString FileOfDisplayNumber(const QString& customerId, int displayNumber) {
    return data::LookupValue(QStringLiteral("V_photoinfo"), QStringLiteral("filename"),
                             QStringLiteral("customerid=") + customerId +
                                 QStringLiteral(" and disid=") + QString::number(displayNumber));
}

qint64 SampleOfDisplayNumber(const QString& customerId, int displayNumber) {
    return data::LookupValue(QStringLiteral("V_photoinfo"), QStringLiteral("id"),
                             QStringLiteral("customerid=") + customerId +
                                 QStringLiteral(" and disid=") + QString::number(displayNumber))
        .toLongLong();
}

std::optional<ShownSample> LoadShownSample(const QString& customerId, qint64 sampleId) {
    const data::Rows rows =
        QueryRows(QStringLiteral("select * from V_photoinfo where customerid=") + customerId +
                  QStringLiteral(" and id=") + QString::number(sampleId));
    if (rows.empty()) return std::nullopt;
    const QSqlRecord& row = rows.front();
    return ShownSample{row.value(QStringLiteral("id")).toLongLong(),
                       TextOf(row, QStringLiteral("filename")),
                       row.value(QStringLiteral("photofile")).toByteArray()};
}

bool SampleExists(const QString& customerId, qint64 sampleId) {
    return !data::LookupValue(QStringLiteral("photoinfo"), QStringLiteral("id"),
                              QStringLiteral("customerid=") + customerId +
                                  QStringLiteral(" and id=") + QString::number(sampleId))
                .isEmpty();
}

bool IsPicked(const QString& customerId, qint64 sampleId, const QString& album) {
    return !data::LookupValue(QStringLiteral("xcphoto"), QStringLiteral("photoid"),
                              QStringLiteral(" customerid=") + customerId +
                                  QStringLiteral(" and xcmc='") + data::SqlQuote(album) +
                                  QStringLiteral("' and photoid=") + QString::number(sampleId))
                .isEmpty();
}

QStringList LoadAlbumNames(const QString& customerId) {
    QStringList names;
    for (const auto& row :
         QueryRows(QStringLiteral("select xcmc from  customerxc where customerid=") + customerId +
                   QStringLiteral(" order by id")))
        names << TextOf(row, QStringLiteral("xcmc"));
    return names;
}

std::vector<AlbumCell> LoadAlbumPage(const QString& customerId, const QString& album, int start) {
    const QString sql = album != kAllAlbums
                            ? QStringLiteral("select *  from V_xcphoto where customerid=") +
                                  customerId + QStringLiteral(" and xcmc='") +
                                  data::SqlQuote(album) + QStringLiteral("' and disid >=") +
                                  QString::number(start) + QStringLiteral(" limit 18")
                            : QStringLiteral("select *  from V_xcphotoall where customerid=") +
                                  customerId + QStringLiteral("  and disid >=") +
                                  QString::number(start) + QStringLiteral(" limit 18");
    std::vector<AlbumCell> cells;
    for (const auto& row : QueryRows(sql))
        cells.push_back({TextOf(row, QStringLiteral("photoid")),
                         TextOf(row, QStringLiteral("xcmc")),
                         row.value(QStringLiteral("photofile")).toByteArray(),
                         TextOf(row, QStringLiteral("filename"))});
    return cells;
}

QString ComposeStatistics(const QString& customerId) {
    if (customerId.isEmpty()) return QString();
    auto count = [](const QString& sql) {
        const data::Rows rows = QueryRows(sql);
        return rows.empty() ? QStringLiteral("0") : TextOf(rows.front(), QStringLiteral("shumu"));
    };
    QString text = QStringLiteral("样片总数:");
    text += count(QStringLiteral("select count(1) as shumu  from photoinfo where customerid=") +
                  customerId);
    text += QStringLiteral("   入选:");
    text += count(QStringLiteral("select count(1) as shumu  from  photoinfo where id in(select "
                                 "photoid from xcphoto where customerid=") +
                  customerId + QStringLiteral(") and  customerid=") + customerId);
    const data::Rows albums =
        QueryRows(QStringLiteral("select xcmc,count(photoid) as shumu  from xcphoto where "
                                 "customerid=") +
                  customerId + QStringLiteral(" group by xcmc order by xcmc"));
    if (albums.empty()) return text;
    text += QStringLiteral("    其中");
    for (const auto& row : albums)
        text += TextOf(row, QStringLiteral("xcmc")) + QStringLiteral(":") +
                TextOf(row, QStringLiteral("shumu")) + QStringLiteral("  ");
    text += QStringLiteral("   共:");
    text += count(QStringLiteral("select count(photoid) as shumu  from xcphoto where customerid=") +
                  customerId);
    return text;
}

SampleInfo LoadSampleInfo(const QString& customerId, qint64 sampleId, const QString& photoPath,
                          const QString& notePrompt) {
    const QString key = QStringLiteral("customerid=") + customerId + QStringLiteral(" and id=") +
                        QString::number(sampleId);
    SampleInfo info;
    const data::Rows rows =
        QueryRows(QStringLiteral("select filename,zzyq from photoinfo where ") + key);
    if (rows.empty()) {
        info.fileCaption = QStringLiteral("文件地址:");
        info.note = notePrompt;
    } else {
        const QString file = TextOf(rows.front(), QStringLiteral("filename"));
        QString shown = file;
        // A file inside the customer's folder is shown relative to it.
        if (!photoPath.isEmpty()) shown.replace(photoPath + QLatin1Char('/'), QString());
        info.fileCaption = QStringLiteral("文件地址:") + shown;
        info.fileHint = file;
        const QString note = TextOf(rows.front(), QStringLiteral("zzyq")).trimmed();
        info.note = note.isEmpty() ? notePrompt : note;
    }
    const SampleAlbums albums = LoadSampleAlbums(customerId, sampleId);
    info.albumsCaption = albums.caption;
    info.albumsHint = albums.hint;
    return info;
}

SampleAlbums LoadSampleAlbums(const QString& customerId, qint64 sampleId) {
    QString albums;
    for (const auto& row :
         QueryRows(QStringLiteral("select xcmc from xcphoto where customerid=") + customerId +
                   QStringLiteral(" and photoid=") + QString::number(sampleId)))
        albums += TextOf(row, QStringLiteral("xcmc")) + QStringLiteral("  ");
    return {QStringLiteral("已入相册:") + albums, albums};
}

int GbkByteLength(const QString& text) {
    int bytes = 0;
    for (const QChar c : text) {
        if (c.isLowSurrogate()) continue;  // a pair is one character, stored as "?"
        bytes += (c.unicode() < 0x80 || c.isHighSurrogate()) ? 1 : 2;
    }
    return bytes;
}

}  // namespace workspace
