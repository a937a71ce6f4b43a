#include "workspace/picture_cache.h"

#include <QFileInfo>
#include <QtConcurrent>

#include "data/errors.h"

namespace workspace {
namespace {

// A failed background drawing is kept as an empty result; the user-interface thread
// then draws again and meets the failure itself, with its own message.
struct BackgroundResult {
    static images::DrawnPicture Draw(const QString& file, const QString& fallback,
                                     const images::DrawOptions& options) {
        try {
            return images::DrawPictureFitted(file, fallback, options);
        } catch (...) {
            return {};
        }
    }
};

}  // namespace

PictureCache::~PictureCache() { Clear(); }

void PictureCache::Clear() {
    for (Entry& entry : entries_) entry.picture.waitForFinished();
    entries_.clear();
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

images::DrawnPicture PictureCache::Draw(const QString& file, const QString& fallback,
                                        const images::DrawOptions& options) {
    if (enabled_) {
        auto it = Find(file, fallback, options);
        if (it != entries_.end()) {
            if (it->stamp == StampOf(file)) {
                // A step onto a picture still being drawn waits for it rather than
                // decoding the same file a second time.
                images::DrawnPicture picture = it->picture.result();
                if (!picture.canvas.isNull()) {
                    entries_.splice(entries_.begin(), entries_, it);
                    ++hits_;
                    return picture;
                }
            }
            it->picture.waitForFinished();
            entries_.erase(it);
        }
    }
    const FileStamp stamp = StampOf(file);
    images::DrawnPicture picture = images::DrawPictureFitted(file, fallback, options);
    if (enabled_) {
        entries_.push_front({file, fallback, options, stamp, QtFuture::makeReadyFuture(picture)});
        Trim();
    }
    return picture;
}

void PictureCache::Prefetch(const QString& file, const QString& fallback,
                            const images::DrawOptions& options) {
    if (!enabled_ || file.isEmpty()) return;
    auto it = Find(file, fallback, options);
    if (it != entries_.end()) {
        if (it->stamp == StampOf(file)) return;
        it->picture.waitForFinished();
        entries_.erase(it);
    }
    // The stamp is taken before the drawing starts, so a file that changes while it
    // is decoded is seen as changed at the next step.
    const FileStamp stamp = StampOf(file);
    entries_.push_front({file, fallback, options, stamp,
                         QtConcurrent::run(&BackgroundResult::Draw, file, fallback, options)});
    Trim();
}

void PictureCache::Trim() {
    while (static_cast<int>(entries_.size()) > capacity_) {
        entries_.back().picture.waitForFinished();
        entries_.pop_back();
    }
}

}  // namespace workspace
