#include "data/connection.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <memory>

#include "data/database_lock.h"
#include "data/errors.h"
#include "data/schema.h"

namespace data {
namespace {

// Held while adocnn is open, so a restore knows the database is in use.
std::unique_ptr<DatabaseUseLock>& UseLock() {
    static std::unique_ptr<DatabaseUseLock> lock;
    return lock;
}

QString EngineText(const QSqlError& error) {
    QString text = error.databaseText().trimmed();
    if (text.isEmpty()) text = error.text().trimmed();
    if (text.isEmpty()) text = QStringLiteral("数据库操作失败");
    return text;
}

QSqlDatabase OpenDatabaseOrThrow() {
    QSqlDatabase db = QSqlDatabase::database(kConnectionName, false);
    if (!db.isValid() || !db.isOpen()) throw DbError(QStringLiteral("数据库没有连接"));
    return db;
}

QSqlQuery Run(const QString& sql) {
    QSqlQuery query(OpenDatabaseOrThrow());
    query.setForwardOnly(true);
    if (!query.exec(sql)) throw DbError(EngineText(query.lastError()));
    return query;
}

}  // namespace

QString DatabasePathInCurrentDirectory() { return QDir::current().filePath(kDatabaseFileName); }

OpenResult OpenConnection(const QString& filePath) {
    CloseConnection();
    QFileInfo info(filePath);
    if (!info.exists() || !info.isFile()) return OpenResult::Missing;

    OpenResult result = OpenResult::Opened;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnectionName);
        db.setDatabaseName(info.absoluteFilePath());
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (!db.open()) {
            result = OpenResult::Failed;
        } else {
            // Only reads happen before the mark is checked, so a foreign file stays untouched.
            result = CheckSchemaMark(db) ? OpenResult::Opened : OpenResult::NotOurs;
            if (result == OpenResult::Opened) {
                // A restore in progress holds the lock alone for a moment.
                UseLock() = std::make_unique<DatabaseUseLock>(
                    info.absoluteFilePath(), DatabaseUseLock::Mode::Shared, 3000);
                if (!UseLock()->isHeld() &&
                    QFileInfo::exists(DatabaseUseLock::LockFileFor(info.absoluteFilePath())))
                    result = OpenResult::Failed;
            }
            if (result == OpenResult::Opened && !PrepareOpenedDatabase(db))
                result = OpenResult::Failed;
        }
        if (result != OpenResult::Opened) {
            db.close();
            UseLock().reset();
        }
    }
    if (result != OpenResult::Opened) QSqlDatabase::removeDatabase(kConnectionName);
    return result;
}

void CloseConnection() {
    if (!QSqlDatabase::contains(kConnectionName)) return;
    {
        QSqlDatabase db = QSqlDatabase::database(kConnectionName, false);
        if (db.isOpen()) db.close();
    }
    QSqlDatabase::removeDatabase(kConnectionName);
    UseLock().reset();
}

bool IsConnected() {
    return QSqlDatabase::contains(kConnectionName) &&
           QSqlDatabase::database(kConnectionName, false).isOpen();
}

QSqlDatabase Connection() { return QSqlDatabase::database(kConnectionName, false); }

Rows QueryRows(const QString& sql) {
    QSqlQuery query = Run(sql);
    Rows rows;
    while (query.next()) rows.push_back(query.record());
    return rows;
}

void Execute(const QString& sql) { Run(sql); }

qint64 AppendRow(const QString& table, const ColumnValues& values) {
    QStringList names;
    QStringList marks;
    for (const auto& [name, value] : values) {
        names << name;
        marks << QStringLiteral("?");
    }
    QSqlQuery query(OpenDatabaseOrThrow());
    const QString sql = QStringLiteral("insert into %1(%2) values(%3)")
                            .arg(table, names.join(','), marks.join(','));
    if (!query.prepare(sql)) throw DbError(EngineText(query.lastError()));
    for (const auto& pair : values) query.addBindValue(pair.second);
    if (!query.exec()) throw DbError(EngineText(query.lastError()));
    return query.lastInsertId().toLongLong();
}

QString TextOf(const QSqlRecord& row, const QString& column) {
    const QVariant value = row.value(column);
    if (!value.isValid() || value.isNull()) return QString();
    if (value.typeId() == QMetaType::QByteArray) return QString::fromUtf8(value.toByteArray());
    return value.toString();
}

Transaction::Transaction() {
    QSqlDatabase db = OpenDatabaseOrThrow();
    if (!db.transaction()) throw DbError(EngineText(db.lastError()));
    open_ = true;
}

Transaction::~Transaction() {
    if (open_) Connection().rollback();
}

void Transaction::commit() {
    QSqlDatabase db = OpenDatabaseOrThrow();
    if (!db.commit()) {
        const QString text = EngineText(db.lastError());
        db.rollback();
        open_ = false;
        throw DbError(text);
    }
    open_ = false;
}

}  // namespace data
