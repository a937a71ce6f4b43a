#include "tools/admin/admin_support.h"

#include <QDir>

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
          << "export --folder 不写入已有导出文件的文件夹,除非加 --overwrite(从1编号,替换同名\n"
          << "文件)或 --add(保留已有文件,编号接在最大编号之后,说明文件追加);文件夹不能为空,\n"
          << "也不能在客户的样片文件夹里面;同一文件夹同时只能有一个导出。\n\n"
          << "退出码: 0 完成; 1 操作失败(原因见标准错误输出); 2 用法错误。\n";
    Out().flush();
    return 0;
}

data::DatabaseTarget DatabaseIn(const QString& folder) {
    return data::DatabaseOfFolder(
        QDir(folder.isEmpty() ? QDir::currentPath() : folder).absolutePath());
}

bool OpenOrReport(const data::DatabaseTarget& database) {
    const data::OpenResult opened = data::OpenDatabase(database);
    if (opened == data::OpenResult::Opened) return true;
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

}  // namespace admin
