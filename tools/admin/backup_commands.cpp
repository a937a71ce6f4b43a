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
    for (const QString& removed : result.removed)
        Out() << "已删除较早被替换的数据库: " << removed << Qt::endl;
    return 0;
}

int RunCompact(QStringList args) {
    if (!args.isEmpty()) return Usage();
    const data::DatabaseTarget target = DatabaseIn(QString());
    if (!target.problem.isEmpty()) return Fail(target.problem);
    if (target.engine == data::Engine::Server)
        return Fail(QStringLiteral("数据库在服务器上(%1),由 PostgreSQL 自己回收空间(autovacuum)")
                        .arg(data::DescribeTarget(target)));
    const QString database = target.file;
    if (!QFileInfo(database).isFile())
        return Fail(data::OpenFailureReason(data::OpenResult::Missing, database));
    const auto megabytes = [](qint64 bytes) {
        return QString::number(double(bytes) / (1024.0 * 1024.0), 'f', 1);
    };
    QElapsedTimer timer;
    timer.start();
    // A file that gives free pages back does so while the stations work; an older one is
    // rewritten once, which needs it alone.
    data::SpaceResult result = data::GiveSpaceBack(database);
    if (result.ok && !result.incremental) {
        Out() << "数据库文件还不能逐步回收空间,需要整体重写一次(请先关闭所有 Verimond 程序)"
              << Qt::endl;
        result = data::CompactDatabase(database);
    }
    if (!result.ok) return Fail(result.error);
    Out() << "数据库文件: " << megabytes(result.bytesBefore) << " MB -> "
          << megabytes(result.bytesAfter) << " MB (空闲页 " << result.freePagesBefore << " -> "
          << result.freePagesAfter << ", "
          << QString::number(double(timer.elapsed()) / 1000.0, 'f', 1) << " s)" << Qt::endl;
    return 0;
}

}  // namespace admin
