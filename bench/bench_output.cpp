// verimond-bench output commands: staging, the folder export, the spreadsheet and the
// PDF of the printed list, each against a baseline run in the same process.
//
//   output-photos FOLDER [--count 500] [--distinct 10]   24-megapixel JPEGs to work on
//   stage FOLDER [--repeat 3]     import of FOLDER vs staging all its photos as picks,
//                                 with pictures (the printed list) and without
//   export FOLDER [--repeat 3]    cp of the photos vs the folder export, same disk
//   xlsx FOLDER [--repeat 5]      the .xlsx of every photo picked twice
//   pdf FOLDER [--repeat 3] [--previews]
//                                 the list with pictures as PDF; with the photos' previews
//                                 built first, the staging drawn from them is timed as well

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include "bench/bench_common.h"
#include "bench/bench_runtime.h"
#include "customers/customer_records.h"
#include "customers/photo_import.h"
#include "customers/preview_building.h"
#include "data/connection.h"
#include "data/records.h"
#include "data/schema.h"
#include "images/demo_photo.h"
#include "images/preview_store.h"
#include "output/folder_export.h"
#include "output/selection_list.h"
#include "output/spreadsheet.h"
#include "output/staging.h"

namespace bench {
namespace {

QTextStream& Out() {
    static QTextStream out(stdout);
    return out;
}

QStringList PhotosIn(const QString& folder) {
    QStringList paths;
    const QDir dir(folder);
    for (const QString& name : dir.entryList({"*.jpg"}, QDir::Files, QDir::Name))
        paths << dir.filePath(name);
    return paths;
}

// A fresh database in the current folder with FOLDER imported as one customer, each photo
// picked into the albums given, photo by photo. Returns the customer.
output::OutputCustomer CustomerWithPicks(const QString& database, const QString& folder,
                                         const QStringList& albums) {
    QFile::remove(database);
    QString error;
    if (!data::CreateDatabase(database, &error) ||
        data::OpenConnection(database) != data::OpenResult::Opened)
        qFatal("cannot create a database: %s", qPrintable(error));
    const customers::CreatedCustomer created = customers::CreateCustomer(
        {QStringLiteral("基准客户"), QDir(folder).absolutePath(), QString()},
        customers::ImportOptions());
    const QString id = QString::number(created.id);
    for (const QString& album : albums)
        data::Execute("insert into xcphoto(customerid, photoid, xcmc) select customerid, id, '" +
                      data::SqlQuote(album) + "' from photoinfo where customerid=" + id +
                      " order by odrnum, id");
    output::OutputCustomer customer;
    customer.customerId = id;
    customer.photoPath = QDir(folder).absolutePath();
    return customer;
}

void Sync() { QProcess::execute(QStringLiteral("sync"), {}); }

bool EnsurePhotos(const QString& folder) {
    if (!PhotosIn(folder).isEmpty()) return true;
    QTextStream(stderr) << "no photos in " << folder << "; make them with output-photos\n";
    return false;
}

// The arguments every output command takes: FOLDER [--repeat N]. Returns the exit code to
// give up with (2 bad usage, 1 no photos), or 0 to go on.
int FolderAndRepeat(const QStringList& args, int defaultRepeat, QString* folder, int* repeat) {
    const QStringList positional = PositionalArgs(args, {"--repeat"});
    if (positional.size() != 1 || !PositiveOption(args, "--repeat", defaultRepeat, repeat))
        return 2;
    *folder = QDir(positional[0]).absolutePath();
    return EnsurePhotos(*folder) ? 0 : 1;
}

class Answers : public output::ExportQuestions {
  public:
    bool GoOnPastMissing(const QString&) override { return true; }
    bool Overwrite(const QString&) override { return true; }
};

}  // namespace

int RunOutputPhotos(const QStringList& args) {
    const QStringList positional = PositionalArgs(args, {"--count", "--distinct"});
    int count = 0, distinct = 0;
    if (positional.size() != 1 || !PositiveOption(args, "--count", 500, &count) ||
        !PositiveOption(args, "--distinct", 10, &distinct))
        return 2;
    const QDir dir(positional[0]);
    if (!WriteBenchPhotos(dir.path(), count, distinct)) return 1;
    qint64 bytes = 0;
    for (const QString& path : PhotosIn(dir.path())) bytes += QFileInfo(path).size();
    Out() << "photos=" << PhotosIn(dir.path()).size() << " size_mb=" << bytes / 1e6 << Qt::endl;
    return 0;
}

int RunStage(const QStringList& args) {
    QString folder;
    int repeat = 0;
    if (const int refused = FolderAndRepeat(args, 3, &folder, &repeat)) return refused;
    RuntimeFolder runtime;
    std::vector<double> imports, draws, plain;
    int picks = 0;
    for (int r = 0; r < repeat; ++r) {
        // Baseline: the import of the same photos into a new customer, thumbnails included.
        imports.push_back(
            TimeMs([&] { CustomerWithPicks(runtime.file("import.dll"), folder, {}); }));
        data::CloseConnection();
        const output::OutputCustomer customer =
            CustomerWithPicks(runtime.file("stage.dll"), folder, {QStringLiteral("精修相册")});
        output::ForgetDrawnPictures();
        draws.push_back(TimeMs([&] {
            picks = output::StageSelection(customer, output::PathForm::Relative,
                                           output::StagedPictures::Draw);
        }));
        plain.push_back(TimeMs([&] {
            output::StageSelection(customer, output::PathForm::Full, output::StagedPictures::None);
        }));
        data::CloseConnection();
    }
    Out() << "picks=" << picks << " median_ms=" << Ms(Median(draws))
          << " import_ms=" << Ms(Median(imports))
          << " ratio=" << QString::number(Median(draws) / Median(imports), 'f', 2)
          << " without_pictures_ms=" << Ms(Median(plain)) << Qt::endl;
    return 0;
}

int RunExport(const QStringList& args) {
    QString folder;
    int repeat = 0;
    if (const int refused = FolderAndRepeat(args, 3, &folder, &repeat)) return refused;
    const QStringList photos = PhotosIn(folder);
    qint64 bytes = 0;
    for (const QString& path : photos) bytes += QFileInfo(path).size();

    RuntimeFolder runtime;
    const output::OutputCustomer customer =
        CustomerWithPicks(runtime.file("export.dll"), folder, {QStringLiteral("精修相册")});
    // Both targets beside the photos, on the same disk.
    const QString target = folder + QStringLiteral("-bench-out");
    std::vector<double> copies, exports;
    for (int r = 0; r < repeat; ++r) {
        QDir(target).removeRecursively();
        QDir().mkpath(target);
        Sync();
        // The export puts its files on the device before it reports success, so the baseline
        // is cp followed by a flush of the target's file system.
        copies.push_back(TimeMs([&] {
            if (QProcess::execute(QStringLiteral("cp"), QStringList(photos) << target) != 0 ||
                QProcess::execute(QStringLiteral("sync"), {QStringLiteral("-f"), target}) != 0)
                qFatal("cp failed");
        }));
        QDir(target).removeRecursively();
        QDir().mkpath(target);
        Sync();
        output::ExportResult result;
        exports.push_back(TimeMs([&] {
            Answers answers;
            result = output::ExportToFolder(customer, target, output::ExportOptions(), answers);
        }));
        if (!result.ok() || result.copied.size() != photos.size()) qFatal("export failed");
    }
    QDir(target).removeRecursively();
    const double mb = bytes / 1e6;
    const double exportRate = mb / (Median(exports) / 1000);
    const double cpRate = mb / (Median(copies) / 1000);
    Out() << "files=" << photos.size() << " size_mb=" << QString::number(mb, 'f', 0)
          << " median_ms=" << Ms(Median(exports)) << " cp_ms=" << Ms(Median(copies))
          << " export_mb_s=" << QString::number(exportRate, 'f', 0)
          << " cp_mb_s=" << QString::number(cpRate, 'f', 0)
          << " share_of_cp=" << QString::number(exportRate / cpRate, 'f', 2) << Qt::endl;
    return 0;
}

int RunXlsx(const QStringList& args) {
    QString folder;
    int repeat = 0;
    if (const int refused = FolderAndRepeat(args, 5, &folder, &repeat)) return refused;
    RuntimeFolder runtime;
    const output::OutputCustomer customer = CustomerWithPicks(
        runtime.file("xlsx.dll"), folder, {QStringLiteral("精修相册"), QStringLiteral("放大摆台")});
    std::vector<double> whole, writes;
    int rows = 0;
    for (int r = 0; r < repeat; ++r) {
        QString reason;
        const QString path = runtime.file(QStringLiteral("选片单%1.xlsx").arg(r));
        whole.push_back(TimeMs([&] { rows = output::ExportSpreadsheet(customer, path, &reason); }));
        if (rows < 0) qFatal("cannot write the workbook: %s", qPrintable(reason));
        const std::vector<output::StagedRow> staged = output::ReadStagedRows(false);
        writes.push_back(TimeMs(
            [&] { output::WriteSelectionWorkbook(staged, runtime.file("again.xlsx"), &reason); }));
    }
    Out() << "picks=" << rows << " median_ms=" << Ms(Median(whole))
          << " write_only_ms=" << Ms(Median(writes)) << Qt::endl;
    return 0;
}

int RunPdf(const QStringList& args) {
    QString folder;
    int repeat = 0;
    if (const int refused = FolderAndRepeat(args, 3, &folder, &repeat)) return refused;
    RuntimeFolder runtime;
    const output::OutputCustomer customer =
        CustomerWithPicks(runtime.file("pdf.dll"), folder, {QStringLiteral("精修相册")});
    // The same customer drawn from a store of previews for a 1080p screen, built beforehand.
    output::OutputCustomer fromPreviews = customer;
    double buildMs = 0;
    if (Flag(args, "--previews")) {
        auto store = std::make_shared<images::PreviewStore>(runtime.file("previews"),
                                                            images::kDefaultPreviewScreen);
        buildMs = TimeMs([&] {
            customers::BuildPreviews(*store, PhotosIn(folder), images::Orientation::AsTaken);
        });
        fromPreviews.previews = store;
    }
    std::vector<double> loads, warm, writes, previewLoads;
    output::SelectionList list;
    for (int r = 0; r < repeat; ++r) {
        // Cold: every photo drawn; warm: the same list again, as the print after a preview.
        output::ForgetDrawnPictures();
        loads.push_back(TimeMs([&] { list = output::LoadSelectionList(customer, true); }));
        warm.push_back(TimeMs([&] { list = output::LoadSelectionList(customer, true); }));
        if (fromPreviews.previews) {
            output::ForgetDrawnPictures();
            previewLoads.push_back(
                TimeMs([&] { list = output::LoadSelectionList(fromPreviews, true); }));
        }
        QString reason;
        writes.push_back(TimeMs([&] {
            if (!output::WriteSelectionListPdf(list, runtime.file("list.pdf"), &reason))
                qFatal("cannot write the PDF: %s", qPrintable(reason));
        }));
    }
    Out() << "picks=" << list.rows.size()
          << " pages=" << output::PaginateList(int(list.rows.size()), true).size()
          << " median_ms=" << Ms(Median(writes)) << " staging_ms=" << Ms(Median(loads))
          << " staging_again_ms=" << Ms(Median(warm)) << " size_mb="
          << QString::number(QFileInfo(runtime.file("list.pdf")).size() / 1e6, 'f', 1);
    if (!previewLoads.empty())
        Out() << " staging_from_previews_ms=" << Ms(Median(previewLoads))
              << " previews_built_ms=" << Ms(buildMs);
    Out() << Qt::endl;
    return 0;
}

}  // namespace bench
