#include "workspace/login_throttle.h"

#include <QDateTime>
#include <algorithm>

#include "data/connection.h"
#include "data/records.h"

namespace workspace {
namespace {

const QString kFailuresKey = QStringLiteral("loginfailures");
const QString kNextTryKey = QStringLiteral("loginnexttry");

qint64 StoredNumber(const QString& key) {
    const QString text =
        data::LookupValue(QStringLiteral("SysSet"), QStringLiteral("itemvalue"),
                          QStringLiteral("itemname='") + data::SqlQuote(key) + QLatin1Char('\''));
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok && value > 0 ? value : 0;
}

void StoreNumber(const QString& key, qint64 value) {
    data::Execute(
        QStringLiteral("insert into SysSet(itemname, itemvalue) values('") + data::SqlQuote(key) +
        QStringLiteral("', '") + QString::number(value) +
        QStringLiteral("') on conflict(itemname) do update set itemvalue=excluded.itemvalue"));
}

}  // namespace

LoginThrottle::LoginThrottle() {
    clock_ = [] { return QDateTime::currentMSecsSinceEpoch(); };
}

LoginThrottle::Tries LoginThrottle::Load() const { return store_.load ? store_.load() : memory_; }

void LoginThrottle::Save(const Tries& tries) {
    if (store_.save)
        store_.save(tries);
    else
        memory_ = tries;
}

int LoginThrottle::SecondsToWait() const {
    // A clock set back (or a station whose clock runs behind another's) never makes the
    // wait longer than the longest one.
    const qint64 left = std::min(Load().nextTryAt - clock_(), kLongestDelayMs);
    if (left <= 0) return 0;
    return static_cast<int>((left + 999) / 1000);
}

void LoginThrottle::Failed() {
    Tries tries = Load();
    tries.failures = std::min(tries.failures, 1000) + 1;
    if (tries.failures > kFreeFailures) {
        const int doublings = std::min(tries.failures - kFreeFailures - 1, 16);
        const qint64 delay = std::min(kFirstDelayMs << doublings, kLongestDelayMs);
        tries.nextTryAt = clock_() + delay;
    }
    Save(tries);
}

void LoginThrottle::Succeeded() { Save(Tries{}); }

LoginThrottle::Store DatabaseLoginTries() {
    LoginThrottle::Store store;
    store.load = [] {
        LoginThrottle::Tries tries;
        tries.failures = static_cast<int>(std::min<qint64>(StoredNumber(kFailuresKey), 1000));
        tries.nextTryAt = StoredNumber(kNextTryKey);
        return tries;
    };
    store.save = [](const LoginThrottle::Tries& tries) {
        if (tries.failures == 0) {
            ForgetLoginTries();
            return;
        }
        data::Transaction transaction;
        StoreNumber(kFailuresKey, tries.failures);
        StoreNumber(kNextTryKey, tries.nextTryAt);
        transaction.commit();
    };
    return store;
}

void ForgetLoginTries() {
    data::Execute(QStringLiteral("delete from SysSet where itemname in ('") + kFailuresKey +
                  QStringLiteral("', '") + kNextTryKey + QStringLiteral("')"));
}

}  // namespace workspace
