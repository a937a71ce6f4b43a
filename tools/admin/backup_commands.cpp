// Backup commands: a verified copy of the database on request, and putting one back.

#include <QElapsedTimer>
#include <QFileInfo>

#include "data/backup.h"
#include "tools/admin/admin_commands.h"
#include "tools/admin/admin_support.h"

namespace admin {
namespace {

// A server's database is no file of ours to copy or replace; its own tools do that, and
// they do it consistently while the stations work.
int ServerIsBackedUpByItsTools(const data::DatabaseTarget& database) {
    const data::ServerAddress& s = database.server;
    return Fail(QStringLiteral("数据库在服务器上(%1),不是 function.dll 文件。\n"
                               "请用 PostgreSQL 自带的工具备份和恢复,例如:\n"
                               "  pg_dump -Fc -h %2 -p %3 -U %4 -f verimond.dump %5\n"
                               "  pg_restore -h %2 -p %3 -U %4 -d 新的空数据库 verimond.dump")
                    .arg(data::DescribeTarget(database), s.host)
                    .arg(s.port)
                    .arg(s.user, s.name));
}

}  // namespace

int RunBackup(QStringList args) {
    if (!args.isEmpty()) return Usage();
    const data::DatabaseTarget target = DatabaseIn(QString());
    if (!target.problem.isEmpty()) return Fail(target.problem);
    if (target.engine == data::Engine::Server) return ServerIsBackedUpByItsTools(target);
    const QString database = target.file;
    QElapsedTimer timer;
    timer.start();
    const data::BackupResult result = data::BackupDatabase(database, QDateTime::currentDateTime());
    if (!result.ok) return Fail(result.error);
    Out() << "备份已保存并校验: " << result.file << " ("
          << QString::number(double(result.bytes) / (1024.0 * 1024.0), 'f', 1) << " MB, "
          << QString::number(double(timer.elapsed()) / 1000.0, 'f', 1) << " s)" << Qt::endl;
    for (const QString& removed : result.removed) Out() << "已删除旧备份: " << removed << Qt::endl;
    return 0;
}

int RunRestore(QStringList args) {
    if (args.size() != 1) return Usage();
    const QString backup = QFileInfo(args.first()).absoluteFilePath();
    const data::DatabaseTarget target = DatabaseIn(QString());
    if (!target.problem.isEmpty()) return Fail(target.problem);
    if (target.engine == data::Engine::Server) return ServerIsBackedUpByItsTools(target);
    const QString database = target.file;
    const data::RestoreResult result =
        data::RestoreDatabase(database, backup, QDateTime::currentDateTime());
    if (!result.ok) return Fail(result.error);
    Out() << "已恢复数据库: " << database << Qt::endl;
    if (!result.keptAside.isEmpty()) Out() << "原数据库已保留为: " << result.keptAside << Qt::endl;
    return 0;
}

}  // namespace admin
