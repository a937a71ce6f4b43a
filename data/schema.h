#pragma once
// The database file's layout: tables, views, indexes, settings rows, and the mark
// (application_id and user_version) by which the program knows a file as its own.

#include <QSqlDatabase>
#include <QString>

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
// Settings for an opened file of ours: WAL journal, upgrades of older versions.
bool PrepareOpenedDatabase(QSqlDatabase& db);

}  // namespace data
