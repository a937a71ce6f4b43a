#include "data/database_setting.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include "data/connection.h"

namespace data {
namespace {

QString Unquoted(const QString& value) {
    const QString trimmed = value.trimmed();
    if (trimmed.size() >= 2 && trimmed.startsWith(QLatin1Char('"')) &&
        trimmed.endsWith(QLatin1Char('"')))
        return trimmed.mid(1, trimmed.size() - 2);
    return trimmed;
}

}  // namespace

DatabaseTarget ParseDatabaseSetting(const QString& text, const QString& folder) {
    DatabaseTarget target;
    const QDir dir(folder.isEmpty() ? QDir::currentPath() : folder);
    target.file = dir.absoluteFilePath(QString::fromLatin1(kDatabaseFileName));
    target.settingFile = dir.absoluteFilePath(QString::fromLatin1(kSettingFileName));
    const auto refuse = [&](const QString& why) {
        target.problem = QStringLiteral("%1: %2").arg(target.settingFile, why);
        return target;
    };

    bool inDatabase = false;
    bool sawDatabase = false;
    bool sawServerKey = false;
    QString engine;
    int lineNumber = 0;
    for (const QString& raw : text.split(QLatin1Char('\n'))) {
        ++lineNumber;
        QString line = raw.trimmed();
        if (line.startsWith(QChar(0xFEFF))) line = line.mid(1).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) ||
            line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            inDatabase = line.mid(1, line.size() - 2)
                             .trimmed()
                             .compare(QLatin1String("database"), Qt::CaseInsensitive) == 0;
            sawDatabase = sawDatabase || inDatabase;
            continue;
        }
        if (!inDatabase) continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0)
            return refuse(QStringLiteral("第%1行应写成 名称=值: %2").arg(lineNumber).arg(line));
        const QString key = line.left(equals).trimmed().toLower();
        const QString value = Unquoted(line.mid(equals + 1));
        if (key == QLatin1String("engine")) {
            engine = value.toLower();
            continue;
        }
        sawServerKey = true;
        if (key == QLatin1String("host")) {
            target.server.host = value;
        } else if (key == QLatin1String("port")) {
            bool ok = false;
            const int port = value.toInt(&ok);
            if (!ok || port < 1 || port > 65535)
                return refuse(QStringLiteral("端口应是1到65535之间的数字: %1").arg(value));
            target.server.port = port;
        } else if (key == QLatin1String("name")) {
            target.server.name = value;
        } else if (key == QLatin1String("user")) {
            target.server.user = value;
        } else if (key == QLatin1String("password")) {
            target.server.password = value;
        } else {
            // A misspelt name would silently fall back to a default and reach another
            // database than the one meant.
            return refuse(QStringLiteral("第%1行的名称不认识: %2 (可用 engine, host, port, "
                                         "name, user, password)")
                              .arg(lineNumber)
                              .arg(key));
        }
    }
    if (!sawDatabase) return target;
    if (engine.isEmpty()) {
        // Server details without the engine are a setting left half done: a station that
        // quietly used its own file would split the studio's customers in two.
        if (sawServerKey) return refuse(QStringLiteral("[database] 中缺少 engine=postgresql"));
        return target;
    }
    if (engine == QLatin1String("sqlite")) return target;
    if (engine != QLatin1String("postgresql"))
        return refuse(
            QStringLiteral("不认识的数据库类型 engine=%1 (可用 postgresql 或 sqlite)").arg(engine));
    for (const QString* value : {&target.server.host, &target.server.name, &target.server.user})
        if (value->isEmpty()) return refuse(QStringLiteral("host, name 和 user 不能是空的"));
    target.engine = Engine::Server;
    return target;
}

DatabaseTarget DatabaseOfFolder(const QString& folder) {
    const QDir dir(folder.isEmpty() ? QDir::currentPath() : folder);
    const QString setting = dir.absoluteFilePath(QString::fromLatin1(kSettingFileName));
    if (!QFileInfo::exists(setting)) return ParseDatabaseSetting(QString(), dir.absolutePath());
    QFile file(setting);
    if (!file.open(QIODevice::ReadOnly)) {
        DatabaseTarget target = ParseDatabaseSetting(QString(), dir.absolutePath());
        target.problem = QStringLiteral("无法读取数据库设置文件: %1").arg(setting);
        return target;
    }
    return ParseDatabaseSetting(QString::fromUtf8(file.readAll()), dir.absolutePath());
}

QString DescribeTarget(const DatabaseTarget& target) {
    if (target.engine == Engine::Embedded) return target.file;
    return QStringLiteral("数据库服务器 %1@%2:%3/%4")
        .arg(target.server.user, target.server.host)
        .arg(target.server.port)
        .arg(target.server.name);
}

QString ServerSettingText(const ServerAddress& server) {
    const auto value = [](const QString& text) {
        const bool plain =
            !text.isEmpty() && text.trimmed() == text && !text.startsWith(QLatin1Char('"'));
        return plain ? text : QStringLiteral("\"%1\"").arg(text);
    };
    QString text = QStringLiteral("[database]\nengine=postgresql\n");
    text += QStringLiteral("host=%1\nport=%2\nname=%3\nuser=%4\n")
                .arg(value(server.host))
                .arg(server.port)
                .arg(value(server.name), value(server.user));
    if (!server.password.isEmpty())
        text += QStringLiteral("password=%1\n").arg(value(server.password));
    return text;
}

}  // namespace data
