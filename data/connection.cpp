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

    // Nothing opens the file for writing before its mark says it is ours: even a plain
    // read-write open and close would fold a foreign file's -wal into it.
    switch (ReadFileMark(info.absoluteFilePath())) {
        case FileMark::Ours:
            break;
        case FileMark::NotOurs:
            return OpenResult::NotOurs;
        case FileMark::Newer:
            return OpenResult::Newer;
        case FileMark::Damaged:
            return OpenResult::Damaged;
        case FileMark::Unreadable:
            return OpenResult::Failed;
    }

    OpenResult result = OpenResult::Opened;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnectionName);
        db.setDatabaseName(info.absoluteFilePath());
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (!db.open()) {
            result = OpenResult::Failed;
        } else {
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

QString OpenFailureReason(OpenResult result, const QString& filePath) {
    switch (result) {
        case OpenResult::Opened:
            return QString();
        case OpenResult::Missing:
            return QStringLiteral("找不到数据库文件: %1").arg(filePath);
        case OpenResult::NotOurs:
            return QStringLiteral("不是本程序的数据库文件: %1").arg(filePath);
        case OpenResult::Newer:
            return QStringLiteral("数据库文件由新版本的程序建立,请使用新版本打开: %1")
                .arg(filePath);
        case OpenResult::Damaged:
            return QStringLiteral(
                       "数据库文件不完整或已损坏(可能是复制时被中断),请换用完好的备份: %1")
                .arg(filePath);
        case OpenResult::Failed:
            break;
    }
    return QStringLiteral("无法打开数据库文件(可能正被占用或没有读写权限): %1").arg(filePath);
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
