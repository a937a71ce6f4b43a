#pragma once
// The logging category of this layer: "verimond.data". Failures that would otherwise go
// unseen (background work, failed statements) are written here; QT_LOGGING_RULES or
// qtlogging.ini turns the debug messages on.

#include <QLoggingCategory>
#include <QString>

namespace data {
Q_DECLARE_LOGGING_CATEGORY(lcData)

// The statement as the log may show it. The administrator password is kept as plain text in
// usertable.password, so a statement that names that table or a password column has each of
// its quoted literals shown as '…'.
QString StatementForLog(const QString& statement);

// Writes a warning with the engine's words and the statement that failed.
void LogFailedStatement(const QString& engineText, const QString& statement);
}  // namespace data
