#pragma once
// Wrong administrator passwords in a row make the next try wait a little longer
// each time, so the password cannot be found by trying one after another at speed.
// Nothing sleeps: tries that come too early are refused.

#include <QtGlobal>
#include <functional>

namespace workspace {

class LoginThrottle {
  public:
    // Milliseconds on a clock that never goes back.
    using Clock = std::function<qint64()>;

    // Wrong passwords that cost nothing; each one after them doubles the wait.
    static constexpr int kFreeFailures = 2;
    static constexpr qint64 kFirstDelayMs = 2000;
    static constexpr qint64 kLongestDelayMs = 60000;

    LoginThrottle();
    void SetClock(Clock clock) { clock_ = std::move(clock); }

    // Whole seconds (rounded up) before the next try is taken; 0 when it may be made now.
    int SecondsToWait() const;
    void Failed();
    void Succeeded();

  private:
    Clock clock_;
    int failures_ = 0;
    qint64 nextTryAt_ = 0;
};

}  // namespace workspace
