#include "support/admin_process.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

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

namespace {

constexpr QFile::Permissions kEveryoneEnters =
    QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser | QFile::WriteUser |
    QFile::ExeUser | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;

// Copies a file, or a folder with everything in it, readable and runnable by everyone.
bool CopyForEveryone(const QString& from, const QString& to) {
    const QFileInfo info(from);
    if (!info.isDir())
        return QFile::copy(from, to) &&
               QFile::setPermissions(
                   to, QFileInfo(from).permissions() | QFile::ReadOther | QFile::ReadGroup |
                           (info.isExecutable() ? QFile::ExeOther | QFile::ExeGroup
                                                : QFile::Permissions()));
    if (!QDir().mkdir(to)) return false;
    QFile::setPermissions(to, kEveryoneEnters);
    for (const QString& name : QDir(from).entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
        if (!CopyForEveryone(QDir(from).filePath(name), QDir(to).filePath(name))) return false;
    return true;
}

}  // namespace

QString AdminForAnyAccount() {
    static QTemporaryDir folder;  // removed when the test program ends
    static const QString admin = [] {
        const QString copy = folder.filePath(QStringLiteral("runtime"));
        const QString tool = QDir(copy).filePath(QFileInfo(VERIMOND_ADMIN_PATH).fileName());
        if (!folder.isValid() || !QFile::setPermissions(folder.path(), kEveryoneEnters) ||
            !CopyForEveryone(QStringLiteral(VERIMOND_RESOURCES_DIR), copy) ||
            !CopyForEveryone(QStringLiteral(VERIMOND_ADMIN_PATH), tool))
            return QString();
        return tool;
    }();
    return admin;
}

}  // namespace testing_support
