#pragma once
// Importing a customer's sample folder: one photoinfo row per new photo file of an
// accepted type, with its thumbnail and a running order number per folder.
//
// An import has two steps. PrepareImport walks the folder and makes every thumbnail (on
// all cores) without touching the database's write lock; WriteSamples then writes the
// rows inside a short transaction, so another program instance on the same file is
// never held up for more than milliseconds.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

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

// Import options for the given types and subfolder choice, with the thumbnail settings
// (widescreen correction and its ratio) the program itself uses at this moment.
ImportOptions ImportOptionsFromSettings(const QString& acceptedTypes, bool includeSubfolders);

// Called on the calling thread while thumbnails are made: (thumbnails done, thumbnails to
// make, the file being read). It is also called now and then while one slow file is
// decoded, so a busy notice can keep itself painted.
using ImportProgress = std::function<void(int done, int total, const QString& item)>;

// A file or folder whose name is not valid UTF-8 (typically a GBK name unpacked from a
// Windows archive). Such a name cannot be opened by its text, so it is left out and
// reported.
struct UnreadableName {
    QString path;  // for showing: the folder and the name read as GBK where that works
    bool isFolder = false;
};

struct PreparedSample {
    QString path;
    int orderNumber = 0;
    QByteArray thumbnail;  // a complete BMP file
};

struct PreparedImport {
    std::vector<PreparedSample> samples;  // in listing order
    std::vector<UnreadableName> unreadable;
};

struct ImportResult {
    int added = 0;
    std::vector<UnreadableName> unreadable;
};

// Walks folder (depth-first when subfolders are included) and makes the thumbnails of the
// photos customerId does not have yet; customerId may be empty for a customer not yet
// written. Only reads the database. A folder text that is empty or names no folder
// prepares nothing. Throws data::VerimondError when a thumbnail cannot be made at all.
PreparedImport PrepareImport(const QString& customerId, const QString& folder,
                             const ImportOptions& options, const ImportProgress& progress = {});

// Writes the prepared rows for the customer inside the caller's transaction and returns
// how many were written. With skipKnown, a file the customer gained meanwhile (another
// program instance importing the same folder) is not written twice.
int WriteSamples(qint64 customerId, const std::vector<PreparedSample>& samples, bool skipKnown);

// PrepareImport and WriteSamples in one short transaction of its own: all new samples of
// the folder are written, or none.
ImportResult ImportFolder(const QString& customerId, const QString& folder,
                          const ImportOptions& options, const ImportProgress& progress = {});

// The message telling the staff which files were left out and why; empty when none were.
QString UnreadableNamesText(const std::vector<UnreadableName>& unreadable);

}  // namespace customers
