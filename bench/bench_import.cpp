// verimond-bench import FOLDER [--repeat N] [--subfolders] [--sequential] [--reimport]
//                              [--no-camera-thumbnails] [--against-decode]
// Imports FOLDER into a fresh database N times (thumbnails and rows, as the add
// button does) and prints the median; "--sequential" makes the thumbnails on one
// core, the baseline the parallel import must match in result and beat in time.
// "--reimport" times, after each import, the re-import of the same folder (nothing new
// to add): with the thumbnails of photos turned by the camera made again, as 更新目录
// does, and without (reimport_plain_ms).
// "--no-camera-thumbnails" decodes every photo, never taking the camera's preview;
// "--against-decode" times that as well, run by run after each import (decode_ms, ratio).

#include <QTemporaryDir>
#include <QTextStream>
#include <QThreadPool>

#include "bench/bench_common.h"
#include "customers/photo_import.h"
#include "data/connection.h"
#include "data/schema.h"

namespace bench {

int RunImport(const QStringList& args) {
    if (args.isEmpty()) return 2;
    const QString folder = args.first();
    const int repeat = Option(args, "--repeat", "5").toInt();
    customers::ImportOptions options;
    options.acceptedTypes = customers::AcceptedTypesList(true, true, true);
    options.includeSubfolders = Flag(args, "--subfolders");
    options.cameraThumbnails = !Flag(args, "--no-camera-thumbnails");
    if (Flag(args, "--sequential")) QThreadPool::globalInstance()->setMaxThreadCount(1);
    const bool reimport = Flag(args, "--reimport");
    const bool againstDecode = Flag(args, "--against-decode");

    int samples = 0, remade = 0;
    std::vector<double> reimports, plainReimports, decodes;
    const auto freshDatabase = [](const QTemporaryDir& dir) {
        QString error;
        const QString db = dir.filePath(data::kDatabaseFileName);
        if (!data::CreateDatabase(db, &error) ||
            data::OpenConnection(db) != data::OpenResult::Opened)
            qFatal("cannot create a database: %s", qPrintable(error));
    };
    std::vector<double> imports;
    for (int run = 0; run < repeat; ++run) {
        imports.push_back(TimeMs([&] {
            QTemporaryDir dir;
            freshDatabase(dir);
            samples = customers::ImportFolder("1", folder, options).added;
            if (reimport) {
                customers::ImportOptions again = options;
                plainReimports.push_back(
                    TimeMs([&] { customers::ImportFolder("1", folder, again); }));
                again.remakeTurnedThumbnails = true;
                reimports.push_back(
                    TimeMs([&] { remade = customers::ImportFolder("1", folder, again).remade; }));
            }
            data::CloseConnection();
        }));
        // Timed as the import is, a fresh database included.
        if (againstDecode)
            decodes.push_back(TimeMs([&] {
                QTemporaryDir dir;
                freshDatabase(dir);
                customers::ImportOptions decoding = options;
                decoding.cameraThumbnails = false;
                customers::ImportFolder("1", folder, decoding);
                data::CloseConnection();
            }));
    }
    const double median = Median(imports);
    QTextStream out(stdout);
    out << "samples=" << samples << " median_ms=" << QString::number(median, 'f', 1);
    if (againstDecode)
        out << " decode_ms=" << Ms(Median(decodes))
            << " ratio=" << QString::number(Median(decodes) / median, 'f', 2);
    if (reimport)
        out << " reimport_ms=" << Ms(Median(reimports))
            << " reimport_plain_ms=" << Ms(Median(plainReimports)) << " remade=" << remade;
    out << "\n";
    return samples > 0 ? 0 : 1;
}

}  // namespace bench
