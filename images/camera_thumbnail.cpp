#include "images/camera_thumbnail.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "images/fitting.h"
#include "images/jpeg_head.h"
#include "images/log.h"
#include "images/picture_drawing.h"
#include "images/thumbnail.h"

namespace images {
namespace {

using namespace internal;

// ---- Signs of editing.

// Programs that change pictures, as they name themselves in Software or CreatorTool, and
// words only such programs use. Matched anywhere in the name, in any case.
const char* const kEditors[] = {
    "photoshop",   "lightroom", "gimp",       "capture one", "affinity", "luminar", "darktable",
    "rawtherapee", "snapseed",  "photoscape", "acdsee",      "picasa",   "adobe",   "美图",
    "光影魔术手",  "edit",      "retouch",    "编辑",        "修图"};

QString EditorNamedIn(const QString& name) {
    for (const char* editor : kEditors)
        if (name.contains(QString::fromUtf8(editor), Qt::CaseInsensitive)) return name;
    return QString();
}

// "YYYY:MM:DD HH:MM:SS" (EXIF) or "YYYY-MM-DDTHH:MM:SS..." (XMP) as 14 digits that sort
// as the times do; empty when the text is neither, or the camera left it blank or zero.
QString DateKey(const QString& text) {
    if (text.size() < 19) return QString();
    QString key;
    for (int i = 0; i < 19; ++i) {
        const QChar c = text[i];
        const bool separator = i == 4 || i == 7 || i == 10 || i == 13 || i == 16;
        if (separator) {
            const bool fits = (i == 4 || i == 7) ? (c == u':' || c == u'-')
                              : i == 10          ? (c == u' ' || c == u'T')
                                                 : c == u':';
            if (!fits) return QString();
        } else {
            if (c < u'0' || c > u'9') return QString();
            key += c;
        }
    }
    if (key.left(8) == QLatin1String("00000000")) return QString();
    return key;
}

// The value of an XMP property, written as an attribute (name="value") or an element
// (<name>value</name>); empty when the packet has none.
QString XmpValue(const QString& packet, const QString& name) {
    qsizetype at = 0;
    while ((at = packet.indexOf(name, at)) >= 0) {
        at += name.size();
        qsizetype i = at;
        while (i < packet.size() && packet[i].isSpace()) ++i;
        if (i >= packet.size()) break;
        if (packet[i] == u'=') {
            ++i;
            while (i < packet.size() && packet[i].isSpace()) ++i;
            if (i >= packet.size() || (packet[i] != u'"' && packet[i] != u'\'')) continue;
            const QChar quote = packet[i];
            const qsizetype end = packet.indexOf(quote, i + 1);
            if (end < 0) break;
            return packet.mid(i + 1, end - i - 1).trimmed();
        }
        if (packet[i] == u'>') {
            const qsizetype end = packet.indexOf(u'<', i + 1);
            if (end < 0) break;
            return packet.mid(i + 1, end - i - 1).trimmed();
        }
    }
    return QString();
}

QString SignInXmp(const QByteArray& xmp, const QString& dateTimeOriginal) {
    if (xmp.isEmpty()) return QString();
    const QString packet = QString::fromUtf8(xmp);
    // A history of saves, or the develop settings of a raw converter.
    for (const char* mark : {"xmpMM:History", "stEvt:action", "photoshop:History", "crs:"})
        if (packet.contains(QLatin1String(mark)))
            return QStringLiteral("XMP holds %1").arg(QLatin1String(mark));
    const QString tool = EditorNamedIn(XmpValue(packet, QStringLiteral("xmp:CreatorTool")));
    if (!tool.isEmpty()) return QStringLiteral("XMP CreatorTool names an editor: ") + tool;
    const QString modified = DateKey(XmpValue(packet, QStringLiteral("xmp:ModifyDate")));
    QString created = DateKey(XmpValue(packet, QStringLiteral("xmp:CreateDate")));
    if (created.isEmpty()) created = DateKey(dateTimeOriginal);
    if (!modified.isEmpty() && !created.isEmpty() && modified > created)
        return QStringLiteral("XMP ModifyDate is later than the shot");
    return QString();
}

// ---- The preview's pixels.

// Luma of a pixel, 0..255.
int Luma(QRgb pixel) { return (qRed(pixel) * 77 + qGreen(pixel) * 150 + qBlue(pixel) * 29) >> 8; }

// Whether `count` pixels `step` apart from `first` are a line of a black band: near black
// on average and no pixel far from it. JPEG's ringing next to the picture stays within
// that; a dark part of the picture rarely does, and when it does the shape test fails and
// the photo is decoded.
bool BandLine(const QRgb* first, qsizetype step, int count) {
    constexpr int kMeanLuma = 24;
    constexpr int kMaxLuma = 72;
    int sum = 0;
    for (int i = 0; i < count; ++i) {
        const int luma = Luma(first[i * step]);
        if (luma > kMaxLuma) return false;
        sum += luma;
    }
    return sum <= kMeanLuma * count;
}

using TjHandle = std::unique_ptr<void, int (*)(tjhandle)>;

// Decodes a preview within the limits of a preview; null with the reason when it is not
// one a camera would write or cannot be decoded cleanly.
QImage DecodePreview(const QByteArray& jpeg, QString* why) {
    const JpegLayout layout = ReadJpegLayout(jpeg, false);
    if (!layout.frameFound || layout.size.isEmpty()) {
        *why = QStringLiteral("the thumbnail is no JPEG");
        return QImage();
    }
    if (layout.size.width() > kMaxCameraThumbnailSide ||
        layout.size.height() > kMaxCameraThumbnailSide) {
        *why = QStringLiteral("thumbnail of %1 is too large").arg(SizeText(layout.size));
        return QImage();
    }
    if (layout.wholeImageBuffer) {
        *why = QStringLiteral("progressive thumbnail");
        return QImage();
    }
    const TjHandle tj(tjInitDecompress(), tjDestroy);
    if (!tj) {
        *why = QString::fromLocal8Bit(tjGetErrorStr2(nullptr));
        return QImage();
    }
    const auto* data = reinterpret_cast<const unsigned char*>(jpeg.constData());
    const auto length = static_cast<unsigned long>(jpeg.size());
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(tj.get(), data, length, &width, &height, &subsampling, &colourspace) !=
            0 ||
        QSize(width, height) != layout.size || colourspace == TJCS_CMYK ||
        colourspace == TJCS_YCCK) {
        *why = QStringLiteral("thumbnail header not usable");
        return QImage();
    }
    QImage image(layout.size, QImage::Format_RGB32);
    if (image.isNull()) {
        *why = QStringLiteral("out of memory");
        return QImage();
    }
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    const int format = TJPF_BGRX;
#else
    const int format = TJPF_XRGB;
#endif
    // A preview cut short or damaged shows something else than the photo: any warning
    // refuses it.
    if (tjDecompress2(tj.get(), data, length, image.bits(), width, int(image.bytesPerLine()),
                      height, format, TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS) != 0) {
        *why = QStringLiteral("thumbnail cannot be decoded: ") +
               QString::fromLocal8Bit(tjGetErrorStr2(tj.get()));
        return QImage();
    }
    return image;
}

CameraPreview Refused(const QString& why) {
    CameraPreview preview;
    preview.whyNot = why;
    return preview;
}

}  // namespace

QString SignOfEditing(const ShotRecord& record) {
    const QString written = DateKey(record.dateTime), shot = DateKey(record.dateTimeOriginal);
    if (!written.isEmpty() && !shot.isEmpty() && written > shot)
        return QStringLiteral("written %1, later than shot %2")
            .arg(record.dateTime, record.dateTimeOriginal);
    for (const QString& software : {record.software, record.processingSoftware}) {
        const QString editor = EditorNamedIn(software);
        if (!editor.isEmpty()) return QStringLiteral("software names an editor: ") + editor;
    }
    if (record.photoshopBlock) return QStringLiteral("Photoshop image resources (APP13)");
    return SignInXmp(record.xmp, record.dateTimeOriginal);
}

QRect PictureInsideBands(const QImage& preview) {
    const QImage image =
        preview.format() == QImage::Format_RGB32 || preview.format() == QImage::Format_ARGB32
            ? preview
            : preview.convertToFormat(QImage::Format_RGB32);
    const int w = image.width(), h = image.height();
    if (w <= 0 || h <= 0) return QRect();
    const qsizetype stride = image.bytesPerLine() / 4;
    const auto* pixels = reinterpret_cast<const QRgb*>(image.constBits());
    const auto row = [&](int y, int from, int to) {
        return BandLine(pixels + y * stride + from, 1, to - from);
    };
    const auto column = [&](int x, int from, int to) {
        return BandLine(pixels + from * stride + x, stride, to - from);
    };
    int top = 0;
    while (top < h && row(top, 0, w)) ++top;
    if (top == h) return QRect();
    int bottom = 0;
    while (row(h - 1 - bottom, 0, w)) ++bottom;
    // A band on one side alone is a dark part of the picture.
    if (top == 0 || bottom == 0) top = bottom = 0;
    int left = 0;
    while (left < w && column(left, top, h - bottom)) ++left;
    if (left == w) return QRect();
    int right = 0;
    while (column(w - 1 - right, top, h - bottom)) ++right;
    if (left == 0 || right == 0) left = right = 0;
    return QRect(left, top, w - left - right, h - top - bottom);
}

bool SameShape(QSize picture, QSize photo) {
    if (picture.isEmpty() || photo.isEmpty()) return false;
    const qint64 across = qint64(picture.width()) * photo.height();
    const qint64 down = qint64(picture.height()) * photo.width();
    const qint64 off = std::abs(across - down);
    // A pixel of rounding: the height off by one is `off` up to the photo's width, the
    // width off by one up to its height.
    if (off <= std::max(photo.width(), photo.height())) return true;
    return off * 50 <= std::min(across, down);
}

CameraPreview ReadCameraPreview(const QString& photo, Orientation orientation) {
    const PhotoFile file(photo);
    if (!file.ok()) return Refused(file.error());
    if (!file.startsLikeJpeg()) return Refused(QStringLiteral("not a JPEG"));
    // The EXIF block comes first; more is read only while the frame header is not in yet.
    QByteArray head;
    JpegLayout layout;
    for (qint64 limit = kExifHeadBytes;; limit = std::min(limit * 2, kMaxCameraHeadBytes)) {
        file.readMore(&head, limit);
        layout = ReadJpegLayout(head, false);
        if (layout.frameFound || head.size() < limit || limit >= kMaxCameraHeadBytes) break;
    }
    if (!layout.frameFound || layout.size.isEmpty())
        return Refused(QStringLiteral("no frame header in the first %1 KB").arg(head.size() >> 10));
    const QString refusal = RefusalOf(layout);
    if (!refusal.isEmpty()) return Refused(refusal);
    // Cameras write baseline files; anything else has been through other hands.
    if (layout.wholeImageBuffer) return Refused(QStringLiteral("not a baseline JPEG"));
    if (layout.exifAt < 0) return Refused(QStringLiteral("no EXIF block"));

    const ExifBlock exif(head, layout);
    if (!exif.get()) return Refused(QStringLiteral("EXIF block cannot be read"));
    ShotRecord record;
    record.dateTime = exif.text(EXIF_IFD_0, EXIF_TAG_DATE_TIME);
    record.dateTimeOriginal = exif.text(EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL);
    record.software = exif.text(EXIF_IFD_0, EXIF_TAG_SOFTWARE);
    record.processingSoftware = exif.text(EXIF_IFD_0, ExifTag(0x000B));
    if (layout.xmpAt >= 0) record.xmp = head.mid(layout.xmpAt, layout.xmpLength);
    record.photoshopBlock = layout.photoshopBlock;
    const QString edited = SignOfEditing(record);
    if (!edited.isEmpty()) return Refused(QStringLiteral("edited: ") + edited);

    const ExifData* data = exif.get();
    if (!data->data || data->size == 0) return Refused(QStringLiteral("no thumbnail in IFD1"));
    QString why;
    const QImage pixels = DecodePreview(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data->data), int(data->size)), &why);
    if (pixels.isNull()) return Refused(why);
    const QRect inside = PictureInsideBands(pixels);
    if (inside.isEmpty()) return Refused(QStringLiteral("thumbnail is all black"));
    if (!SameShape(inside.size(), layout.size))
        return Refused(
            QStringLiteral("thumbnail shows %1 of %2, the photo is %3")
                .arg(SizeText(inside.size()), SizeText(pixels.size()), SizeText(layout.size)));

    // The preview is stored as the photo's pixels are; it turns as they do.
    const int turn = orientation == Orientation::AsTaken ? exif.orientation() : 1;
    CameraPreview preview;
    preview.picture = Turned(inside == pixels.rect() ? pixels : pixels.copy(inside), turn, 0);
    preview.originalSize = SwapsAxes(turn) ? layout.size.transposed() : layout.size;
    return preview;
}

std::optional<QByteArray> MakeThumbnailFromCamera(const QString& photo, bool widescreen,
                                                  int widescreenRatio, Orientation orientation,
                                                  QString* whyNot) {
    const auto refused = [&](const QString& why) -> std::optional<QByteArray> {
        qCDebug(lcImages).noquote() << "camera thumbnail of" << photo << "not used:" << why;
        if (whyNot) *whyNot = why;
        return std::nullopt;
    };
    const CameraPreview preview = ReadCameraPreview(photo, orientation);
    if (!preview.ok()) return refused(preview.whyNot);
    const DrawOptions options = ThumbnailDrawOptions(widescreen, widescreenRatio, orientation);
    // Never enlarged: a preview smaller than its place in the cell would come out blurred.
    const Placement place = FitPicture(options.size.width(), options.size.height(),
                                       preview.originalSize.width(), preview.originalSize.height());
    if (preview.picture.width() < place.w || preview.picture.height() < place.h)
        return refused(QStringLiteral("thumbnail of %1 is smaller than its place in the cell")
                           .arg(SizeText(preview.picture.size())));
    const QImage canvas = DrawImageFitted(preview.picture, preview.originalSize, options);
    if (canvas.isNull()) return refused(QStringLiteral("cannot draw the thumbnail"));
    return EncodeBmp24(canvas);
}

}  // namespace images
