// Server commands: which database a folder uses, and moving a studio's embedded database
// onto the database server.

#include <QDir>
#include <QFileInfo>

#include "data/connection.h"
#include "data/server_copy.h"
#include "tools/admin/admin_commands.h"
#include "tools/admin/admin_support.h"

namespace admin {

// Reads the folder's setting as the program does, without opening the database, so that
// scripts (the launcher among them) never decide by reading verimond.ini themselves.
int RunDatabase(QStringList args) {
    if (args.size() > 1) return Usage();
    const data::DatabaseTarget target = DatabaseIn(args.value(0));
    if (!target.problem.isEmpty()) return Fail(target.problem);
    if (target.engine == data::Engine::Server)
        Out() << "engine=postgresql\nserver=" << target.server.user << '@' << target.server.host
              << ':' << target.server.port << '/' << target.server.name << Qt::endl;
    else
        Out() << "engine=sqlite\nfile=" << target.file << Qt::endl;
    return 0;
}

int RunCopyToServer(QStringList args) {
    if (args.size() > 1) return Usage();
    const data::DatabaseTarget target = DatabaseIn(QString());
    if (!target.problem.isEmpty()) return Fail(target.problem);
    if (target.engine != data::Engine::Server)
        return Fail(QStringLiteral("当前文件夹的 %1 中没有设置数据库服务器 ([database] "
                                   "engine=postgresql)")
                        .arg(QLatin1String(data::kSettingFileName)));
    const QString file = QFileInfo(args.value(0, target.file)).absoluteFilePath();
    Out() << "从 " << file << " 复制到 " << data::DescribeTarget(target) << Qt::endl;

    QString shownTable;
    const data::CopyResult result = data::CopyFileToServer(
        file, target.server, [&shownTable](const QString& table, qint64 done, qint64 total) {
            // One line per table, and a line per 10,000 rows of the big ones.
            if (table != shownTable || done == total || done % 10000 == 0)
                Out() << "  " << table << ": " << done << "/" << total << Qt::endl;
            shownTable = table;
        });
    if (!result.ok)
        return Fail(QStringLiteral("复制没有完成,服务器上的数据库没有改动: %1").arg(result.error));

    // Counted again through a connection of the program's own kind, after the commit.
    if (!OpenOrReport(target)) return 1;
    bool same = true;
    for (const data::CopiedTable& table : result.tables) {
        const data::Rows rows =
            data::QueryRows(QStringLiteral("select count(*) from ") + table.table);
        const qint64 now = rows.empty() ? -1 : rows.front().value(0).toLongLong();
        Out() << table.table << ": 文件 " << table.source << " 行, 服务器 " << now << " 行"
              << Qt::endl;
        same = same && now == table.source;
    }
    data::CloseConnection();
    Out() << "缩略图: " << result.thumbnailBytes << " 字节" << Qt::endl;
    if (!same) return Fail(QStringLiteral("复制后服务器上的行数与文件不一致"));
    Out() << "复制完成。各台电脑的 verimond.ini 指向这个服务器后即可使用;"
             "原来的 function.dll 没有改动。"
          << Qt::endl;
    return 0;
}

}  // namespace admin
