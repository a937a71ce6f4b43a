#pragma once
// A station's previews: for each photo, a JPEG of it fitted to this station's screen in
// device pixels (the camera's orientation applied as the setting says), so that browsing and
// the outputs draw from a file of a few hundred kilobytes instead of decoding the
// 24-megapixel original again, and photos on a network share are read once per station.
//
// A preview is found by a key made of everything that changes it: the photo's full path,
// its size and modification time, the orientation setting and the screen it was fitted to.
// A photo that changed (or a station that got another screen) has another key, so a stale
// preview is never found; it is dropped in time by the budget. Previews are written under a
// temporary name and renamed, so another station or program on the same store never reads
// half a file. The least recently shown previews go first when the store exceeds its budget.
// The folder may be deleted at any time: it is made again with the next preview.
//
// Every member is safe to call from several threads at once, and several processes may
// share one folder.

#include <QImage>
#include <QSize>
#include <QString>
#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>

#include "images/image_decoder.h"

namespace images {

// The folder of the runtime folder (the current directory) that holds its station's previews.
inline constexpr char kPreviewFolderName[] = "previews";
// The screen a store is fitted to when nothing else says: a 1080p television.
inline constexpr QSize kDefaultPreviewScreen(1920, 1080);

struct FoundPreview {
    QString file;        // the preview's JPEG, upright (orientation applied as keyed)
    QSize size;          // its pixel size
    QSize originalSize;  // the photo's own pixel size, upright the same way
};

class PreviewStore {
  public:
    static constexpr qint64 kDefaultBudgetBytes = qint64(5) << 30;  // some 15,000 photos

    // folder is made when the first preview is written; screen is in device pixels.
    PreviewStore(const QString& folder, QSize screen, qint64 budgetBytes = kDefaultBudgetBytes);

    const QString& folder() const { return folder_; }
    QSize screen() const { return screen_; }
    qint64 budget() const { return budget_.load(); }
    void SetBudget(qint64 bytes);

    // The preview of photo as it is on disk now, or nothing (none built, the photo changed or
    // is gone, the preview is damaged). Marks it as shown now, for the budget.
    std::optional<FoundPreview> Find(const QString& photo, Orientation orientation) const;
    // Whether a preview is there, without marking it.
    bool Has(const QString& photo, Orientation orientation) const;

    enum class Outcome { Made, AlreadyThere, Failed, Abandoned };
    struct Built {
        Outcome outcome = Outcome::Failed;
        QString error;     // why it failed, for the log
        qint64 bytes = 0;  // the preview's size on disk, when Made or AlreadyThere
    };
    // Makes the preview of photo unless it is there: decoded just big enough for the screen,
    // written as a good-quality JPEG. A photo that is no JPEG, BMP, PNG or GIF, is missing or
    // cannot be decoded fails. stillWanted stops the decode half-way (Abandoned). A preview
    // that is there is marked as shown, as it is wanted again; a damaged one is made anew.
    Built Build(const QString& photo, Orientation orientation, const StillWanted& stillWanted = {});
    // Writes the preview of photo from a picture already decoded (upright as orientation says,
    // at least as big as the screen's fit, or the whole photo); originalSize upright the same
    // way. False when it could not be written.
    bool Store(const QString& photo, Orientation orientation, const QImage& picture,
               QSize originalSize);

    // Bytes the store's previews take on disk (counted once, then kept up to date).
    qint64 UsedBytes() const;
    // Drops the least recently shown previews until the store is within its budget; returns
    // how many were dropped. Called after each preview written. It drops a little below the
    // budget, so that a full store is not listed again for every preview written.
    int Trim();
    // What a trim keeps: a little below the budget. Previews of one customer beyond this would
    // push out each other.
    qint64 KeptAfterTrim() const;

  private:
    // The preview file of a key, in the subfolder named by the key's first two digits.
    QString FileOf(const QString& key) const;
    // Writes the preview under key; its size on disk, or -1.
    qint64 Write(const QString& key, const QImage& picture, QSize originalSize);
    // Takes a file gone from the store (dropped, damaged) off the running total.
    void Forget(qint64 bytes) const;
    // Lists the store's previews and sets the running total; under mutex_.
    void CountLocked() const;

    QString folder_;
    QSize screen_;
    std::atomic<qint64> budget_;
    mutable std::mutex mutex_;
    mutable std::optional<qint64> usedBytes_;  // under mutex_
    // When usedBytes_ was last counted from the folder: another process writing to the same
    // store is seen at the next count.
    mutable std::chrono::steady_clock::time_point countedAt_;  // under mutex_
};

// The screen size recorded in a store's folder by the program (so that a script building
// previews fits them to the station's screen); kDefaultPreviewScreen when none is recorded.
QSize RecordedPreviewScreen(const QString& folder);
void RecordPreviewScreen(const QString& folder, QSize screen);

}  // namespace images
