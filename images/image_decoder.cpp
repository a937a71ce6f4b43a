#include "images/image_decoder.h"

#include <turbojpeg.h>

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImageReader>
#include <QTransform>
#include <functional>

#include "images/fitting.h"

namespace images {
namespace {

// Size to decode for a given original size (in the file's own orientation).
using NeededFor = std::function<QSize(QSize original)>;

// The whole file, mapped when the system allows it so a 24-megapixel JPEG is not copied.
class FileBytes {
  public:
    explicit FileBytes(const QString& path) : file_(path) {
        if (!file_.open(QIODevice::ReadOnly)) return;
        const qint64 size = file_.size();
        if (size > 0) {
            if (uchar* mapped = file_.map(0, size)) {
                data_ = reinterpret_cast<const char*>(mapped);
                size_ = size;
                return;
            }
        }
        buffer_ = file_.readAll();
        data_ = buffer_.constData();
        size_ = buffer_.size();
    }
    bool opened() const { return file_.isOpen(); }
    const unsigned char* data() const { return reinterpret_cast<const unsigned char*>(data_); }
    qint64 size() const { return size_; }
    bool isJpeg() const { return size_ >= 2 && data()[0] == 0xFF && data()[1] == 0xD8; }
    // A non-owning view for Qt's readers; valid while this object lives.
    QByteArray view() const { return QByteArray::fromRawData(data_, static_cast<int>(size_)); }

  private:
    QFile file_;
    QByteArray buffer_;
    const char* data_ = nullptr;
    qint64 size_ = 0;
};

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

QString CannotOpen(const QString& path) { return QStringLiteral("无法打开图片文件: ") + path; }

QString CannotDecode(const QString& path, const QString& reason) {
    return QStringLiteral("无法解码图片文件: ") + path + QStringLiteral(" (") + reason +
           QLatin1Char(')');
}

// Smallest DCT scale whose result covers `needed`; full size when `needed` is invalid.
QSize DctScaledSize(QSize original, QSize needed) {
    if (!needed.isValid()) return original;
    static const tjscalingfactor kFactors[] = {{1, 8}, {1, 4}, {1, 2}, {1, 1}};
    for (const tjscalingfactor& f : kFactors) {
        const QSize scaled(TJSCALED(original.width(), f), TJSCALED(original.height(), f));
        if (scaled.width() >= needed.width() && scaled.height() >= needed.height()) return scaled;
    }
    return original;
}

DecodedImage ReadWithQt(const QString& path, const FileBytes& bytes, QSize scaledSize = QSize()) {
    DecodedImage result;
    QByteArray data = bytes.view();
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    if (scaledSize.isValid()) reader.setScaledSize(scaledSize);
    QImage image = reader.read();
    if (image.isNull()) {
        result.error = CannotDecode(path, reader.errorString());
        return result;
    }
    result.originalSize = image.size();
    result.image = std::move(image);
    return result;
}

DecodedImage DecodeJpeg(const QString& path, const FileBytes& bytes, const NeededFor& neededFor) {
    DecodedImage result;
    Decompressor tj;
    if (!tj.get()) {
        result.error = CannotDecode(path, QString::fromLocal8Bit(tjGetErrorStr2(nullptr)));
        return result;
    }
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(tj.get(), bytes.data(), static_cast<unsigned long>(bytes.size()),
                            &width, &height, &subsampling, &colourspace) != 0 ||
        width <= 0 || height <= 0) {
        result.error = CannotDecode(path, tj.errorText());
        return result;
    }
    const QSize original(width, height);
    const QSize scaled = DctScaledSize(original, neededFor ? neededFor(original) : QSize());

    // TurboJPEG cannot turn CMYK into RGB; Qt's reader can, and scales by DCT as well.
    if (colourspace == TJCS_CMYK || colourspace == TJCS_YCCK) {
        result = ReadWithQt(path, bytes, scaled);
        if (result.ok()) result.originalSize = original;
        return result;
    }

    QImage image(scaled, QImage::Format_RGB32);
    if (image.isNull()) {
        result.error = CannotDecode(path, QStringLiteral("out of memory"));
        return result;
    }
    // Format_RGB32 is 0xffRRGGBB in native order; TurboJPEG fills the X byte with 0xFF.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    const int pixelFormat = TJPF_BGRX;
#else
    const int pixelFormat = TJPF_XRGB;
#endif
    if (tjDecompress2(tj.get(), bytes.data(), static_cast<unsigned long>(bytes.size()),
                      image.bits(), scaled.width(), static_cast<int>(image.bytesPerLine()),
                      scaled.height(), pixelFormat, 0) != 0 &&
        tjGetErrorCode(tj.get()) != TJERR_WARNING) {
        // A truncated or damaged file only warns and keeps what could be decoded; anything
        // fatal gets a second chance with Qt's reader.
        const QString reason = tj.errorText();
        result = ReadWithQt(path, bytes, scaled);
        if (result.ok())
            result.originalSize = original;
        else
            result.error = CannotDecode(path, reason);
        return result;
    }
    result.image = std::move(image);
    result.originalSize = original;
    return result;
}

DecodedImage Decode(const QString& path, const NeededFor& neededFor) {
    const FileBytes bytes(path);
    if (!bytes.opened()) {
        DecodedImage result;
        result.error = CannotOpen(path);
        return result;
    }
    if (bytes.isJpeg()) return DecodeJpeg(path, bytes, neededFor);
    return ReadWithQt(path, bytes);
}

}  // namespace

QSize ReadImageSize(const QString& path) {
    const FileBytes bytes(path);
    if (!bytes.opened()) return QSize();
    if (bytes.isJpeg()) {
        Decompressor tj;
        int width = 0, height = 0, subsampling = 0, colourspace = 0;
        if (!tj.get() ||
            tjDecompressHeader3(tj.get(), bytes.data(), static_cast<unsigned long>(bytes.size()),
                                &width, &height, &subsampling, &colourspace) != 0 ||
            width <= 0 || height <= 0)
            return QSize();
        return QSize(width, height);
    }
    QByteArray data = bytes.view();
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    return size.isEmpty() ? QSize() : size;
}

DecodedImage DecodeImage(const QString& path, QSize needed) {
    return Decode(path, [needed](QSize) { return needed; });
}

DecodedImage DecodeForFit(const QString& path, QSize box, int quarterTurns) {
    const int turns = ((quarterTurns % 4) + 4) % 4;
    const bool sideways = turns % 2 == 1;
    DecodedImage result = Decode(path, [&](QSize original) {
        const QSize shown = sideways ? original.transposed() : original;
        const Placement p = FitPicture(box.width(), box.height(), shown.width(), shown.height());
        const QSize needed(p.w, p.h);
        return sideways ? needed.transposed() : needed;
    });
    if (result.ok() && turns != 0) {
        result.image = result.image.transformed(QTransform().rotate(90.0 * turns));
        if (sideways) result.originalSize.transpose();
    }
    return result;
}

}  // namespace images
