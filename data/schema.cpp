#include "data/schema.h"

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTemporaryFile>
#include <QUuid>
#include <QtEndian>
#include <cstring>

#include "data/file_names.h"

namespace data {
namespace {

// Display numbers come from row_number() over keys only, and only the keys are put in
// display order; the wide columns (thumbnails) are joined by key afterwards, so a page
// of twelve never sorts or copies a whole customer's thumbnails. Ties in odrnum are
// broken by id, which keeps the order the same from one query to the next.
const char* const kViews[] = {
    R"(create view V_photoinfo as
        select n.id as id, n.customerid as customerid, p.odrnum as odrnum,
               p.filename as filename, p.photofile as photofile, p.zzyq as zzyq,
               n.disid as disid
        from (select id, customerid,
                     row_number() over (partition by customerid order by odrnum, id) as disid
              from photoinfo
              order by customerid, disid) as n
        join photoinfo as p on p.id = n.id)",
    R"(create view V_xcphoto as
        select n.id as id, n.customerid as customerid, n.photoid as photoid, n.xcmc as xcmc,
               p.filename as filename, p.photofile as photofile, n.disid as disid
        from (select x.id as id, x.customerid as customerid, x.photoid as photoid, x.xcmc as xcmc,
                     row_number() over (partition by x.customerid, x.xcmc order by x.id) as disid
              from xcphoto as x join photoinfo as s on s.id = x.photoid
              order by x.customerid, x.xcmc, disid) as n
        join photoinfo as p on p.id = n.photoid)",
    R"(create view V_xcphotoall as
        select n.id as id, n.customerid as customerid, n.photoid as photoid, n.xcmc as xcmc,
               p.filename as filename, p.photofile as photofile, p.zzyq as zzyq,
               n.disid as disid
        from (select x.id as id, x.customerid as customerid, x.photoid as photoid, x.xcmc as xcmc,
                     row_number() over (partition by x.customerid order by x.id) as disid
              from xcphoto as x join photoinfo as s on s.id = x.photoid
              order by x.customerid, disid) as n
        join photoinfo as p on p.id = n.photoid)",
};

const char* const kSchema[] = {
    R"(create table customer (
        customerid integer primary key autoincrement,
        customername text not null default '',
        adddate text not null default (strftime('%Y-%m-%d %H:%M:%S', 'now', 'localtime')),
        staus text not null default '正常',
        photopath text,
        note text))",
    R"(create table photoinfo (
        id integer primary key autoincrement,
        customerid integer not null,
        odrnum real not null default 0,
        filename text,
        photofile blob,
        zzyq text))",
    R"(create table customerxc (
        id integer primary key autoincrement,
        customerid integer not null,
        xcmc text not null))",
    R"(create table xcphoto (
        id integer primary key autoincrement,
        customerid integer not null,
        photoid integer not null,
        xcmc text not null))",
    R"(create table xclib (
        id integer primary key autoincrement,
        xcmc text not null))",
    R"(create table print (
        ID integer primary key autoincrement,
        photo blob,
        xcmc text,
        filepath text,
        customerid integer,
        zzyq text))",
    R"(create table SysSet (
        itemname text primary key,
        itemvalue text))",
    R"(create table usertable (
        username text primary key,
        password text))",

    "create index photoinfo_order on photoinfo(customerid, odrnum, id)",
    "create index photoinfo_file on photoinfo(customerid, filename)",
    "create index customerxc_customer on customerxc(customerid, id)",
    "create index xcphoto_sample on xcphoto(customerid, photoid)",
    "create index xcphoto_album on xcphoto(customerid, xcmc, id)",
    "create index customer_status on customer(staus, customerid)",

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

template <size_t N>
bool RunAll(QSqlQuery& query, const char* const (&statements)[N], QString* error) {
    for (const char* statement : statements) {
        if (!query.exec(QString::fromUtf8(statement))) {
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
                    RunAll(query, kViews, &error) &&
                    query.exec(QStringLiteral("pragma user_version = 2"));
    if (!ok) {
        db.rollback();
        return false;
    }
    return db.commit();
}

}  // namespace

bool CreateDatabase(const QString& filePath, QString* error) {
    if (QFileInfo::exists(filePath)) {
        *error = QStringLiteral("文件已存在,不会覆盖: %1").arg(filePath);
        return false;
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
    // The reserved name is private; the database is shared like any file the user makes.
    ::chmod(QFile::encodeName(building).constData(), NewFileMode());
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
            ok = db.transaction() && RunAll(query, kSchema, error) && RunAll(query, kViews, error);
            if (ok) {
                ok = query.exec(QStringLiteral("pragma application_id = %1").arg(kApplicationId)) &&
                     query.exec(QStringLiteral("pragma user_version = %1").arg(kSchemaVersion)) &&
                     db.commit();
                if (!ok) *error = query.lastError().text();
            }
            if (ok) {
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

bool PrepareOpenedDatabase(QSqlDatabase& db) {
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("pragma journal_mode = wal"))) return false;
    query.finish();  // an open statement would lock the schema against the upgrade
    bool ok = false;
    const int version = PragmaValue(db, "user_version", &ok);
    if (!ok) return false;
    // One step per version, oldest first.
    if (version < 2 && !UpgradeToVersion2(db)) return false;
    return true;
}

}  // namespace data
