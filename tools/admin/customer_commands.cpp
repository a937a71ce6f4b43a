// Customer commands: creating a customer from a sample folder.

#include <QFileInfo>

#include "customers/customer_records.h"
#include "tools/admin/admin_commands.h"
#include "tools/admin/admin_support.h"

namespace admin {

int ImportNewCustomer(const QString& database, const customers::NewCustomer& customer,
                      const QString& types, bool subfolders) {
    if (!OpenOrReport(database)) return 1;
    const customers::ImportOptions options = OptionsFromSettings(types, subfolders);
    const customers::CreatedCustomer created = customers::CreateCustomer(customer, options);
    Out() << "id=" << created.id << " samples=" << created.samples << Qt::endl;
    data::CloseConnection();
    return 0;
}

int RunImport(QStringList args) {
    QString name, folder, types = QStringLiteral(".jpg,.jpeg");
    bool missing = false;
    const bool hasName = TakeOption(args, QStringLiteral("--name"), &name, &missing);
    TakeOption(args, QStringLiteral("--folder"), &folder, &missing);
    TakeOption(args, QStringLiteral("--types"), &types, &missing);
    const bool subfolders = TakeFlag(args, QStringLiteral("--subfolders"));
    if (missing || !args.isEmpty()) return Usage();
    if (!hasName || name.trimmed().isEmpty())
        return Fail(QStringLiteral("请用 --name 给出客户名称"));
    if (folder.isEmpty()) return Fail(QStringLiteral("请用 --folder 给出样片文件夹"));
    const QFileInfo info(folder);
    if (!info.isDir()) return Fail(QStringLiteral("样片文件夹不存在: %1").arg(folder));
    QString list;
    if (!ParseTypes(types, &list))
        return Fail(QStringLiteral("不支持的文件类型: %1 (可用 .jpg,.jpeg,.bmp)").arg(types));
    return ImportNewCustomer(DatabaseIn(QString()), {name, info.absoluteFilePath(), QString()},
                             list, subfolders);
}

}  // namespace admin
