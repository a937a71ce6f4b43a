#pragma once
// Creating a customer: the customer row, the import of its sample folder and its
// default albums, all in one transaction.

#include <QString>

#include "customers/photo_import.h"

namespace customers {

struct NewCustomer {
    QString name;
    QString photoPath;
    QString note;
};

struct CreatedCustomer {
    qint64 id = -1;
    int samples = 0;
};

// Nothing stays in the database when any step fails; the failure is thrown.
CreatedCustomer CreateCustomer(const NewCustomer& customer, const ImportOptions& options,
                               const ImportProgress& progress = {});

}  // namespace customers
