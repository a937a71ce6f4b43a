#include "support/admin_process.h"

#include <QProcess>
#include <QProcessEnvironment>

namespace testing_support {

AdminResult Admin(const QStringList& args) {
    QProcess process;
    process.start(VERIMOND_ADMIN_PATH, args);
    if (!process.waitForFinished(300000)) return {-1, {}, "timed out"};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

ProcessResult RunIn(const QString& folder, const QString& program, const QStringList& args,
                    const std::function<void()>& inChild) {
    QProcess process;
    process.setWorkingDirectory(folder);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // A sanitizer's leak check traces the process itself, which a tracer above it forbids.
    environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    environment.insert(QStringLiteral("HOME"), folder);
    process.setProcessEnvironment(environment);
    if (inChild) process.setChildProcessModifier(inChild);
    process.start(program, args);
    if (!process.waitForFinished(300000)) return {false, -1, QStringLiteral("timed out")};
    return {process.exitStatus() == QProcess::CrashExit, process.exitCode(),
            QString::fromUtf8(process.readAllStandardError())};
}

}  // namespace testing_support
