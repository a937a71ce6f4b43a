#pragma once
// The customer list of the staff's desk: every customer, or those whose name holds a text
// and those of one status, in the order they were created.

#include <QString>
#include <vector>

namespace customers {

inline const QString kStatusAll = QStringLiteral("全部");

struct CustomerRow {
    qint64 id = -1;
    QString name;
    QString addDate;  // as stored
    QString status;
};

// The statement for a name part (matched literally anywhere in the name; empty for any
// name) and a status ("正常" or "关闭"; anything else for both).
QString CustomerListSql(const QString& namePart, const QString& status);
std::vector<CustomerRow> ListCustomers(const QString& namePart, const QString& status);

// A stored creation date as the list shows it: the short date, followed by the time
// when the value has one. Text that is not a date is shown as it is.
QString ListDateText(const QString& stored);

}  // namespace customers
