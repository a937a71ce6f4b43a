#include "support/admin_process.h"

#include <QProcess>

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

}  // namespace testing_support
