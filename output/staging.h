#pragma once
// The staging table every output starts from: print is emptied and filled with one
// row per pick of the current customer (picture, album, path, customer, note), and the
// outputs read it back in staging order.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "output/export_naming.h"

namespace images {
class PreviewStore;
}

namespace output {

// The customer an output is for, as the workspace holds it when the output runs.
struct OutputCustomer {
    QString customerId;  // decimal text; never empty here
    QString photoPath;   // the folder the samples were imported from
    bool widescreen = false;
    int widescreenRatio = 100;
    bool cameraOrientation = true;  // pictures turned as the camera held them
    // The station's previews, drawn from where they hold the photo; none: the photos.
    std::shared_ptr<const images::PreviewStore> previews;
};

// The relative form serves the printed list (its title shows the folder once); the
// spreadsheet and the folder export use full paths.
enum class PathForm { Relative, Full };

// Whether pictures are staged. Only the printed list with pictures shows them, and it
// always stages afresh; the other outputs leave photo empty rather than spend seconds
// drawing pictures nobody will see.
enum class StagedPictures { Draw, None };

// Called on the calling thread while pictures are made: (done, total, file at hand).
using StagingProgress = std::function<void(int done, int total, const QString& item)>;

// filename with every occurrence of photoPath + "/" removed (case-sensitive; a photoPath
// stored with a trailing "/" has it counted once); unchanged when it does not hold the
// prefix or photoPath is empty.
QString RelativeFilePath(const QString& filename, const QString& photoPath);

// Empties print and fills it with the customer's picks in the order the picks were made.
// Pictures are made before the rows are written, in one transaction that is rolled back
// on any failure. Returns the number of rows staged. Throws data::VerimondError.
int StageSelection(const OutputCustomer& customer, PathForm form, StagedPictures pictures,
                   const StagingProgress& progress = {});

// Forgets the pictures drawn so far in this run (they are reused while their files stay
// the same); for measuring the drawing itself.
void ForgetDrawnPictures();

struct StagedRow {
    qint64 id = 0;
    QByteArray photo;  // BMP; empty when not read or not stored
    QString album;     // xcmc
    QString path;      // filepath
    int customerId = 0;
    QString note;  // zzyq
};

// The rows of print in staging order; the pictures only when asked for.
std::vector<StagedRow> ReadStagedRows(bool withPictures);

// StageSelection and ReadStagedRows as one: the rows are read back inside the staging's
// transaction, so an output on another station at the same moment can neither empty print
// in between nor mix its rows in. What every output uses.
std::vector<StagedRow> StageAndReadSelection(const OutputCustomer& customer, PathForm form,
                                             StagedPictures pictures, bool withPictures,
                                             const StagingProgress& progress = {});

// The customer's name from customer, or empty text.
QString CustomerName(const QString& customerId);

// The customer's album names in the order they were made.
QStringList CustomerAlbums(const QString& customerId);

// The customer's picks (album and photo file) in the order they were made, read from the
// picks themselves; nothing is staged.
std::vector<PickedFile> ReadPickedFiles(const QString& customerId);

}  // namespace output
