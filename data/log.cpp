#include "data/log.h"

#include <QRegularExpression>

namespace data {
Q_LOGGING_CATEGORY(lcData, "verimond.data", QtInfoMsg)

namespace {

bool MayHoldPassword(const QString& statement) {
    static const QRegularExpression secret(QStringLiteral("usertable|password"),
                                           QRegularExpression::CaseInsensitiveOption);
    return statement.contains(secret);
}

// A doubled quote inside a literal belongs to it.
const QRegularExpression& Literal() {
    static const QRegularExpression literal(QStringLiteral("'((?:[^']|'')*)'"));
    return literal;
}

}  // namespace

QString StatementForLog(const QString& statement) {
    if (!MayHoldPassword(statement)) return statement;
    QString masked = statement;
    masked.replace(Literal(), QStringLiteral("'…'"));
    return masked;
}

void LogFailedStatement(const QString& engineText, const QString& statement) {
    QString said = engineText.trimmed();
    // The engine may quote the value it refused, and the server adds lines of the statement
    // around the error, possibly cut inside a literal: only its first line is kept.
    if (MayHoldPassword(statement)) {
        said = said.section(QLatin1Char('\n'), 0, 0);
        for (auto it = Literal().globalMatch(statement); it.hasNext();) {
            const QString written = it.next().captured(1);
            if (written.isEmpty()) continue;
            said.replace(written, QStringLiteral("…"));
            said.replace(QString(written).replace(QStringLiteral("''"), QStringLiteral("'")),
                         QStringLiteral("…"));
        }
    }
    qCWarning(lcData).noquote() << "statement failed:" << said
                                << "| statement:" << StatementForLog(statement);
}

}  // namespace data
