// verimond-bench: measures the program's hot paths on real files and databases.

#include <unistd.h>

#include <QGuiApplication>
#include <QTextStream>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/memory_reuse.h"
#include "bench/bench_common.h"
#include "bench/bench_runtime.h"

namespace {

const char* const kWindowCommands[] = {"switch", "step", "hold", "desk", "desk-create", "compare"};

// The first argument that is not a screen option or its value.
const char* CommandOf(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--screen") || !std::strcmp(argv[i], "--scale"))
            ++i;
        else
            return argv[i];
    }
    return "";
}

// The commands that drive windows live in verimond-bench-windows beside this program.
bool IsWindowCommand(const char* command) {
    for (const char* name : kWindowCommands)
        if (!std::strcmp(command, name)) return true;
    return false;
}

int HandOver(char** argv) {
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) {
        perror("verimond-bench: cannot find itself");
        return 1;
    }
    self[n] = '\0';
    std::string windows(self);
    windows = windows.substr(0, windows.rfind('/') + 1) + "verimond-bench-windows";
    argv[0] = windows.data();
    execv(windows.c_str(), argv);
    perror(("verimond-bench: cannot run " + windows).c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    // Drawn as the program draws: with freed memory kept for reuse.
    app::KeepFreedMemoryForReuse();
    if (IsWindowCommand(CommandOf(argc, argv))) return HandOver(argv);
    bench::PrepareScreen(argc, argv);
    QGuiApplication app(argc, argv);
    QStringList args = bench::CommandArguments(app.arguments());
    const QString command = args.isEmpty() ? QString() : args.takeFirst();
    if (command == QLatin1String("draw")) return bench::RunDraw(args);
    if (command == QLatin1String("make-photo")) return bench::RunMakePhoto(args);
    if (command == QLatin1String("orientation")) return bench::RunOrientation(args);
    if (command == QLatin1String("import")) return bench::RunImport(args);
    if (command == QLatin1String("make-camera-photos")) return bench::RunMakeCameraPhotos(args);
    if (command == QLatin1String("make-db")) return bench::RunMakeDb(args);
    if (command == QLatin1String("page")) return bench::RunPage(args);
    if (command == QLatin1String("album-page")) return bench::RunAlbumPage(args);
    if (command == QLatin1String("pick")) return bench::RunPick(args);
    if (command == QLatin1String("undo-album")) return bench::RunUndoAlbum(args);
    if (command == QLatin1String("space")) return bench::RunSpace(args);
    if (command == QLatin1String("output-photos")) return bench::RunOutputPhotos(args);
    if (command == QLatin1String("stage")) return bench::RunStage(args);
    if (command == QLatin1String("export")) return bench::RunExport(args);
    if (command == QLatin1String("xlsx")) return bench::RunXlsx(args);
    if (command == QLatin1String("pdf")) return bench::RunPdf(args);
    if (command == QLatin1String("previews")) return bench::RunPreviews(args);
    QTextStream(stderr)
        << "usage: verimond-bench draw FILE WIDTH HEIGHT [--repeat N] [--out PNG] [--naive]\n"
           "                                  [--scale S] [--as-stored]\n"
           "       verimond-bench make-photo WIDTH HEIGHT OUT.jpg [--seed N] [--exif 1..8]\n"
           "       verimond-bench orientation FILE... [--repeat N]\n"
           "       verimond-bench import FOLDER [--repeat N] [--subfolders] [--sequential]\n"
           "                                    [--reimport] [--no-camera-thumbnails] "
           "[--against-decode]\n"
           "       verimond-bench make-camera-photos FOLDER [--count 1000] [--distinct 16] "
           "[--no-previews]\n"
           "       verimond-bench make-db DBFILE [--customers 200] [--samples 500] [--picks 50]\n"
           "       verimond-bench page DBFILE CUSTOMERID [--repeat N]\n"
           "       verimond-bench album-page DBFILE CUSTOMERID [--repeat N]\n"
           "       verimond-bench pick DBFILE CUSTOMERID [--repeat N]\n"
           "       verimond-bench undo-album DBFILE CUSTOMERID [--picks 500] [--repeat N]\n"
           "       verimond-bench space DBFILE [--delete 100] [--pages-per-step 128] "
           "[--pause 50]\n"
           "       verimond-bench switch DBFILE CUSTOMERID [--other ID] [--repeat N]\n"
           "       verimond-bench step [FOLDER_OR_DB] [--customer ID] [--repeat N] "
           "[--no-prefetch]\n"
           "       verimond-bench compare [FOLDER] [--repeat N]\n"
           "       verimond-bench hold [FOLDER] [--samples 50] [--interval 40] [--repeat N]\n"
           "       verimond-bench desk DBFILE [--repeat N] [--filter TEXT]\n"
           "       verimond-bench desk-create FOLDER [--repeat N] [--admin PATH]\n"
           "       verimond-bench output-photos FOLDER [--count 500] [--distinct 10]\n"
           "       verimond-bench stage FOLDER [--repeat 3]\n"
           "       verimond-bench export FOLDER [--repeat 3]\n"
           "       verimond-bench xlsx FOLDER [--repeat 5]\n"
           "       verimond-bench pdf FOLDER [--repeat 3]\n"
           "       verimond-bench previews FOLDER [--size 1920x1080] [--repeat 5]\n"
           "  before any command: --screen WxH (offscreen, default 1920x1080) --scale S\n";
    return 2;
}
