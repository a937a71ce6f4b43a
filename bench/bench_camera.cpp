// verimond-bench make-camera-photos FOLDER [--count 1000] [--distinct 16] [--no-previews]
// Writes camera-like 24-megapixel JPEGs (6000 x 4000, quality 90, 4:2:0) named
// IMG_0001.jpg ...: an EXIF block as cameras write it (about 40 KB, with a 30 KB maker
// note and the picture's 160 x 120 preview on black bands in IFD1) and the picture. Every
// tenth file from the fourth is turned by its tag (6), every tenth from the eighth the
// other way (8); every twentieth from the sixth was written later than shot, every
// twentieth from the sixteenth names an editor: those previews are not trusted.
// "--no-previews" writes the same files without a preview (no IFD1).
//
// A few distinct pictures are encoded once; each file is one of their encoded bodies
// behind an EXIF block of its own, so every file is a valid JPEG whose preview shows it.

#include <turbojpeg.h>

#include <QDir>
#include <QFile>
#include <QTextStream>
#include <vector>

#include "bench/bench_common.h"
#include "images/demo_photo.h"

namespace bench {
namespace {

// The JPEG after its start-of-image marker and any JFIF segment: what follows a camera's
// EXIF block.
QByteArray BodyOf(const QByteArray& jpeg) {
    int at = 2;
    if (jpeg.size() > 6 && quint8(jpeg[2]) == 0xFF && quint8(jpeg[3]) == 0xE0)
        at += 2 + ((quint8(jpeg[4]) << 8) | quint8(jpeg[5]));
    return jpeg.mid(at);
}

QByteArray Encode(const QImage& picture, int quality) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    tjhandle compressor = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    QByteArray jpeg;
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    const int format = TJPF_BGRX;
#else
    const int format = TJPF_XRGB;
#endif
    if (tjCompress2(compressor, rgb.constBits(), rgb.width(), int(rgb.bytesPerLine()), rgb.height(),
                    format, &out, &size, TJSAMP_420, quality, 0) == 0)
        jpeg = QByteArray(reinterpret_cast<const char*>(out), int(size));
    tjFree(out);
    tjDestroy(compressor);
    return jpeg;
}

}  // namespace

int RunMakeCameraPhotos(const QStringList& args) {
    QTextStream err(stderr);
    const QStringList positional = PositionalArgs(args, {"--count", "--distinct"});
    int count = 0, distinct = 0;
    if (positional.size() != 1 || !PositiveOption(args, "--count", 1000, &count) ||
        !PositiveOption(args, "--distinct", 16, &distinct)) {
        err << "usage: verimond-bench make-camera-photos FOLDER [--count 1000] [--distinct 16] "
               "[--no-previews]\n";
        return 2;
    }
    const bool previews = !Flag(args, "--no-previews");
    const QDir folder(positional.first());
    if (!QDir().mkpath(folder.path())) {
        err << "cannot make " << folder.path() << "\n";
        return 1;
    }
    struct Picture {
        QByteArray body;
        QByteArray preview;
    };
    std::vector<Picture> pictures;
    for (int k = 0; k < std::min(distinct, count); ++k) {
        const QImage picture =
            images::MakeDemoPhoto(6000, 4000, k + 1, QStringLiteral("样片 %1").arg(k + 1));
        pictures.push_back(
            {BodyOf(Encode(picture, 90)), previews ? CameraPreview(picture) : QByteArray()});
        if (pictures.back().body.isEmpty()) {
            err << "cannot encode picture " << k + 1 << "\n";
            return 1;
        }
    }
    qint64 bytes = 0;
    int turned = 0, edited = 0;
    for (int i = 0; i < count; ++i) {
        const Picture& picture = pictures[size_t(i) % pictures.size()];
        CameraHead head;
        head.preview = picture.preview;
        head.orientation = i % 10 == 3 ? 6 : i % 10 == 7 ? 8 : 1;
        // Shot a second apart, as a session goes.
        const QByteArray shot = QStringLiteral("2026:12:10 %1:%2:%3")
                                    .arg(10 + i / 3600, 2, 10, QLatin1Char('0'))
                                    .arg(i / 60 % 60, 2, 10, QLatin1Char('0'))
                                    .arg(i % 60, 2, 10, QLatin1Char('0'))
                                    .toLatin1();
        head.dateTime = head.dateTimeOriginal = shot;
        if (i % 20 == 5) head.dateTime = "2026:12:11 09:30:00";
        if (i % 20 == 15) head.software = "Adobe Photoshop 25.0 (Windows)";
        turned += head.orientation != 1;
        edited += i % 20 == 5 || i % 20 == 15;
        const QByteArray file = QByteArray("\xFF\xD8", 2) + CameraExifSegment(head) + picture.body;
        QFile out(
            folder.filePath(QStringLiteral("IMG_%1.jpg").arg(i + 1, 4, 10, QLatin1Char('0'))));
        if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size()) {
            err << "cannot write " << out.fileName() << "\n";
            return 1;
        }
        bytes += file.size();
    }
    QTextStream(stdout) << "photos=" << count << " distinct=" << pictures.size()
                        << " previews=" << (previews ? "yes" : "no") << " turned=" << turned
                        << " edited=" << edited << " size_mb=" << (bytes >> 20) << "\n";
    return 0;
}

}  // namespace bench
