// verimond-bench import FOLDER [--repeat N] [--subfolders] [--sequential] [--reimport]
// Imports FOLDER into a fresh database N times (thumbnails and rows, as the add
// button does) and prints the median; "--sequential" makes the thumbnails on one
// core, the baseline the parallel import must match in result and beat in time.
// "--reimport" times, after each import, the re-import of the same folder (nothing new
// to add): with the thumbnails of photos turned by the camera made again, as 更新目录
// does, and without (reimport_plain_ms).

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
    if (Flag(args, "--sequential")) QThreadPool::globalInstance()->setMaxThreadCount(1);

    const bool reimport = Flag(args, "--reimport");

    int samples = 0, remade = 0;
    std::vector<double> reimports, plainReimports;
    const double median = MedianMs(repeat, [&] {
        QTemporaryDir dir;
        QString error;
        const QString db = dir.filePath(data::kDatabaseFileName);
        if (!data::CreateDatabase(db, &error) ||
            data::OpenConnection(db) != data::OpenResult::Opened)
            qFatal("cannot create a database: %s", qPrintable(error));
        samples = customers::ImportFolder("1", folder, options).added;
        if (reimport) {
            customers::ImportOptions again = options;
            plainReimports.push_back(TimeMs([&] { customers::ImportFolder("1", folder, again); }));
            again.remakeTurnedThumbnails = true;
            reimports.push_back(
                TimeMs([&] { remade = customers::ImportFolder("1", folder, again).remade; }));
        }
        data::CloseConnection();
    });
    QTextStream out(stdout);
    out << "samples=" << samples << " median_ms=" << QString::number(median, 'f', 1);
    if (reimport)
        out << " reimport_ms=" << Ms(Median(reimports))
            << " reimport_plain_ms=" << Ms(Median(plainReimports)) << " remade=" << remade;
    out << "\n";
    return samples > 0 ? 0 : 1;
}

}  // namespace bench
