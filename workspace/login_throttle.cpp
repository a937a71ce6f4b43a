#include "workspace/login_throttle.h"

#include <QElapsedTimer>
#include <algorithm>

namespace workspace {

LoginThrottle::LoginThrottle() {
    clock_ = [] {
        static QElapsedTimer started = [] {
            QElapsedTimer timer;
            timer.start();
            return timer;
        }();
        return started.elapsed();
    };
}

int LoginThrottle::SecondsToWait() const {
    const qint64 left = nextTryAt_ - clock_();
    if (left <= 0) return 0;
    return static_cast<int>((left + 999) / 1000);
}

void LoginThrottle::Failed() {
    ++failures_;
    if (failures_ <= kFreeFailures) return;
    const int doublings = std::min(failures_ - kFreeFailures - 1, 16);
    const qint64 delay = std::min(kFirstDelayMs << doublings, kLongestDelayMs);
    nextTryAt_ = clock_() + delay;
}

void LoginThrottle::Succeeded() {
    failures_ = 0;
    nextTryAt_ = 0;
}

}  // namespace workspace
