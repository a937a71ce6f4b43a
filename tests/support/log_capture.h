#pragma once
// The warnings one logging category writes while a capture lives, from any thread. Messages
// of other categories go on to the handler that was installed before (Qt Test's own).

#include <QMessageLogContext>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace testing_support {

class LogCapture {
  public:
    explicit LogCapture(const char* category);
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // The warnings (and worse) written so far, oldest first.
    QStringList warnings() const;

  private:
    static void Handle(QtMsgType type, const QMessageLogContext& context, const QString& text);
};

}  // namespace testing_support
