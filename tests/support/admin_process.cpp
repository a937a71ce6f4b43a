#include "support/admin_process.h"

#include <QProcess>
#include <QProcessEnvironment>

namespace testing_support {

namespace {

AdminResult Run(QProcess& process, int waitMs) {
    if (!process.waitForFinished(waitMs)) {
        process.kill();
        process.waitForFinished();
        return {-1, {}, "timed out"};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

}  // namespace

AdminResult Admin(const QStringList& args, const QProcessEnvironment& environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(VERIMOND_ADMIN_PATH, args);
    return Run(process, 300000);
}

AdminResult StartProgram(const QString& folder, QProcessEnvironment environment) {
    environment.insert("VERIMOND_QUIT_AFTER_SHOW", "1");
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    process.start(VERIMOND_PROGRAM_PATH, {});
    // A program that shows a box instead of closing waits for a click that never comes.
    return Run(process, 60000);
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
