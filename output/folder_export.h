#pragma once
// The folder export: every pick of the customer copied into one folder under a new name,
// with "样片说明.txt" (number, album, new path, note per copy) and "文件名列表.txt" (the
// picks' file names per album, for the retoucher) beside the copies.

#include <QString>
#include <QStringList>
#include <vector>

#include "output/export_naming.h"
#include "output/staging.h"

namespace output {

inline const QString kNotesFileName = QStringLiteral("样片说明.txt");
inline const QString kNamesFileName = QStringLiteral("文件名列表.txt");
// Held by the export writing into a folder; removed when it ends.
inline const QString kExportLockName = QStringLiteral(".verimond-export.lock");

// What an export does in a folder that holds an earlier export.
enum class EarlierExport {
    Ask,     // each copy whose name is taken is asked about (ExportQuestions::Overwrite)
    Refuse,  // nothing is written; the result names what is there
    Add,     // numbers go on after the highest in the folder, the text files are extended
};

struct ExportOptions {
    NamingOptions naming;
    bool writeNotes = true;  // "同时输出文本说明文件"
    EarlierExport earlier = EarlierExport::Ask;
};

// What the export asks of whoever runs it (the window asks the staff, the admin tool
// answers on their behalf) and where it reports progress.
class ExportQuestions {
  public:
    virtual ~ExportQuestions() = default;
    // The source of a pick does not exist. True goes on with the next pick, false stops
    // the export at once.
    virtual bool GoOnPastMissing(const QString& source) = 0;
    // A file exists at the new path. True replaces it, false keeps it and skips the pick.
    virtual bool Overwrite(const QString& newPath) = 0;
    virtual void Progress(int done, int total, const QString& item) {
        Q_UNUSED(done);
        Q_UNUSED(total);
        Q_UNUSED(item);
    }
};

struct CopyFailure {
    QString source;
    QString target;
    QString reason;
};

struct ExportResult {
    QString refused;       // why nothing was exported (for the staff); empty when it ran
    QStringList earlier;   // with EarlierExport::Refuse: what of an earlier export is there
    int leftovers = 0;     // half-written files of an interrupted export, removed first
    bool stopped = false;  // No to a missing source: the notes were not written
    QStringList copied;    // new paths, in number order
    QStringList missing;   // sources that did not exist and were passed over
    QStringList kept;      // existing targets left as they were
    std::vector<CopyFailure> failures;
    QStringList written;  // notes and name list, when written
    QString notesError;   // why the notes could not be written
    QString flushError;   // why the files may not all be on the device yet
    bool ok() const {
        return refused.isEmpty() && failures.empty() && notesError.isEmpty() &&
               flushError.isEmpty();
    }
};

// Keeps a second export out of a folder while one writes into it: a lock on a file in the
// folder, taken without waiting, that ends with its holder however it ends. The file is
// removed when the export is done; one a killed export left is taken over by the next.
class ExportFolderLock {
  public:
    explicit ExportFolderLock(const QString& folder);
    ~ExportFolderLock();
    ExportFolderLock(const ExportFolderLock&) = delete;
    ExportFolderLock& operator=(const ExportFolderLock&) = delete;

    bool isHeld() const { return fd_ >= 0; }
    // Why it is not held, as the staff read it.
    const QString& problem() const { return problem_; }

  private:
    QByteArray path_;
    int fd_ = -1;
    QString problem_;
};

// The default export folder: beside the customer's photo folder, named after the customer
// (made safe as a folder name), with "-选片" added when the photo folder itself has that
// name. Never inside the photo folder, where a re-import would take the copies in.
QString DefaultExportFolder(const OutputCustomer& customer);

// Why folder cannot take the customer's export: none given, or it lies inside the
// customer's photo folder. Empty when it can.
QString ExportFolderProblem(const OutputCustomer& customer, const QString& folder);

// The names in folder that an earlier export wrote or could have written: the two text
// files and names that start with a copy's number.
QStringList EarlierExportIn(const QString& folder);

// A file failure (an errno value) as the staff read it.
QString FileErrorReason(int error);

// Copies source (a regular file; a pipe or device is refused without waiting on it) to
// target through a temporary file beside target, flushed to the device before it takes
// target's name, so target appears only when complete; a file already at target is
// replaced. False with a reason on failure, leaving no temporary file behind.
bool CopyFileAtomically(const QString& source, const QString& target, QString* reason);

// Writes bytes to path through a temporary file beside it, flushed to the device first.
// False with a reason on failure.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* reason);

// Stages the selection (full paths) and copies it into folder, holding the folder's lock
// all along; what an interrupted export left half-written there is removed first. A copy
// that fails is not counted: it uses no number and gets no notes line. The copies, the text
// files and the folder are on the device when it returns. Nothing is done (result.refused
// says why) when ExportFolderProblem objects, another export holds the folder, or an
// earlier export is there and options.earlier is Refuse. Throws data::VerimondError when
// the staging fails.
ExportResult ExportToFolder(const OutputCustomer& customer, const QString& folder,
                            const ExportOptions& options, ExportQuestions& questions);

// The closing message: why nothing was exported, "导出成功" when everything asked for was
// written, otherwise how many files were copied and what failed.
QString ClosingMessage(const ExportResult& result);

}  // namespace output
