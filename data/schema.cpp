#include "data/schema.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTemporaryFile>
#include <QUuid>
#include <QtEndian>
#include <cstring>

#include "data/connection.h"
#include "data/file_names.h"
#include "data/file_system.h"
#include "data/sql_dialect.h"

namespace data {
namespace {

// The tables are written once; the column types come from the engine's dialect.
const char* const kTables[] = {
    R"(create table customer (
        customerid {key},
        customername {text} not null default '',
        adddate {text} not null default {now},
        staus {text} not null default '正常',
        photopath {text},
        note {text}))",
    R"(create table photoinfo (
        id {key},
        customerid integer not null,
        odrnum {real} not null default 0,
        filename {text},
        photofile {blob},
        zzyq {text}))",
    R"(create table customerxc (
        id {key},
        customerid integer not null,
        xcmc {text} not null))",
    R"(create table xcphoto (
        id {key},
        customerid integer not null,
        photoid integer not null,
        xcmc {text} not null))",
    R"(create table xclib (
        id {key},
        xcmc {text} not null))",
    R"(create table print (
        ID {key},
        photo {blob},
        xcmc {text},
        filepath {text},
        customerid integer,
        zzyq {text}))",
    R"(create table SysSet (
        itemname {text} primary key,
        itemvalue {text}))",
    R"(create table usertable (
        username {text} primary key,
        password {text}))",

    "create index photoinfo_order on photoinfo(customerid, odrnum, id)",
    "create index photoinfo_file on photoinfo(customerid, filename)",
    "create index customerxc_customer on customerxc(customerid, id)",
    "create index xcphoto_sample on xcphoto(customerid, photoid)",
    "create index xcphoto_album on xcphoto(customerid, xcmc, id)",
    "create index customer_status on customer(staus, customerid)",
};

// The rows of a new database: the settings, the administrator and the default albums.
const char* const kDefaultRows[] = {
    "insert into SysSet(itemname, itemvalue) values('widthsalerote', '75')",
    "insert into SysSet(itemname, itemvalue) values('openwidthsale', '否')",
    "insert into SysSet(itemname, itemvalue) values('qhkh', '否')",
    "insert into SysSet(itemname, itemvalue) values('printinfo', "
    "'请核对以上选片信息，确认无误后签字。')",
    "insert into usertable(username, password) values('admin', '')",
    "insert into xclib(xcmc) values('精修相册')",
    "insert into xclib(xcmc) values('放大摆台')",
    "insert into xclib(xcmc) values('电子相册')",
};

int PragmaValue(QSqlDatabase& db, const char* pragma, bool* ok) {
    QSqlQuery query(db);
    *ok = query.exec(QStringLiteral("pragma %1").arg(QLatin1String(pragma))) && query.next();
    return *ok ? query.value(0).toInt() : 0;
}

bool RunAll(QSqlQuery& query, const QStringList& statements, QString* error) {
    for (const QString& statement : statements) {
        if (!query.exec(statement)) {
            *error = query.lastError().text();
            return false;
        }
    }
    return true;
}

// Version 2 sorts only the keys inside the views (version 1 sorted whole rows).
bool UpgradeToVersion2(QSqlDatabase& db) {
    QSqlQuery query(db);
    QString error;
    if (!db.transaction()) return false;
    const bool ok = query.exec(QStringLiteral("drop view if exists V_photoinfo")) &&
                    query.exec(QStringLiteral("drop view if exists V_xcphoto")) &&
                    query.exec(QStringLiteral("drop view if exists V_xcphotoall")) &&
                    RunAll(query, DialectOf(Engine::Embedded).views, &error) &&
                    query.exec(QStringLiteral("pragma user_version = 2"));
    if (!ok) {
        db.rollback();
        return false;
    }
    return db.commit();
}

// The number of tables, views and sequences in the schema the server connection uses.
qint64 ServerRelationCount(QSqlDatabase& db, bool* ok) {
    QSqlQuery query(db);
    *ok = query.exec(QStringLiteral(
              "select count(*) from pg_class c join pg_namespace n on n.oid = c.relnamespace "
              "where n.nspname = current_schema() and c.relkind in ('r','v','m','S','f','p')")) &&
          query.next();
    return *ok ? query.value(0).toLongLong() : 0;
}

}  // namespace

QStringList SchemaStatements(Engine engine) {
    const Dialect& d = DialectOf(engine);
    QStringList statements;
    for (const char* table : kTables)
        statements << QString::fromUtf8(table)
                          .replace(QLatin1String("{key}"), d.key)
                          .replace(QLatin1String("{text}"), d.text)
                          .replace(QLatin1String("{real}"), d.real)
                          .replace(QLatin1String("{blob}"), d.blob)
                          .replace(QLatin1String("{now}"), d.now);
    statements << d.views;
    return statements;
}

QStringList DefaultRowStatements() {
    QStringList statements;
    for (const char* row : kDefaultRows) statements << QString::fromUtf8(row);
    return statements;
}

ServerState InspectServerDatabase(QSqlDatabase& db, int* version, QString* error) {
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("select current_schema() is not null, "
                                   "to_regclass('%1') is not null, "
                                   "current_setting('server_encoding')")
                        .arg(QLatin1String(kServerMarkTable))) ||
        !query.next()) {
        *error = query.lastError().text();
        return ServerState::Unreadable;
    }
    const bool hasSchema = query.value(0).toBool();
    const bool marked = query.value(1).toBool();
    const QString encoding = query.value(2).toString();
    query.finish();
    if (!hasSchema) {
        *error = QStringLiteral("数据库没有可用的模式(schema),请检查 search_path");
        return ServerState::Unreadable;
    }
    if (encoding.compare(QLatin1String("UTF8"), Qt::CaseInsensitive) != 0) {
        *error = QStringLiteral("数据库的编码是 %1,应为 UTF8").arg(encoding);
        return ServerState::Unreadable;
    }
    if (!marked) {
        bool ok = false;
        const qint64 relations = ServerRelationCount(db, &ok);
        if (!ok) {
            *error = QStringLiteral("无法读取数据库的表");
            return ServerState::Unreadable;
        }
        return relations == 0 ? ServerState::Empty : ServerState::NotOurs;
    }
    if (!query.exec(QStringLiteral("select application_id, user_version from %1")
                        .arg(QLatin1String(kServerMarkTable)))) {
        *error = query.lastError().text();
        return ServerState::Unreadable;
    }
    if (!query.next() || query.value(0).toLongLong() != kApplicationId) return ServerState::NotOurs;
    const qint64 found = query.value(1).toLongLong();
    if (query.next()) return ServerState::NotOurs;  // one row, or it is not our mark
    if (version) *version = int(found);
    if (found > kSchemaVersion) return ServerState::Newer;
    return found < 1 ? ServerState::NotOurs : ServerState::Ours;
}

bool CreateServerSchema(QSqlDatabase& db, bool withDefaultRows, QString* error) {
    int version = 0;
    switch (InspectServerDatabase(db, &version, error)) {
        case ServerState::Empty:
            break;
        case ServerState::Unreadable:
            return false;
        case ServerState::Ours:
        case ServerState::Newer:
            *error = QStringLiteral("服务器上的数据库已经建立过,不会覆盖");
            return false;
        case ServerState::NotOurs:
            *error = QStringLiteral("服务器上的数据库不是空的(有别的表),不会写入");
            return false;
    }
    QSqlQuery query(db);
    if (!RunAll(query, SchemaStatements(Engine::Server), error)) return false;
    if (withDefaultRows && !RunAll(query, DefaultRowStatements(), error)) return false;
    return RunAll(query, MarkStatements(Engine::Server, kApplicationId, kSchemaVersion), error);
}

bool CreateDatabase(const DatabaseTarget& target, QString* error) {
    if (!target.problem.isEmpty()) {
        *error = target.problem;
        return false;
    }
    if (target.engine == Engine::Embedded) return CreateDatabase(target.file, error);
    const QString name = QStringLiteral("verimond-create-") + QUuid::createUuid().toString();
    bool ok = false;
    {
        QSqlDatabase db = OpenServerConnection(name, target.server, error);
        if (db.isOpen()) {
            // All or nothing: the server makes tables inside a transaction too.
            ok = db.transaction();
            if (!ok) *error = db.lastError().text();
            if (ok) ok = CreateServerSchema(db, true, error);
            if (ok) {
                ok = db.commit();
                if (!ok) *error = db.lastError().text();
            }
            if (!ok) db.rollback();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

bool CreateDatabase(const QString& filePath, QString* error) {
    if (QFileInfo::exists(filePath)) {
        *error = QStringLiteral("文件已存在,不会覆盖: %1").arg(filePath);
        return false;
    }
    // A log without its database (a file deleted or moved by hand, or an older release's
    // restore cut short) would be played into a new file of that name and corrupt it.
    for (const char* suffix : {"-wal", "-journal"}) {
        const QFileInfo log(filePath + QLatin1String(suffix));
        if (log.exists() && log.size() > 0) {
            *error = QStringLiteral(
                         "数据库文件不在了,但它的日志文件还在: %1\n"
                         "请用 verimond-admin restore 恢复备份,或把日志文件移走后再建立新数据库")
                         .arg(log.absoluteFilePath());
            return false;
        }
    }
    // Built beside the final name and renamed when complete, so an interrupted run never
    // leaves a half-made database under the name the program opens.
    QString building;
    {
        QTemporaryFile reserve(filePath + QStringLiteral(".XXXXXX.tmp"));
        reserve.setAutoRemove(false);
        if (!reserve.open()) {
            *error = QStringLiteral("无法写入文件: %1 (%2)").arg(filePath, reserve.errorString());
            return false;
        }
        building = reserve.fileName();
    }
    // The database holds the administrator password: its owner's alone, or its folder's
    // group's where the folder is shared through a group. SQLite gives its logs the same mode.
    FitDataFileMode(building, DataFileModesFor(QFileInfo(filePath).absolutePath()));
    const QString name = QStringLiteral("verimond-create-") + QUuid::createUuid().toString();
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(building);
        if (!db.open()) {
            *error = db.lastError().text();
            ok = false;
        } else {
            QSqlQuery query(db);
            // Free pages can be given back to the file system in short steps later, while
            // the studio works (a file without it could only shrink by a full rewrite).
            ok = query.exec(QStringLiteral("pragma auto_vacuum = incremental"));
            if (!ok) *error = query.lastError().text();
            ok = ok && db.transaction() &&
                 RunAll(query, SchemaStatements(Engine::Embedded), error) &&
                 RunAll(query, DefaultRowStatements(), error) &&
                 RunAll(query, MarkStatements(Engine::Embedded, kApplicationId, kSchemaVersion),
                        error);
            if (ok) {
                ok = db.commit();
                if (!ok) *error = db.lastError().text();
            }
            // WAL needs shared memory that a network file system does not share between
            // computers; there the file keeps SQLite's rollback journal.
            if (ok && !IsOnNetworkFileSystem(QFileInfo(filePath).absolutePath())) {
                ok = query.exec(QStringLiteral("pragma journal_mode = wal"));
                if (!ok) *error = query.lastError().text();
            }
            query.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    // Never replaces a file that appeared meanwhile.
    if (ok && !QFile::rename(building, filePath)) {
        *error = QFileInfo::exists(filePath)
                     ? QStringLiteral("文件已存在,不会覆盖: %1").arg(filePath)
                     : QStringLiteral("无法写入文件: %1").arg(filePath);
        ok = false;
    }
    if (!ok)
        for (const QString suffix : {"", "-journal", "-wal", "-shm"})
            QFile::remove(building + suffix);
    return ok;
}

FileMark ReadFileMark(const QString& filePath) {
    // The first 100 bytes of an SQLite file are its header: a magic text, the page size,
    // the page count, the user version and the application id, all big-endian.
    QByteArray header;
    qint64 fileSize = 0;
    {
        QFile file(filePath);
        if (!file.open(QIODevice::ReadOnly)) return FileMark::Unreadable;
        fileSize = file.size();
        header = file.read(100);
    }
    static const char kMagic[] = "SQLite format 3";  // with its terminating zero: 16 bytes
    if (header.size() < 16 || memcmp(header.constData(), kMagic, 16) != 0) return FileMark::NotOurs;
    const auto u32 = [&](int offset) {
        return qFromBigEndian<quint32>(reinterpret_cast<const uchar*>(header.constData()) + offset);
    };
    // A copy cut within the header still shows whose it is if it reached the id.
    if (header.size() < 72) return FileMark::NotOurs;
    if (u32(68) != quint32(kApplicationId)) return FileMark::NotOurs;
    if (header.size() < 100) return FileMark::Damaged;

    const quint32 rawPageSize =
        qFromBigEndian<quint16>(reinterpret_cast<const uchar*>(header.constData()) + 16);
    const qint64 pageSize = rawPageSize == 1 ? 65536 : rawPageSize;
    if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0)
        return FileMark::Damaged;
    // The page count is trustworthy when the change counter matches its valid-for number.
    // With a -wal beside it, the file may legitimately lag behind until the next checkpoint.
    const quint32 pages = u32(28);
    const bool countValid = pages != 0 && u32(24) == u32(92);
    const QFileInfo wal(filePath + QStringLiteral("-wal"));
    const bool walPending = wal.exists() && wal.size() > 0;
    if (countValid && !walPending && fileSize < pageSize * qint64(pages)) return FileMark::Damaged;

    const auto byVersion = [](qint64 version) {
        return version > kSchemaVersion ? FileMark::Newer
               : version < 1            ? FileMark::NotOurs
                                        : FileMark::Ours;
    };
    if (!walPending) return byVersion(u32(60));

    // Ours by its header, with changes still in its -wal that may include the version:
    // read it through a read-only connection, which never folds the -wal into the file.
    const QString name = QStringLiteral("verimond-mark-") + QUuid::createUuid().toString();
    FileMark mark = FileMark::Ours;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(filePath);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
        if (!db.open()) {
            mark = FileMark::Unreadable;
        } else {
            QSqlQuery query(db);
            if (!query.exec(QStringLiteral("pragma user_version")) || !query.next()) {
                // SQLITE_CORRUPT and SQLITE_NOTADB: the inside does not hold together.
                const int code = query.lastError().nativeErrorCode().toInt() & 0xFF;
                mark = code == 11 || code == 26 ? FileMark::Damaged : FileMark::Unreadable;
            } else {
                mark = byVersion(query.value(0).toLongLong());
            }
            query.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return mark;
}

bool CheckSchemaMark(QSqlDatabase& db) {
    bool ok = false;
    const int appId = PragmaValue(db, "application_id", &ok);
    if (!ok || appId != kApplicationId) return false;
    const int version = PragmaValue(db, "user_version", &ok);
    return ok && version >= 1 && version <= kSchemaVersion;
}

bool PrepareOpenedDatabase(QSqlDatabase& db, bool onNetworkFolder) {
    QSqlQuery query(db);
    if (onNetworkFolder) {
        // Leaving WAL needs the file alone; another station still holding it open in WAL
        // keeps it there for now, and the staff are told about the network folder anyway.
        query.exec(QStringLiteral("pragma journal_mode = delete"));
    } else if (!query.exec(QStringLiteral("pragma journal_mode = wal"))) {
        return false;
    }
    query.finish();  // an open statement would lock the schema against the upgrade
    bool ok = false;
    const int version = PragmaValue(db, "user_version", &ok);
    if (!ok) return false;
    // One step per version, oldest first.
    if (version < 2 && !UpgradeToVersion2(db)) return false;
    return true;
}

}  // namespace data
