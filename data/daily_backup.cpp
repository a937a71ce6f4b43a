#include "data/daily_backup.h"

#include <QFutureWatcher>
#include <QtConcurrent>

namespace data {

DailyBackup::DailyBackup(QObject* parent) : QObject(parent) { pool_.setMaxThreadCount(1); }

DailyBackup::~DailyBackup() { Stop(); }

void DailyBackup::Start(const QString& databasePath) {
    if (running_.isRunning()) return;
    stop_ = false;
    const QDateTime now = QDateTime::currentDateTime();
    running_ = QtConcurrent::run(&pool_, [this, databasePath, now] {
        if (HasBackupOfDay(databasePath, now.date())) {
            BackupResult skipped;
            skipped.ok = true;
            return skipped;
        }
        BackupOptions options;
        options.stop = &stop_;
        BackupResult result = BackupDatabase(databasePath, now, options);
        // Another station's backup of the day is running: that one is the day's copy.
        if (result.busy) {
            BackupResult skipped;
            skipped.ok = true;
            return skipped;
        }
        // Once a day, after the copy: the pages freed since (deleted customers) go back to
        // the file system in short steps while the studio works.
        if (result.ok) {
            SpaceOptions space;
            space.stop = &stop_;
            GiveSpaceBack(databasePath, space);
        }
        return result;
    });
    auto* watcher = new QFutureWatcher<BackupResult>(this);
    connect(watcher, &QFutureWatcher<BackupResult>::finished, this, [this, watcher] {
        const BackupResult result = watcher->result();
        // A copy stopped because the program closes is no failure to report.
        if (!result.ok && !stop_) failure_ = result.error;
        watcher->deleteLater();
        emit finished(result.ok);
    });
    watcher->setFuture(running_);
}

void DailyBackup::Stop() {
    if (!running_.isRunning()) return;
    stop_ = true;
    running_.waitForFinished();
}

QString DailyBackup::TakeFailure() {
    QString failure;
    failure.swap(failure_);
    return failure;
}

}  // namespace data
