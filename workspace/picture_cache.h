#pragma once
// Fitted drawings of the large view, made ahead of time off the user-interface thread.
// While a sample is shown its neighbours are drawn at the size the view needs; a step
// onto one of them then only hands over the finished picture. Entries are keyed on
// everything that changes the pixels, and a photo that changed on disk since it was
// drawn is drawn again.

#include <QDateTime>
#include <QFuture>
#include <QString>
#include <list>

#include "images/picture_drawing.h"

namespace workspace {

class PictureCache {
  public:
    explicit PictureCache(int capacity = 4) : capacity_(capacity) {}
    ~PictureCache();

    // The drawing of file (or fallback) with options: from the cache when an entry is
    // ready or on its way, otherwise drawn now. Throws as DrawPictureFitted does.
    images::DrawnPicture Draw(const QString& file, const QString& fallback,
                              const images::DrawOptions& options);
    // Starts drawing file in the background unless it is cached already.
    void Prefetch(const QString& file, const QString& fallback, const images::DrawOptions& options);

    void SetEnabled(bool enabled) { enabled_ = enabled; }
    void Clear();
    // How many Draw calls were served from the cache (for the benchmark and tests).
    int hits() const { return hits_; }

  private:
    struct FileStamp {
        bool exists = false;
        qint64 size = 0;
        QDateTime modified;
        bool operator==(const FileStamp& other) const {
            return exists == other.exists && size == other.size && modified == other.modified;
        }
    };
    struct Entry {
        QString file;
        QString fallback;
        images::DrawOptions options;
        FileStamp stamp;
        QFuture<images::DrawnPicture> picture;
    };

    static FileStamp StampOf(const QString& file);
    static bool SameOptions(const images::DrawOptions& a, const images::DrawOptions& b);
    std::list<Entry>::iterator Find(const QString& file, const QString& fallback,
                                    const images::DrawOptions& options);
    void Trim();

    std::list<Entry> entries_;  // most recently used first
    int capacity_;
    bool enabled_ = true;
    int hits_ = 0;
};

}  // namespace workspace
