#pragma once
// The commands of verimond-admin, one function each; args exclude the command name.

#include <QStringList>
#include <vector>

#include "customers/customer_records.h"
#include "data/database_setting.h"

namespace admin {

struct Command {
    const char* name;
    const char* usage;  // the arguments, as the usage text shows them
    int (*run)(QStringList args);
};

// Every command, in the order the usage text lists them.
const std::vector<Command>& Commands();

// database_commands.cpp
int RunInit(QStringList args);
int RunDemo(QStringList args);

// customer_commands.cpp
int RunImport(QStringList args);
int RunList(QStringList args);
int RunStatus(QStringList args);
int RunDelete(QStringList args);
int RunShuffle(QStringList args);
int RunReimport(QStringList args);
// Creates a customer in database from its folder, with the program's thumbnail settings,
// and prints "id=N samples=M".
int ImportNewCustomer(const data::DatabaseTarget& database, const customers::NewCustomer& customer,
                      const QString& types, bool subfolders);

// backup_commands.cpp
int RunBackup(QStringList args);
int RunRestore(QStringList args);
int RunCompact(QStringList args);
// server_commands.cpp
int RunDatabase(QStringList args);
int RunCopyToServer(QStringList args);
// thumbnail_commands.cpp
int RunThumbnails(QStringList args);
// preview_commands.cpp
int RunPreviews(QStringList args);
// settings_commands.cpp
int RunSettings(QStringList args);
int RunPassword(QStringList args);
// output_commands.cpp
int RunExport(QStringList args);

}  // namespace admin
