#pragma once
// Folders a program may not read, as an ordinary account meets them. Tests usually run as
// root, whom permissions do not stop; these take that power away where a test needs it.

#include <QString>
#include <QStringList>

namespace testing_support {

// While it lives, the calling thread reads files with an ordinary account's rights (root's
// power to pass over permissions is set aside; other threads keep theirs). Does nothing
// for an ordinary account.
class OrdinaryFileAccess {
  public:
    OrdinaryFileAccess();
    ~OrdinaryFileAccess();
    OrdinaryFileAccess(const OrdinaryFileAccess&) = delete;
    OrdinaryFileAccess& operator=(const OrdinaryFileAccess&) = delete;

  private:
    bool dropped_ = false;
};

// program and args as a command line that runs them with an ordinary account's file rights
// (through setpriv when run as root). The first element is the program to start.
QStringList WithOrdinaryFileAccess(const QString& program, const QStringList& args);

}  // namespace testing_support
