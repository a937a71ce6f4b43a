// Output commands: the customer's selection as a folder of copies, a spreadsheet or the
// printed list as PDF, by the same code as the output window's buttons.

#include <QDir>
#include <QFileInfo>

#include "data/records.h"
#include "output/folder_export.h"
#include "output/selection_list.h"
#include "output/spreadsheet.h"
#include "tools/admin/admin_commands.h"
#include "tools/admin/admin_support.h"

namespace admin {
namespace {

// A script cannot answer questions: a missing photo is passed over (the window's Yes) and
// an existing copy is kept (the window's No), and each is reported.
class ScriptAnswers : public output::ExportQuestions {
  public:
    bool GoOnPastMissing(const QString& source) override {
        Err() << "跳过(文件不存在): " << source << Qt::endl;
        return true;
    }
    bool Overwrite(const QString& newPath) override {
        Err() << "保留已有文件: " << newPath << Qt::endl;
        return false;
    }
};

int ExportFolder(const output::OutputCustomer& customer, const QString& folder,
                 const output::ExportOptions& options) {
    const QString absolute = QDir(folder).absolutePath();
    if (!QDir().mkpath(absolute)) return Fail(QStringLiteral("无法创建文件夹: %1").arg(absolute));
    ScriptAnswers answers;
    const output::ExportResult result =
        output::ExportToFolder(customer, absolute, options, answers);
    for (const QString& copied : result.copied) Out() << copied << '\n';
    for (const QString& written : result.written) Out() << written << '\n';
    Out() << "copied=" << result.copied.size() << " missing=" << result.missing.size()
          << " kept=" << result.kept.size() << " failed=" << result.failures.size() << Qt::endl;
    for (const output::CopyFailure& failure : result.failures)
        Err() << "复制失败: " << failure.source << " -> " << failure.target << " ("
              << failure.reason << ')' << Qt::endl;
    if (!result.notesError.isEmpty()) Err() << result.notesError << Qt::endl;
    return result.ok() ? 0 : 1;
}

}  // namespace

int RunExport(QStringList args) {
    QString id, folder, xlsx, pdf;
    bool missing = false;
    TakeOption(args, QStringLiteral("--id"), &id, &missing);
    const bool toFolder = TakeOption(args, QStringLiteral("--folder"), &folder, &missing);
    const bool toXlsx = TakeOption(args, QStringLiteral("--xlsx"), &xlsx, &missing);
    const bool toPdf = TakeOption(args, QStringLiteral("--pdf"), &pdf, &missing);
    output::ExportOptions options;
    options.naming.albumName = !TakeFlag(args, QStringLiteral("--no-album-name"));
    options.naming.sourceName = !TakeFlag(args, QStringLiteral("--no-source-name"));
    options.writeNotes = !TakeFlag(args, QStringLiteral("--no-notes"));
    const bool withPictures = !TakeFlag(args, QStringLiteral("--no-pictures"));
    const bool folderFlags =
        !options.naming.albumName || !options.naming.sourceName || !options.writeNotes;
    if (missing || !args.isEmpty() || int(toFolder) + int(toXlsx) + int(toPdf) != 1 ||
        (folderFlags && !toFolder) || (!withPictures && !toPdf))
        return Usage();
    bool isNumber = false;
    const int customerId = id.toInt(&isNumber);
    if (!isNumber || customerId <= 0) return Usage();

    if (!OpenOrReport(DatabaseIn(QString()))) return 1;
    const QString condition = QStringLiteral("customerid=") + QString::number(customerId);
    if (data::LookupValue(QStringLiteral("customer"), QStringLiteral("customerid"), condition)
            .isEmpty())
        return Fail(QStringLiteral("找不到客户: %1").arg(customerId));
    output::OutputCustomer customer;
    customer.customerId = QString::number(customerId);
    customer.photoPath =
        data::LookupValue(QStringLiteral("customer"), QStringLiteral("photopath"), condition);
    // The pictures follow the widescreen and orientation settings the workspace starts with.
    const customers::ImportOptions settings = OptionsFromSettings(QString(), false);
    customer.widescreen = settings.widescreen;
    customer.widescreenRatio = settings.widescreenRatio;
    customer.cameraOrientation = settings.cameraOrientation;

    if (toFolder) return ExportFolder(customer, folder, options);

    const QString target = QFileInfo(toXlsx ? xlsx : pdf).absoluteFilePath();
    if (QFileInfo::exists(target)) return Fail(QStringLiteral("文件已经存在: %1").arg(target));
    QString reason;
    if (toXlsx) {
        const int rows = output::ExportSpreadsheet(customer, target, &reason);
        if (rows < 0) return Fail(QStringLiteral("无法写入电子表格 %1: %2").arg(target, reason));
        Out() << target << "\nrows=" << rows << Qt::endl;
        return 0;
    }
    const output::SelectionList list = output::LoadSelectionList(customer, withPictures);
    if (!output::WriteSelectionListPdf(list, target, &reason))
        return Fail(QStringLiteral("无法写入PDF %1: %2").arg(target, reason));
    Out() << target << "\nrows=" << list.rows.size() << " pages="
          << output::PaginateList(static_cast<int>(list.rows.size()), withPictures).size()
          << Qt::endl;
    return 0;
}

}  // namespace admin
