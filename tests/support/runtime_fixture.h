#pragma once
// A temporary runtime folder for a test: the resources, optionally a fresh
// database opened as adocnn, made the current directory, with scripted dialogs.
// In a server run (support/server_run.h) the fresh database is a new database on the
// test server, named by a verimond.ini in the folder, as a studio's stations have it.

#include <QDir>
#include <QImage>
#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "data/database_setting.h"
#include "support/scripted_dialogs.h"

namespace testing_support {

class RuntimeFixture {
  public:
    enum class Database { Fresh, None };
    explicit RuntimeFixture(Database database = Database::Fresh);
    ~RuntimeFixture();

    QString path() const { return dir_.path(); }
    QString file(const QString& relative) const { return QDir(dir_.path()).filePath(relative); }
    ScriptedDialogs& dialogs() { return *dialogs_; }
    // Whether the fresh database is on the server.
    bool onServer() const { return !server_.name.isEmpty(); }
    // The database the folder names, as the program and verimond-admin find it.
    data::DatabaseTarget database() const { return data::DatabaseOfFolder(path()); }
    // Closes adocnn and opens it again on the folder's database; false when it fails.
    bool reopen();

    // Writes a JPEG or BMP (by suffix) of the given size filled with a colour pattern
    // that has no grey pixels; returns its full path.
    QString writePhoto(const QString& relative, int width, int height,
                       const char* format = nullptr);

  private:
    QTemporaryDir dir_;
    QString previousDir_;
    ScriptedDialogs* dialogs_ = nullptr;
    data::ServerAddress server_{QString(), 0, QString(), QString(), QString()};
};

// SHA-256 of a file's bytes, to show a file was left untouched.
QByteArray FileDigest(const QString& path);

// The customers' names in a database file (its -wal included), read through a connection of
// its own, sorted; {"?"} when the file cannot be read.
QStringList CustomerNamesIn(const QString& databaseFile);

// A picture with no pixel near grey: a strong gradient in red and blue.
QImage ColourfulImage(int width, int height);

}  // namespace testing_support
