// Customer commands: the staff's desk for scripts. Each runs the same operation as the
// customer window and prints what it did.

#include <QFileInfo>

#include "customers/customer_list.h"
#include "customers/customer_records.h"
#include "tools/admin/admin_commands.h"
#include "tools/admin/admin_support.h"

namespace admin {
namespace {

// Takes "--id N" (a positive whole number); false on anything else.
bool TakeId(QStringList& args, qint64* id) {
    QString text;
    bool missing = false;
    if (!TakeOption(args, QStringLiteral("--id"), &text, &missing)) return false;
    bool ok = false;
    *id = text.toLongLong(&ok);
    return ok && *id > 0;
}

int NoSuchCustomer(qint64 id) { return Fail(QStringLiteral("找不到客户: id=%1").arg(id)); }

void ReportUnreadable(const std::vector<customers::UnreadableName>& unreadable) {
    const QString text = customers::UnreadableNamesText(unreadable);
    if (!text.isEmpty()) Err() << text << Qt::endl;
}

// The types of "--types" (".jpg,.jpeg" when absent) as the type boxes would list them;
// false after reporting a bad value.
bool TakeTypes(QStringList& args, QString* list, bool* badUsage) {
    QString types = QStringLiteral(".jpg,.jpeg");
    TakeOption(args, QStringLiteral("--types"), &types, badUsage);
    if (!ParseTypes(types, list)) {
        Fail(QStringLiteral("不支持的文件类型: %1 (可用 .jpg,.jpeg,.bmp)").arg(types));
        return false;
    }
    // "--types ''" (an unset variable) would make a customer without samples.
    if (!customers::TypesProblem(*list).isEmpty()) {
        Fail(customers::TypesProblem(*list) + QStringLiteral(" (--types 可用 .jpg,.jpeg,.bmp)"));
        return false;
    }
    return true;
}

}  // namespace

int ImportNewCustomer(const data::DatabaseTarget& database, const customers::NewCustomer& customer,
                      const QString& types, bool subfolders) {
    if (!OpenOrReport(database)) return 1;
    const customers::ImportOptions options = OptionsFromSettings(types, subfolders);
    const customers::CreatedCustomer created = customers::CreateCustomer(customer, options);
    Out() << "id=" << created.id << " samples=" << created.samples << Qt::endl;
    ReportUnreadable(created.unreadable);
    data::CloseConnection();
    return 0;
}

int RunImport(QStringList args) {
    QString name, folder, list;
    bool missing = false;
    const bool hasName = TakeOption(args, QStringLiteral("--name"), &name, &missing);
    TakeOption(args, QStringLiteral("--folder"), &folder, &missing);
    if (!TakeTypes(args, &list, &missing)) return missing ? Usage() : 1;
    const bool subfolders = TakeFlag(args, QStringLiteral("--subfolders"));
    if (missing || !args.isEmpty()) return Usage();
    if (!hasName) return Fail(QStringLiteral("请用 --name 给出客户名称"));
    if (folder.isEmpty()) return Fail(QStringLiteral("请用 --folder 给出样片文件夹"));
    const QString problem = customers::NewCustomerProblem({name, folder, QString()});
    if (!problem.isEmpty()) return Fail(problem);

    const data::DatabaseTarget database = DatabaseIn(QString());
    if (!OpenOrReport(database)) return 1;
    // A script run twice must not make every customer twice.
    const bool duplicate = customers::CustomerNameExists(name);
    data::CloseConnection();
    if (duplicate) return Fail(QStringLiteral("已有名为%1的客户,没有再增加").arg(name));
    return ImportNewCustomer(database, {name, QFileInfo(folder).absoluteFilePath(), QString()},
                             list, subfolders);
}

int RunList(QStringList args) {
    QString name, status = customers::kStatusAll;
    bool missing = false;
    TakeOption(args, QStringLiteral("--name"), &name, &missing);
    TakeOption(args, QStringLiteral("--status"), &status, &missing);
    if (missing || !args.isEmpty()) return Usage();
    if (status != customers::kStatusAll && status != customers::kStatusOpen &&
        status != customers::kStatusClosed)
        return Fail(QStringLiteral("状态只能是 全部、正常 或 关闭: %1").arg(status));
    if (!OpenOrReport(DatabaseIn(QString()))) return 1;
    for (const customers::CustomerRow& row : customers::ListCustomers(name, status))
        Out() << row.id << '\t' << row.name << '\t' << row.addDate << '\t' << row.status << '\n';
    Out().flush();
    data::CloseConnection();
    return 0;
}

int RunStatus(QStringList args) {
    qint64 id = 0;
    if (!TakeId(args, &id) || !args.isEmpty()) return Usage();
    if (!OpenOrReport(DatabaseIn(QString()))) return 1;
    const QString current = customers::StatusOf(id);
    if (current.isEmpty()) return NoSuchCustomer(id);
    const QString status = customers::ToggledStatus(current);
    customers::SetCustomerStatus(id, status);
    Out() << "id=" << id << " status=" << status << Qt::endl;
    data::CloseConnection();
    return 0;
}

int RunDelete(QStringList args) {
    qint64 id = 0;
    if (!TakeId(args, &id) || !args.isEmpty()) return Usage();
    if (!OpenOrReport(DatabaseIn(QString()))) return 1;
    if (!customers::LoadCustomer(id)) return NoSuchCustomer(id);
    const customers::DeletedCustomer deleted = customers::DeleteCustomer(id);
    Out() << "id=" << id << " deleted samples=" << deleted.samples << " albums=" << deleted.albums
          << " picks=" << deleted.picks << Qt::endl;
    data::CloseConnection();
    return 0;
}

int RunShuffle(QStringList args) {
    qint64 id = 0;
    if (!TakeId(args, &id) || !args.isEmpty()) return Usage();
    if (!OpenOrReport(DatabaseIn(QString()))) return 1;
    if (!customers::LoadCustomer(id)) return NoSuchCustomer(id);
    const int shuffled = customers::ShuffleSamples(id);
    if (shuffled == 0) return Fail(QStringLiteral("客户没有样片,顺序未变: id=%1").arg(id));
    Out() << "id=" << id << " shuffled=" << shuffled << Qt::endl;
    data::CloseConnection();
    return 0;
}

int RunReimport(QStringList args) {
    qint64 id = 0;
    QString list;
    bool missing = false;
    if (!TakeId(args, &id)) return Usage();
    if (!TakeTypes(args, &list, &missing)) return missing ? Usage() : 1;
    const bool subfolders = TakeFlag(args, QStringLiteral("--subfolders"));
    if (missing || !args.isEmpty()) return Usage();
    if (!OpenOrReport(DatabaseIn(QString()))) return 1;
    const std::optional<customers::CustomerRecord> record = customers::LoadCustomer(id);
    if (!record) return NoSuchCustomer(id);
    const QString problem = customers::FolderProblem(record->photoPath);
    if (!problem.isEmpty()) return Fail(problem);
    const std::optional<customers::ImportResult> result =
        customers::ReimportCustomer(id, record->photoPath, OptionsFromSettings(list, subfolders));
    if (!result) return NoSuchCustomer(id);
    Out() << "id=" << id << " added=" << result->added << " remade=" << result->remade << Qt::endl;
    ReportUnreadable(result->unreadable);
    data::CloseConnection();
    return 0;
}

}  // namespace admin
