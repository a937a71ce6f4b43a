#pragma once
// The database file's layout: tables, views, indexes, settings rows, and the mark
// (application_id and user_version) by which the program knows a file as its own.

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include "data/database_setting.h"

namespace data {

inline constexpr int kApplicationId = 0x56524D44;  // "VRMD"
inline constexpr int kSchemaVersion = 2;

// Creates a new database file with the whole schema, the four settings rows and the
// admin row. Refuses (returns false with a reason) when the file exists already. The file
// is built under a temporary name beside it and appears under filePath only when complete.
bool CreateDatabase(const QString& filePath, QString* error);

enum class FileMark {
    Ours,        // our mark and a schema version this release reads
    NotOurs,     // not an SQLite file, or one without our application id
    Newer,       // our mark, with a schema version from a newer release
    Damaged,     // our mark, but shorter than its header says or unreadable inside
    Unreadable,  // could not be read at all (permissions, a lock held too long)
};

// Reads a file's mark without writing to it: the header's bytes are read as a plain file,
// and only a file that carries our application id is then opened, read-only, for the
// version (which may still sit in its -wal).
FileMark ReadFileMark(const QString& filePath);

// True when an opened file carries our mark and a schema version this release reads.
bool CheckSchemaMark(QSqlDatabase& db);
// Settings for an opened file of ours: WAL journal (the rollback journal on a network
// folder), upgrades of older versions.
bool PrepareOpenedDatabase(QSqlDatabase& db, bool onNetworkFolder = false);

// The tables, indexes and views on an engine, without rows or mark.
QStringList SchemaStatements(Engine engine);
// The rows of a new database: the four settings, the admin row, the default albums.
QStringList DefaultRowStatements();

// Creates the database a runtime folder names: a new file as above, or the whole schema
// in an empty database on the server, in one transaction. Refuses a server database that
// holds any table already.
bool CreateDatabase(const DatabaseTarget& target, QString* error);

enum class ServerState {
    Ours,        // our mark and a schema version this release reads
    Empty,       // no tables at all: ready for "verimond-admin init"
    NotOurs,     // tables, but not ours
    Newer,       // ours, from a newer release
    Unreadable,  // the catalogue could not be read, or the database cannot hold our text
};
// What a server database holds, read from its catalogue without writing. *version gets
// the schema version of a marked database.
ServerState InspectServerDatabase(QSqlDatabase& db, int* version, QString* error);
// Makes the schema (and with withDefaultRows the rows of a new database) on an empty
// server database, inside the caller's transaction.
bool CreateServerSchema(QSqlDatabase& db, bool withDefaultRows, QString* error);

}  // namespace data
