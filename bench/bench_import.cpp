// verimond-bench import FOLDER [--repeat N] [--subfolders]
// Imports FOLDER into a fresh database N times (thumbnails and rows, as the add
// button does) and prints the median; "--sequential" makes the thumbnails on one
// core, the baseline the parallel import must match in result and beat in time.

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

    int samples = 0;
    const double median = MedianMs(repeat, [&] {
        QTemporaryDir dir;
        QString error;
        const QString db = dir.filePath(data::kDatabaseFileName);
        if (!data::CreateDatabase(db, &error) ||
            data::OpenConnection(db) != data::OpenResult::Opened)
            qFatal("cannot create a database: %s", qPrintable(error));
        samples = customers::ImportFolder("1", folder, options).added;
        data::CloseConnection();
    });
    QTextStream(stdout) << "samples=" << samples << " median_ms=" << QString::number(median, 'f', 1)
                        << "\n";
    return samples > 0 ? 0 : 1;
}

}  // namespace bench
