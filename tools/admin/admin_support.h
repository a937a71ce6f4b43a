#pragma once
// What every verimond-admin command shares: output streams, failure and usage
// exits, opening the database of the current directory, and making runtime folders.
//
// Exit codes: 0 done, 1 the operation failed (the reason on stderr), 2 bad usage.

#include <QString>
#include <QStringList>
#include <QTextStream>

#include "customers/photo_import.h"
#include "data/connection.h"

namespace admin {

QTextStream& Out();
QTextStream& Err();

// Prints "verimond-admin: text" on stderr and returns 1.
int Fail(const QString& text);
// Prints the usage of every command on stderr and returns 2.
int Usage();
// Prints what the tool is for, the usage of every command and the exit codes on
// stdout and returns 0 (for --help).
int Help();

// The database of folder (the current directory when folder is empty): its
// function.dll, or the server its verimond.ini names. What the staff should know about
// the setting (a password others can read) is printed on stderr.
data::DatabaseTarget DatabaseIn(const QString& folder);
// Opens adocnn on database; on failure prints why and returns false.
bool OpenOrReport(const data::DatabaseTarget& database);

// Takes "--name VALUE" from args when it is there; false (and value untouched) when not.
// A name at the end without a value is bad usage: *missingValue is set.
bool TakeOption(QStringList& args, const QString& name, QString* value, bool* missingValue);
// Takes a flag such as "--subfolders"; true when it was there.
bool TakeFlag(QStringList& args, const QString& name);

// Reads ".jpg,.jpeg,.bmp" as the type boxes would build it; false on an unknown type.
bool ParseTypes(const QString& text, QString* list);
// Import options for the accepted types and subfolder choice, with the thumbnail
// settings the program itself would use.
customers::ImportOptions OptionsFromSettings(const QString& types, bool subfolders);

// The folder holding the pictures and pages of a runtime folder (icon/, photo/, help.html,
// djclientlogin.htm): beside this tool in the build's runtime folder, or the installed
// share/verimond. Empty, with *error set, when neither holds them all.
QString ResourcesFolder(QString* error);

// What a command made on its way to a complete runtime folder. Unless kept, all of it is
// removed again, newest first, so a command that fails leaves nothing behind.
class MadePaths {
  public:
    MadePaths() = default;
    MadePaths(const MadePaths&) = delete;
    MadePaths& operator=(const MadePaths&) = delete;
    ~MadePaths();

    void Add(const QString& path) { made_ << path; }
    void Keep() { made_.clear(); }
    // Makes folder with the folders above it that are missing.
    bool MakeFolder(const QString& folder, QString* error);
    // Copies into folder every picture and page it lacks, each file arriving whole;
    // files already there are kept as they are.
    bool CopyResources(const QString& folder, QString* error);

  private:
    QStringList made_;
};

}  // namespace admin
