#pragma once
// Shared pieces of verimond-bench: timing, medians and argument reading.

#include <QByteArray>
#include <QElapsedTimer>
#include <QImage>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <vector>

namespace bench {

// Median of a set of timings; 0 for none.
inline double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    const size_t n = times.size();
    if (n == 0) return 0;
    return n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
}

// Wall time of one call of body, in milliseconds.
inline double TimeMs(const std::function<void()>& body) {
    QElapsedTimer timer;
    timer.start();
    body();
    return timer.nsecsElapsed() / 1e6;
}

// Runs body `repeat` times and returns the median wall time in milliseconds.
inline double MedianMs(int repeat, const std::function<void()>& body) {
    std::vector<double> times;
    for (int i = 0; i < repeat; ++i) times.push_back(TimeMs(body));
    return Median(times);
}

// Milliseconds as printed: one decimal.
inline QString Ms(double ms) { return QString::number(ms, 'f', 1); }

// Value of "--name VALUE" in args, or fallback.
inline QString Option(const QStringList& args, const QString& name, const QString& fallback = {}) {
    const int i = args.indexOf(name);
    return (i >= 0 && i + 1 < args.size()) ? args[i + 1] : fallback;
}

// A positive whole number given as "--name N", or fallback when absent; false when malformed.
inline bool PositiveOption(const QStringList& args, const QString& name, int fallback, int* value) {
    bool ok = false;
    *value = Option(args, name, QString::number(fallback)).toInt(&ok);
    return ok && *value > 0;
}

inline bool Flag(const QStringList& args, const QString& name) { return args.contains(name); }

// Arguments that are neither options nor the values of the options listed in `valued`.
inline QStringList PositionalArgs(const QStringList& args, const QStringList& valued) {
    QStringList result;
    for (int i = 0; i < args.size(); ++i) {
        if (valued.contains(args[i]))
            ++i;
        else if (!args[i].startsWith(QLatin1String("--")))
            result << args[i];
    }
    return result;
}

// The commands, one file per group.
int RunDraw(const QStringList& args);
int RunMakePhoto(const QStringList& args);
// bench_exif.cpp: camera-like EXIF for the test photos, and what reading its tag costs.
int RunOrientation(const QStringList& args);
// What a camera-like EXIF segment says.
struct CameraHead {
    int orientation = 1;
    QByteArray dateTime = "2026:12:10 10:20:30";
    QByteArray dateTimeOriginal = "2026:12:10 10:20:30";
    QByteArray software = "Firmware 1.2.3";
    QByteArray preview;  // the JPEG for IFD1; none when empty
};
// An APP1 segment as cameras write it, about 40 KB.
QByteArray CameraExifSegment(const CameraHead& head);
// The 160 x 120 JPEG preview a camera stores for the picture: fitted on black.
QByteArray CameraPreview(const QImage& picture);
// Puts an EXIF segment as cameras write it (orientation tag and the picture's preview
// included) into the JPEG at path.
bool AddCameraExif(const QString& path, int orientation, const QImage& picture);
int RunImport(const QStringList& args);
// bench_camera.cpp: camera-like photos with previews, for the import.
int RunMakeCameraPhotos(const QStringList& args);
// bench_database.cpp: the big database, the page fills read from it and the workspace's
// changes to it.
int RunMakeDb(const QStringList& args);
int RunPage(const QStringList& args);
int RunAlbumPage(const QStringList& args);
int RunPick(const QStringList& args);
int RunUndoAlbum(const QStringList& args);
// bench_space.cpp: backups, and giving free pages back, on the big database.
int RunSpace(const QStringList& args);
// bench_workspace.cpp: the workspace window driven offscreen.
int RunSwitch(const QStringList& args);
int RunStep(const QStringList& args);
int RunCompare(const QStringList& args);
int RunHold(const QStringList& args);
// bench_desk.cpp: the customer window.
int RunDesk(const QStringList& args);
int RunDeskCreate(const QStringList& args);
// bench_output.cpp: staging and the outputs.
int RunOutputPhotos(const QStringList& args);
int RunStage(const QStringList& args);
int RunExport(const QStringList& args);
int RunXlsx(const QStringList& args);
int RunPdf(const QStringList& args);
// bench_previews.cpp: building a folder's previews against decoding it for the screen.
int RunPreviews(const QStringList& args);

}  // namespace bench
