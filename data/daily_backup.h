#pragma once
// The backup the program takes by itself: at start, at most once a day, on a thread of its
// own with its own connection, so the workspace is ready at once and the customer is never
// interrupted; after the copy, the file gives its free pages back in short steps. A failure
// of the copy is kept for the staff, who see it when they next log in.

#include <QFuture>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <atomic>

#include "data/backup.h"

namespace data {

class DailyBackup : public QObject {
    Q_OBJECT
  public:
    explicit DailyBackup(QObject* parent = nullptr);
    ~DailyBackup() override;

    // Starts a backup of the database unless a copy of today exists or one is running.
    void Start(const QString& databasePath);
    // Stops a running copy and waits for it; its partial file is removed.
    void Stop();
    bool IsRunning() const { return running_.isRunning(); }

    // The last failure not yet reported, handed over once; empty when there is none.
    QString TakeFailure();

  signals:
    void finished(bool ok);

  private:
    // A thread of its own: the shared pool's threads make thumbnails.
    QThreadPool pool_;
    QFuture<BackupResult> running_;
    std::atomic_bool stop_{false};
    QString failure_;
};

}  // namespace data
