#pragma once
// Waiting for the results of work mapped over all cores, in order, while a busy notice is
// kept told where the work is.

#include <QElapsedTimer>
#include <QFuture>
#include <QString>
#include <QThread>
#include <functional>

namespace customers {

// How often a busy notice hears from a long piece of work on one file.
inline constexpr int kProgressTickMs = 100;

// Waits until result i of future is ready, calling progress(i, total, item) at once and again
// every kProgressTickMs meanwhile, so a notice can keep itself painted. Nothing to wait for
// without progress: resultAt waits then.
template <typename T>
void WaitTelling(const QFuture<T>& future, int i, int total, const QString& item,
                 const std::function<void(int done, int total, const QString& item)>& progress) {
    if (!progress) return;
    progress(i, total, item);
    QElapsedTimer sinceTick;
    sinceTick.start();
    while (!future.isResultReadyAt(i)) {
        QThread::msleep(5);
        if (sinceTick.elapsed() >= kProgressTickMs) {
            progress(i, total, item);
            sinceTick.restart();
        }
    }
}

}  // namespace customers
