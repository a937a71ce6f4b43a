#pragma once
// Everything whose spelling depends on the database engine, written once per engine here.
//
// The rest of the program writes statements that both engines read alike: "limit n",
// upserts as "insert ... on conflict(key) do update set ...=excluded....", window
// functions, "update ... from", count(*) read as a number, text between single quotes
// with quotes doubled (the server runs with standard_conforming_strings on, so a
// backslash is an ordinary character for both), and names without quotes, which the
// server folds to lower case as the file ignores their case.

#include <QString>
#include <QStringList>

#include "data/database_setting.h"

namespace data {

// The engine of the open connection adocnn; the embedded file while none is open.
Engine CurrentEngine();

// A pseudo-random value of at least 0 and below 1, drawn anew for every row it is
// evaluated for.
QString RandomFractionSql();

// What a schema is made of on one engine.
struct Dialect {
    QString driver;  // Qt's SQL driver
    // Column types. Keys are generated on insert and never reused; text compares and
    // sorts by its bytes; real is a double; blob holds bytes.
    QString key;
    QString text;
    QString real;
    QString blob;
    // The default of a column that fills in the moment of insertion, local time, as
    // "yyyy-MM-dd HH:mm:ss".
    QString now;
    // The three views, each keeping its rows in display order without an ORDER BY of
    // the reader's.
    QStringList views;
};

const Dialect& DialectOf(Engine engine);

// Statements that write the program's mark: the application id and the schema version.
QStringList MarkStatements(Engine engine, int applicationId, int version);
// On the server the mark is a table of one row; the file keeps it in its header.
inline constexpr char kServerMarkTable[] = "schema_mark";

// The key column of a table the program appends rows to ("customerid" or "id"); empty
// for a table without a generated key.
QString GeneratedKeyOf(const QString& table);

}  // namespace data
