#include "data/database_setting.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringList>
#include <cerrno>
#include <cstring>

#include "data/connection.h"

namespace data {
namespace {

// A setting file is a few lines; anything much larger is something else by mistake.
constexpr qint64 kMaxSettingBytes = 64 * 1024;

QString SystemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

QString KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return QStringLiteral("文件夹");
    if (S_ISFIFO(mode)) return QStringLiteral("命名管道(FIFO)");
    if (S_ISSOCK(mode)) return QStringLiteral("套接字");
    if (S_ISCHR(mode) || S_ISBLK(mode)) return QStringLiteral("设备文件");
    return QStringLiteral("特殊文件");
}

// Whether every account of the computer may read the file: it is readable by others and
// each folder above it lets others through.
bool OthersCanRead(const QString& path, mode_t mode) {
    if (!(mode & S_IROTH)) return false;
    QString folder = QFileInfo(QFileInfo(path).canonicalFilePath()).path();
    for (;;) {
        struct stat info;
        if (::stat(QFile::encodeName(folder).constData(), &info) != 0 || !(info.st_mode & S_IXOTH))
            return false;
        if (folder == QLatin1String("/") || folder.isEmpty()) return true;
        folder = QFileInfo(folder).path();
    }
}

struct SettingFile {
    bool present = false;  // something is there under the name, even a dangling link
    QByteArray bytes;
    QString problem;  // why it cannot be read
    bool othersCanRead = false;
};

// Reads a setting file without ever waiting: a FIFO, a device or a folder under the
// name is refused by its type before anything is opened, and the open itself does not
// block (a FIFO swapped in meanwhile is caught by the second look).
SettingFile ReadSettingFile(const QString& path) {
    SettingFile file;
    const QByteArray name = QFile::encodeName(path);
    struct stat link;
    if (::lstat(name.constData(), &link) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return file;
        file.present = true;
        file.problem = QStringLiteral("无法读取: %1").arg(SystemError(errno));
        return file;
    }
    file.present = true;
    struct stat info;
    if (::stat(name.constData(), &info) != 0) {
        const int error = errno;
        if (S_ISLNK(link.st_mode) && (error == ENOENT || error == ENOTDIR))
            file.problem =
                QStringLiteral("是指向 %1 的链接,但那个文件不存在").arg(QFile::symLinkTarget(path));
        else
            file.problem = QStringLiteral("无法读取: %1").arg(SystemError(error));
        return file;
    }
    const auto wrongKind = [&](mode_t mode) {
        file.problem = QStringLiteral("不是普通的文本文件,而是%1").arg(KindOf(mode));
        return file;
    };
    const auto tooLarge = [&](qint64 bytes) {
        file.problem = QStringLiteral("文件太大(%1 字节),不是数据库设置文件").arg(bytes);
        return file;
    };
    if (!S_ISREG(info.st_mode)) return wrongKind(info.st_mode);
    if (info.st_size > kMaxSettingBytes) return tooLarge(info.st_size);

    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        file.problem = errno == EACCES ? QStringLiteral("无法读取: 没有读取权限")
                                       : QStringLiteral("无法读取: %1").arg(SystemError(errno));
        return file;
    }
    struct stat opened;
    if (::fstat(fd, &opened) != 0) {
        file.problem = QStringLiteral("无法读取: %1").arg(SystemError(errno));
        ::close(fd);
        return file;
    }
    if (!S_ISREG(opened.st_mode)) {
        ::close(fd);
        return wrongKind(opened.st_mode);
    }
    QByteArray bytes(kMaxSettingBytes + 1, Qt::Uninitialized);
    qsizetype have = 0;
    while (have < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + have, size_t(bytes.size() - have));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            file.problem = QStringLiteral("无法读取: %1").arg(SystemError(errno));
            ::close(fd);
            return file;
        }
        if (got == 0) break;
        have += got;
    }
    ::close(fd);
    if (have > kMaxSettingBytes) return tooLarge(have);
    bytes.truncate(have);
    file.bytes = bytes;
    file.othersCanRead = OthersCanRead(path, opened.st_mode);
    return file;
}

// What keeps bytes from being read as a UTF-8 setting; empty when they can be.
QString EncodingProblem(const QByteArray& bytes) {
    const QString saveAsUtf8 = QStringLiteral(",请用文本编辑器另存为 UTF-8 编码");
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return QStringLiteral("文件是 UTF-16 编码") + saveAsUtf8;
    if (bytes.contains('\0')) {
        // UTF-16 without a byte-order mark: the ASCII of a setting leaves every other
        // byte zero, on the same side throughout.
        qsizetype evenZeros = 0, oddZeros = 0;
        for (qsizetype i = 0; i < bytes.size(); ++i)
            if (bytes[i] == '\0') ++((i % 2 == 0) ? evenZeros : oddZeros);
        const qsizetype pairs = bytes.size() / 2;
        if ((evenZeros == 0 && oddZeros * 2 >= pairs) || (oddZeros == 0 && evenZeros * 2 >= pairs))
            return QStringLiteral("文件是 UTF-16 编码(没有字节顺序标记)") + saveAsUtf8;
        return QStringLiteral("文件中有 NUL 字节,不是文本文件");
    }
    int lineNumber = 0;
    for (const QByteArray& raw : bytes.split('\n')) {
        ++lineNumber;
        for (const char c : raw)
            if (uchar(c) < 0x20 && c != '\t' && c != '\r' && c != '\v' && c != '\f')
                return QStringLiteral("第%1行有控制字符,不是文本文件").arg(lineNumber);
        // Comments may be in any encoding (an old editor's GBK); a setting line read
        // wrongly would reach another server or carry another password.
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#') || line.startsWith(';')) continue;
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        [[maybe_unused]] const QString decoded = utf8(line);
        if (utf8.hasError())
            return QStringLiteral("第%1行不是 UTF-8 编码的文字").arg(lineNumber) + saveAsUtf8;
    }
    return QString();
}

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
            // A second section would quietly override the first one's values.
            if (inDatabase && sawDatabase)
                return refuse(
                    QStringLiteral("第%1行是第二个 [database] 段,只能有一个").arg(lineNumber));
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

DatabaseTarget ReadDatabaseSetting(const QByteArray& bytes, const QString& folder) {
    const QString problem = EncodingProblem(bytes);
    if (problem.isEmpty()) return ParseDatabaseSetting(QString::fromUtf8(bytes), folder);
    DatabaseTarget target = ParseDatabaseSetting(QString(), folder);
    target.problem = QStringLiteral("%1: %2").arg(target.settingFile, problem);
    return target;
}

DatabaseTarget DatabaseOfFolder(const QString& folder) {
    const QDir dir(folder.isEmpty() ? QDir::currentPath() : folder);
    const QString setting = dir.absoluteFilePath(QString::fromLatin1(kSettingFileName));
    const SettingFile file = ReadSettingFile(setting);
    if (!file.present) return ParseDatabaseSetting(QString(), dir.absolutePath());
    if (!file.problem.isEmpty()) {
        DatabaseTarget target = ParseDatabaseSetting(QString(), dir.absolutePath());
        target.problem = QStringLiteral("%1: %2").arg(setting, file.problem);
        return target;
    }
    DatabaseTarget target = ReadDatabaseSetting(file.bytes, dir.absolutePath());
    if (target.problem.isEmpty() && target.engine == Engine::Server &&
        !target.server.password.isEmpty() && file.othersCanRead)
        target.warning = QStringLiteral(
                             "%1: 本机的其他账户也能读取这个文件和其中的数据库密码,请执行 chmod "
                             "600 %1 (几个账户共用时用 chmod 640 并让它们同属一个组)")
                             .arg(setting);
    return target;
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
