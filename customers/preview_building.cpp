#include "customers/preview_building.h"

#include <QFileInfo>
#include <QSet>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <list>
#include <mutex>

#include "customers/log.h"
#include "customers/result_progress.h"
#include "data/connection.h"
#include "data/records.h"

namespace customers {
namespace {

using Clock = std::chrono::steady_clock;
// How long building rests after the customer's last step before it takes up a decode again.
constexpr auto kRestAfterStep = std::chrono::milliseconds(1500);

// Whether one more preview of a set fits beside those there (`count` taking `bytes`) and those
// being made (`inFlight`): a trim keeps the most recently shown, which are the set's own, so
// a set larger than what a trim keeps would drop its own first previews.
bool RoomForAnother(const images::PreviewStore& store, qint64 bytes, int count, int inFlight) {
    return count == 0 || bytes + bytes / count * (inFlight + 1) <= store.KeptAfterTrim();
}

void LogFull(const images::PreviewStore& store, const QString& whose, int built, int total) {
    qCWarning(lcCustomers).noquote()
        << QStringLiteral(
               "Preview store full: %1 stops after %2 of %3 previews; its budget of %4 "
               "bytes holds no more of them without dropping their own first ones (%5)")
               .arg(whose)
               .arg(built)
               .arg(total)
               .arg(store.budget())
               .arg(store.folder());
}

void Count(PreviewsResult& result, const QString& photo, const images::PreviewStore::Built& built) {
    using Outcome = images::PreviewStore::Outcome;
    if (built.outcome == Outcome::Made)
        ++result.made;
    else if (built.outcome == Outcome::AlreadyThere)
        ++result.already;
    else {
        result.failed << photo;
        qCWarning(lcCustomers).noquote() << "Preview not made:" << built.error;
    }
}

}  // namespace

QStringList SamplePhotoFiles(qint64 customerId) {
    QStringList files;
    QSet<QString> seen;
    for (const QSqlRecord& row :
         data::QueryRows(QStringLiteral("select filename from photoinfo where customerid=") +
                         QString::number(customerId) + QStringLiteral(" order by odrnum, id"))) {
        const QString file = data::TextOf(row, QStringLiteral("filename"));
        if (file.isEmpty() || seen.contains(file)) continue;
        seen.insert(file);
        files << file;
    }
    return files;
}

PreviewsResult BuildPreviews(images::PreviewStore& store, const QStringList& photos,
                             images::Orientation orientation, const PreviewProgress& progress) {
    PreviewsResult result;
    result.photos = static_cast<int>(photos.size());
    if (photos.isEmpty()) return result;
    struct Shared {
        std::mutex mutex;
        qint64 bytes = 0;
        int count = 0;
        int inFlight = 0;
        bool full = false;
    } shared;
    using Built = images::PreviewStore::Built;
    const auto buildOne = [&store, &shared,
                           orientation](const QString& photo) -> std::optional<Built> {
        {
            std::lock_guard lock(shared.mutex);
            if (!shared.full && !RoomForAnother(store, shared.bytes, shared.count, shared.inFlight))
                shared.full = true;
            if (shared.full) return std::nullopt;
            ++shared.inFlight;
        }
        Built built = store.Build(photo, orientation);
        {
            std::lock_guard lock(shared.mutex);
            --shared.inFlight;
            if (built.bytes > 0) {
                shared.bytes += built.bytes;
                ++shared.count;
            }
        }
        if (built.outcome == images::PreviewStore::Outcome::Made) store.Trim();
        return built;
    };
    QFuture<std::optional<Built>> futures = QtConcurrent::mapped(photos, buildOne);
    const int total = result.photos;
    for (int i = 0; i < total; ++i) {
        if (progress) WaitTelling(futures, i, total, QFileInfo(photos[i]).fileName(), progress);
        const std::optional<Built> built = futures.resultAt(i);
        if (built)
            Count(result, photos[i], *built);
        else
            ++result.skipped;
    }
    if (progress) progress(total, total, QFileInfo(photos.back()).fileName());
    if (result.skipped > 0)
        LogFull(store, QStringLiteral("this set of photos"), result.made + result.already, total);
    return result;
}

// The builder's work: customers in queue order, their photos handed out one at a time to the
// pool's threads, which run at idle priority.
struct PreviewBuilder::State {
    struct Job {
        quint64 serial = 0;  // a customer queued again anew gets a new job
        qint64 customerId = 0;
        QStringList photos;
        images::Orientation orientation = images::Orientation::AsTaken;
        int next = 0;      // the next photo to hand out
        QList<int> retry;  // photos whose decode was abandoned, handed out first
        int inFlight = 0;
        int done = 0;
        qint64 bytes = 0;  // of the customer's previews there so far
        int counted = 0;
        bool full = false;
        bool started = false;
        PreviewsResult result;
    };

    QThreadPool pool;
    std::mutex mutex;
    std::condition_variable wake;
    std::list<Job> queue;  // the front is built first
    quint64 serials = 0;
    int workers = 0;
    bool stopping = false;
    std::atomic<Clock::rep> lastStep{0};  // time of the last step, 0 when none
    std::function<void(const QString&)> decodeHook;

    Job* FindJob(quint64 serial) {
        for (Job& job : queue)
            if (job.serial == serial) return &job;
        return nullptr;
    }

    // Takes the job off the queue and reports it once all its photos are handed out and back.
    void FinishIfDone(PreviewBuilder* builder, Job& job) {
        const bool allHandedOut =
            job.full || (job.retry.isEmpty() && job.next >= job.photos.size());
        if (!allHandedOut || job.inFlight > 0) return;
        PreviewsResult result = job.result;
        result.skipped = result.photos - job.done;
        const qint64 customerId = job.customerId;
        const quint64 serial = job.serial;
        queue.remove_if([serial](const Job& j) { return j.serial == serial; });
        QMetaObject::invokeMethod(
            builder, [builder, customerId, result] { emit builder->finished(customerId, result); },
            Qt::QueuedConnection);
        wake.notify_all();
    }
};

PreviewBuilder::PreviewBuilder(std::shared_ptr<images::PreviewStore> store, QObject* parent)
    : QObject(parent), store_(std::move(store)), state_(std::make_unique<State>()) {
    qRegisterMetaType<customers::PreviewsResult>();
    state_->pool.setMaxThreadCount(QThread::idealThreadCount());
    // SCHED_IDLE on Linux: a core the customer's browsing wants is never taken from it.
    state_->pool.setThreadPriority(QThread::IdlePriority);
}

PreviewBuilder::~PreviewBuilder() {
    {
        std::lock_guard lock(state_->mutex);
        state_->stopping = true;
        state_->queue.clear();
    }
    state_->wake.notify_all();
    state_->pool.waitForDone();
}

void PreviewBuilder::SetDecodeHook(std::function<void(const QString& photo)> hook) {
    std::lock_guard lock(state_->mutex);
    state_->decodeHook = std::move(hook);
}

void PreviewBuilder::Queue(qint64 customerId, const QStringList& photos,
                           images::Orientation orientation) {
    State& s = *state_;
    if (photos.isEmpty()) {
        // Nothing to build: done at once, as the window expects of every customer queued.
        QMetaObject::invokeMethod(
            this, [this, customerId] { emit finished(customerId, PreviewsResult()); },
            Qt::QueuedConnection);
        return;
    }
    {
        std::lock_guard lock(s.mutex);
        if (s.stopping) return;
        auto there = std::find_if(s.queue.begin(), s.queue.end(), [&](const State::Job& job) {
            return job.customerId == customerId;
        });
        const auto newJob = [&] {
            State::Job job;
            job.serial = ++s.serials;
            job.customerId = customerId;
            job.photos = photos;
            job.orientation = orientation;
            job.result.photos = static_cast<int>(photos.size());
            return job;
        };
        if (there == s.queue.end()) {
            s.queue.push_back(newJob());
        } else if (there->photos == photos && there->orientation == orientation) {
            s.queue.splice(s.queue.begin(), s.queue, there);
        } else {
            // Other photos or another orientation: built anew (what is there is found at
            // once); the old job's photos in flight finish into nothing.
            s.queue.erase(there);
            s.queue.push_front(newJob());
        }
        while (s.workers < s.pool.maxThreadCount()) {
            ++s.workers;
            s.pool.start([this] { Work(); });
        }
    }
    s.wake.notify_all();
}

void PreviewBuilder::Browsing() { state_->lastStep.store(Clock::now().time_since_epoch().count()); }

bool PreviewBuilder::busy() const {
    std::lock_guard lock(state_->mutex);
    return !state_->queue.empty();
}

void PreviewBuilder::Work() {
    State& s = *state_;
    std::unique_lock lock(s.mutex);
    for (;;) {
        if (s.stopping || s.queue.empty()) break;
        // Resting while the customer steps through the samples.
        const Clock::time_point stepped{Clock::duration(s.lastStep.load())};
        if (s.lastStep.load() != 0 && Clock::now() < stepped + kRestAfterStep) {
            s.wake.wait_until(lock, stepped + kRestAfterStep);
            continue;
        }
        // The first customer in the queue with a photo left to hand out.
        State::Job* job = nullptr;
        for (State::Job& candidate : s.queue) {
            if (!candidate.full &&
                (!candidate.retry.isEmpty() || candidate.next < candidate.photos.size())) {
                job = &candidate;
                break;
            }
            // One customer at a time: the next waits for the last photos of this one.
            if (candidate.inFlight > 0) break;
        }
        if (!job) {
            if (std::none_of(s.queue.begin(), s.queue.end(),
                             [](const State::Job& j) { return j.inFlight > 0; }))
                break;
            s.wake.wait(lock);
            continue;
        }
        if (!RoomForAnother(*store_, job->bytes, job->counted, job->inFlight)) {
            job->full = true;
            LogFull(*store_, QStringLiteral("customer %1").arg(job->customerId),
                    job->result.made + job->result.already, job->result.photos);
            s.FinishIfDone(this, *job);
            continue;
        }
        const int index = job->retry.isEmpty() ? job->next++ : job->retry.takeFirst();
        const quint64 serial = job->serial;
        const qint64 customerId = job->customerId;
        const QString photo = job->photos[index];
        const images::Orientation orientation = job->orientation;
        ++job->inFlight;
        if (!job->started) {
            job->started = true;
            const int total = job->result.photos;
            QMetaObject::invokeMethod(
                this, [this, customerId, total] { emit progress(customerId, 0, total); },
                Qt::QueuedConnection);
        }
        const std::function<void(const QString&)> hook = s.decodeHook;
        lock.unlock();

        const Clock::rep startedAt = Clock::now().time_since_epoch().count();
        const images::StillWanted stillWanted = [&s, &hook, &photo, startedAt] {
            if (hook) hook(photo);
            // A step since this decode began, or the builder going away, stops it.
            return !s.stopping && s.lastStep.load() <= startedAt;
        };
        const images::PreviewStore::Built built = store_->Build(photo, orientation, stillWanted);
        if (built.outcome == images::PreviewStore::Outcome::Made) store_->Trim();

        lock.lock();
        job = s.FindJob(serial);
        if (!job) continue;  // queued anew or stopped meanwhile
        --job->inFlight;
        if (built.outcome == images::PreviewStore::Outcome::Abandoned) {
            if (!s.stopping) {
                job->retry << index;
                ++job->result.abandoned;
                qCDebug(lcCustomers)
                    << "Preview decode abandoned for browsing, taken up later:" << photo;
            }
            continue;
        }
        Count(job->result, photo, built);
        if (built.bytes > 0) {
            job->bytes += built.bytes;
            ++job->counted;
        }
        ++job->done;
        const int done = job->done;
        const int total = job->result.photos;
        QMetaObject::invokeMethod(
            this, [this, customerId, done, total] { emit progress(customerId, done, total); },
            Qt::QueuedConnection);
        s.FinishIfDone(this, *job);
    }
    --s.workers;
    lock.unlock();
    s.wake.notify_all();
}

}  // namespace customers
