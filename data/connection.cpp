#include "data/connection.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimeZone>
#include <memory>

#include "data/backup.h"
#include "data/database_lock.h"
#include "data/errors.h"
#include "data/file_names.h"
#include "data/file_system.h"
#include "data/log.h"
#include "data/records.h"
#include "data/schema.h"
#include "data/sql_dialect.h"

namespace data {
namespace {

// How long opening waits for a restore or a compaction that holds the file alone: the swap
// of files takes moments; a longer hold is reported instead of waited for.
constexpr int kOpenWaitMs = 10000;

// Held while adocnn is open on a file, so a restore knows the database is in use.
std::unique_ptr<DatabaseUseLock>& UseLock() {
    static std::unique_ptr<DatabaseUseLock> lock;
    return lock;
}

// What adocnn is open on, and why the last open failed.
struct Opened {
    QString file;  // the embedded file; empty for a server
    bool networkFolder = false;
    QString detail;        // the server's words, or the setting's problem
    QString warning;       // data files that others can read
    int transactions = 0;  // open Transaction guards
    // When opening a lost server line again last failed: while the server is away, every
    // statement would otherwise wait for the connection timeout anew.
    QElapsedTimer reopenFailed;
};

Opened& Current() {
    static Opened opened;
    return opened;
}

QString EngineText(const QSqlError& error) {
    // Another station held what the statement needed for longer than the wait allows:
    // lock_not_available on a server (the session's lock_timeout); SQLITE_BUSY or
    // SQLITE_LOCKED, extended codes included, on the file (its busy timeout).
    bool numeric = false;
    const int code = error.nativeErrorCode().toInt(&numeric) & 0xff;
    const bool fileBusy =
        numeric && CurrentEngine() == Engine::Embedded && (code == 5 || code == 6);
    if (error.nativeErrorCode() == QLatin1String("55P03") || fileBusy)
        return QStringLiteral("另一台电脑正在修改同样的数据,请稍后再试");
    QString text = error.databaseText().trimmed();
    if (text.isEmpty()) text = error.text().trimmed();
    if (text.isEmpty()) text = QStringLiteral("数据库操作失败");
    return text;
}

// The settings of a server session that the program's statements rely on.
bool SetUpServerSession(QSqlDatabase& db, QString* error) {
    QSqlQuery query(db);
    // Text is quoted by doubling single quotes alone; a backslash must mean itself.
    // Thumbnails come back as hex, the shortest text form of bytes.
    // A wait for another station's lock ends after a few seconds: their write transactions
    // last milliseconds (the slow work is done before they begin), so a longer wait means
    // that station is busy with something long, and this one says so instead of hanging.
    // Statements as such have no bound: a long import or copy is work, not a wait, and a
    // cut line is noticed by the connection's keepalives.
    for (const char* statement : {"set standard_conforming_strings = on", "set bytea_output = hex",
                                  "set client_min_messages = warning", "set lock_timeout = '5s'"}) {
        if (!query.exec(QString::fromLatin1(statement))) {
            *error = EngineText(query.lastError());
            return false;
        }
    }
    // Creation dates are the station's local time, as the file writes them. A zone the
    // server does not know by name is given as today's offset.
    const QString zone = QString::fromUtf8(QTimeZone::systemTimeZoneId());
    if (zone.isEmpty() ||
        !query.exec(QStringLiteral("set time zone '") + SqlQuote(zone) + QStringLiteral("'"))) {
        const int offset = QDateTime::currentDateTime().offsetFromUtc() / 60;
        query.exec(QStringLiteral("set time zone interval '%1%2:%3' hour to minute")
                       .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                       .arg(qAbs(offset) / 60, 2, 10, QLatin1Char('0'))
                       .arg(qAbs(offset) % 60, 2, 10, QLatin1Char('0')));
    }
    return true;
}

// After a server restart or a network cut the connection is gone for good (the driver
// marks it closed); the next statement opens it again. Only outside a transaction, whose
// statements would be lost with it, and only when a plain probe fails too (a wrong
// statement is no lost line).
bool RecoverLostServerConnection() {
    if (Current().transactions > 0) return false;
    QSqlDatabase db = QSqlDatabase::database(kConnectionName, false);
    if (!db.isValid() || db.driverName() != DialectOf(Engine::Server).driver) return false;
    if (db.isOpen()) {
        QSqlQuery probe(db);
        if (probe.exec(QStringLiteral("select 1"))) return false;
    }
    db.close();
    constexpr qint64 kRetryAfterMs = 10000;
    if (Current().reopenFailed.isValid() && !Current().reopenFailed.hasExpired(kRetryAfterMs))
        return false;
    QString error;
    if (!db.open() || !SetUpServerSession(db, &error)) {
        db.close();
        Current().reopenFailed.start();
        return false;
    }
    Current().reopenFailed.invalidate();
    return true;
}

// The engine's own words for the log, its error code included.
QString LogText(const QSqlError& error) {
    const QString code = error.nativeErrorCode();
    return code.isEmpty() ? error.text() : QStringLiteral("[%1] %2").arg(code, error.text());
}

[[noreturn]] void Fail(const QString& text, const QString& logged, const QString& statement) {
    LogFailedStatement(logged, statement);
    throw DbError(text);
}

// statement is what was about to run, for the log.
QSqlDatabase OpenDatabaseOrThrow(const QString& statement) {
    QSqlDatabase db = QSqlDatabase::database(kConnectionName, false);
    if (db.isValid() && !db.isOpen() && !RecoverLostServerConnection() &&
        db.driverName() == DialectOf(Engine::Server).driver)
        Fail(QStringLiteral("与数据库服务器的连接断开了,请检查网络和服务器后再试"),
             QStringLiteral("the server connection is lost"), statement);
    if (!db.isValid() || !db.isOpen())
        Fail(QStringLiteral("数据库没有连接"), QStringLiteral("no database connection"), statement);
    return db;
}

enum class Repeat { Safe, Never };

// Runs sql; a statement that failed because the server connection was lost is run again
// on the reopened connection when that is safe (a read), never when it may have reached
// the server (a write).
QSqlQuery Run(const QString& sql, Repeat repeat) {
    QSqlError failure;
    {
        QSqlQuery query(OpenDatabaseOrThrow(sql));
        query.setForwardOnly(true);
        if (query.exec(sql)) return query;
        failure = query.lastError();
    }
    if (RecoverLostServerConnection() && repeat == Repeat::Safe) {
        QSqlQuery again(OpenDatabaseOrThrow(sql));
        again.setForwardOnly(true);
        if (again.exec(sql)) return again;
        failure = again.lastError();
    }
    Fail(EngineText(failure), LogText(failure), sql);
}

}  // namespace

QString DatabasePathInCurrentDirectory() { return QDir::current().filePath(kDatabaseFileName); }

// The staff's word on data files that other accounts can read and we cannot change.
QString OpenFilesWarning(const QStringList& files, const QString& databasePath) {
    if (files.isEmpty()) return QString();
    const bool shared = DataFileModesFor(QFileInfo(databasePath).absolutePath()).shared;
    return QStringLiteral(
               "这些数据文件其他帐户也能读取(数据库中有管理员密码),本帐户不是它们的所有者,"
               "无法更改:\n%1\n请让文件的所有者启动一次 Verimond,或由所有者执行 chmod %2 "
               "这些文件。")
        .arg(files.join(QLatin1Char('\n')),
             shared ? QStringLiteral("o-rwx") : QStringLiteral("go-rwx"));
}

OpenResult OpenConnection(const QString& filePath) {
    CloseConnection();
    Current().detail.clear();
    Current().warning.clear();
    QFileInfo info(filePath);
    const QString path = info.absoluteFilePath();
    // No database and no lock: nothing to wait for, and no lock file left in a stray folder.
    if (!info.exists() && !QFileInfo::exists(DatabaseUseLock::LockFileFor(path)))
        return OpenResult::Missing;

    // Nothing touches the database's files before the use lock is held: a restore swaps them
    // under the lock alone, and a handle opened before would stay on the replaced file.
    QString problem;
    UseLock() = LockDatabaseForUse(path, kOpenWaitMs, &problem);
    if (!problem.isEmpty()) {
        UseLock().reset();
        Current().detail = problem;
        return OpenResult::Failed;
    }
    // A folder where no lock file can be made (read-only media) is used without one.
    if (UseLock()->state() == DatabaseUseLock::State::Busy) {
        UseLock().reset();
        return OpenResult::Busy;
    }
    const auto refuse = [](OpenResult result) {
        UseLock().reset();
        return result;
    };
    info.refresh();
    if (!info.exists() || !info.isFile()) return refuse(OpenResult::Missing);

    // Nothing opens the file for writing before its mark says it is ours: even a plain
    // read-write open and close would fold a foreign file's -wal into it.
    switch (ReadFileMark(path)) {
        case FileMark::Ours:
            break;
        case FileMark::NotOurs:
            return refuse(OpenResult::NotOurs);
        case FileMark::Newer:
            return refuse(OpenResult::Newer);
        case FileMark::Damaged:
            return refuse(OpenResult::Damaged);
        case FileMark::Unreadable:
            return refuse(OpenResult::Failed);
    }
    // Ours: kept from other accounts before SQLite opens it and makes its logs with its mode.
    FitDataFiles(path);

    OpenResult result = OpenResult::Opened;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(DialectOf(Engine::Embedded).driver, kConnectionName);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (!db.open()) {
            result = OpenResult::Failed;
        } else {
            result = CheckSchemaMark(db) ? OpenResult::Opened : OpenResult::NotOurs;
            const bool network =
                result == OpenResult::Opened && IsOnNetworkFileSystem(info.absolutePath());
            if (result == OpenResult::Opened && !PrepareOpenedDatabase(db, network))
                result = OpenResult::Failed;
            if (result == OpenResult::Opened) {
                Current().file = path;
                Current().networkFolder = network;
                // The logs SQLite made on opening take the file's mode, but our own group.
                Current().warning = OpenFilesWarning(FitDataFiles(path), path);
            }
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
        case OpenResult::Busy:
            return QStringLiteral("数据库文件正在恢复备份或整理(被独占使用),请稍后再试: %1")
                .arg(filePath);
        case OpenResult::Empty:
        case OpenResult::BadSetting:
        case OpenResult::Failed:
            break;
    }
    const QString detail = Current().detail.trimmed();
    return QStringLiteral("无法打开数据库文件(可能正被占用或没有读写权限): %1%2")
        .arg(filePath, detail.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(detail));
}

QSqlDatabase OpenServerConnection(const QString& name, const ServerAddress& server,
                                  QString* error) {
    if (!QSqlDatabase::isDriverAvailable(DialectOf(Engine::Server).driver)) {
        *error = QStringLiteral("缺少 Qt 的 PostgreSQL 驱动(软件包 libqt6sql6-psql)");
        return QSqlDatabase();
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(DialectOf(Engine::Server).driver, name);
    db.setHostName(server.host);
    db.setPort(server.port);
    db.setDatabaseName(server.name);
    db.setUserName(server.user);
    db.setPassword(server.password);
    // A server that does not answer is reported after a few seconds, not after minutes, and
    // a line cut while a statement waits is given up after ten seconds rather than the
    // quarter of an hour TCP would wait by itself.
    db.setConnectOptions(QStringLiteral(
        "connect_timeout=5;application_name=verimond;keepalives_idle=10;keepalives_interval=5;"
        "keepalives_count=3;tcp_user_timeout=10000"));
    if (!db.open()) {
        *error = EngineText(db.lastError());
        return db;
    }
    if (!SetUpServerSession(db, error)) db.close();
    return db;
}

OpenResult OpenDatabase(const DatabaseTarget& target) {
    CloseConnection();
    Current().detail.clear();
    if (!target.problem.isEmpty()) {
        Current().detail = target.problem;
        return OpenResult::BadSetting;
    }
    if (target.engine == Engine::Embedded) return OpenConnection(target.file);

    OpenResult result = OpenResult::Failed;
    QString error;
    {
        QSqlDatabase db = OpenServerConnection(kConnectionName, target.server, &error);
        if (db.isOpen()) {
            // Read from the catalogue only: a database that is not ours is never written.
            int version = 0;
            switch (InspectServerDatabase(db, &version, &error)) {
                case ServerState::Ours:
                    result = OpenResult::Opened;
                    break;
                case ServerState::Empty:
                    result = OpenResult::Empty;
                    break;
                case ServerState::NotOurs:
                    result = OpenResult::NotOurs;
                    break;
                case ServerState::Newer:
                    result = OpenResult::Newer;
                    break;
                case ServerState::Unreadable:
                    result = OpenResult::Failed;
                    break;
            }
            // The server's schema begins at version 2; later versions add their steps here.
            if (result != OpenResult::Opened) db.close();
        }
    }
    if (result != OpenResult::Opened) {
        QSqlDatabase::removeDatabase(kConnectionName);
        Current().detail = error;
    }
    return result;
}

QString OpenFailureReason(OpenResult result, const DatabaseTarget& target) {
    if (result == OpenResult::BadSetting)
        return QStringLiteral("数据库设置有误: %1").arg(Current().detail);
    if (target.engine == Engine::Embedded) return OpenFailureReason(result, target.file);
    const QString server = DescribeTarget(target);
    switch (result) {
        case OpenResult::Opened:
            return QString();
        case OpenResult::NotOurs:
            return QStringLiteral("服务器上的数据库不是本程序的数据库: %1").arg(server);
        case OpenResult::Newer:
            return QStringLiteral("服务器上的数据库由新版本的程序建立,请使用新版本打开: %1")
                .arg(server);
        case OpenResult::Empty:
            return QStringLiteral(
                       "服务器上的数据库还是空的,请先用 verimond-admin init 建立数据表: %1")
                .arg(server);
        default:
            break;
    }
    const QString detail = Current().detail.trimmed();
    return QStringLiteral("无法连接%1%2")
        .arg(server, detail.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(detail));
}

void CloseConnection() {
    if (!QSqlDatabase::contains(kConnectionName)) return;
    {
        QSqlDatabase db = QSqlDatabase::database(kConnectionName, false);
        if (db.isOpen()) db.close();
    }
    QSqlDatabase::removeDatabase(kConnectionName);
    UseLock().reset();
    Current().file.clear();
    Current().networkFolder = false;
    Current().warning.clear();
    Current().transactions = 0;
    Current().reopenFailed.invalidate();
}

bool IsConnected() {
    return QSqlDatabase::contains(kConnectionName) &&
           QSqlDatabase::database(kConnectionName, false).isOpen();
}

QSqlDatabase Connection() { return QSqlDatabase::database(kConnectionName, false); }

QString ConnectedDatabaseFile() { return IsConnected() ? Current().file : QString(); }

QString ConnectedFileWarning() { return IsConnected() ? Current().warning : QString(); }

bool ConnectedOnNetworkFolder() { return IsConnected() && Current().networkFolder; }

qint64 ConnectedDatabaseBytes() {
    if (!IsConnected()) return 0;
    if (CurrentEngine() == Engine::Embedded)  // pages not yet folded in wait in the -wal
        return QFileInfo(Current().file).size() +
               QFileInfo(Current().file + QStringLiteral("-wal")).size();
    const Rows rows = QueryRows(QStringLiteral("select pg_database_size(current_database())"));
    return rows.empty() ? 0 : rows.front().value(0).toLongLong();
}

Rows QueryRows(const QString& sql) {
    QSqlQuery query = Run(sql, Repeat::Safe);
    Rows rows;
    while (query.next()) rows.push_back(query.record());
    return rows;
}

void Execute(const QString& sql) { Run(sql, Repeat::Never); }

int ExecuteCount(const QString& sql) { return Run(sql, Repeat::Never).numRowsAffected(); }

Rows ExecuteReturning(const QString& sql) {
    QSqlQuery query = Run(sql, Repeat::Never);
    Rows rows;
    while (query.next()) rows.push_back(query.record());
    return rows;
}

qint64 AppendRow(const QString& table, const ColumnValues& values) {
    QStringList names;
    QStringList marks;
    for (const auto& [name, value] : values) {
        names << name;
        marks << QStringLiteral("?");
    }
    QString sql = QStringLiteral("insert into %1(%2) values(%3)")
                      .arg(table, names.join(','), marks.join(','));
    // The server hands the new key back with the insert; the file knows its last rowid.
    const bool server = CurrentEngine() == Engine::Server;
    const QString key = GeneratedKeyOf(table);
    if (server && !key.isEmpty()) sql += QStringLiteral(" returning ") + key;
    QSqlError failure;
    bool prepared = false;
    {
        QSqlQuery query(OpenDatabaseOrThrow(sql));
        prepared = query.prepare(sql);
        if (prepared) {
            for (const auto& pair : values) query.addBindValue(pair.second);
            if (query.exec()) {
                if (!server) return query.lastInsertId().toLongLong();
                return !key.isEmpty() && query.next() ? query.value(0).toLongLong() : 0;
            }
        }
        failure = query.lastError();
    }
    // A lost server line is opened again for the next statement; the row is not written
    // twice, since the insert may have reached the server before the line went.
    RecoverLostServerConnection();
    Fail(EngineText(failure), LogText(failure), sql);
}

void LockTableForWriting(const QString& table) {
    if (CurrentEngine() == Engine::Server)
        Execute(QStringLiteral("lock table ") + table +
                QStringLiteral(" in share row exclusive mode"));
}

QString TextOf(const QSqlRecord& row, const QString& column) {
    const QVariant value = row.value(column);
    if (!value.isValid() || value.isNull()) return QString();
    if (value.typeId() == QMetaType::QByteArray) return QString::fromUtf8(value.toByteArray());
    return value.toString();
}

Transaction::Transaction() {
    const QString begin = QStringLiteral("begin");
    QSqlDatabase db = OpenDatabaseOrThrow(begin);
    if (!db.transaction()) {
        const QSqlError failure = db.lastError();
        // Nothing has happened yet, so beginning again on a reopened line is safe.
        if (!RecoverLostServerConnection() || !db.transaction())
            Fail(EngineText(failure), LogText(failure), begin);
    }
    open_ = true;
    ++Current().transactions;
}

Transaction::~Transaction() {
    if (!open_) return;
    QSqlDatabase db = Connection();
    // A cut server line has taken the transaction with it.
    if (db.isOpen() && !db.rollback())
        LogFailedStatement(LogText(db.lastError()), QStringLiteral("rollback"));
    --Current().transactions;
}

void Transaction::commit() {
    const QString commit = QStringLiteral("commit");
    QSqlDatabase db = OpenDatabaseOrThrow(commit);
    open_ = false;
    --Current().transactions;
    if (!db.commit()) {
        const QSqlError failure = db.lastError();
        db.rollback();
        Fail(EngineText(failure), LogText(failure), commit);
    }
}

}  // namespace data
