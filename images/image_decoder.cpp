#include "images/image_decoder.h"

#include <turbojpeg.h>

#include <csetjmp>
#include <cstdio>
// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImageReader>
#include <QSemaphore>
#include <QtMath>
#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>

#include "images/fitting.h"
#include "images/jpeg_head.h"

namespace images {
namespace {

using namespace internal;

// Size to decode for a given original size; both as the picture will be shown (turned).
using NeededFor = std::function<QSize(QSize shownOriginal)>;

// Enough of a JPEG to reach its frame and first scan headers in all but odd files.
constexpr qint64 kJpegHeadBytes = 256 * 1024;

QString CannotDecode(const QString& path, const QString& reason) {
    return QStringLiteral("无法解码图片文件: ") + path + QStringLiteral(" (") + reason +
           QLatin1Char(')');
}

// Decodes that need much memory first take a share of one allowance for the whole process,
// so that the import's threads cannot all hold a giant picture at the same time.
class MemoryShare {
  public:
    explicit MemoryShare(qint64 bytes)
        : mebibytes_(bytes < kSmall ? 0 : int(std::min<qint64>(bytes >> 20, kTotalMiB))) {
        if (mebibytes_) Allowance().acquire(mebibytes_);
    }
    ~MemoryShare() {
        if (mebibytes_) Allowance().release(mebibytes_);
    }
    MemoryShare(const MemoryShare&) = delete;
    MemoryShare& operator=(const MemoryShare&) = delete;

  private:
    static constexpr qint64 kSmall = qint64(64) << 20;
    static constexpr int kTotalMiB = 1536;
    static QSemaphore& Allowance() {
        static QSemaphore allowance(kTotalMiB);
        return allowance;
    }
    int mebibytes_;
};

// Qt refuses images above 128 MB by default, a 33-megapixel picture; our own limits are
// checked before any reader allocates, so Qt's may sit above them (16-bit PNGs included).
void RaiseQtAllocationLimit() {
    static std::once_flag once;
    std::call_once(once, [] {
        const int mebibytes = int((kMaxDecodedPixels * 8) >> 20) + 1;
        if (QImageReader::allocationLimit() < mebibytes)
            QImageReader::setAllocationLimit(mebibytes);
    });
}

QString RefusalOfWholeDecode(QSize size) {
    if (PixelsOf(size) > kMaxDecodedPixels)
        return QStringLiteral("图片尺寸 %1 超出上限").arg(SizeText(size));
    return QString();
}

int QuarterTurnsOf(int turns) { return ((turns % 4) + 4) % 4; }

// Smallest DCT scale whose result covers `needed` (full size when `needed` is invalid),
// then smaller while the result is beyond the decode budget.
QSize DctScaledSize(QSize original, QSize needed) {
    static const tjscalingfactor kFactors[] = {{1, 8}, {1, 4}, {1, 2}, {1, 1}};
    const auto scaledBy = [&](const tjscalingfactor& f) {
        return QSize(TJSCALED(original.width(), f), TJSCALED(original.height(), f));
    };
    int chosen = 3;
    if (needed.isValid()) {
        for (int i = 0; i < 4; ++i) {
            const QSize scaled = scaledBy(kFactors[i]);
            if (scaled.width() >= needed.width() && scaled.height() >= needed.height()) {
                chosen = i;
                break;
            }
        }
    }
    while (chosen > 0 && PixelsOf(scaledBy(kFactors[chosen])) > kMaxDecodedPixels) --chosen;
    return scaledBy(kFactors[chosen]);
}

class Decompressor {
  public:
    Decompressor() : handle_(tjInitDecompress()) {}
    ~Decompressor() {
        if (handle_) tjDestroy(handle_);
    }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;
    tjhandle get() const { return handle_; }
    QString errorText() const { return QString::fromLocal8Bit(tjGetErrorStr2(handle_)); }

  private:
    tjhandle handle_;
};

// ---- The pixels of a JPEG through libjpeg, a chunk of rows at a time.

// Rows decoded between two asks whether the decode is still wanted: a few milliseconds of
// work on a 24-megapixel photo at any scale.
constexpr int kRowsPerChunk = 32;
// As TurboJPEG's scan limit: beyond it a progressive file is refused.
constexpr int kMaxJpegScans = 500;

struct JpegErrors {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool abandoned;
};

struct JpegProgress {
    jpeg_progress_mgr pub;
    const StillWanted* stillWanted;
};

// Everything libjpeg holds for one decode, plain data only: an error leaves through longjmp,
// past which no C++ object may live.
struct JpegSession {
    jpeg_decompress_struct info;
    JpegErrors errors;
    JpegProgress progress;
    JDIMENSION rowsDone;  // when it failed
};

[[noreturn]] void LeaveJpeg(j_common_ptr info) {
    longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1);
}

[[noreturn]] void OnJpegError(j_common_ptr info) {
    (*info->err->format_message)(info, reinterpret_cast<JpegErrors*>(info->err)->message);
    LeaveJpeg(info);
}

// Warnings (a file cut short, corrupt data) are kept quiet; the decode goes on with what
// it has, as TurboJPEG's does.
void KeepJpegMessage(j_common_ptr info) {
    (*info->err->format_message)(info, reinterpret_cast<JpegErrors*>(info->err)->message);
}

// Called while libjpeg works, also through the scans of a progressive file that are all
// read before the first row comes out.
void OnJpegProgress(j_common_ptr info) {
    auto* progress = reinterpret_cast<JpegProgress*>(info->progress);
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    if (info->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxJpegScans) {
        snprintf(errors->message, sizeof errors->message, "more than %d scans", kMaxJpegScans);
        info->err->num_warnings = 0;  // refused outright, whatever was decoded
        LeaveJpeg(info);
    }
    if (*progress->stillWanted && !(*progress->stillWanted)()) {
        errors->abandoned = true;
        LeaveJpeg(info);
    }
}

// The scaling factor TurboJPEG takes for an output of at most `scaled`: the largest it
// offers, so that the pixels are the same as through its own decode.
bool JpegScaleFor(QSize original, QSize scaled, int* numerator, int* denominator) {
    int count = 0;
    const tjscalingfactor* factors = tjGetScalingFactors(&count);
    for (int i = 0; factors && i < count; ++i) {
        if (TJSCALED(original.width(), factors[i]) <= scaled.width() &&
            TJSCALED(original.height(), factors[i]) <= scaled.height()) {
            *numerator = factors[i].num;
            *denominator = factors[i].denom;
            return true;
        }
    }
    return false;
}

enum class JpegOutcome { Decoded, Abandoned, Failed };

// Decodes the JPEG in `data` into `bits` (rows of 0xffRRGGBB) at numerator/denominator of
// its size, which must come out as `scaled`. stillWanted is asked between chunks of rows.
// A file cut short or with corrupt data comes out as far as it could be read.
JpegOutcome ReadJpegRows(JpegSession& session, const uchar* data, size_t length, QSize scaled,
                         int numerator, int denominator, uchar* bits, qsizetype bytesPerLine,
                         const StillWanted& stillWanted, DecodeSpeed speed) {
    memset(&session, 0, sizeof session);
    jpeg_decompress_struct& info = session.info;
    info.err = jpeg_std_error(&session.errors.pub);
    session.errors.pub.error_exit = OnJpegError;
    session.errors.pub.output_message = KeepJpegMessage;
    session.progress.pub.progress_monitor = OnJpegProgress;
    session.progress.stillWanted = &stillWanted;
    if (setjmp(session.errors.jump)) {
        session.rowsDone = info.output_scanline;
        jpeg_destroy_decompress(&info);
        return session.errors.abandoned ? JpegOutcome::Abandoned : JpegOutcome::Failed;
    }
    jpeg_create_decompress(&info);
    info.progress = &session.progress.pub;
    jpeg_mem_src(&info, data, static_cast<unsigned long>(length));
    jpeg_read_header(&info, TRUE);
    // Format_RGB32 is 0xffRRGGBB in native order, filled here with the X byte 0xFF.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    info.out_color_space = JCS_EXT_BGRX;
#else
    info.out_color_space = JCS_EXT_XRGB;
#endif
    if (speed == DecodeSpeed::Fast) {
        info.do_fancy_upsampling = FALSE;
        info.dct_method = JDCT_IFAST;
    }
    info.scale_num = static_cast<unsigned int>(numerator);
    info.scale_denom = static_cast<unsigned int>(denominator);
    jpeg_start_decompress(&info);
    if (int(info.output_width) != scaled.width() || int(info.output_height) != scaled.height()) {
        snprintf(session.errors.message, sizeof session.errors.message, "scaled to %ux%u",
                 info.output_width, info.output_height);
        LeaveJpeg(reinterpret_cast<j_common_ptr>(&info));
    }
    JSAMPROW rows[kRowsPerChunk];
    while (info.output_scanline < info.output_height) {
        const JDIMENSION first = info.output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(kRowsPerChunk, info.output_height - first);
        for (JDIMENSION i = 0; i < count; ++i) rows[i] = bits + qsizetype(first + i) * bytesPerLine;
        while (info.output_scanline < first + count)
            jpeg_read_scanlines(&info, rows + (info.output_scanline - first),
                                first + count - info.output_scanline);
        if (stillWanted && info.output_scanline < info.output_height && !stillWanted()) {
            session.errors.abandoned = true;
            LeaveJpeg(reinterpret_cast<j_common_ptr>(&info));
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return JpegOutcome::Decoded;
}

// Qt's readers on any device: BMP, PNG, GIF and the JPEGs libjpeg cannot take. The picture
// is checked against the limits from its header before the reader allocates it. With
// `share`, a large decode first takes its share of the memory allowance (a caller that
// already holds one passes false).
DecodedImage ReadWithQt(const QString& path, QIODevice* device, QSize scaledSize, bool share) {
    RaiseQtAllocationLimit();
    DecodedImage result;
    QImageReader reader(device);
    reader.setAutoTransform(false);
    const QSize claimed = reader.size();
    if (claimed.isValid()) {
        QString refusal = PixelsOf(claimed) > kMaxPicturePixels
                              ? QStringLiteral("图片尺寸 %1 超出上限").arg(SizeText(claimed))
                              : QString();
        if (refusal.isEmpty())
            refusal = RefusalOfWholeDecode(scaledSize.isValid() ? scaledSize : claimed);
        if (!refusal.isEmpty()) {
            result.error = CannotDecode(path, refusal);
            return result;
        }
    }
    if (scaledSize.isValid()) reader.setScaledSize(scaledSize);
    const MemoryShare memory(share && claimed.isValid() ? PixelsOf(claimed) * 4 : 0);
    QImage image = reader.read();
    if (image.isNull()) {
        result.error = CannotDecode(path, reader.errorString());
        return result;
    }
    result.originalSize = image.size();
    result.image = std::move(image);
    return result;
}

DecodedImage ReadBytesWithQt(const QString& path, const QByteArray& bytes, QSize scaledSize,
                             bool share) {
    QByteArray data = QByteArray::fromRawData(bytes.constData(), bytes.size());
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    return ReadWithQt(path, &buffer, scaledSize, share);
}

// Reads the layout from the file's first bytes, and from all of it when the scans must be
// counted or the headers reach further.
JpegLayout ReadJpegLayoutOf(const PhotoFile& file, bool countScans, QByteArray* bytes) {
    file.readMore(bytes, countScans ? -1 : kJpegHeadBytes);
    JpegLayout layout = ReadJpegLayout(*bytes, countScans);
    const bool partial = bytes->size() < file.size();
    if (partial && (!layout.frameFound || (countScans && layout.wholeImageBuffer))) {
        file.readMore(bytes);
        layout = ReadJpegLayout(*bytes, countScans);
    }
    return layout;
}

// Where a thread reads the JPEGs it decodes. The buffer is kept between decodes up to the
// size of ordinary photos, so reading a photo costs one copy and no fresh pages (fresh pages
// cost more than the copy itself); anything larger is given back after its decode.
class ThreadReadBuffer {
  public:
    ThreadReadBuffer() : bytes_(Buffer()) { bytes_.resize(0); }
    ~ThreadReadBuffer() {
        if (bytes_.capacity() > kKeptBytes) bytes_ = QByteArray();
    }
    ThreadReadBuffer(const ThreadReadBuffer&) = delete;
    ThreadReadBuffer& operator=(const ThreadReadBuffer&) = delete;
    QByteArray& bytes() { return bytes_; }

  private:
    static constexpr qint64 kKeptBytes = qint64(24) << 20;
    static QByteArray& Buffer() {
        thread_local QByteArray buffer;
        return buffer;
    }
    QByteArray& bytes_;
};

DecodedImage DecodeJpeg(const QString& path, const PhotoFile& file, const NeededFor& neededFor,
                        const Turn& turn, const StillWanted& stillWanted, DecodeSpeed speed) {
    DecodedImage result;
    // What the headers claim is judged before the whole file is read.
    ThreadReadBuffer buffer;
    QByteArray& bytes = buffer.bytes();
    JpegLayout layout = ReadJpegLayoutOf(file, false, &bytes);
    QString refusal = RefusalOf(layout);
    if (refusal.isEmpty() && layout.frameFound) {
        file.readMore(&bytes);
        if (layout.wholeImageBuffer) layout = ReadJpegLayout(bytes, true);
        refusal = RefusalOf(layout);
    }
    if (!layout.frameFound || layout.size.isEmpty()) {
        result.error = CannotDecode(path, QStringLiteral("没有有效的 JPEG 图像头"));
        return result;
    }
    if (!refusal.isEmpty()) {
        result.error = CannotDecode(path, refusal);
        return result;
    }

    Decompressor tj;
    if (!tj.get()) {
        result.error = CannotDecode(path, QString::fromLocal8Bit(tjGetErrorStr2(nullptr)));
        return result;
    }
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto length = static_cast<unsigned long>(bytes.size());
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(tj.get(), data, length, &width, &height, &subsampling, &colourspace) !=
            0 ||
        width <= 0 || height <= 0) {
        result.error = CannotDecode(path, tj.errorText());
        return result;
    }
    const QSize original(width, height);
    if (original != layout.size) {
        // Only a file that is not what its markers say gets here; nothing is guessed.
        result.error = CannotDecode(path, QStringLiteral("图像头不一致"));
        return result;
    }
    // The need is that of the picture as shown; the DCT scale is chosen on the stored pixels.
    const int orientation =
        turn.orientation == Orientation::AsTaken ? OrientationOf(bytes, layout) : 1;
    const int turns = QuarterTurnsOf(turn.quarterTurns);
    const bool sideways = SwapsAxes(orientation) != (turns % 2 == 1);
    const QSize shown = sideways ? original.transposed() : original;
    QSize needed = neededFor ? neededFor(shown) : QSize();
    if (sideways && needed.isValid()) needed.transpose();
    const QSize scaled = DctScaledSize(original, needed);
    const bool turning = orientation != 1 || turns != 0;
    const MemoryShare memory(PixelsOf(scaled) * (turning ? 8 : 4) + bytes.size() +
                             (layout.wholeImageBuffer ? layout.blocks * 128 : 0));
    const auto finish = [&](DecodedImage decoded) {
        if (!decoded.ok()) return decoded;
        if (turning) decoded.image = Turned(std::move(decoded.image), orientation, turns);
        decoded.originalSize = shown;
        decoded.orientation = orientation;
        return decoded;
    };

    // libjpeg cannot turn CMYK into RGB; Qt's reader can, and scales by DCT as well.
    if (colourspace == TJCS_CMYK || colourspace == TJCS_YCCK)
        return finish(ReadBytesWithQt(path, bytes, scaled, false));

    int numerator = 1, denominator = 1;
    if (!JpegScaleFor(original, scaled, &numerator, &denominator)) {
        result.error = CannotDecode(path, QStringLiteral("无法缩小到 %1").arg(SizeText(scaled)));
        return result;
    }
    QImage image(scaled, QImage::Format_RGB32);
    if (image.isNull()) {
        result.error = CannotDecode(path, QStringLiteral("内存不足"));
        return result;
    }
    // Heap-held: libjpeg's state is large, and a longjmp must find it where it was left.
    const auto session = std::make_unique<JpegSession>();
    const JpegOutcome outcome =
        ReadJpegRows(*session, data, size_t(length), scaled, numerator, denominator, image.bits(),
                     image.bytesPerLine(), stillWanted, speed);
    if (outcome == JpegOutcome::Abandoned) {
        result.abandoned = true;
        result.error = CannotDecode(path, QStringLiteral("已不再需要"));
        return result;
    }
    // A damaged file that warned before it failed keeps what was decoded, as TurboJPEG's
    // decode did (it reported such a failure as a warning); rows never reached are black.
    if (outcome == JpegOutcome::Failed && session->errors.pub.num_warnings > 0) {
        for (int y = int(session->rowsDone); y < image.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            std::fill(row, row + image.width(), qRgb(0, 0, 0));
        }
    } else if (outcome == JpegOutcome::Failed) {
        // Anything else fatal gets a second chance with Qt's reader (within the same limits,
        // checked above).
        const QString reason = QString::fromLocal8Bit(session->errors.message);
        result = ReadBytesWithQt(path, bytes, scaled, false);
        if (!result.ok()) result.error = CannotDecode(path, reason);
        return finish(std::move(result));
    }
    result.image = std::move(image);
    return finish(std::move(result));
}

DecodedImage Decode(const QString& path, const NeededFor& neededFor, const Turn& turn,
                    const StillWanted& stillWanted, DecodeSpeed speed = DecodeSpeed::Accurate) {
    const PhotoFile file(path);
    if (!file.ok()) {
        DecodedImage result;
        result.error = file.error();
        return result;
    }
    if (file.startsLikeJpeg()) return DecodeJpeg(path, file, neededFor, turn, stillWanted, speed);
    // Other formats stream from the file: a BMP is not held twice. They carry no camera
    // orientation.
    QFile device;
    if (!device.open(file.descriptor(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
        DecodedImage result;
        result.error = CannotOpen(path);
        return result;
    }
    DecodedImage result = ReadWithQt(path, &device, QSize(), true);
    const int turns = QuarterTurnsOf(turn.quarterTurns);
    if (result.ok() && turns != 0) {
        result.image = Turned(std::move(result.image), 1, turns);
        if (turns % 2) result.originalSize.transpose();
    }
    return result;
}

}  // namespace

bool SwapsAxes(int orientation) { return orientation >= 5 && orientation <= 8; }

int ReadCameraOrientation(const QString& path) {
    const PhotoFile file(path);
    if (!file.ok() || !file.startsLikeJpeg()) return 1;
    const QByteArray head = file.read(kExifHeadBytes);
    return OrientationOf(head, ReadJpegLayout(head, false));
}

QSize ReadImageSize(const QString& path, Orientation orientation) {
    const PhotoFile file(path);
    if (!file.ok()) return QSize();
    if (file.startsLikeJpeg()) {
        // The same admission as decoding; the scans are counted only in files that need it.
        QByteArray bytes;
        JpegLayout layout = ReadJpegLayoutOf(file, false, &bytes);
        if (layout.wholeImageBuffer) layout = ReadJpegLayoutOf(file, true, &bytes);
        if (!layout.frameFound || layout.size.isEmpty() || !RefusalOf(layout).isEmpty())
            return QSize();
        if (orientation == Orientation::AsTaken && SwapsAxes(OrientationOf(bytes, layout)))
            return layout.size.transposed();
        return layout.size;
    }
    QFile device;
    if (!device.open(file.descriptor(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        return QSize();
    QImageReader reader(&device);
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (size.isEmpty() || !RefusalOfWholeDecode(size).isEmpty()) return QSize();
    return size;
}

DecodedImage DecodeImage(const QString& path, QSize needed, const Turn& turn,
                         const StillWanted& stillWanted) {
    return Decode(
        path, [needed](QSize) { return needed; }, turn, stillWanted);
}

DecodedImage DecodeForFit(const QString& path, QSize box, const Turn& turn, qreal devicePixelRatio,
                          const StillWanted& stillWanted, DecodeSpeed speed) {
    return Decode(
        path,
        [&](QSize shown) {
            // Fitted in logical pixels, decoded for the device pixels that show them.
            const Placement p =
                FitPicture(box.width(), box.height(), shown.width(), shown.height());
            return QSize(qCeil(p.w * devicePixelRatio), qCeil(p.h * devicePixelRatio));
        },
        turn, stillWanted, speed);
}

}  // namespace images
