#include "workspace/picture_cache.h"

#include <QFileInfo>
#include <QFutureWatcher>
#include <QtConcurrent>
#include <algorithm>

#include "data/errors.h"
#include "workspace/log.h"

namespace workspace {

// Runs on a pool thread. A drawing nobody wants any more by the time its turn comes
// decodes nothing, one passed over while it decodes stops there; a failure comes back with
// its reason for the user-interface thread.
PictureCache::Result PictureCache::DrawInBackground(
    const QString& file, const QString& fallback, images::DrawOptions options,
    std::shared_ptr<const images::PreviewStore> previews, std::shared_ptr<Wish> wish,
    std::shared_ptr<Shared> shared, const std::function<void(const QString&)>& beforeDrawing) {
    if (!wish->wanted.load()) return std::nullopt;
    options.previews = previews.get();
    ++shared->drawings;
    if (beforeDrawing) beforeDrawing(file);
    FittedPicture picture;
    picture.file = file;
    const Wish* asked = wish.get();
    try {
        picture.drawn = images::DrawPictureFitted(file, fallback, options,
                                                  [asked] { return asked->keepGoing.load(); });
        if (picture.drawn.abandoned) {
            ++shared->abandoned;
            return std::nullopt;
        }
    } catch (const data::VerimondError& error) {
        picture.drawn.error = error.text();
    } catch (const std::exception& error) {
        picture.drawn.error = QString::fromLocal8Bit(error.what());
    }
    return picture;
}

namespace {

qint64 CanvasBytes(const images::DrawOptions& options) {
    const QSize device = images::DeviceSize(options.size, options.devicePixelRatio);
    return qint64(std::max(0, device.width())) * std::max(0, device.height()) * 4;
}

}  // namespace

PictureCache::PictureCache(qint64 budgetBytes, QObject* parent)
    : QObject(parent), budget_(budgetBytes) {
    pool_.setMaxThreadCount(std::max(2, QThread::idealThreadCount()));
}

PictureCache::~PictureCache() {
    Clear();
    pool_.waitForDone();
}

PictureCache::FileStamp PictureCache::StampOf(const QString& file) {
    const QFileInfo info(file);
    FileStamp stamp;
    stamp.exists = info.isFile();
    if (stamp.exists) {
        stamp.size = info.size();
        stamp.modified = info.lastModified();
    }
    return stamp;
}

bool PictureCache::SameOptions(const images::DrawOptions& a, const images::DrawOptions& b) {
    return a.size == b.size && a.margin == b.margin && a.widescreen == b.widescreen &&
           a.widescreenRatio == b.widescreenRatio && a.quarterTurns == b.quarterTurns &&
           a.orientation == b.orientation && a.devicePixelRatio == b.devicePixelRatio;
}

std::list<PictureCache::Entry>::iterator PictureCache::Find(const QString& file,
                                                            const QString& fallback,
                                                            const images::DrawOptions& options) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it)
        if (it->file == file && it->fallback == fallback && SameOptions(it->options, options))
            return it;
    return entries_.end();
}

qint64 PictureCache::bytes() const {
    qint64 total = 0;
    for (const Entry& entry : entries_) total += entry.bytes;
    return total;
}

void PictureCache::SetEnabled(bool enabled) {
    enabled_ = enabled;
    if (!enabled_) Clear();
}

void PictureCache::Clear() {
    while (!entries_.empty()) Drop(entries_.begin());
    wanted_ = 0;
}

quint64 PictureCache::ReleaseWishes() {
    const quint64 previous = wanted_;
    wanted_ = 0;
    for (Entry& entry : entries_)
        if (entry.watcher) entry.wish->wanted = false;
    return previous;
}

void PictureCache::Abandon(quint64 id) {
    for (Entry& entry : entries_)
        if (entry.id == id && entry.watcher) entry.wish->keepGoing = false;
}

void PictureCache::WantNothing() { Abandon(ReleaseWishes()); }

std::optional<FittedPicture> PictureCache::Want(const QString& file, const QString& fallback,
                                                const images::DrawOptions& options) {
    if (!enabled_) Clear();
    const quint64 previous = ReleaseWishes();
    std::optional<FittedPicture> ready = WishFor(file, fallback, options);
    // Only once the new wish is known: wished again, the former one goes on.
    if (previous != wanted_) Abandon(previous);
    return ready;
}

std::optional<FittedPicture> PictureCache::WishFor(const QString& file, const QString& fallback,
                                                   const images::DrawOptions& options) {
    // The stamp is taken before the drawing starts, so a file that changes while it is
    // decoded is seen as changed at the next step.
    const FileStamp stamp = StampOf(file);
    auto it = Find(file, fallback, options);
    if (it != entries_.end() && !(it->stamp == stamp)) {
        Drop(it);
        it = entries_.end();
    }
    if (it != entries_.end()) {
        ++hits_;
        entries_.splice(entries_.begin(), entries_, it);
        if (it->picture) return it->picture;
        // On its way: waited for, never drawn twice.
        it->wish->wanted = true;
        it->wish->keepGoing = true;
        wanted_ = it->id;
        return std::nullopt;
    }
    it = Start(file, fallback, options, stamp);
    wanted_ = it->id;
    Trim();
    return std::nullopt;
}

void PictureCache::Prefetch(const QString& file, const QString& fallback,
                            const images::DrawOptions& options) {
    if (!enabled_ || file.isEmpty()) return;
    const FileStamp stamp = StampOf(file);
    auto it = Find(file, fallback, options);
    if (it != entries_.end()) {
        if (it->stamp == stamp) {
            if (it->watcher) {  // wanted again before it was skipped or stopped
                it->wish->wanted = true;
                it->wish->keepGoing = true;
            }
            return;
        }
        Drop(it);
    }
    Start(file, fallback, options, stamp);
    Trim();
}

std::list<PictureCache::Entry>::iterator PictureCache::Start(const QString& file,
                                                             const QString& fallback,
                                                             const images::DrawOptions& options,
                                                             const FileStamp& stamp) {
    Entry entry;
    entry.id = nextId_++;
    entry.file = file;
    entry.fallback = fallback;
    entry.options = options;
    entry.stamp = stamp;
    entry.bytes = CanvasBytes(options);
    entries_.push_front(std::move(entry));
    Draw(entries_.front());
    return entries_.begin();
}

void PictureCache::Draw(Entry& entry) {
    entry.wish = std::make_shared<Wish>();
    QFuture<Result> future =
        QtConcurrent::run(&pool_, &DrawInBackground, entry.file, entry.fallback, entry.options,
                          previews_, entry.wish, shared_, beforeDrawing_);
    entry.watcher = new QFutureWatcher<Result>(this);
    const quint64 id = entry.id;
    connect(entry.watcher, &QFutureWatcherBase::finished, this, [this, id] { Finished(id); });
    entry.watcher->setFuture(future);
}

void PictureCache::Finished(quint64 id) {
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [id](const Entry& entry) { return entry.id == id; });
    if (it == entries_.end() || !it->watcher) return;
    Result result = it->watcher->result();
    it->watcher->deleteLater();
    it->watcher = nullptr;
    if (!result) {
        // Skipped or stopped; wanted again meanwhile, it is drawn after all.
        if (it->wish->wanted || wanted_ == id)
            Draw(*it);
        else
            entries_.erase(it);
        return;
    }
    const FittedPicture picture = std::move(*result);
    if (!picture.drawn.error.isEmpty())
        qCWarning(lcWorkspace).noquote().nospace()
            << "picture not drawn as asked: " << picture.drawn.error
            << (picture.drawn.error.contains(picture.file) ? QString() : " (" + picture.file + ")");
    const bool shown = wanted_ == id;
    if (shown) wanted_ = 0;
    // A failure is not kept: the next wish tries again and meets it again.
    if (picture.drawn.canvas.isNull() || !enabled_) {
        entries_.erase(it);
    } else {
        it->picture = picture;
        it->bytes = picture.drawn.canvas.sizeInBytes();
        Trim();
    }
    if (shown) emit pictureReady(picture);
}

void PictureCache::Drop(std::list<Entry>::iterator it) {
    if (it->watcher) {
        it->wish->wanted = false;
        it->wish->keepGoing = false;
        it->watcher->disconnect(this);
        it->watcher->deleteLater();
    }
    if (it->id == wanted_) wanted_ = 0;
    entries_.erase(it);
}

void PictureCache::Trim() {
    // Least recently used first; the picture the screen waits for and the one just asked
    // for stay whatever they cost.
    qint64 total = bytes();
    auto it = entries_.end();
    while (total > budget_ && it != entries_.begin()) {
        --it;
        if (it->id == wanted_ || it == entries_.begin()) continue;
        total -= it->bytes;
        ++it;
        Drop(std::prev(it));
    }
}

}  // namespace workspace
