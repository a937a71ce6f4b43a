#pragma once
// Runs verimond-admin as a script would, in the current directory.

#include <QString>
#include <QStringList>

namespace testing_support {

struct AdminResult {
    int exitCode;
    QString out;
    QString err;
};

// Waits up to five minutes; a run that takes longer gives exit code -1.
AdminResult Admin(const QStringList& args);

}  // namespace testing_support
