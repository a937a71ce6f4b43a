// verimond-bench draw / make-photo: the large view's drawing against a plain full-size
// decode, on real JPEGs.

#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QTextStream>

#include "bench/bench_common.h"
#include "data/errors.h"
#include "images/demo_photo.h"
#include "images/fitting.h"
#include "images/picture_drawing.h"

namespace bench {
namespace {

// The large view's margin colour and placeholder.
const QColor kMargin(59, 60, 59);
const QString kFallback = QStringLiteral("photo/nophoto.jpg");

bool PositiveInt(const QString& text, int* value) {
    bool ok = false;
    *value = text.toInt(&ok);
    return ok && *value > 0;
}

// The baseline: decode everything, then one smooth scale of the full picture.
QImage NaiveDraw(const QString& path, QSize size) {
    QImageReader reader(path);
    reader.setAutoTransform(false);
    const QImage full = reader.read();
    if (full.isNull()) return QImage();
    QImage canvas(size, QImage::Format_RGB32);
    canvas.fill(kMargin);
    const images::Placement p =
        images::FitPicture(size.width(), size.height(), full.width(), full.height());
    QPainter painter(&canvas);
    painter.drawImage(p.x, p.y,
                      full.scaled(p.w, p.h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return canvas;
}

}  // namespace

int RunDraw(const QStringList& args) {
    QTextStream err(stderr);
    const QStringList positional = PositionalArgs(args, {"--repeat", "--out", "--scale"});
    int width = 0, height = 0, repeat = 0;
    bool scaleOk = false;
    const qreal scale = Option(args, "--scale", "1").toDouble(&scaleOk);
    if (positional.size() != 3 || !PositiveInt(positional[1], &width) ||
        !PositiveInt(positional[2], &height) ||
        !PositiveInt(Option(args, "--repeat", "10"), &repeat) || !scaleOk || scale <= 0) {
        err << "usage: verimond-bench draw FILE WIDTH HEIGHT [--repeat N] [--out PNG] [--naive] "
               "[--scale S] [--as-stored]\n";
        return 2;
    }
    const QString file = positional[0];
    if (!QFileInfo(file).isFile()) {
        err << "no such file: " << file << "\n";
        return 1;
    }
    const QSize size(width, height);
    const bool naive = Flag(args, "--naive");
    QImage last;
    double median = 0;
    try {
        images::DrawOptions options;
        options.size = size;
        options.margin = kMargin;
        options.devicePixelRatio = scale;
        // Without the camera's orientation: the tag is not even read.
        if (Flag(args, "--as-stored")) options.orientation = images::Orientation::AsStored;
        median = MedianMs(repeat, [&] {
            last = naive ? NaiveDraw(file, size)
                         : images::DrawPictureFitted(file, kFallback, options).canvas;
        });
    } catch (const data::VerimondError& e) {
        err << e.text() << "\n";
        return 1;
    }
    if (last.isNull()) {
        err << "cannot draw " << file << "\n";
        return 1;
    }
    const QString out = Option(args, "--out");
    if (!out.isEmpty() && !last.save(out, "PNG")) {
        err << "cannot write " << out << "\n";
        return 1;
    }
    QTextStream(stdout) << "median_ms=" << QString::number(median, 'f', 1) << "\n";
    return 0;
}

int RunMakePhoto(const QStringList& args) {
    QTextStream err(stderr);
    const QStringList positional = PositionalArgs(args, {"--seed", "--exif"});
    int width = 0, height = 0;
    bool seedOk = false, exifOk = true;
    const int seed = Option(args, "--seed", "1").toInt(&seedOk);
    const int exif = args.contains("--exif") ? Option(args, "--exif").toInt(&exifOk) : 0;
    if (positional.size() != 3 || !PositiveInt(positional[0], &width) ||
        !PositiveInt(positional[1], &height) || !seedOk || !exifOk || exif < 0 || exif > 8) {
        err << "usage: verimond-bench make-photo WIDTH HEIGHT OUT.jpg [--seed N] [--exif 1..8]\n";
        return 2;
    }
    const QImage photo =
        images::MakeDemoPhoto(width, height, seed, QStringLiteral("样片 %1").arg(seed));
    if (photo.isNull() || !images::SaveJpeg(photo, positional[2]) ||
        (exif > 0 && !AddCameraExif(positional[2], exif, photo))) {
        err << "cannot write " << positional[2] << "\n";
        return 1;
    }
    return 0;
}

}  // namespace bench
