#include "support/file_access.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QtTest>

namespace testing_support {
namespace {

constexpr unsigned kOverrides[] = {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH};

bool SetEffective(bool on) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0) return false;
    for (const unsigned cap : kOverrides) {
        if (on)
            data[cap / 32].effective |= 1u << (cap % 32);
        else
            data[cap / 32].effective &= ~(1u << (cap % 32));
    }
    // Capabilities belong to the thread: the raw call changes only this one.
    return ::syscall(SYS_capset, &header, data) == 0;
}

}  // namespace

OrdinaryFileAccess::OrdinaryFileAccess() {
    if (::geteuid() != 0) return;
    dropped_ = SetEffective(false);
    if (!dropped_) qWarning("cannot set root's file access aside");
}

OrdinaryFileAccess::~OrdinaryFileAccess() {
    if (dropped_) SetEffective(true);
}

QStringList WithOrdinaryFileAccess(const QString& program, const QStringList& args) {
    if (::geteuid() != 0) return QStringList{program} + args;
    return QStringList{"setpriv", "--bounding-set=-dac_override,-dac_read_search", "--", program} +
           args;
}

}  // namespace testing_support
