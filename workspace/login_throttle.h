#pragma once
// Wrong administrator passwords in a row make the next try wait a little longer
// each time, so the password cannot be found by trying one after another at speed.
// Nothing sleeps: tries that come too early are refused. The count and the time of the
// next try are kept in the database, so restarting the program (or using another station
// of the same database) gives no fresh tries; a password reset forgets them.

#include <QtGlobal>
#include <functional>

namespace workspace {

class LoginThrottle {
  public:
    // Milliseconds since the epoch; the default is the wall clock, which a restart keeps.
    using Clock = std::function<qint64()>;

    // Wrong passwords in a row, and when the next try may be made (on the clock).
    struct Tries {
        int failures = 0;
        qint64 nextTryAt = 0;
    };
    // Where the tries are kept between one try and the next.
    struct Store {
        std::function<Tries()> load;
        std::function<void(const Tries&)> save;
    };

    // Wrong passwords that cost nothing; each one after them doubles the wait.
    static constexpr int kFreeFailures = 2;
    static constexpr qint64 kFirstDelayMs = 2000;
    static constexpr qint64 kLongestDelayMs = 60000;

    // Keeps its tries in memory until a store is set.
    LoginThrottle();
    void SetClock(Clock clock) { clock_ = std::move(clock); }
    void SetStore(Store store) { store_ = std::move(store); }

    // Whole seconds (rounded up) before the next try is taken; 0 when it may be made now.
    // With the database store these throw data::DbError when it cannot be read or written.
    int SecondsToWait() const;
    void Failed();
    void Succeeded();

  private:
    Tries Load() const;
    void Save(const Tries& tries);

    Clock clock_;
    Store store_;
    Tries memory_;
};

// The tries kept in the database (rows of SysSet), shared by every station.
LoginThrottle::Store DatabaseLoginTries();
// Forgets the wrong tries, as a reset of the password does; runs in the caller's transaction.
void ForgetLoginTries();

}  // namespace workspace
