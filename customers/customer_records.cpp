#include "customers/customer_records.h"

#include <QFileInfo>

#include "data/connection.h"
#include "data/folder_paths.h"
#include "data/records.h"
#include "data/sql_dialect.h"

namespace customers {
namespace {

QString IdText(qint64 id) { return QString::number(id); }

int CountOf(const QString& table, qint64 id) {
    const data::Rows rows = data::QueryRows(QStringLiteral("select count(*) from ") + table +
                                            QStringLiteral(" where customerid=") + IdText(id));
    return rows.empty() ? 0 : rows.front().value(0).toInt();
}

bool CustomerExists(qint64 id) {
    return !data::QueryRows(QStringLiteral("select customerid from customer where customerid=") +
                            IdText(id))
                .empty();
}

}  // namespace

QString NameProblem(const QString& name) {
    if (name.trimmed().isEmpty()) return QStringLiteral("请输入客户名称");
    if (name.size() > kMaxNameLength)
        return QStringLiteral("客户名称太长,最多%1个字").arg(kMaxNameLength);
    for (const QChar c : name)
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("客户名称不能包含换行符或制表符");
    return QString();
}

QString FolderProblem(const QString& folder) {
    if (folder.trimmed().isEmpty()) return QStringLiteral("请选择样片文件夹");
    const QFileInfo info(folder);
    if (!info.isDir()) return QStringLiteral("样片文件夹不存在: %1").arg(folder);
    if (!info.isReadable() || !info.isExecutable())
        return QStringLiteral("无法读取样片文件夹: %1").arg(folder);
    return QString();
}

QString NewCustomerProblem(const NewCustomer& customer) {
    const QString name = NameProblem(customer.name);
    return name.isEmpty() ? FolderProblem(customer.photoPath) : name;
}

QString TypesProblem(const QString& acceptedTypes) {
    // A customer made without a type to import would have no samples at all.
    if (acceptedTypes.split(QLatin1Char(','), Qt::SkipEmptyParts).isEmpty())
        return QStringLiteral("请至少选择一种文件类型");
    return QString();
}

bool CustomerNameExists(const QString& name) {
    return data::ValueExists(QStringLiteral("customer"), QStringLiteral("customername"), name,
                             QString());
}

CreatedCustomer CreateCustomer(const NewCustomer& customer, const ImportOptions& options,
                               const ImportProgress& progress) {
    // Decoding takes seconds to minutes; it happens before the write transaction begins.
    return WriteNewCustomer(
        customer,
        PrepareImport(QString(), data::NormalisedFolder(customer.photoPath), options, progress));
}

CreatedCustomer WriteNewCustomer(const NewCustomer& customer, PreparedImport prepared) {
    data::Transaction transaction;
    CreatedCustomer created;
    created.id =
        data::AppendRow(QStringLiteral("customer"),
                        {{QStringLiteral("customername"), customer.name},
                         {QStringLiteral("photopath"), data::NormalisedFolder(customer.photoPath)},
                         {QStringLiteral("staus"), kStatusOpen},
                         {QStringLiteral("note"), customer.note}});
    created.samples = WriteSamples(created.id, prepared.samples, false);
    data::Execute(QStringLiteral("insert into customerxc(customerid,xcmc)  select ") +
                  IdText(created.id) + QStringLiteral(", xcmc from xclib order by id"));
    transaction.commit();
    created.unreadable = std::move(prepared.unreadable);
    return created;
}

std::optional<CustomerRecord> LoadCustomer(qint64 id) {
    const data::Rows rows =
        data::QueryRows(QStringLiteral("select * from customer where customerid=") + IdText(id));
    if (rows.empty()) return std::nullopt;
    const QSqlRecord& row = rows.front();
    return CustomerRecord{data::TextOf(row, QStringLiteral("customername")),
                          data::TextOf(row, QStringLiteral("photopath")),
                          data::TextOf(row, QStringLiteral("note"))};
}

bool SaveCustomer(qint64 id, const CustomerRecord& record) {
    data::Transaction transaction;
    // The write comes first, so the transaction holds the write lock from its first
    // statement; a missing customer is found by the update touching nothing.
    data::Execute(QStringLiteral("update customer set customername='") +
                  data::SqlQuote(record.name) + QStringLiteral("', photopath='") +
                  data::SqlQuote(data::NormalisedFolder(record.photoPath)) +
                  QStringLiteral("', staus='") + data::SqlQuote(kStatusOpen) +
                  QStringLiteral("', note='") + data::SqlQuote(record.note) +
                  QStringLiteral("' where customerID=") + IdText(id));
    if (!CustomerExists(id)) return false;  // rolled back by the guard
    transaction.commit();
    return true;
}

QString ToggledStatus(const QString& status) {
    return status == kStatusOpen ? kStatusClosed : kStatusOpen;
}

QString StatusOf(qint64 id) {
    return data::LookupValue(QStringLiteral("customer"), QStringLiteral("staus"),
                             QStringLiteral("customerid=") + IdText(id));
}

void SetCustomerStatus(qint64 id, const QString& status) {
    data::Execute(QStringLiteral("update  customer set staus='") + data::SqlQuote(status) +
                  QStringLiteral("' where customerid=") + IdText(id));
}

DeletedCustomer DeleteCustomer(qint64 id) {
    DeletedCustomer deleted;
    deleted.samples = CountOf(QStringLiteral("photoinfo"), id);
    deleted.albums = CountOf(QStringLiteral("customerxc"), id);
    deleted.picks = CountOf(QStringLiteral("xcphoto"), id);
    data::Transaction transaction;
    for (const char* statement :
         {"delete from  customer where customerid=", "delete from  photoinfo where customerid=",
          "delete from  customerxc where customerid=", "delete from  xcphoto where customerid="})
        data::Execute(QString::fromUtf8(statement) + IdText(id));
    transaction.commit();
    return deleted;
}

std::optional<ImportResult> ReimportCustomer(qint64 id, const QString& folder,
                                             const ImportOptions& options,
                                             const ImportProgress& progress) {
    // Samples of a customer deleted meanwhile would belong to nobody.
    if (!CustomerExists(id)) return std::nullopt;
    // Staff re-import to bring a customer up to date: the thumbnails the camera's turn
    // decides are made again as well, so older ones lying on their side come upright.
    ImportOptions reimport = options;
    reimport.remakeTurnedThumbnails = true;
    return ImportFolder(IdText(id), folder, reimport, progress);
}

int ShuffleSamples(qint64 id) {
    data::Transaction transaction;
    data::Execute(QStringLiteral("update photoinfo set odrnum=") + data::RandomFractionSql() +
                  QStringLiteral(" where customerid=") + IdText(id));
    // Renumber 1..N in the order of the random values.
    data::Execute(QStringLiteral("update photoinfo set odrnum=n.place from (select id, "
                                 "row_number() over (order by odrnum, id) as place from photoinfo "
                                 "where customerid=") +
                  IdText(id) + QStringLiteral(") as n where photoinfo.id=n.id"));
    const int samples = CountOf(QStringLiteral("photoinfo"), id);
    if (samples == 0) return 0;  // rolled back by the guard
    transaction.commit();
    return samples;
}

}  // namespace customers
