#pragma once
// Building the previews of customers' samples: at once for a script (all cores), or in the
// background of the program, on idle cores, without slowing the customer's browsing.

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "images/preview_store.h"

namespace customers {

// The photo files of a customer's samples in display order (no duplicates).
QStringList SamplePhotoFiles(qint64 customerId);

struct PreviewsResult {
    int photos = 0;      // files looked at
    int made = 0;        // previews written now
    int already = 0;     // previews that were there
    QStringList failed;  // photos missing or undecodable
    // Photos left unbuilt because the store's budget was full of this set's own previews:
    // building on would have pushed out the first of them.
    int skipped = 0;
    int abandoned = 0;  // decodes stopped for the customer's browsing and taken up again
};

// (photos done, photos in all, the photo at hand), on the calling thread.
using PreviewProgress = std::function<void(int done, int total, const QString& photo)>;

// Builds the previews of photos the store lacks, on all cores, and returns when all are done.
PreviewsResult BuildPreviews(images::PreviewStore& store, const QStringList& photos,
                             images::Orientation orientation, const PreviewProgress& progress = {});

// Builds previews in the background of the program, one customer after another in the order
// they were queued, at the lowest priority the system has. While the customer browses
// (Browsing), a preview being decoded stops and is taken up again a moment after the last
// step, so building never stands between the customer and the next picture.
class PreviewBuilder : public QObject {
    Q_OBJECT
  public:
    explicit PreviewBuilder(std::shared_ptr<images::PreviewStore> store, QObject* parent = nullptr);
    // Building in progress is stopped and waited for.
    ~PreviewBuilder() override;

    // Queues the customer's photos (a customer queued again is brought to the front).
    void Queue(qint64 customerId, const QStringList& photos, images::Orientation orientation);
    // Called on each step the customer takes.
    void Browsing();
    // Whether anything is queued or being built.
    bool busy() const;
    const std::shared_ptr<images::PreviewStore>& store() const { return store_; }

    // For tests: called on the building thread each time a decode asks whether it is still
    // wanted, with the photo. Set before anything is queued.
    void SetDecodeHook(std::function<void(const QString& photo)> hook);

  signals:
    // On the thread the builder lives on: a customer's previews built so far.
    void progress(qint64 customerId, int done, int total);
    // A customer's previews are all done (failed ones counted as done).
    void finished(qint64 customerId, const customers::PreviewsResult& result);

  private:
    // A thread of the pool: builds photos of the queue until it is empty or stopped.
    void Work();

    std::shared_ptr<images::PreviewStore> store_;
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace customers

Q_DECLARE_METATYPE(customers::PreviewsResult)
