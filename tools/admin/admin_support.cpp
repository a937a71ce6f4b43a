#include "tools/admin/admin_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "data/records.h"
#include "tools/admin/admin_commands.h"

namespace admin {

QTextStream& Out() {
    static QTextStream out(stdout);
    return out;
}

QTextStream& Err() {
    static QTextStream err(stderr);
    return err;
}

int Fail(const QString& text) {
    Err() << "verimond-admin: " << text << Qt::endl;
    return 1;
}

namespace {

void WriteCommands(QTextStream& stream) {
    stream << "用法:\n";
    for (const Command& command : Commands())
        stream << "  verimond-admin " << command.name << ' ' << QString::fromUtf8(command.usage)
               << '\n';
}

}  // namespace

int Usage() {
    WriteCommands(Err());
    Err() << "  verimond-admin --help\n";
    Err().flush();
    return 2;
}

int Help() {
    Out() << "verimond-admin: Verimond 影楼客户选片系统的管理工具\n\n";
    WriteCommands(Out());
    Out() << "  verimond-admin --help\n\n"
          << "数据库是当前文件夹中的 function.dll; init 和 demo 可以指定文件夹。\n"
          << "文件夹中的 verimond.ini 有 [database] engine=postgresql 时,数据库在它指定的\n"
          << "PostgreSQL 服务器上,所有命令都用那个数据库(见 README 和帮助)。\n"
          << "init 建立新的空数据库(含默认相册),已有的数据库文件不会被覆盖,服务器上的\n"
          << "数据库必须是空的; copy-to-server 把 function.dll 整个复制到空的服务器数据库;\n"
          << "import 从样片文件夹增加一位客户;demo 建立带演示客户的数据库。\n"
          << "init 和 demo 在任何位置执行都建立可以直接启动程序的完整文件夹(复制程序的图片和\n"
          << "页面,最后建立数据库);失败时不留下新建的文件。\n"
          << "export --folder 不写入已有导出文件的文件夹,除非加 --overwrite(从1编号,替换同名\n"
          << "文件)或 --add(保留已有文件,编号接在最大编号之后,说明文件追加);文件夹不能为空,\n"
          << "也不能在客户的样片文件夹里面;同一文件夹同时只能有一个导出。\n\n"
          << "退出码: 0 完成; 1 操作失败(原因见标准错误输出); 2 用法错误。\n";
    Out().flush();
    return 0;
}

data::DatabaseTarget DatabaseIn(const QString& folder) {
    const data::DatabaseTarget target = data::DatabaseOfFolder(
        QDir(folder.isEmpty() ? QDir::currentPath() : folder).absolutePath());
    if (!target.warning.isEmpty()) Err() << "verimond-admin: " << target.warning << Qt::endl;
    return target;
}

bool OpenOrReport(const data::DatabaseTarget& database) {
    const data::OpenResult opened = data::OpenDatabase(database);
    if (opened == data::OpenResult::Opened) {
        const QString warning = data::ConnectedFileWarning();
        if (!warning.isEmpty()) Err() << "verimond-admin: 警告: " << warning << Qt::endl;
        return true;
    }
    Fail(data::OpenFailureReason(opened, database));
    return false;
}

bool TakeOption(QStringList& args, const QString& name, QString* value, bool* missingValue) {
    const int at = args.indexOf(name);
    if (at < 0) return false;
    if (at + 1 >= args.size()) {
        *missingValue = true;
        args.removeAt(at);
        return false;
    }
    *value = args.at(at + 1);
    args.remove(at, 2);
    return true;
}

bool TakeFlag(QStringList& args, const QString& name) { return args.removeAll(name) > 0; }

bool ParseTypes(const QString& text, QString* list) {
    bool jpg = false, jpeg = false, bmp = false;
    for (const QString& raw : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString type = raw.trimmed().toLower();
        if (type == QLatin1String(".jpg"))
            jpg = true;
        else if (type == QLatin1String(".jpeg"))
            jpeg = true;
        else if (type == QLatin1String(".bmp"))
            bmp = true;
        else
            return false;
    }
    *list = customers::AcceptedTypesList(jpg, jpeg, bmp);
    return true;
}

customers::ImportOptions OptionsFromSettings(const QString& types, bool subfolders) {
    // New thumbnails follow the widescreen setting, as when staff import in the program.
    return customers::ImportOptionsFromSettings(types, subfolders);
}

namespace {

// The top-level entries of the source tree's resources/, as the build found them.
QStringList ResourceEntries() {
    return QString::fromUtf8(VERIMOND_RESOURCE_ENTRIES).split(QLatin1Char('/'), Qt::SkipEmptyParts);
}

bool HoldsResources(const QDir& folder) {
    const QStringList entries = ResourceEntries();
    for (const QString& entry : entries)
        if (!folder.exists(entry)) return false;
    return !entries.isEmpty();
}

}  // namespace

QString ResourcesFolder(QString* error) {
    const QDir tool(QCoreApplication::applicationDirPath());
    const QStringList candidates = {
        tool.absolutePath(),
        QDir::cleanPath(tool.absoluteFilePath(QStringLiteral(VERIMOND_RESOURCES_FROM_BIN)))};
    for (const QString& candidate : candidates)
        if (HoldsResources(QDir(candidate))) return candidate;
    *error = QStringLiteral("找不到程序的图片和页面(%1),已查找: %2")
                 .arg(ResourceEntries().join(QStringLiteral(", ")),
                      candidates.join(QStringLiteral(", ")));
    return QString();
}

MadePaths::~MadePaths() {
    for (auto it = made_.crbegin(); it != made_.crend(); ++it) {
        const QFileInfo info(*it);
        if (info.isDir() && !info.isSymLink())
            QDir(*it).removeRecursively();
        else
            QFile::remove(*it);
    }
}

bool MadePaths::MakeFolder(const QString& folder, QString* error) {
    // The topmost folder that is missing is the one to take back.
    QString top;
    for (QFileInfo at(QDir(folder).absolutePath()); !at.exists() && !at.isSymLink();
         at = QFileInfo(at.absolutePath())) {
        top = at.absoluteFilePath();
        if (at.isRoot()) break;
    }
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir()) {
        *error = QStringLiteral("无法创建文件夹: %1").arg(folder);
        return false;
    }
    if (!top.isEmpty()) Add(top);
    return true;
}

bool MadePaths::CopyResources(const QString& folder, QString* error) {
    const QString from = ResourcesFolder(error);
    if (from.isEmpty()) return false;
    const QDir source(from);
    const QDir target(folder);
    const auto copy = [&](const QString& relative) {
        const QString to = target.filePath(relative);
        if (QFileInfo(source.filePath(relative)).isDir()) {
            if (QFileInfo::exists(to)) return true;
            if (!QDir().mkdir(to)) {
                *error = QStringLiteral("无法创建文件夹: %1").arg(to);
                return false;
            }
            Add(to);
            return true;
        }
        if (QFileInfo::exists(to) || QFileInfo(to).isSymLink()) return true;
        QFile in(source.filePath(relative));
        QSaveFile out(to);
        if (!in.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("无法读取文件: %1").arg(in.fileName());
            return false;
        }
        if (!out.open(QIODevice::WriteOnly) || out.write(in.readAll()) < 0 || !out.commit()) {
            *error = QStringLiteral("无法写入文件: %1").arg(to);
            return false;
        }
        Add(to);
        return true;
    };
    for (const QString& entry : ResourceEntries()) {
        if (!copy(entry)) return false;
        if (!QFileInfo(source.filePath(entry)).isDir()) continue;
        // Folders before their files: the iterator lists a folder before what it holds.
        QDirIterator it(source.filePath(entry), QDir::AllEntries | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            if (!copy(source.relativeFilePath(it.next()))) return false;
    }
    return true;
}

}  // namespace admin
