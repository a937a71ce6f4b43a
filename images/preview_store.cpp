#include "images/preview_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "images/fitting.h"
#include "images/log.h"

namespace images {
namespace {

// A full store is counted again from the folder this often, for the previews another process
// sharing it wrote or dropped meanwhile.
constexpr auto kRecountEvery = std::chrono::seconds(60);
// Good enough for a television a few metres away, a few hundred kilobytes for 1080p.
constexpr int kQuality = 85;
// The largest screen a store is fitted to; anything larger in the recorded file is damage.
constexpr int kMaxScreenSide = 16384;
constexpr char kScreenFile[] = "screen.txt";
constexpr char kSuffix[] = ".jpg";
// The comment right after the start of image: "verimond-preview W H OW OH", the preview's
// size and the photo's, so a find never decodes the preview nor reads the photo.
constexpr char kCommentTag[] = "verimond-preview";
constexpr int kHeadBytes = 96;

// What the key needs to know of a photo: its stat, never its bytes.
struct PhotoStat {
    QString path;  // absolute
    qint64 size = 0;
    qint64 mtimeNs = 0;
    bool operator==(const PhotoStat& other) const {
        return path == other.path && size == other.size && mtimeNs == other.mtimeNs;
    }
};

std::optional<PhotoStat> StatPhoto(const QString& photo) {
    const QString path = QFileInfo(photo).absoluteFilePath();
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return PhotoStat{path, qint64(st.st_size),
                     qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

QString KeyOf(const PhotoStat& photo, Orientation orientation, QSize screen) {
    QByteArray parts = photo.path.toUtf8();
    parts += '\n' + QByteArray::number(photo.size) + '\n' + QByteArray::number(photo.mtimeNs) +
             '\n' + (orientation == Orientation::AsTaken ? "taken" : "stored") + '\n' +
             QByteArray::number(screen.width()) + 'x' + QByteArray::number(screen.height());
    return QString::fromLatin1(QCryptographicHash::hash(parts, QCryptographicHash::Sha1).toHex());
}

struct PreviewHead {
    QSize size;
    QSize originalSize;
    qint64 bytes = 0;
};

// The sizes of an intact preview: our comment at its head and the end-of-image marker at its
// end (a file cut short, overwritten or not ours has not both); nothing otherwise.
std::optional<PreviewHead> ReadHead(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    const qint64 bytes = f.size();
    const QByteArray head = f.read(kHeadBytes);
    if (bytes <= head.size() || head.size() < 6) return std::nullopt;
    const auto byte = [&](int i) { return static_cast<unsigned char>(head[i]); };
    if (byte(0) != 0xFF || byte(1) != 0xD8 || byte(2) != 0xFF || byte(3) != 0xFE)
        return std::nullopt;
    const int length = (byte(4) << 8) | byte(5);
    if (length < 2 || 4 + length > head.size()) return std::nullopt;
    const QList<QByteArray> words = head.mid(6, length - 2).split(' ');
    if (words.size() != 5 || words[0] != kCommentTag) return std::nullopt;
    int values[4] = {};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = words[i + 1].toInt(&ok);
        if (!ok || values[i] <= 0 || values[i] > kMaxPicturePixels) return std::nullopt;
    }
    if (!f.seek(bytes - 2) || f.read(2) != QByteArray("\xFF\xD9", 2)) return std::nullopt;
    return PreviewHead{QSize(values[0], values[1]), QSize(values[2], values[3]), bytes};
}

// Marks a preview as shown now: the budget drops the oldest modification times first.
void Touch(const QString& file) {
    ::utimensat(AT_FDCWD, QFile::encodeName(file).constData(), nullptr, 0);
}

// The JPEG of picture (RGB32) with the comment carrying the sizes right after its SOI.
QByteArray Encode(const QImage& picture, QSize originalSize, QString* error) {
    tjhandle compressor = tjInitCompress();
    if (!compressor) {
        *error = QString::fromLocal8Bit(tjGetErrorStr2(nullptr));
        return QByteArray();
    }
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    const int failed = tjCompress2(compressor, picture.constBits(), picture.width(),
                                   static_cast<int>(picture.bytesPerLine()), picture.height(),
                                   TJPF_BGRX, &out, &outSize, TJSAMP_420, kQuality, TJFLAG_FASTDCT);
    QByteArray jpeg;
    if (failed || outSize < 4) {
        *error = QString::fromLocal8Bit(tjGetErrorStr2(compressor));
    } else {
        const QByteArray comment =
            QByteArray(kCommentTag) + ' ' + QByteArray::number(picture.width()) + ' ' +
            QByteArray::number(picture.height()) + ' ' + QByteArray::number(originalSize.width()) +
            ' ' + QByteArray::number(originalSize.height());
        const int length = static_cast<int>(comment.size()) + 2;
        jpeg.reserve(static_cast<qsizetype>(outSize) + length + 2);
        jpeg.append(reinterpret_cast<const char*>(out), 2);  // SOI
        jpeg.append(char(0xFF)).append(char(0xFE));
        jpeg.append(char(length >> 8)).append(char(length & 0xFF)).append(comment);
        jpeg.append(reinterpret_cast<const char*>(out) + 2, static_cast<qsizetype>(outSize) - 2);
    }
    tjFree(out);
    tjDestroy(compressor);
    return jpeg;
}

// Writes data under a temporary name beside file and renames it, so that no reader ever
// finds half a preview.
bool WriteWhole(const QString& file, const QByteArray& data, QString* error) {
    static std::atomic<int> counter{0};
    const QFileInfo info(file);
    if (!QDir().mkpath(info.path())) {
        *error = QStringLiteral("无法建立文件夹 %1").arg(info.path());
        return false;
    }
    const QString temporary = info.path() + QLatin1Char('/') + QLatin1Char('.') + info.fileName() +
                              QLatin1Char('.') + QString::number(::getpid()) + QLatin1Char('.') +
                              QString::number(counter.fetch_add(1)) + QStringLiteral(".tmp");
    QFile out(temporary);
    if (!out.open(QIODevice::WriteOnly) || out.write(data) != data.size() || !out.flush()) {
        *error = out.errorString();
        out.remove();
        return false;
    }
    out.close();
    if (::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(file).constData()) !=
        0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(temporary);
        return false;
    }
    return true;
}

struct StoredFile {
    QString path;
    qint64 bytes = 0;
    qint64 mtimeNs = 0;
};

// The previews in the store's subfolders. Temporary files an interrupted writer left behind
// for over an hour are removed on the way.
std::vector<StoredFile> ListPreviews(const QString& folder) {
    std::vector<StoredFile> files;
    const qint64 staleBefore =
        (QDateTime::currentMSecsSinceEpoch() - qint64(3600) * 1000) * 1'000'000;
    QDirIterator sub(folder, QDir::Dirs | QDir::NoDotAndDotDot);
    while (sub.hasNext()) {
        const QString dir = sub.next();
        if (sub.fileName().size() != 2) continue;
        QDirIterator it(dir, QDir::Files | QDir::Hidden);
        while (it.hasNext()) {
            const QString path = it.next();
            struct stat st {};
            if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
                continue;
            const qint64 mtime = qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
            const QString name = it.fileName();
            if (name.endsWith(QLatin1String(kSuffix)) && !name.startsWith(QLatin1Char('.'))) {
                files.push_back({path, qint64(st.st_size), mtime});
            } else if (name.endsWith(QStringLiteral(".tmp")) && mtime < staleBefore) {
                QFile::remove(path);
            }
        }
    }
    return files;
}

}  // namespace

PreviewStore::PreviewStore(const QString& folder, QSize screen, qint64 budgetBytes)
    : folder_(QDir::cleanPath(QFileInfo(folder).absoluteFilePath())),
      screen_(screen),
      budget_(budgetBytes) {
    Q_ASSERT(screen.width() > 0 && screen.height() > 0);
}

void PreviewStore::SetBudget(qint64 bytes) { budget_.store(bytes); }

QString PreviewStore::FileOf(const QString& key) const {
    return folder_ + QLatin1Char('/') + key.left(2) + QLatin1Char('/') + key +
           QLatin1String(kSuffix);
}

std::optional<FoundPreview> PreviewStore::Find(const QString& photo,
                                               Orientation orientation) const {
    const std::optional<PhotoStat> stat = StatPhoto(photo);
    if (!stat) return std::nullopt;
    const QString file = FileOf(KeyOf(*stat, orientation, screen_));
    if (!QFileInfo::exists(file)) return std::nullopt;
    const std::optional<PreviewHead> head = ReadHead(file);
    if (!head) {
        qCWarning(lcImages) << "Damaged preview dropped:" << file;
        const qint64 bytes = QFileInfo(file).size();
        if (QFile::remove(file)) Forget(bytes);
        return std::nullopt;
    }
    Touch(file);
    return FoundPreview{file, head->size, head->originalSize};
}

bool PreviewStore::Has(const QString& photo, Orientation orientation) const {
    const std::optional<PhotoStat> stat = StatPhoto(photo);
    return stat && QFileInfo::exists(FileOf(KeyOf(*stat, orientation, screen_)));
}

PreviewStore::Built PreviewStore::Build(const QString& photo, Orientation orientation,
                                        const StillWanted& stillWanted) {
    Built built;
    const std::optional<PhotoStat> before = StatPhoto(photo);
    if (!before) {
        built.error = QStringLiteral("照片文件不存在: %1").arg(photo);
        return built;
    }
    const QString key = KeyOf(*before, orientation, screen_);
    const QString file = FileOf(key);
    if (QFileInfo::exists(file)) {
        if (const std::optional<PreviewHead> head = ReadHead(file)) {
            Touch(file);
            built.outcome = Outcome::AlreadyThere;
            built.bytes = head->bytes;
            return built;
        }
        qCWarning(lcImages) << "Damaged preview made again:" << file;
    }
    const DecodedImage decoded = DecodeForFit(photo, screen_, {orientation, 0}, 1.0, stillWanted);
    if (decoded.abandoned) {
        built.outcome = Outcome::Abandoned;
        return built;
    }
    if (!decoded.ok()) {
        built.error = decoded.error;
        return built;
    }
    // A photo rewritten while it was read would be stored under the key of what it was.
    if (!(StatPhoto(photo) == before)) {
        built.error = QStringLiteral("照片在读取时被改动: %1").arg(photo);
        return built;
    }
    const qint64 bytes = Write(key, decoded.image, decoded.originalSize);
    if (bytes < 0) {
        built.error = QStringLiteral("无法写入预览: %1").arg(file);
        return built;
    }
    built.outcome = Outcome::Made;
    built.bytes = bytes;
    return built;
}

bool PreviewStore::Store(const QString& photo, Orientation orientation, const QImage& picture,
                         QSize originalSize) {
    const std::optional<PhotoStat> stat = StatPhoto(photo);
    if (!stat || picture.isNull() || originalSize.isEmpty()) return false;
    return Write(KeyOf(*stat, orientation, screen_), picture, originalSize) >= 0;
}

qint64 PreviewStore::Write(const QString& key, const QImage& picture, QSize originalSize) {
    const Placement fit =
        FitPicture(screen_.width(), screen_.height(), originalSize.width(), originalSize.height());
    QImage shown = picture;
    if (shown.width() > fit.w || shown.height() > fit.h)
        shown = shown.scaled(fit.w, fit.h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (shown.format() != QImage::Format_RGB32 && shown.format() != QImage::Format_ARGB32)
        shown = shown.convertToFormat(QImage::Format_RGB32);
    QString error;
    const QByteArray jpeg = Encode(shown, originalSize, &error);
    const QString file = FileOf(key);
    if (jpeg.isEmpty() || !WriteWhole(file, jpeg, &error)) {
        qCWarning(lcImages) << "Preview not written:" << file << error;
        return -1;
    }
    {
        std::lock_guard lock(mutex_);
        // A preview written again over one there (made by another thread meanwhile) only
        // adds its difference, but that is rare enough to wait for the next count.
        if (usedBytes_) *usedBytes_ += jpeg.size();
    }
    return jpeg.size();
}

void PreviewStore::Forget(qint64 bytes) const {
    std::lock_guard lock(mutex_);
    if (usedBytes_) *usedBytes_ = std::max<qint64>(0, *usedBytes_ - bytes);
}

void PreviewStore::CountLocked() const {
    qint64 total = 0;
    for (const StoredFile& file : ListPreviews(folder_)) total += file.bytes;
    usedBytes_ = total;
    countedAt_ = std::chrono::steady_clock::now();
}

qint64 PreviewStore::UsedBytes() const {
    std::lock_guard lock(mutex_);
    if (!usedBytes_ || std::chrono::steady_clock::now() - countedAt_ >= kRecountEvery)
        CountLocked();
    return *usedBytes_;
}

qint64 PreviewStore::KeptAfterTrim() const {
    const qint64 budget = budget_.load();
    return budget - budget / 32;
}

int PreviewStore::Trim() {
    const qint64 budget = budget_.load();
    std::lock_guard lock(mutex_);
    if (usedBytes_ && *usedBytes_ <= budget &&
        std::chrono::steady_clock::now() - countedAt_ < kRecountEvery)
        return 0;
    std::vector<StoredFile> files = ListPreviews(folder_);
    qint64 total = 0;
    for (const StoredFile& file : files) total += file.bytes;
    int dropped = 0;
    if (total > budget) {
        // Down to a little below the budget (KeptAfterTrim), so the next previews do not list
        // it again.
        const qint64 target = budget - budget / 32;
        std::sort(files.begin(), files.end(), [](const StoredFile& a, const StoredFile& b) {
            return a.mtimeNs != b.mtimeNs ? a.mtimeNs < b.mtimeNs : a.path < b.path;
        });
        for (const StoredFile& file : files) {
            if (total <= target) break;
            // Gone already (another process trimming) counts as dropped by it.
            if (QFile::remove(file.path) || !QFileInfo::exists(file.path)) {
                total -= file.bytes;
                ++dropped;
            }
        }
        qCDebug(lcImages) << "Preview store trimmed:" << dropped << "previews dropped," << total
                          << "bytes kept of" << budget;
    }
    usedBytes_ = total;
    countedAt_ = std::chrono::steady_clock::now();
    return dropped;
}

QSize RecordedPreviewScreen(const QString& folder) {
    QFile file(QDir(folder).filePath(QLatin1String(kScreenFile)));
    if (!file.open(QIODevice::ReadOnly)) return kDefaultPreviewScreen;
    const QList<QByteArray> sides = file.read(64).trimmed().split('x');
    if (sides.size() != 2) return kDefaultPreviewScreen;
    bool okW = false, okH = false;
    const int w = sides[0].toInt(&okW);
    const int h = sides[1].toInt(&okH);
    if (!okW || !okH || w <= 0 || h <= 0 || w > kMaxScreenSide || h > kMaxScreenSide)
        return kDefaultPreviewScreen;
    return QSize(w, h);
}

void RecordPreviewScreen(const QString& folder, QSize screen) {
    if (screen.isEmpty()) return;
    if (RecordedPreviewScreen(folder) == screen &&
        QFileInfo::exists(QDir(folder).filePath(QLatin1String(kScreenFile))))
        return;
    QString error;
    const QByteArray text =
        QByteArray::number(screen.width()) + 'x' + QByteArray::number(screen.height()) + '\n';
    if (!WriteWhole(QDir(folder).filePath(QLatin1String(kScreenFile)), text, &error))
        qCWarning(lcImages) << "Preview screen not recorded in" << folder << error;
}

}  // namespace images
