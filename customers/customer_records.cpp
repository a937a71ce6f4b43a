#include "customers/customer_records.h"

#include "data/connection.h"

namespace customers {

CreatedCustomer CreateCustomer(const NewCustomer& customer, const ImportOptions& options,
                               const ImportProgress& progress) {
    data::Transaction transaction;
    CreatedCustomer created;
    created.id = data::AppendRow(QStringLiteral("customer"),
                                 {{QStringLiteral("customername"), customer.name},
                                  {QStringLiteral("photopath"), customer.photoPath},
                                  {QStringLiteral("staus"), QStringLiteral("正常")},
                                  {QStringLiteral("note"), customer.note}});
    const QString id = QString::number(created.id);
    created.samples = ImportFolder(id, customer.photoPath, options, progress);
    data::Execute(QStringLiteral("insert into customerxc(customerid,xcmc)  select ") + id +
                  QStringLiteral(", xcmc from xclib order by id"));
    transaction.commit();
    return created;
}

}  // namespace customers
