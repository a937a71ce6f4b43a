// Output commands: the customer's selection as a folder of copies, a spreadsheet or the
// printed list as PDF, by the same code as the output window's buttons.

#include <QDir>
#include <QFileInfo>

#include "data/records.h"
#include "images/preview_store.h"
#include "output/folder_export.h"
#include "output/selection_list.h"
#include "output/spreadsheet.h"
#include "tools/admin/admin_commands.h"
#include "tools/admin/admin_support.h"

namespace admin {
namespace {

// A script cannot answer questions: a missing photo is passed over (the window's Yes) and
// an existing copy is kept (the window's No) unless --overwrite was given; each is reported.
class ScriptAnswers : public output::ExportQuestions {
  public:
    explicit ScriptAnswers(bool overwrite) : overwrite_(overwrite) {}
    bool GoOnPastMissing(const QString& source) override {
        Err() << "跳过(文件不存在): " << source << Qt::endl;
        return true;
    }
    bool Overwrite(const QString& newPath) override {
        Err() << (overwrite_ ? "替换已有文件: " : "保留已有文件: ") << newPath << Qt::endl;
        return overwrite_;
    }

  private:
    bool overwrite_;
};

int ExportFolder(const output::OutputCustomer& customer, const QString& folder,
                 const output::ExportOptions& options, bool overwrite) {
    // An unset variable in a script gives "--folder ''": never the current folder.
    if (folder.trimmed().isEmpty()) return Fail(QStringLiteral("请用 --folder 给出导出文件夹"));
    const QString absolute = QDir(folder).absolutePath();
    const QString problem = output::ExportFolderProblem(customer, absolute);
    if (!problem.isEmpty()) return Fail(problem);
    if (!QDir().mkpath(absolute)) return Fail(QStringLiteral("无法创建文件夹: %1").arg(absolute));
    ScriptAnswers answers(overwrite);
    const output::ExportResult result =
        output::ExportToFolder(customer, absolute, options, answers);
    if (result.leftovers > 0)
        Err() << "已删除上次中断的导出留下的" << result.leftovers << "个临时文件" << Qt::endl;
    if (!result.refused.isEmpty()) {
        if (result.earlier.isEmpty()) return Fail(result.refused);
        return Fail(result.refused +
                    QStringLiteral("\n要替换同名的文件请加 --overwrite;要保留已有文件,"
                                   "把这次的照片编号接在后面,请加 --add;或者换一个空文件夹。"));
    }
    for (const QString& copied : result.copied) Out() << copied << '\n';
    for (const QString& written : result.written) Out() << written << '\n';
    Out() << "copied=" << result.copied.size() << " missing=" << result.missing.size()
          << " kept=" << result.kept.size() << " failed=" << result.failures.size() << Qt::endl;
    for (const output::CopyFailure& failure : result.failures)
        Err() << "复制失败: " << failure.source << " -> " << failure.target << " ("
              << failure.reason << ')' << Qt::endl;
    if (!result.notesError.isEmpty()) Err() << result.notesError << Qt::endl;
    if (!result.flushError.isEmpty()) Err() << result.flushError << Qt::endl;
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
    const bool overwrite = TakeFlag(args, QStringLiteral("--overwrite"));
    const bool add = TakeFlag(args, QStringLiteral("--add"));
    // Without either, a folder that holds an earlier export is refused.
    options.earlier = add         ? output::EarlierExport::Add
                      : overwrite ? output::EarlierExport::Ask
                                  : output::EarlierExport::Refuse;
    const bool folderFlags = !options.naming.albumName || !options.naming.sourceName ||
                             !options.writeNotes || overwrite || add;
    if (missing || !args.isEmpty() || int(toFolder) + int(toXlsx) + int(toPdf) != 1 ||
        (folderFlags && !toFolder) || (!withPictures && !toPdf) || (overwrite && add))
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
    // The printed list's pictures come from the station's previews where it holds them; the
    // store is only read here.
    const QString previews = QDir::current().filePath(QLatin1String(images::kPreviewFolderName));
    customer.previews =
        std::make_shared<images::PreviewStore>(previews, images::RecordedPreviewScreen(previews));

    if (toFolder) return ExportFolder(customer, folder, options, overwrite);

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
