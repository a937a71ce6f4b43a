#include "support/hostile_files.h"

#include <sys/stat.h>
#include <turbojpeg.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QtEndian>

#include "support/camera_photos.h"
#include "support/oriented_photos.h"

namespace testing_support {
namespace {

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

quint8 At(const QByteArray& bytes, int i) { return static_cast<quint8>(bytes.at(i)); }

void PutBig16(QByteArray& bytes, int at, int value) {
    bytes[at] = char((value >> 8) & 0xFF);
    bytes[at + 1] = char(value & 0xFF);
}

// Offset of the first marker segment of one of `markers`, or -1.
int FindSegment(const QByteArray& jpeg, std::initializer_list<quint8> markers) {
    int at = 2;
    while (at + 4 <= jpeg.size() && At(jpeg, at) == 0xFF) {
        const quint8 marker = At(jpeg, at + 1);
        for (quint8 wanted : markers)
            if (marker == wanted) return at;
        if (marker == 0xDA || marker == 0xD9) return -1;
        at += 2 + ((At(jpeg, at + 2) << 8) | At(jpeg, at + 3));
    }
    return -1;
}

// The scans of a JPEG: start of each SOS segment and the end of its entropy-coded data.
std::vector<std::pair<int, int>> Scans(const QByteArray& jpeg) {
    std::vector<std::pair<int, int>> scans;
    int at = 2;
    while (at + 4 <= jpeg.size()) {
        if (At(jpeg, at) != 0xFF) return scans;
        const quint8 marker = At(jpeg, at + 1);
        if (marker == 0xD9) break;
        const int length = (At(jpeg, at + 2) << 8) | At(jpeg, at + 3);
        if (marker != 0xDA) {
            at += 2 + length;
            continue;
        }
        int end = at + 2 + length;
        while (end + 1 < jpeg.size() && !(At(jpeg, end) == 0xFF && At(jpeg, end + 1) != 0 &&
                                          (At(jpeg, end + 1) < 0xD0 || At(jpeg, end + 1) > 0xD7)))
            ++end;
        scans.push_back({at, end});
        at = end;
    }
    return scans;
}

quint32 Crc32(const QByteArray& bytes) {
    quint32 crc = 0xFFFFFFFFu;
    for (char c : bytes) {
        crc ^= static_cast<quint8>(c);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray PngChunk(const char* type, const QByteArray& data) {
    QByteArray chunk(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), chunk.data());
    const QByteArray body = QByteArray(type) + data;
    chunk += body;
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(Crc32(body), crc.data());
    return chunk + crc;
}

}  // namespace

QByteArray SmallJpeg(int width, int height, bool progressive, bool flat) {
    QByteArray pixels(width * height * 3, '\0');
    for (int i = 0; i < pixels.size(); ++i) pixels[i] = flat ? char(128) : char((i * 7) ^ (i >> 9));
    tjhandle compressor = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    tjCompress2(compressor, reinterpret_cast<const unsigned char*>(pixels.constData()), width, 0,
                height, TJPF_RGB, &out, &size, TJSAMP_420, 90,
                progressive ? TJFLAG_PROGRESSIVE : 0);
    QByteArray jpeg(reinterpret_cast<const char*>(out), int(size));
    tjFree(out);
    tjDestroy(compressor);
    return jpeg;
}

QByteArray WithClaimedSize(QByteArray jpeg, int width, int height) {
    const int sof = FindSegment(jpeg, {0xC0, 0xC1, 0xC2});
    if (sof < 0) return QByteArray();
    PutBig16(jpeg, sof + 5, height);
    PutBig16(jpeg, sof + 7, width);
    return jpeg;
}

QByteArray WithRepeatedLastScan(const QByteArray& jpeg, int extra) {
    const auto scans = Scans(jpeg);
    if (scans.empty()) return QByteArray();
    const auto [start, end] = scans.back();
    QByteArray out = jpeg.left(end);
    const QByteArray scan = jpeg.mid(start, end - start);
    for (int i = 0; i < extra; ++i) out += scan;
    return out + QByteArray("\xFF\xD9", 2);
}

QByteArray BmpClaiming(int width, int height, int bitsPerPixel, int pixelBytes) {
    QByteArray bmp(54, '\0');
    char* p = bmp.data();
    p[0] = 'B';
    p[1] = 'M';
    qToLittleEndian<quint32>(quint32(54 + pixelBytes), p + 2);
    qToLittleEndian<quint32>(54, p + 10);
    qToLittleEndian<quint32>(40, p + 14);
    qToLittleEndian<qint32>(width, p + 18);
    qToLittleEndian<qint32>(height, p + 22);
    qToLittleEndian<quint16>(1, p + 26);
    qToLittleEndian<quint16>(quint16(bitsPerPixel), p + 28);
    QByteArray pixels(pixelBytes, '\0');
    for (int i = 0; i < pixelBytes; ++i) pixels[i] = char(i * 31);
    return bmp + pixels;
}

QByteArray PngClaiming(int width, int height) {
    QByteArray header(13, '\0');
    qToBigEndian<quint32>(quint32(width), header.data());
    qToBigEndian<quint32>(quint32(height), header.data() + 4);
    header[8] = 8;  // bits per sample
    header[9] = 2;  // RGB
    return QByteArray("\x89PNG\r\n\x1A\n", 8) + PngChunk("IHDR", header) +
           PngChunk("IDAT", QByteArray("\x78\x9C\x03\x00\x00\x00\x00\x01", 8)) +
           PngChunk("IEND", QByteArray());
}

QByteArray GifClaiming(int width, int height) {
    QByteArray gif("GIF89a");
    QByteArray size(4, '\0');
    qToLittleEndian<quint16>(quint16(width), size.data());
    qToLittleEndian<quint16>(quint16(height), size.data() + 2);
    gif += size + QByteArray("\x80\x00\x00", 3) + QByteArray("\x00\x00\x00\xFF\xFF\xFF", 6);
    gif += QByteArray("\x2C\x00\x00\x00\x00", 5) + size + QByteArray("\x00", 1);
    gif += QByteArray("\x02\x02\x44\x01\x00\x3B", 6);
    return gif;
}

bool WriteSparseFile(const QString& path, qint64 size, const QByteArray& start) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(start) == start.size() &&
           file.resize(size);
}

std::vector<HostileFile> WriteHostileCorpus(const QString& folder) {
    QDir().mkpath(folder);
    const auto path = [&](const QString& name) { return QDir(folder).filePath(name); };
    std::vector<HostileFile> corpus;
    const auto add = [&](const QString& name, const QByteArray& bytes, bool refused) {
        if (WriteFile(path(name), bytes)) corpus.push_back({name, refused, true});
    };

    const QByteArray jpeg = SmallJpeg(64, 48);
    const QByteArray progressive = SmallJpeg(64, 48, true);
    // Cut short, in the header and in the picture data.
    add("cut-header.jpg", jpeg.left(20), true);
    add("cut-scan.jpg", jpeg.left(jpeg.size() * 3 / 5), false);
    add("no-end.jpg", jpeg.left(jpeg.size() - 2), false);
    add("cut-progressive.jpg", progressive.left(progressive.size() / 2), false);
    // Damaged inside.
    QByteArray flipped = jpeg;
    for (int i = jpeg.size() / 2; i < jpeg.size() - 2; i += 7) flipped[i] = char(flipped[i] ^ 0x5A);
    add("flipped-bits.jpg", flipped, false);
    QByteArray tables = jpeg;
    const int dht = FindSegment(tables, {0xC4});
    for (int i = dht + 5; i > 0 && i < dht + 40; ++i) tables[i] = char(0xFF);
    add("bad-huffman.jpg", tables, false);
    QByteArray badLength = jpeg;
    badLength[5] = char(1);  // first segment's length below its own size
    add("bad-length.jpg", badLength, false);
    // Sizes the data does not hold.
    add("zero-width.jpg", WithClaimedSize(jpeg, 0, 48), true);
    add("claims-60000.jpg", WithClaimedSize(jpeg, 60000, 60000), true);
    add("claims-65000.jpg", WithClaimedSize(jpeg, 65000, 65000), true);
    add("claims-65000-progressive.jpg", WithClaimedSize(progressive, 65000, 65000), true);
    add("claims-14000-progressive.jpg", WithClaimedSize(progressive, 14000, 14000), true);
    add("claims-12000.jpg", WithClaimedSize(jpeg, 12000, 12000), false);
    add("many-scans.jpg", WithRepeatedLastScan(SmallJpeg(4000, 4000, true, true), 400), true);
    add("bmp-claims-60000.bmp", BmpClaiming(60000, 60000, 24, 64), true);
    add("bmp-cut-short.bmp", BmpClaiming(4000, 3000, 24, 1024), false);
    add("bmp-top-down-cut.bmp", BmpClaiming(300, -200, 32, 4000), false);
    add("bmp-odd-depth.bmp", BmpClaiming(300, 200, 7, 4000), false);
    add("png-claims-60000.jpg", PngClaiming(60000, 60000), true);
    add("png-claims-12000.jpg", PngClaiming(12000, 11000), true);
    add("gif-claims-65535.jpeg", GifClaiming(65535, 65535), true);
    // Camera previews (EXIF IFD1) that lie about where they are, how long or large they are,
    // or are no JPEG at all; the photos around them are fine unless said otherwise.
    const QByteArray preview = SmallJpeg(160, 120);
    const auto camera = [&](const QByteArray& photo, const CameraExif& exif) {
        return WithSegment(photo, CameraExifSegment(exif));
    };
    const auto previewed = [&](const QByteArray& bytes, qint64 offsetShift, qint64 lengthShift) {
        CameraExif exif;
        exif.preview = bytes;
        exif.previewOffsetShift = offsetShift;
        exif.previewLengthShift = lengthShift;
        return camera(jpeg, exif);
    };
    add("preview-outside.jpg", previewed(preview, 100000, 0), false);
    add("preview-before.jpg", previewed(preview, -0x7FFFFFFF, 0), false);
    add("preview-huge-length.jpg", previewed(preview, 0, 0xFFFFFF00 - preview.size()), false);
    add("preview-cut.jpg", previewed(preview, 0, -200), false);
    QByteArray damaged = preview;
    for (int i = preview.size() / 2; i < preview.size() - 2; i += 7)
        damaged[i] = char(damaged[i] ^ 0x5A);
    add("preview-damaged.jpg", previewed(damaged, 0, 0), false);
    add("preview-claims-60000.jpg", previewed(WithClaimedSize(preview, 60000, 60000), 0, 0), false);
    add("preview-many-scans.jpg",
        previewed(WithRepeatedLastScan(SmallJpeg(160, 120, true, true), 300), 0, 0), false);
    add("preview-text.jpg", previewed("not a picture at all\n", 0, 0), false);
    add("preview-empty.jpg", previewed(QByteArray(1, '\0'), 0, -1), false);
    // The photo's own header or data broken behind a good preview.
    CameraExif good;
    good.preview = preview;
    add("preview-photo-claims-60000.jpg", camera(WithClaimedSize(jpeg, 60000, 60000), good), true);
    add("preview-photo-cut.jpg", previewed(preview, 0, 0).chopped(jpeg.size() / 2), false);
    // The EXIF block itself cut inside a directory, and directories that loop.
    CameraExif plain;
    plain.preview = preview;
    const QByteArray segment = CameraExifSegment(plain);
    QByteArray cutBlock = segment.left(40);
    PutBig16(cutBlock, 2, cutBlock.size() - 2);
    add("exif-cut.jpg", WithSegment(jpeg, cutBlock), false);
    QByteArray loop = segment;
    // IFD0 at TIFF offset 8 (segment offset 18): its next directory made itself.
    const int entries = At(loop, 18) | (At(loop, 19) << 8);
    const int next = 18 + 2 + 12 * entries;
    loop[next] = char(8);
    loop[next + 1] = loop[next + 2] = loop[next + 3] = char(0);
    add("exif-loop.jpg", WithSegment(jpeg, loop), false);
    plain.bigEndian = true;
    plain.previewOffsetShift = 0x40000000;
    add("exif-big-endian-outside.jpg", WithSegment(jpeg, CameraExifSegment(plain)), false);
    // Wrong names and no picture at all.
    QImage small(40, 30, QImage::Format_RGB32);
    small.fill(Qt::darkCyan);
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        small.save(&buffer, "PNG");
    }
    add("png-named.jpg", png, false);
    add("jpeg-named.bmp", jpeg, false);
    add("text.jpg", "not a picture at all\n", true);
    QByteArray noise(4096, '\0');
    for (int i = 0; i < noise.size(); ++i) noise[i] = char((i * 2654435761u) >> 13);
    add("noise.bmp", noise, true);
    add("empty.jpg", QByteArray(), true);
    add("zeros.jpeg", QByteArray(8192, '\0'), true);
    // Beyond any photo's size: nothing of them may be read.
    if (WriteSparseFile(path("huge.jpg"), qint64(3) << 30))
        corpus.push_back({"huge.jpg", true, true});
    if (WriteSparseFile(path("huge-jpeg.jpg"), qint64(3) << 30, jpeg.left(600)))
        corpus.push_back({"huge-jpeg.jpg", true, true});
    // Not plain files: reading a pipe or a device would block or never end.
    if (QDir().mkpath(path("folder.jpg"))) corpus.push_back({"folder.jpg", true, false});
    if (mkfifo(QFile::encodeName(path("pipe.jpg")).constData(), 0600) == 0)
        corpus.push_back({"pipe.jpg", true, false});
    if (QFile::link("/dev/zero", path("zero.jpg"))) corpus.push_back({"zero.jpg", true, false});
    if (QFile::link(path("nowhere.jpg"), path("gone.jpg")))
        corpus.push_back({"gone.jpg", true, false});
    if (QFile::link(path("loop-b.jpg"), path("loop-a.jpg")) &&
        QFile::link(path("loop-a.jpg"), path("loop-b.jpg"))) {
        corpus.push_back({"loop-a.jpg", true, false});
        corpus.push_back({"loop-b.jpg", true, false});
    }
    return corpus;
}

}  // namespace testing_support
