#include "support/server_run.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include "data/connection.h"
#include "data/sql_dialect.h"

namespace testing_support {
namespace {

// The cluster's own database, from which the test databases are made and dropped.
data::ServerAddress MaintenanceAddress() {
    const QString file = qEnvironmentVariable("VERIMOND_TEST_SERVER");
    QFile setting(file);
    if (!setting.open(QIODevice::ReadOnly))
        qFatal(
            "VERIMOND_TEST_SERVER names %s, which cannot be read: the test database server "
            "did not start (see the output of the server_start test)",
            qPrintable(file));
    const data::DatabaseTarget target = data::ParseDatabaseSetting(
        QString::fromUtf8(setting.readAll()), QFileInfo(file).absolutePath());
    if (!target.problem.isEmpty() || target.engine != data::Engine::Server)
        qFatal("%s does not name a database server: %s", qPrintable(file),
               qPrintable(target.problem));
    return target.server;
}

// Runs one statement on the cluster's own database; ends the program when it fails.
void RunOnServer(const QString& sql) {
    const data::ServerAddress address = MaintenanceAddress();
    const QString name =
        QStringLiteral("verimond-test-maintenance-") + QUuid::createUuid().toString();
    QString error;
    {
        QSqlDatabase db = data::OpenServerConnection(name, address, &error);
        if (db.isOpen()) {
            QSqlQuery query(db);
            if (!query.exec(sql)) error = query.lastError().text();
            query.finish();
            db.close();
        } else if (error.isEmpty()) {
            error = QStringLiteral("no connection");
        }
    }
    QSqlDatabase::removeDatabase(name);
    if (!error.isEmpty())
        qFatal("the test database server at %s:%d cannot be used (%s): %s",
               qPrintable(address.host), address.port, qPrintable(sql), qPrintable(error));
}

}  // namespace

bool ServerRun() { return !qEnvironmentVariableIsEmpty("VERIMOND_TEST_SERVER"); }

data::ServerAddress CreateServerDatabase() {
    data::ServerAddress address = MaintenanceAddress();
    address.name = QStringLiteral("vt_") + QUuid::createUuid().toString(QUuid::Id128);
    RunOnServer(QStringLiteral("create database ") + address.name);
    return address;
}

void WriteServerSetting(const QString& folder, const data::ServerAddress& address) {
    QFile setting(QDir(folder).filePath(QString::fromLatin1(data::kSettingFileName)));
    // It holds the password: for the owner alone, as the stations keep it.
    if (!setting.open(QIODevice::WriteOnly) ||
        !setting.setPermissions(QFile::ReadOwner | QFile::WriteOwner) ||
        setting.write(data::ServerSettingText(address).toUtf8()) < 0)
        qFatal("cannot write %s", qPrintable(setting.fileName()));
}

QSqlDatabase OpenOtherStation(const data::DatabaseTarget& target, const QString& name) {
    if (target.engine == data::Engine::Server) {
        QString error;
        QSqlDatabase db = data::OpenServerConnection(name, target.server, &error);
        if (!db.isOpen()) qWarning("another station cannot connect: %s", qPrintable(error));
        return db;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(target.file);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    db.open();
    return db;
}

void FailInsertsInto(const QString& table) {
    if (data::CurrentEngine() == data::Engine::Server) {
        data::Execute(
            QStringLiteral("create function refuse_insert() returns trigger language "
                           "plpgsql as $$ begin raise exception 'disk full'; end $$"));
        data::Execute(QStringLiteral("create trigger refuse before insert on %1 for each row "
                                     "execute function refuse_insert()")
                          .arg(table));
        return;
    }
    data::Execute(QStringLiteral("create trigger refuse before insert on %1 begin select "
                                 "raise(abort, 'disk full'); end")
                      .arg(table));
}

void DropServerDatabase(const data::ServerAddress& address) {
    RunOnServer(QStringLiteral("drop database if exists ") + address.name +
                QStringLiteral(" with (force)"));
}

}  // namespace testing_support
