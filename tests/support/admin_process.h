#pragma once
// Runs verimond-admin as a script would, in the current directory.

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <functional>

namespace testing_support {

struct AdminResult {
    int exitCode;
    QString out;
    QString err;
};

// Waits up to five minutes; a run that takes longer gives exit code -1. Without an
// environment, the test's own is passed on.
AdminResult Admin(const QStringList& args, const QProcessEnvironment& environment =
                                               QProcessEnvironment::systemEnvironment());
// Starts the program in folder as the package check does (offscreen, closing after its
// first show) and returns what it printed; one still running after a minute (a box
// waiting for a click) gives exit code -1.
AdminResult StartProgram(const QString& folder, QProcessEnvironment environment =
                                                    QProcessEnvironment::systemEnvironment());

struct ProcessResult {
    bool killed;  // ended by a signal
    int exitCode;
    QString err;
};

// Runs program in folder with HOME there, and waits up to five minutes. inChild runs in the
// child just before the program starts (to take another account, say).
ProcessResult RunIn(const QString& folder, const QString& program, const QStringList& args,
                    const std::function<void()>& inChild = {});

// verimond-admin, with the pictures and pages it copies, where every account of the computer
// may run it: the build tree may lie in a folder only its owner can enter (/root).
QString AdminForAnyAccount();

}  // namespace testing_support
