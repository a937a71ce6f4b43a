#pragma once
// The switch that runs a test program against the database server instead of the
// embedded file: VERIMOND_TEST_SERVER names the setting file that
// tests/support/test_server.sh wrote for its throw-away cluster. The fixtures then make
// a database of their own on that server for every case, and drop it afterwards.

#include <QSqlDatabase>
#include <QString>

#include "data/database_setting.h"

namespace testing_support {

// Whether this run uses the database server.
bool ServerRun();
// A new, empty database on the test server; the address to reach it. Ends the test
// program, saying why, when the server cannot be reached.
data::ServerAddress CreateServerDatabase();
// Drops a database made by CreateServerDatabase, closing what is still connected to it.
void DropServerDatabase(const data::ServerAddress& address);
// Writes the verimond.ini that names the server database into folder.
void WriteServerSetting(const QString& folder, const data::ServerAddress& address);

// Makes every insert into table on adocnn's database fail with the engine's error, as a
// full disk would: a trigger, spelt for the engine at hand.
void FailInsertsInto(const QString& table);

// Another station's connection to the same database (the file, or the server), under
// name, for the calling thread. Not open when it fails; the caller removes it.
QSqlDatabase OpenOtherStation(const data::DatabaseTarget& target, const QString& name);

}  // namespace testing_support

// For a case about the embedded file alone (its header, journal, pragmas), in a server run.
#define VERIMOND_EMBEDDED_FILE_ONLY()                                                             \
    do {                                                                                          \
        if (testing_support::ServerRun()) QSKIP("about the embedded file; run without a server"); \
    } while (false)
