// Backup commands: a verified copy of the database on request, and putting one back.

#include <QElapsedTimer>
#include <QFileInfo>

#include "data/backup.h"
#include "tools/admin/admin_commands.h"
#include "tools/admin/admin_support.h"

namespace admin {

int RunBackup(QStringList args) {
    if (!args.isEmpty()) return Usage();
    const QString database = DatabaseIn(QString());
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
    const QString database = DatabaseIn(QString());
    const data::RestoreResult result =
        data::RestoreDatabase(database, backup, QDateTime::currentDateTime());
    if (!result.ok) return Fail(result.error);
    Out() << "已恢复数据库: " << database << Qt::endl;
    if (!result.keptAside.isEmpty()) Out() << "原数据库已保留为: " << result.keptAside << Qt::endl;
    return 0;
}

}  // namespace admin
