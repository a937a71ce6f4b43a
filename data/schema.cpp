#include "data/schema.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

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
    const QString name = QStringLiteral("verimond-create");
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(filePath);
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
            if (ok) ok = query.exec(QStringLiteral("pragma journal_mode = wal"));
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    if (!ok) QFile::remove(filePath);
    return ok;
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
