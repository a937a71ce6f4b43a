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

struct ExportOptions {
    NamingOptions naming;
    bool writeNotes = true;  // "同时输出文本说明文件"
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
    bool stopped = false;  // No to a missing source: the notes were not written
    QStringList copied;    // new paths, in number order
    QStringList missing;   // sources that did not exist and were passed over
    QStringList kept;      // existing targets left as they were
    std::vector<CopyFailure> failures;
    QStringList written;  // notes and name list, when written
    QString notesError;   // why the notes could not be written
    bool ok() const { return failures.empty() && notesError.isEmpty(); }
};

// The default export folder: the customer's photo folder, then the customer's name made
// safe as a folder name.
QString DefaultExportFolder(const OutputCustomer& customer);

// A file failure (an errno value) as the staff read it.
QString FileErrorReason(int error);

// Copies source to target through a temporary file beside target, so target appears only
// when complete; a file already at target is replaced. False with a reason on failure,
// leaving no temporary file behind.
bool CopyFileAtomically(const QString& source, const QString& target, QString* reason);

// Writes bytes to path through a temporary file beside it. False with a reason on failure.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* reason);

// Stages the selection (full paths) and copies it into folder. A copy that fails is not
// counted: it uses no number and gets no notes line. Throws data::VerimondError when the
// staging fails.
ExportResult ExportToFolder(const OutputCustomer& customer, const QString& folder,
                            const ExportOptions& options, ExportQuestions& questions);

// The closing message: "导出成功" when everything asked for was written, otherwise how
// many files were copied and what failed.
QString ClosingMessage(const ExportResult& result);

}  // namespace output
