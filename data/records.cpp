#include "data/records.h"

#include "data/connection.h"
#include "data/errors.h"

namespace data {

QString SqlQuote(const QString& text) {
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return quoted;
}

QString LookupValue(const QString& table, const QString& field, const QString& condition) {
    const Rows rows =
        QueryRows(QStringLiteral("select ") + field + QStringLiteral(" from ") + table +
                  QStringLiteral(" where ") + condition + QStringLiteral(" limit 1"));
    if (rows.empty()) return QString();
    return TextOf(rows.front(), field);
}

void UpdateValue(const QString& table, const QString& field, const QString& value,
                 const QString& condition) {
    Execute(QStringLiteral("update ") + table + QStringLiteral(" set ") + field +
            QStringLiteral("=") + value + QStringLiteral(" where ") + condition);
}

bool ValueExists(const QString& table, const QString& field, const QString& value,
                 const QString& excludedId) {
    QString sql = QStringLiteral("select ") + field + QStringLiteral(" from ") + table +
                  QStringLiteral(" where ") + field + QStringLiteral("='") + SqlQuote(value) +
                  QStringLiteral("'");
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
