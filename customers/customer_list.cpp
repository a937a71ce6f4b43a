#include "customers/customer_list.h"

#include <QDateTime>
#include <QLocale>

#include "customers/customer_records.h"
#include "data/connection.h"
#include "data/records.h"

namespace customers {
namespace {

// "%" and "_" typed into the name filter mean themselves, not any text.
QString LikeLiteral(const QString& text) {
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('%') || c == QLatin1Char('_'))
            escaped += QLatin1Char('\\');
        escaped += c;
    }
    return escaped;
}

}  // namespace

QString CustomerListSql(const QString& namePart, const QString& status) {
    QString sql = QStringLiteral("select * from customer where 1=1  ");
    if (!namePart.isEmpty())
        // Letters match in either case, as the embedded file's "like" does by itself.
        sql += QStringLiteral(" and lower(customername) like lower('%") +
               data::SqlQuote(LikeLiteral(namePart)) + QStringLiteral("%') escape '\\'");
    if (status == kStatusOpen || status == kStatusClosed)
        sql += QStringLiteral(" and staus ='") + data::SqlQuote(status) + QStringLiteral("'");
    return sql + QStringLiteral(" order by customerid");
}

std::vector<CustomerRow> ListCustomers(const QString& namePart, const QString& status) {
    std::vector<CustomerRow> customers;
    for (const auto& row : data::QueryRows(CustomerListSql(namePart, status)))
        customers.push_back({row.value(QStringLiteral("customerid")).toLongLong(),
                             data::TextOf(row, QStringLiteral("customername")),
                             data::TextOf(row, QStringLiteral("adddate")),
                             data::TextOf(row, QStringLiteral("staus"))});
    return customers;
}

QString ListDateText(const QString& stored) {
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    const QString text = stored.trimmed();
    QDateTime moment = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!moment.isValid()) moment = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm"));
    if (moment.isValid()) {
        const QString date = chinese.toString(moment.date(), QLocale::ShortFormat);
        if (moment.time() == QTime(0, 0)) return date;
        return date + QLatin1Char(' ') + moment.time().toString(QStringLiteral("HH:mm:ss"));
    }
    const QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (date.isValid()) return chinese.toString(date, QLocale::ShortFormat);
    return stored;
}

}  // namespace customers
