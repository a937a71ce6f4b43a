#pragma once
// Shared pieces of verimond-bench: timing, medians and argument reading.

#include <QElapsedTimer>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <vector>

namespace bench {

// Runs body `repeat` times and returns the median wall time in milliseconds.
inline double MedianMs(int repeat, const std::function<void()>& body) {
    std::vector<double> times;
    for (int i = 0; i < repeat; ++i) {
        QElapsedTimer timer;
        timer.start();
        body();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    const size_t n = times.size();
    if (n == 0) return 0;
    return n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
}

// Value of "--name VALUE" in args, or fallback.
inline QString Option(const QStringList& args, const QString& name, const QString& fallback = {}) {
    const int i = args.indexOf(name);
    return (i >= 0 && i + 1 < args.size()) ? args[i + 1] : fallback;
}

inline bool Flag(const QStringList& args, const QString& name) { return args.contains(name); }

// The commands, one file each.
int RunDraw(const QStringList& args);
int RunMakePhoto(const QStringList& args);
int RunImport(const QStringList& args);

}  // namespace bench
