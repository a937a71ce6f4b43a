#pragma once
// Importing a customer's sample folder: one photoinfo row per new photo file of an
// accepted type, with its thumbnail and a running order number per folder.
//
// An import has two steps. PrepareImport walks the folder and makes every thumbnail (on
// all cores) without touching the database's write lock; WriteSamples then writes the
// rows inside a short transaction, so another program instance on the same file is
// never held up for more than milliseconds. Thumbnails made again for samples already
// there (a re-import, or staff asking for it) go the same two steps.

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
    // Thumbnails show the photo as the camera held it (its EXIF orientation applied).
    bool cameraOrientation = true;
    // Thumbnails are drawn from the preview the camera stored in the photo when it can be
    // trusted (images/camera_thumbnail.h), saving the decode; off, every photo is decoded.
    bool cameraThumbnails = true;
    // Also makes again the thumbnails of the customer's samples whose photos the camera
    // turned (orientation tag 2..8): those are the thumbnails that differ with the setting
    // above, and those made before it existed lie on their side. Other thumbnails stay.
    bool remakeTurnedThumbnails = false;
};

// The accepted-types list from the three type boxes, in their fixed order.
QString AcceptedTypesList(bool jpg, bool jpeg, bool bmp);

// Import options for the given types and subfolder choice, with the thumbnail settings
// (widescreen correction, its ratio, the camera orientation) the program uses right now.
ImportOptions ImportOptionsFromSettings(const QString& acceptedTypes, bool includeSubfolders);

// Called on the calling thread while thumbnails are made: (thumbnails done, thumbnails to
// make, the file being read). It is also called now and then while one slow file is
// decoded, so a busy notice can keep itself painted.
using ImportProgress = std::function<void(int done, int total, const QString& item)>;

// Why a file or folder of the sample folder was left out. Each is reported to the staff.
enum class LeftOut {
    // The name is not valid UTF-8 (typically a GBK name unpacked from a Windows archive):
    // it cannot be opened by its text.
    NameNotUtf8,
    // A folder that cannot be opened or searched (no permission, a damaged disk).
    CannotOpen,
    // A link to a folder outside the chosen one (a link to "..", into /proc): following it
    // would import photos from elsewhere on the disk.
    LinkOutside,
    // A folder holding an export's notes file: its copies are picks, not new samples.
    ExportFolder,
};

// A file or folder the import left out.
struct UnreadableName {
    QString path;  // for showing: the folder and the name read as GBK where that works
    bool isFolder = false;
    LeftOut reason = LeftOut::NameNotUtf8;
    QString detail;  // why a folder cannot be opened, for CannotOpen
};

struct PreparedSample {
    QString path;
    int orderNumber = 0;
    QByteArray thumbnail;  // a complete BMP file
};

// A thumbnail made again for a sample the customer has.
struct RemadeThumbnail {
    qint64 sampleId = 0;
    QByteArray thumbnail;  // a complete BMP file
};

struct PreparedImport {
    std::vector<PreparedSample> samples;  // in listing order
    std::vector<RemadeThumbnail> remade;  // with remakeTurnedThumbnails
    std::vector<UnreadableName> unreadable;
};

struct ImportResult {
    int added = 0;
    int remade = 0;  // stored thumbnails that changed
    std::vector<UnreadableName> unreadable;
};

// Walks folder (depth-first when subfolders are included) and makes the thumbnails of the
// photos customerId does not have yet; customerId may be empty for a customer not yet
// written. Only reads the database. A folder text that is empty or names no folder
// prepares nothing. Subfolders are entered only where they lie inside folder (links are
// followed that far and no further); folders that cannot be opened, links leading out and
// earlier exports are left out and listed in `unreadable`. Throws data::VerimondError when
// a thumbnail cannot be made at all.
PreparedImport PrepareImport(const QString& customerId, const QString& folder,
                             const ImportOptions& options, const ImportProgress& progress = {});

// Writes the prepared rows for the customer inside the caller's transaction and returns
// how many were written. With skipKnown, a file the customer gained meanwhile (another
// program instance importing the same folder) is not written twice.
int WriteSamples(qint64 customerId, const std::vector<PreparedSample>& samples, bool skipKnown);

// Stores thumbnails made again inside the caller's transaction and returns how many stored
// thumbnails changed; a sample deleted meanwhile is left alone.
int WriteThumbnails(qint64 customerId, const std::vector<RemadeThumbnail>& thumbnails);

// PrepareImport, then WriteSamples and WriteThumbnails in one short transaction of its own:
// all new samples of the folder (and thumbnails made again) are written, or none.
ImportResult ImportFolder(const QString& customerId, const QString& folder,
                          const ImportOptions& options, const ImportProgress& progress = {});

// Every thumbnail of a customer made again from its photo with the given options (widescreen
// correction and camera orientation), on all cores and off the write lock, then stored in
// one short transaction.
struct ThumbnailsResult {
    int samples = 0;    // samples of the customer
    int remade = 0;     // stored thumbnails that changed
    int unchanged = 0;  // made again and the same as stored
    QStringList kept;   // photos missing or undecodable: their stored thumbnails are kept
};
ThumbnailsResult RemakeThumbnails(qint64 customerId, const ImportOptions& options,
                                  const ImportProgress& progress = {});

// The message telling the staff which files and folders were left out, how many and why;
// empty when none were.
QString UnreadableNamesText(const std::vector<UnreadableName>& unreadable);

}  // namespace customers
