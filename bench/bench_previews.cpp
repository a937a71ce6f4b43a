// verimond-bench previews FOLDER [--size WxH] [--repeat N]
// Builds the previews of FOLDER's JPEGs into a fresh store on all cores (BuildPreviews, as
// verimond-admin previews does), against decoding the same photos just big enough for the
// screen (DecodeForFit) on all cores, the two interleaved and each first every other run.
// What building adds to the decode is the smooth scaling, the encoding and the writing.

#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtConcurrent>

#include "bench/bench_common.h"
#include "customers/preview_building.h"
#include "images/image_decoder.h"
#include "images/preview_store.h"

namespace bench {

int RunPreviews(const QStringList& args) {
    if (args.isEmpty()) return 2;
    const QString folder = args.first();
    const QStringList sides = Option(args, "--size", "1920x1080").split('x');
    const QSize screen(sides.value(0).toInt(), sides.value(1).toInt());
    int repeat = 0;
    if (screen.isEmpty() || !PositiveOption(args, "--repeat", 5, &repeat)) return 2;
    QStringList photos;
    for (const QString& name :
         QDir(folder).entryList({"*.jpg", "*.jpeg", "*.JPG"}, QDir::Files, QDir::Name))
        photos << QDir(folder).filePath(name);
    if (photos.isEmpty()) return 2;

    std::vector<double> builds, decodes;
    qint64 storeBytes = 0;
    int made = 0, failed = 0;
    const auto build = [&] {
        QTemporaryDir dir;
        images::PreviewStore store(dir.filePath("previews"), screen);
        customers::PreviewsResult result;
        builds.push_back(TimeMs([&] {
            result = customers::BuildPreviews(store, photos, images::Orientation::AsTaken);
        }));
        made = result.made;
        failed = static_cast<int>(result.failed.size());
        storeBytes = store.UsedBytes();
    };
    const auto decode = [&] {
        decodes.push_back(TimeMs([&] {
            QtConcurrent::blockingMap(photos, [&](const QString& photo) {
                if (!images::DecodeForFit(photo, screen, {images::Orientation::AsTaken, 0}).ok())
                    qFatal("cannot decode %s", qPrintable(photo));
            });
        }));
    };
    for (int i = 0; i < repeat; ++i) {
        if (i % 2) {
            build();
            decode();
        } else {
            decode();
            build();
        }
    }
    const double buildMs = Median(builds), decodeMs = Median(decodes);
    QTextStream(stdout) << "photos=" << photos.size() << " made=" << made << " failed=" << failed
                        << " median_ms=" << Ms(buildMs) << " decode_ms=" << Ms(decodeMs)
                        << " ratio=" << QString::number(buildMs / decodeMs, 'f', 3)
                        << " store_kb_per_photo=" << storeBytes / 1024 / qMax(1, made)
                        << " store_mb_per_1000="
                        << QString::number(storeBytes * 1000.0 / qMax(1, made) / (1 << 20), 'f', 0)
                        << "\n";
    return made == photos.size() ? 0 : 1;
}

}  // namespace bench
