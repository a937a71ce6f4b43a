// verimond-bench orientation: what reading the camera's orientation tag costs, on files
// whose EXIF segment looks like a camera's (make-photo --exif N writes them); and the EXIF
// segments of the camera-like photos the benchmarks write.

#include <libexif/exif-data.h>
#include <libexif/exif-utils.h>

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QTextStream>
#include <cstdlib>
#include <cstring>

#include "bench/bench_common.h"
#include "images/image_decoder.h"

namespace bench {
namespace {

void AddEntry(ExifData* exif, ExifIfd ifd, ExifTag tag, ExifFormat format, const void* bytes,
              unsigned int components) {
    ExifEntry* entry = exif_entry_new();
    entry->tag = tag;
    entry->format = format;
    entry->components = components;
    entry->size = exif_format_get_size(format) * components;
    entry->data = static_cast<unsigned char*>(malloc(entry->size));
    memcpy(entry->data, bytes, entry->size);
    exif_content_add_entry(exif->ifd[ifd], entry);
    exif_entry_unref(entry);
}

void AddText(ExifData* exif, ExifIfd ifd, ExifTag tag, const char* text) {
    AddEntry(exif, ifd, tag, EXIF_FORMAT_ASCII, text, static_cast<unsigned int>(strlen(text) + 1));
}

void AddDefault(ExifData* exif, ExifIfd ifd, ExifTag tag) {
    ExifEntry* entry = exif_entry_new();
    exif_content_add_entry(exif->ifd[ifd], entry);
    exif_entry_initialize(entry, tag);
    exif_entry_unref(entry);
}

}  // namespace

// An APP1 segment as a camera writes it: the usual tags of IFD0 and of the EXIF directory,
// a 30 KB maker note and the preview in IFD1, about 40 KB in all.
QByteArray CameraExifSegment(const CameraHead& head) {
    ExifData* exif = exif_data_new();
    exif_data_set_byte_order(exif, EXIF_BYTE_ORDER_INTEL);
    AddText(exif, EXIF_IFD_0, EXIF_TAG_MAKE, "Verimond Bench Camera Co.");
    AddText(exif, EXIF_IFD_0, EXIF_TAG_MODEL, "Studio 24M");
    AddDefault(exif, EXIF_IFD_0, EXIF_TAG_ORIENTATION);
    exif_set_short(exif_content_get_entry(exif->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION)->data,
                   EXIF_BYTE_ORDER_INTEL, static_cast<ExifShort>(head.orientation));
    for (ExifTag tag : {EXIF_TAG_X_RESOLUTION, EXIF_TAG_Y_RESOLUTION, EXIF_TAG_RESOLUTION_UNIT,
                        EXIF_TAG_YCBCR_POSITIONING})
        AddDefault(exif, EXIF_IFD_0, tag);
    AddText(exif, EXIF_IFD_0, EXIF_TAG_SOFTWARE, head.software.constData());
    AddText(exif, EXIF_IFD_0, EXIF_TAG_DATE_TIME, head.dateTime.constData());
    AddText(exif, EXIF_IFD_0, EXIF_TAG_ARTIST, "Studio");
    AddText(exif, EXIF_IFD_0, EXIF_TAG_COPYRIGHT, "Studio");
    for (ExifTag tag :
         {EXIF_TAG_EXIF_VERSION, EXIF_TAG_COMPONENTS_CONFIGURATION, EXIF_TAG_FLASH_PIX_VERSION,
          EXIF_TAG_COLOR_SPACE, EXIF_TAG_PIXEL_X_DIMENSION, EXIF_TAG_PIXEL_Y_DIMENSION,
          EXIF_TAG_EXPOSURE_PROGRAM, EXIF_TAG_METERING_MODE, EXIF_TAG_FLASH,
          EXIF_TAG_SENSING_METHOD, EXIF_TAG_CUSTOM_RENDERED, EXIF_TAG_EXPOSURE_MODE,
          EXIF_TAG_WHITE_BALANCE, EXIF_TAG_SCENE_CAPTURE_TYPE,
          EXIF_TAG_FOCAL_PLANE_RESOLUTION_UNIT})
        AddDefault(exif, EXIF_IFD_EXIF, tag);
    const ExifRational exposure = {1, 125}, aperture = {8, 1}, focal = {85, 1};
    unsigned char rational[8];
    exif_set_rational(rational, EXIF_BYTE_ORDER_INTEL, exposure);
    AddEntry(exif, EXIF_IFD_EXIF, EXIF_TAG_EXPOSURE_TIME, EXIF_FORMAT_RATIONAL, rational, 1);
    exif_set_rational(rational, EXIF_BYTE_ORDER_INTEL, aperture);
    AddEntry(exif, EXIF_IFD_EXIF, EXIF_TAG_FNUMBER, EXIF_FORMAT_RATIONAL, rational, 1);
    exif_set_rational(rational, EXIF_BYTE_ORDER_INTEL, focal);
    AddEntry(exif, EXIF_IFD_EXIF, EXIF_TAG_FOCAL_LENGTH, EXIF_FORMAT_RATIONAL, rational, 1);
    unsigned char iso[2];
    exif_set_short(iso, EXIF_BYTE_ORDER_INTEL, 100);
    AddEntry(exif, EXIF_IFD_EXIF, EXIF_TAG_ISO_SPEED_RATINGS, EXIF_FORMAT_SHORT, iso, 1);
    AddText(exif, EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL, head.dateTimeOriginal.constData());
    AddText(exif, EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_DIGITIZED, head.dateTimeOriginal.constData());
    QByteArray makerNote(30 * 1024, '\0');
    for (int i = 0; i < makerNote.size(); ++i) makerNote[i] = char((i * 131) >> 3);
    AddEntry(exif, EXIF_IFD_EXIF, EXIF_TAG_MAKER_NOTE, EXIF_FORMAT_UNDEFINED, makerNote.constData(),
             static_cast<unsigned int>(makerNote.size()));

    if (!head.preview.isEmpty()) {
        exif->data = static_cast<unsigned char*>(malloc(head.preview.size()));
        memcpy(exif->data, head.preview.constData(), head.preview.size());
        exif->size = static_cast<unsigned int>(head.preview.size());
    }

    unsigned char* payload = nullptr;
    unsigned int size = 0;
    exif_data_save_data(exif, &payload, &size);
    exif_data_unref(exif);
    QByteArray segment("\xFF\xE1", 2);
    segment.append(char((size + 2) >> 8)).append(char((size + 2) & 0xFF));
    segment.append(reinterpret_cast<const char*>(payload), static_cast<int>(size));
    free(payload);
    return segment;
}

QByteArray CameraPreview(const QImage& picture) {
    // Fitted on black, as cameras letterbox 3:2 into 160 x 120.
    QImage preview(160, 120, QImage::Format_RGB32);
    preview.fill(Qt::black);
    const QImage fitted =
        picture.scaled(preview.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPainter(&preview).drawImage((preview.width() - fitted.width()) / 2,
                                 (preview.height() - fitted.height()) / 2, fitted);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    preview.save(&buffer, "JPEG", 85);
    return jpeg;
}

bool AddCameraExif(const QString& path, int orientation, const QImage& picture) {
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) return false;
    const QByteArray jpeg = in.readAll();
    in.close();
    CameraHead head;
    head.orientation = orientation;
    head.preview = CameraPreview(picture);
    const QByteArray segment = CameraExifSegment(head);
    if (jpeg.size() < 2 || segment.size() > 65537) return false;
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) return false;
    out.write(jpeg.left(2) + segment + jpeg.mid(2));
    return out.commit();
}

int RunOrientation(const QStringList& args) {
    QTextStream err(stderr);
    const QStringList files = PositionalArgs(args, {"--repeat"});
    int repeat = 0;
    if (files.isEmpty() || !PositiveOption(args, "--repeat", 1000, &repeat)) {
        err << "usage: verimond-bench orientation FILE... [--repeat N]\n";
        return 2;
    }
    QTextStream out(stdout);
    for (const QString& file : files) {
        if (!QFileInfo(file).isFile()) {
            err << "no such file: " << file << "\n";
            return 1;
        }
        int orientation = 0;
        // Median of single reads in microseconds; each opens the file and reads its head.
        std::vector<double> times;
        for (int i = 0; i < repeat; ++i)
            times.push_back(TimeMs([&] { orientation = images::ReadCameraOrientation(file); }));
        out << "file=" << QFileInfo(file).fileName() << " orientation=" << orientation
            << " median_us=" << QString::number(Median(times) * 1000, 'f', 1) << " max_us="
            << QString::number(*std::max_element(times.begin(), times.end()) * 1000, 'f', 1)
            << " runs=" << repeat << "\n";
    }
    return 0;
}

}  // namespace bench
