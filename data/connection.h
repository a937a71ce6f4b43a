#pragma once
// The program's one database connection, adocnn, and the plain ways of using it.
// Reads fetch every row at once and hold nothing open afterwards.

#include <QSqlDatabase>
#include <QSqlRecord>
#include <QString>
#include <QVariant>
#include <utility>
#include <vector>

#include "data/database_setting.h"

namespace data {

inline constexpr char kConnectionName[] = "adocnn";
inline constexpr char kDatabaseFileName[] = "function.dll";

enum class OpenResult {
    Opened,
    Missing,     // no file of that name
    NotOurs,     // not an SQLite file, or one without our mark
    Failed,      // the engine refused to open it (locked, unreadable)
    Newer,       // ours, written by a newer release with a schema this one does not know
    Damaged,     // ours, but cut short or unreadable inside (an interrupted copy)
    Empty,       // a server database without any table: "verimond-admin init" makes ours
    BadSetting,  // verimond.ini cannot be used
    Busy,        // a restore or a compaction holds the file alone for longer than we wait
};

// function.dll in the current directory, resolved now.
QString DatabasePathInCurrentDirectory();

// Opens adocnn on an existing database file of ours. Never creates or changes a file
// that is not ours; on any failure adocnn stays closed.
OpenResult OpenConnection(const QString& filePath);
void CloseConnection();
// Why a file was refused, for staff: one line naming the file.
QString OpenFailureReason(OpenResult result, const QString& filePath);

// Opens adocnn on the database a runtime folder names: its function.dll, or the server
// of its verimond.ini. A server database is used only when it carries our mark.
OpenResult OpenDatabase(const DatabaseTarget& target);
// Why the database was refused, for staff: one line naming the file or the server (with
// the server's own words when it refused the connection).
QString OpenFailureReason(OpenResult result, const DatabaseTarget& target);

bool IsConnected();
QSqlDatabase Connection();
// The embedded file adocnn is open on; empty when it is open on a server or closed.
// Backups and the in-use lock belong to that file alone.
QString ConnectedDatabaseFile();
// What the staff should know about adocnn's file: its data files that other accounts can
// read and that this account cannot change. Empty when there is nothing to say.
QString ConnectedFileWarning();
// Whether adocnn's file lies on a network folder (and is used without WAL).
bool ConnectedOnNetworkFolder();
// The bytes adocnn's database takes: the file, or the database on the server.
qint64 ConnectedDatabaseBytes();

// A connection of its own, under name, to a server, with the session settings every
// statement of the program relies on (standard_conforming_strings on, the station's
// time zone). Not open on failure, with *error saying why. The caller closes it and
// removes it (QSqlDatabase::removeDatabase) when done.
QSqlDatabase OpenServerConnection(const QString& name, const ServerAddress& server, QString* error);

using Rows = std::vector<QSqlRecord>;
using ColumnValues = std::vector<std::pair<QString, QVariant>>;

// Runs a query and returns all its rows. Throws DbError with the engine's text.
Rows QueryRows(const QString& sql);
// Runs a statement without a result. Throws DbError.
void Execute(const QString& sql);
// Runs a statement without a result and returns how many rows it changed. Throws DbError.
int ExecuteCount(const QString& sql);
// Runs a writing statement that hands rows back ("... returning ...") and returns them.
// Like every write it is never run again on a reopened server line. Throws DbError.
Rows ExecuteReturning(const QString& sql);
// Appends one row (the equivalent of posting a new row through an empty updatable set)
// and returns its new key. Values are bound, blobs included.
qint64 AppendRow(const QString& table, const ColumnValues& values);

// Inside a transaction: keeps other stations from writing table until the transaction
// ends, while they may still read it. The file's write transaction does so by itself.
void LockTableForWriting(const QString& table);

// Text of a column; NULL and a missing column read as empty text.
QString TextOf(const QSqlRecord& row, const QString& column);

// Begins a transaction on adocnn; rolls back on destruction unless commit() succeeded.
class Transaction {
  public:
    Transaction();
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

  private:
    bool open_ = false;
};

}  // namespace data
