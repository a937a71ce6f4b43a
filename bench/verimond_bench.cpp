// verimond-bench: measures the program's hot paths on real files and databases.

#include <QApplication>
#include <QTextStream>

#include "bench/bench_common.h"
#include "bench/bench_runtime.h"

int main(int argc, char** argv) {
    // Offscreen unless told otherwise, on a screen the size of the studio's TV; widgets
    // because the workspace commands drive the real window.
    bench::UseOffscreenScreen(QSize(1920, 1080));
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const QString command = args.isEmpty() ? QString() : args.takeFirst();
    if (command == QLatin1String("draw")) return bench::RunDraw(args);
    if (command == QLatin1String("make-photo")) return bench::RunMakePhoto(args);
    if (command == QLatin1String("import")) return bench::RunImport(args);
    if (command == QLatin1String("make-db")) return bench::RunMakeDb(args);
    if (command == QLatin1String("page")) return bench::RunPage(args);
    if (command == QLatin1String("album-page")) return bench::RunAlbumPage(args);
    if (command == QLatin1String("switch")) return bench::RunSwitch(args);
    if (command == QLatin1String("step")) return bench::RunStep(args);
    if (command == QLatin1String("desk")) return bench::RunDesk(args);
    if (command == QLatin1String("desk-create")) return bench::RunDeskCreate(args);
    if (command == QLatin1String("output-photos")) return bench::RunOutputPhotos(args);
    if (command == QLatin1String("stage")) return bench::RunStage(args);
    if (command == QLatin1String("export")) return bench::RunExport(args);
    if (command == QLatin1String("xlsx")) return bench::RunXlsx(args);
    if (command == QLatin1String("pdf")) return bench::RunPdf(args);
    QTextStream(stderr)
        << "usage: verimond-bench draw FILE WIDTH HEIGHT [--repeat N] [--out PNG] [--naive]\n"
           "       verimond-bench make-photo WIDTH HEIGHT OUT.jpg [--seed N]\n"
           "       verimond-bench import FOLDER [--repeat N] [--subfolders] [--sequential]\n"
           "       verimond-bench make-db DBFILE [--customers 200] [--samples 500] [--picks 50]\n"
           "       verimond-bench page DBFILE CUSTOMERID [--repeat N]\n"
           "       verimond-bench album-page DBFILE CUSTOMERID [--repeat N]\n"
           "       verimond-bench switch DBFILE CUSTOMERID [--other ID] [--repeat N]\n"
           "       verimond-bench step [FOLDER_OR_DB] [--customer ID] [--repeat N] "
           "[--no-prefetch]\n"
           "       verimond-bench desk DBFILE [--repeat N] [--filter TEXT]\n"
           "       verimond-bench desk-create FOLDER [--repeat N] [--admin PATH]\n"
           "       verimond-bench output-photos FOLDER [--count 500] [--distinct 10]\n"
           "       verimond-bench stage FOLDER [--repeat 3]\n"
           "       verimond-bench export FOLDER [--repeat 3]\n"
           "       verimond-bench xlsx FOLDER [--repeat 5]\n"
           "       verimond-bench pdf FOLDER [--repeat 3]\n";
    return 2;
}
