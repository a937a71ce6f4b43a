// verimond-bench: measures the program's hot paths on real files and databases.

#include <QGuiApplication>
#include <QTextStream>

#include "bench/bench_common.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const QString command = args.isEmpty() ? QString() : args.takeFirst();
    if (command == QLatin1String("draw")) return bench::RunDraw(args);
    if (command == QLatin1String("make-photo")) return bench::RunMakePhoto(args);
    if (command == QLatin1String("import")) return bench::RunImport(args);
    QTextStream(stderr) << "usage: verimond-bench draw FILE WIDTH HEIGHT [--repeat N] [--out PNG] [--naive]\n"
                           "       verimond-bench make-photo WIDTH HEIGHT OUT.jpg\n"
                           "       verimond-bench import FOLDER [--repeat N]\n";
    return 2;
}
