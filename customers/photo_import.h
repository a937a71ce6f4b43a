#pragma once
// Importing a customer's sample folder: one photoinfo row per new photo file of an
// accepted type, with its thumbnail and a running order number per folder.

#include <QString>
#include <QStringList>
#include <functional>

namespace customers {

struct ImportOptions {
    // Accepted extensions, as the type boxes build them: ".jpg,.jpeg," and so on.
    QString acceptedTypes = QStringLiteral(".jpg,.jpeg,");
    bool includeSubfolders = false;
    // Thumbnails are narrowed like the large view while widescreen correction is on.
    bool widescreen = false;
    int widescreenRatio = 100;
};

// The accepted-types list from the three type boxes, in their fixed order.
QString AcceptedTypesList(bool jpg, bool jpeg, bool bmp);

// Called on the calling thread after each row is written: (rows written, rows to write).
using ImportProgress = std::function<void(int done, int total)>;

// Imports folder for the customer and returns the number of samples added. Runs inside
// the caller's transaction when there is one. Files the customer already has are
// skipped; an empty folder text imports nothing. Thumbnails are made on all cores,
// rows are written in listing order on adocnn. Throws on the first file that fails;
// rows written before it stay unless the caller rolls back.
int ImportFolder(const QString& customerId, const QString& folder, const ImportOptions& options,
                 const ImportProgress& progress = {});

}  // namespace customers
