#include "data/records.h"

#include "data/connection.h"
#include "data/errors.h"

namespace data {

QString SqlQuote(const QString& text) {
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return quoted;
}

QString SqlText(const QString& text) {
    return QStringLiteral("'") + SqlQuote(text) + QStringLiteral("'");
}

int FirstNumber(const QString& sql) {
    const Rows rows = QueryRows(sql);
    return rows.empty() ? 0 : rows.front().value(0).toInt();
}

QString LookupValue(const QString& table, const QString& field, const QString& condition) {
    const Rows rows =
        QueryRows(QStringLiteral("select ") + field + QStringLiteral(" from ") + table +
                  QStringLiteral(" where ") + condition + QStringLiteral(" limit 1"));
    if (rows.empty()) return QString();
    // The one column selected is the field; read by place, a field such as count(*) reads
    // the same whatever name the engine gives the column.
    const QSqlRecord& row = rows.front();
    return row.count() > 0 ? TextOf(row, row.fieldName(0)) : QString();
}

void UpdateValue(const QString& table, const QString& field, const QString& value,
                 const QString& condition) {
    Execute(QStringLiteral("update ") + table + QStringLiteral(" set ") + field +
            QStringLiteral("=") + value + QStringLiteral(" where ") + condition);
}

bool ValueExists(const QString& table, const QString& field, const QString& value,
                 const QString& excludedId) {
    // Only whether a row exists counts. Selecting a constant keeps a field such as
    // "customerid=5 and filename" out of the select list, where the server wants a type.
    QString sql = QStringLiteral("select 1 from ") + table + QStringLiteral(" where ") + field +
                  QStringLiteral("='") + SqlQuote(value) + QStringLiteral("'");
    if (!excludedId.isEmpty()) sql += QStringLiteral(" and id<>") + excludedId;
    return !QueryRows(sql + QStringLiteral(" limit 1")).empty();
}

int StrToInt(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok) throw ConversionError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return value;
}

}  // namespace data
