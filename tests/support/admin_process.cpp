#include "support/admin_process.h"

#include <QProcess>

namespace testing_support {

AdminResult Admin(const QStringList& args) {
    QProcess process;
    process.start(VERIMOND_ADMIN_PATH, args);
    if (!process.waitForFinished(300000)) return {-1, {}, "timed out"};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

}  // namespace testing_support
