#pragma once
// The database file's layout: tables, views, indexes, settings rows, and the mark
// (application_id and user_version) by which the program knows a file as its own.

#include <QSqlDatabase>
#include <QString>

namespace data {

inline constexpr int kApplicationId = 0x56524D44;  // "VRMD"
inline constexpr int kSchemaVersion = 2;

// Creates a new database file with the whole schema, the four settings rows and the
// admin row. Refuses (returns false with a reason) when the file exists already.
bool CreateDatabase(const QString& filePath, QString* error);

// True when an opened file carries our mark and a schema version this release reads.
bool CheckSchemaMark(QSqlDatabase& db);
// Settings for an opened file of ours: WAL journal, upgrades of older versions.
bool PrepareOpenedDatabase(QSqlDatabase& db);

}  // namespace data
