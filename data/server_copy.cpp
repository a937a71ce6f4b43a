#include "data/server_copy.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <map>
#include <optional>

#include "data/backup.h"
#include "data/connection.h"
#include "data/database_lock.h"
#include "data/schema.h"

namespace data {
namespace {

struct TableColumns {
    const char* table;
    const char* key;  // the generated key, empty for a table keyed by text
    const char* columns;
};

// Every column of every table, keys included, in an order where a pick's sample and a
// sample's customer are copied before it (nothing enforces that; it reads better).
const TableColumns kCopied[] = {
    {"customer", "customerid", "customerid, customername, adddate, staus, photopath, note"},
    {"photoinfo", "id", "id, customerid, odrnum, filename, photofile, zzyq"},
    {"customerxc", "id", "id, customerid, xcmc"},
    {"xcphoto", "id", "id, customerid, photoid, xcmc"},
    {"xclib", "id", "id, xcmc"},
    {"print", "id", "id, photo, xcmc, filepath, customerid, zzyq"},
    {"SysSet", "", "itemname, itemvalue"},
    {"usertable", "", "username, password"},
};

constexpr int kProgressEvery = 1000;

QString ErrorText(const QSqlError& error) {
    const QString text = error.databaseText().trimmed();
    return text.isEmpty() ? error.text().trimmed() : text;
}

qint64 SingleNumber(QSqlDatabase& db, const QString& sql, QString* error) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(sql) || !query.next()) {
        *error = ErrorText(query.lastError());
        return -1;
    }
    return query.value(0).toLongLong();
}

// The highest key each table has ever given out: the file remembers deleted ones too, and
// the server must not give their keys again.
std::map<QString, qint64> KeysGivenOut(QSqlDatabase& source) {
    std::map<QString, qint64> given;
    QSqlQuery query(source);
    query.setForwardOnly(true);
    if (query.exec(QStringLiteral("select name, seq from sqlite_sequence")))
        while (query.next())
            given[query.value(0).toString().toLower()] = query.value(1).toLongLong();
    return given;
}

QString FileReason(FileMark mark, const QString& file) {
    switch (mark) {
        case FileMark::Ours:
            return QString();
        case FileMark::NotOurs:
            return OpenFailureReason(OpenResult::NotOurs, file);
        case FileMark::Newer:
            return OpenFailureReason(OpenResult::Newer, file);
        case FileMark::Damaged:
            return OpenFailureReason(OpenResult::Damaged, file);
        case FileMark::Unreadable:
            break;
    }
    return OpenFailureReason(OpenResult::Failed, file);
}

class Copier {
  public:
    Copier(QSqlDatabase& source, QSqlDatabase& target, const CopyProgress& progress)
        : source_(source), target_(target), progress_(progress) {}

    bool CopyTable(const TableColumns& t, CopyResult* result) {
        const QString table = QString::fromLatin1(t.table);
        const QString columns = QString::fromLatin1(t.columns);
        const QString key = QString::fromLatin1(t.key);
        const QString first = columns.section(QLatin1Char(','), 0, 0).trimmed();
        const int width = columns.count(QLatin1Char(',')) + 1;

        CopiedTable counted{table, 0, 0};
        counted.source =
            SingleNumber(source_, QStringLiteral("select count(*) from ") + table, &result->error);
        if (counted.source < 0) return false;

        QSqlQuery read(source_);
        read.setForwardOnly(true);
        if (!read.exec(QStringLiteral("select %1 from %2 order by %3")
                           .arg(columns, table, key.isEmpty() ? first : key))) {
            result->error = ErrorText(read.lastError());
            return false;
        }
        QStringList marks;
        for (int i = 0; i < width; ++i) marks << QStringLiteral("?");
        QSqlQuery write(target_);
        if (!write.prepare(QStringLiteral("insert into %1(%2) values(%3)")
                               .arg(table, columns, marks.join(QLatin1Char(','))))) {
            result->error = ErrorText(write.lastError());
            return false;
        }
        qint64 done = 0;
        while (read.next()) {
            for (int i = 0; i < width; ++i) write.bindValue(i, read.value(i));
            if (!write.exec()) {
                result->error =
                    QStringLiteral("%1 (表 %2)").arg(ErrorText(write.lastError()), table);
                return false;
            }
            if (++done % kProgressEvery == 0 && progress_) progress_(table, done, counted.source);
        }
        if (read.lastError().isValid()) {
            result->error = ErrorText(read.lastError());
            return false;
        }
        if (progress_) progress_(table, done, counted.source);

        if (!key.isEmpty() && !ContinueKeys(table, key, result)) return false;
        counted.copied =
            SingleNumber(target_, QStringLiteral("select count(*) from ") + table, &result->error);
        if (counted.copied < 0) return false;
        result->tables.push_back(counted);
        return true;
    }

    // The server's next key follows the highest the file ever gave out.
    bool ContinueKeys(const QString& table, const QString& key, CopyResult* result) {
        if (!given_) given_ = KeysGivenOut(source_);
        qint64 highest = SingleNumber(
            target_, QStringLiteral("select coalesce(max(%1), 0) from %2").arg(key, table),
            &result->error);
        if (highest < 0) return false;
        const auto found = given_->find(table.toLower());
        if (found != given_->end()) highest = std::max(highest, found->second);
        QSqlQuery query(target_);
        const QString sequence =
            QStringLiteral("pg_get_serial_sequence('%1', '%2')").arg(table, key);
        const QString sql =
            highest > 0 ? QStringLiteral("select setval(%1, %2, true)").arg(sequence).arg(highest)
                        : QStringLiteral("select setval(%1, 1, false)").arg(sequence);
        if (!query.exec(sql)) {
            result->error = ErrorText(query.lastError());
            return false;
        }
        return true;
    }

  private:
    QSqlDatabase& source_;
    QSqlDatabase& target_;
    const CopyProgress& progress_;
    std::optional<std::map<QString, qint64>> given_;
};

CopyResult CopyWith(QSqlDatabase& source, QSqlDatabase& target, const CopyProgress& progress) {
    CopyResult result;
    // One snapshot of the file, however other stations write to it meanwhile.
    QSqlQuery snapshot(source);
    if (!snapshot.exec(QStringLiteral("begin"))) {
        result.error = ErrorText(snapshot.lastError());
        return result;
    }
    if (!target.transaction()) {
        result.error = ErrorText(target.lastError());
        return result;
    }
    Copier copier(source, target, progress);
    bool ok = CreateServerSchema(target, false, &result.error);
    for (const TableColumns& table : kCopied) {
        if (!ok) break;
        ok = copier.CopyTable(table, &result);
    }
    if (ok) {
        for (const CopiedTable& t : result.tables) {
            if (t.source == t.copied) continue;
            result.error = QStringLiteral("表 %1 的行数不一致: 文件中 %2 行, 服务器上 %3 行")
                               .arg(t.table)
                               .arg(t.source)
                               .arg(t.copied);
            ok = false;
            break;
        }
    }
    if (ok) {
        const qint64 fileBytes = SingleNumber(
            source,
            QStringLiteral(
                "select coalesce(sum(length(cast(photofile as blob))), 0) from photoinfo"),
            &result.error);
        const qint64 serverBytes = SingleNumber(
            target,
            QStringLiteral("select coalesce(sum(octet_length(photofile)), 0) from photoinfo"),
            &result.error);
        ok = fileBytes >= 0 && serverBytes >= 0;
        if (ok && fileBytes != serverBytes) {
            result.error = QStringLiteral("缩略图的字节数不一致: 文件中 %1, 服务器上 %2")
                               .arg(fileBytes)
                               .arg(serverBytes);
            ok = false;
        }
        result.thumbnailBytes = fileBytes;
    }
    if (ok && !target.commit()) {
        result.error = ErrorText(target.lastError());
        ok = false;
    }
    if (!ok) target.rollback();
    snapshot.exec(QStringLiteral("rollback"));
    result.ok = ok;
    return result;
}

}  // namespace

CopyResult CopyFileToServer(const QString& filePath, const ServerAddress& server,
                            const CopyProgress& progress) {
    CopyResult result;
    const QFileInfo info(filePath);
    if (!info.isFile()) {
        result.error = OpenFailureReason(OpenResult::Missing, filePath);
        return result;
    }
    // A station still working on the file would go on writing picks that the server never
    // sees; every program and command holds the file's use lock, so taking it alone proves
    // none is open, and keeps any from opening it during the copy. It is taken before the
    // file is read at all: a restore swaps the files under it.
    QString problem;
    const auto alone = LockDatabaseAlone(info.absoluteFilePath(), 3000, &problem);
    if (!problem.isEmpty()) {
        result.error = problem;
        return result;
    }
    if (!alone->isHeld()) {
        result.error = QStringLiteral(
                           "数据库文件正在使用中(有 Verimond 程序或命令打开着它),"
                           "请先关闭所有使用它的程序: %1")
                           .arg(info.absoluteFilePath());
        return result;
    }
    // Only a file of ours is read at all, and only through a read-only connection.
    const FileMark mark = ReadFileMark(info.absoluteFilePath());
    if (mark != FileMark::Ours) {
        result.error = FileReason(mark, info.absoluteFilePath());
        return result;
    }
    const QString id = QUuid::createUuid().toString();
    const QString sourceName = QStringLiteral("verimond-copy-source-") + id;
    const QString targetName = QStringLiteral("verimond-copy-target-") + id;
    {
        QSqlDatabase source = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), sourceName);
        source.setDatabaseName(info.absoluteFilePath());
        source.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
        if (!source.open()) {
            result.error = OpenFailureReason(OpenResult::Failed, info.absoluteFilePath());
        } else {
            QString error;
            QSqlDatabase target = OpenServerConnection(targetName, server, &error);
            if (!target.isOpen()) {
                DatabaseTarget described;
                described.engine = Engine::Server;
                described.server = server;
                result.error =
                    QStringLiteral("无法连接%1 (%2)").arg(DescribeTarget(described), error);
            } else {
                result = CopyWith(source, target, progress);
                target.close();
            }
            source.close();
        }
    }
    QSqlDatabase::removeDatabase(targetName);
    QSqlDatabase::removeDatabase(sourceName);
    return result;
}

}  // namespace data
