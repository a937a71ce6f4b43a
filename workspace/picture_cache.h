#pragma once
// Fitted drawings of the large view and the full-screen viewer, made off the user-interface
// thread. The screen asks for the picture it wants and gets it at once when it is ready;
// otherwise the picture is drawn in the background and handed over by pictureReady. Only the
// newest wish counts: a drawing no longer wanted when its turn comes is skipped, and the
// decode of a wish passed over stops half-way, so its thread takes the newest wish at once.
// While a sample is shown its neighbours are drawn ahead, and a newer wish does not stop
// them; a step onto one of them waits for that drawing instead of starting another. Entries
// are keyed on everything that changes the pixels, a photo that changed on disk since it was
// drawn is drawn again, and the pictures kept are bounded by their bytes.

#include <QDateTime>
#include <QFuture>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <vector>

#include "images/picture_drawing.h"

template <typename T>
class QFutureWatcher;

namespace workspace {

// What a drawing hands back to the user-interface thread: the file asked for, and its
// canvas, original size and the reason it was not drawn as asked (drawn.error). A null
// canvas means not even the fallback could be drawn.
struct FittedPicture {
    QString file;
    images::DrawnPicture drawn;
};

class PictureCache : public QObject {
    Q_OBJECT
  public:
    // The current picture, its two neighbours and the one left behind, full screen on a 4K TV.
    static constexpr qint64 kDefaultBudgetBytes = qint64(4) * 3840 * 2160 * 4;

    explicit PictureCache(qint64 budgetBytes = kDefaultBudgetBytes, QObject* parent = nullptr);
    // Drawings not started are skipped; those under way are waited for, so nothing runs
    // once the window is gone.
    ~PictureCache() override;

    // The picture the screen wants now: returned when it is ready, otherwise drawn in the
    // background and handed over by pictureReady, unless another Want or WantNothing comes
    // first. Every earlier wish is dropped.
    std::optional<FittedPicture> Want(const QString& file, const QString& fallback,
                                      const images::DrawOptions& options);
    // The screen shows something else now: nothing on its way is wanted any more.
    void WantNothing();
    // Draws file in the background for a later Want, unless it is kept or on its way already.
    void Prefetch(const QString& file, const QString& fallback, const images::DrawOptions& options);

    // Off: nothing is kept or drawn ahead, each Want draws afresh (for the benchmark).
    void SetEnabled(bool enabled);
    // The station's previews, which drawings started from now on draw from where they can.
    void SetPreviews(std::shared_ptr<const images::PreviewStore> previews) {
        previews_ = std::move(previews);
    }
    // Forgets every picture; drawings on their way are dropped without waiting for them.
    void Clear();

    // True while the picture last wanted is still on its way.
    bool waiting() const { return wanted_ != 0; }
    // Wants served by a picture kept or on its way (for the benchmark and tests).
    int hits() const { return hits_; }
    // Drawings that decoded something; those skipped because nobody wanted them any more
    // are not counted (for tests).
    int drawings() const { return shared_->drawings.load(); }
    // Drawings stopped half-way because they were passed over or dropped (for tests).
    int abandoned() const { return shared_->abandoned.load(); }
    qint64 bytes() const;
    qint64 budget() const { return budget_; }
    // The threads drawings run on: their own, since Qt's smooth scaling on the
    // user-interface thread waits for helpers from the global pool, which must never
    // queue behind a decode.
    QThreadPool& pool() { return pool_; }
    // For tests: runs on the drawing's thread just before it decodes file.
    void SetBeforeDrawing(std::function<void(const QString& file)> hook) {
        beforeDrawing_ = std::move(hook);
    }

  signals:
    void pictureReady(const workspace::FittedPicture& picture);

  private:
    struct FileStamp {
        bool exists = false;
        qint64 size = 0;
        QDateTime modified;
        bool operator==(const FileStamp& other) const {
            return exists == other.exists && size == other.size && modified == other.modified;
        }
    };
    // Lives as long as the longest drawing: the cache may be gone when one ends.
    struct Shared {
        std::atomic<int> drawings{0};
        std::atomic<int> abandoned{0};
    };
    // Read by the drawing on its thread.
    struct Wish {
        std::atomic<bool> wanted{true};     // when its turn comes: skipped if false
        std::atomic<bool> keepGoing{true};  // while it decodes: stops if false
    };
    using Result = std::optional<FittedPicture>;  // nothing: skipped, no longer wanted
    struct Entry {
        quint64 id = 0;
        QString file;
        QString fallback;
        images::DrawOptions options;
        FileStamp stamp;
        std::shared_ptr<Wish> wish;
        QFutureWatcher<Result>* watcher = nullptr;  // while on its way
        std::optional<FittedPicture> picture;       // once ready
        qint64 bytes = 0;                           // estimated until ready
    };

    static Result DrawInBackground(const QString& file, const QString& fallback,
                                   images::DrawOptions options,
                                   std::shared_ptr<const images::PreviewStore> previews,
                                   std::shared_ptr<Wish> wish, std::shared_ptr<Shared> shared,
                                   const std::function<void(const QString&)>& beforeDrawing);
    static FileStamp StampOf(const QString& file);
    std::optional<FittedPicture> WishFor(const QString& file, const QString& fallback,
                                         const images::DrawOptions& options);
    static bool SameOptions(const images::DrawOptions& a, const images::DrawOptions& b);
    std::list<Entry>::iterator Find(const QString& file, const QString& fallback,
                                    const images::DrawOptions& options);
    std::list<Entry>::iterator Start(const QString& file, const QString& fallback,
                                     const images::DrawOptions& options, const FileStamp& stamp);
    void Draw(Entry& entry);
    // Nothing on its way is wanted when its turn comes unless wished again; returns the
    // entry the screen waited for.
    quint64 ReleaseWishes();
    // The screen's former wish, passed over: its decode stops where it is.
    void Abandon(quint64 id);
    void Finished(quint64 id);
    void Drop(std::list<Entry>::iterator it);
    void Trim();

    std::list<Entry> entries_;  // most recently used first
    QThreadPool pool_;
    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
    qint64 budget_;
    quint64 nextId_ = 1;
    quint64 wanted_ = 0;  // the entry the screen waits for
    bool enabled_ = true;
    int hits_ = 0;
    std::function<void(const QString&)> beforeDrawing_;
    std::shared_ptr<const images::PreviewStore> previews_;
};

}  // namespace workspace
