#pragma once
// Which database a runtime folder uses. Without a setting it is the embedded file
// function.dll in the folder; a verimond.ini beside it with a [database] section naming
// a server makes every station of the studio use that one database instead:
//
//   [database]
//   engine=postgresql
//   host=192.168.1.10
//   port=5432
//   name=verimond
//   user=verimond
//   password=...
//
// Lines starting with # or ; are comments; values are taken as written (surrounding
// blanks removed, a value in double quotes keeps its blanks). The file is UTF-8 text (a
// byte-order mark is allowed) with one [database] section; anything else, and a
// verimond.ini that is no regular file or cannot be read, is refused with the reason.

#include <QString>

namespace data {

inline constexpr char kSettingFileName[] = "verimond.ini";

enum class Engine {
    Embedded,  // the SQLite file function.dll
    Server,    // a PostgreSQL server shared by several stations
};

struct ServerAddress {
    QString host = QStringLiteral("localhost");
    int port = 5432;
    QString name = QStringLiteral("verimond");
    QString user = QStringLiteral("verimond");
    QString password;  // empty: the server's own ways (~/.pgpass, trust) decide
};

struct DatabaseTarget {
    Engine engine = Engine::Embedded;
    QString file;  // the embedded file's full path (also set for a server, for messages)
    ServerAddress server;
    QString settingFile;  // the verimond.ini that chose it, empty when there is none
    QString problem;      // why the setting cannot be used; the target must not be opened
    QString warning;      // what the staff should be told; the setting is used all the same
};

// The database of a runtime folder (the current directory when folder is empty).
DatabaseTarget DatabaseOfFolder(const QString& folder = QString());
// Reads the text of a setting file found in folder.
DatabaseTarget ParseDatabaseSetting(const QString& text, const QString& folder);
// Reads the bytes of a setting file found in folder: UTF-8 text only, judged from the
// bytes (UTF-16, NUL or control bytes, a setting line that is not UTF-8 are refused).
DatabaseTarget ReadDatabaseSetting(const QByteArray& bytes, const QString& folder);
// One line for staff: the file's path, or the server's user@host:port/name.
QString DescribeTarget(const DatabaseTarget& target);
// The text of a setting file naming the server, as ParseDatabaseSetting reads it back.
QString ServerSettingText(const ServerAddress& server);

}  // namespace data
