// verimond-bench: measures the program's hot paths on real files and databases.

#include <QApplication>
#include <QTextStream>

#include "bench/bench_common.h"
#include "bench/bench_runtime.h"

namespace {

// "--screen WxH" and "--scale S" are read before the application exists: a 4K TV is
// --screen 3840x2160 --scale 2, which lays the workspace out as on 1920 x 1080.
QSize TakeScreen(int argc, char** argv, QByteArray* scale) {
    QSize screen(1920, 1080);
    for (int i = 1; i + 1 < argc; ++i) {
        const QByteArray name(argv[i]), value(argv[i + 1]);
        if (name == "--scale") *scale = value;
        if (name == "--screen") {
            const QList<QByteArray> sides = value.split('x');
            if (sides.size() == 2) screen = QSize(sides[0].toInt(), sides[1].toInt());
        }
    }
    return screen;
}

}  // namespace

int main(int argc, char** argv) {
    // Offscreen unless told otherwise, on a screen the size of the studio's TV; widgets
    // because the workspace commands drive the real window.
    QByteArray scale;
    bench::UseOffscreenScreen(TakeScreen(argc, argv, &scale));
    if (!scale.isEmpty()) qputenv("QT_SCALE_FACTOR", scale);
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    for (const QString& global : {QStringLiteral("--screen"), QStringLiteral("--scale")}) {
        const int at = args.indexOf(global);
        if (at >= 0) args.remove(at, std::min<qsizetype>(2, args.size() - at));
    }
    const QString command = args.isEmpty() ? QString() : args.takeFirst();
    if (command == QLatin1String("draw")) return bench::RunDraw(args);
    if (command == QLatin1String("make-photo")) return bench::RunMakePhoto(args);
    if (command == QLatin1String("orientation")) return bench::RunOrientation(args);
    if (command == QLatin1String("import")) return bench::RunImport(args);
    if (command == QLatin1String("make-db")) return bench::RunMakeDb(args);
    if (command == QLatin1String("page")) return bench::RunPage(args);
    if (command == QLatin1String("album-page")) return bench::RunAlbumPage(args);
    if (command == QLatin1String("pick")) return bench::RunPick(args);
    if (command == QLatin1String("space")) return bench::RunSpace(args);
    if (command == QLatin1String("switch")) return bench::RunSwitch(args);
    if (command == QLatin1String("step")) return bench::RunStep(args);
    if (command == QLatin1String("hold")) return bench::RunHold(args);
    if (command == QLatin1String("desk")) return bench::RunDesk(args);
    if (command == QLatin1String("desk-create")) return bench::RunDeskCreate(args);
    if (command == QLatin1String("output-photos")) return bench::RunOutputPhotos(args);
    if (command == QLatin1String("stage")) return bench::RunStage(args);
    if (command == QLatin1String("export")) return bench::RunExport(args);
    if (command == QLatin1String("xlsx")) return bench::RunXlsx(args);
    if (command == QLatin1String("pdf")) return bench::RunPdf(args);
    QTextStream(stderr)
        << "usage: verimond-bench draw FILE WIDTH HEIGHT [--repeat N] [--out PNG] [--naive]\n"
           "                                  [--scale S] [--as-stored]\n"
           "       verimond-bench make-photo WIDTH HEIGHT OUT.jpg [--seed N] [--exif 1..8]\n"
           "       verimond-bench orientation FILE... [--repeat N]\n"
           "       verimond-bench import FOLDER [--repeat N] [--subfolders] [--sequential]\n"
           "       verimond-bench make-db DBFILE [--customers 200] [--samples 500] [--picks 50]\n"
           "       verimond-bench page DBFILE CUSTOMERID [--repeat N]\n"
           "       verimond-bench album-page DBFILE CUSTOMERID [--repeat N]\n"
           "       verimond-bench pick DBFILE CUSTOMERID [--repeat N]\n"
           "       verimond-bench space DBFILE [--delete 100] [--pages-per-step 128] "
           "[--pause 50]\n"
           "       verimond-bench switch DBFILE CUSTOMERID [--other ID] [--repeat N]\n"
           "       verimond-bench step [FOLDER_OR_DB] [--customer ID] [--repeat N] "
           "[--no-prefetch]\n"
           "       verimond-bench hold [FOLDER] [--samples 50] [--interval 40] [--repeat N]\n"
           "       verimond-bench desk DBFILE [--repeat N] [--filter TEXT]\n"
           "       verimond-bench desk-create FOLDER [--repeat N] [--admin PATH]\n"
           "       verimond-bench output-photos FOLDER [--count 500] [--distinct 10]\n"
           "       verimond-bench stage FOLDER [--repeat 3]\n"
           "       verimond-bench export FOLDER [--repeat 3]\n"
           "       verimond-bench xlsx FOLDER [--repeat 5]\n"
           "       verimond-bench pdf FOLDER [--repeat 3]\n"
           "  before any command: --screen WxH (offscreen, default 1920x1080) --scale S\n";
    return 2;
}
