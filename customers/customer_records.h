#pragma once
// The staff's operations on customer records: create (with the import of the sample folder
// and the default albums), load, save, open or close, delete, re-import and shuffle. The
// customer window, verimond-admin and the tests all call these.

#include <QString>
#include <optional>
#include <vector>

#include "customers/photo_import.h"

namespace customers {

inline const QString kStatusOpen = QStringLiteral("正常");
inline const QString kStatusClosed = QStringLiteral("关闭");

// Longest customer name accepted, in characters: the name has to fit the drop-down.
inline constexpr int kMaxNameLength = 50;

struct NewCustomer {
    QString name;
    QString photoPath;
    QString note;
};

struct CustomerRecord {
    QString name;
    QString photoPath;
    QString note;
};

struct CreatedCustomer {
    qint64 id = -1;
    int samples = 0;
    std::vector<UnreadableName> unreadable;
};

// Why a customer name cannot be stored ("请输入客户名称" and the like); empty when it can.
QString NameProblem(const QString& name);
// Why a folder cannot be imported from: not given, or not there (a missing drive, say).
QString FolderProblem(const QString& folder);
// NameProblem, then FolderProblem: the checks made before a customer is created.
QString NewCustomerProblem(const NewCustomer& customer);
// Why an import with these accepted types would find nothing: no type chosen.
QString TypesProblem(const QString& acceptedTypes);

// Whether a customer of exactly this name exists already.
bool CustomerNameExists(const QString& name);

// Makes the thumbnails first, then writes the customer row, its samples and its default
// albums (one per xclib row, in xclib order) in one short transaction. Nothing stays in
// the database when any step fails; the failure is thrown. The folder is stored
// normalised (data::NormalisedFolder). Checks nothing: callers run NewCustomerProblem and
// TypesProblem first.
CreatedCustomer CreateCustomer(const NewCustomer& customer, const ImportOptions& options,
                               const ImportProgress& progress = {});
// The writing half of CreateCustomer: the one transaction, for samples prepared already.
CreatedCustomer WriteNewCustomer(const NewCustomer& customer, PreparedImport prepared);

// The stored record of a customer; nothing when there is no such customer.
std::optional<CustomerRecord> LoadCustomer(qint64 id);

// Writes the record (its folder normalised) into the customer and opens the customer
// again. False when there is no such customer (nothing is written); throws when the
// engine refuses.
bool SaveCustomer(qint64 id, const CustomerRecord& record);

// "关闭" for an open customer, "正常" for anything else.
QString ToggledStatus(const QString& status);
// The stored status; empty when there is no such customer.
QString StatusOf(qint64 id);
void SetCustomerStatus(qint64 id, const QString& status);

struct DeletedCustomer {
    int samples = 0;
    int albums = 0;
    int picks = 0;
};
// Deletes the customer with its samples, albums and picks in one transaction; the photo
// files stay where they are. Throws when the engine refuses (nothing is deleted then).
DeletedCustomer DeleteCustomer(qint64 id);

// Imports folder again for an existing customer: only files it does not have yet become
// samples, numbered from 1 per folder, and the thumbnails of its samples whose photos the
// camera turned are made again with today's settings. Nothing when there is no such customer.
std::optional<ImportResult> ReimportCustomer(qint64 id, const QString& folder,
                                             const ImportOptions& options,
                                             const ImportProgress& progress = {});

// Puts the customer's samples into a random order numbered 1..N, in one transaction, and
// returns N; 0 (and nothing changed) when the customer has no samples.
int ShuffleSamples(qint64 id);

}  // namespace customers
