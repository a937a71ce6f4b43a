#include "support/log_capture.h"

#include <QMutex>
#include <cstdio>

namespace testing_support {
namespace {

QMutex& Guard() {
    static QMutex mutex;
    return mutex;
}

struct Captured {
    QByteArray category;
    QtMessageHandler previous = nullptr;
    QStringList warnings;
};
Captured* active = nullptr;  // under Guard()

}  // namespace

LogCapture::LogCapture(const char* category) {
    const QMutexLocker lock(&Guard());
    Q_ASSERT(!active);  // one capture at a time
    active = new Captured{category, nullptr, {}};
    active->previous = qInstallMessageHandler(&LogCapture::Handle);
}

LogCapture::~LogCapture() {
    const QMutexLocker lock(&Guard());
    qInstallMessageHandler(active->previous);
    delete active;
    active = nullptr;
}

QStringList LogCapture::warnings() const {
    const QMutexLocker lock(&Guard());
    return active->warnings;
}

void LogCapture::Handle(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    QtMessageHandler previous = nullptr;
    {
        const QMutexLocker lock(&Guard());
        if (!active) return;
        if (context.category && active->category == context.category) {
            if (type != QtDebugMsg && type != QtInfoMsg) active->warnings << text;
            return;
        }
        previous = active->previous;
    }
    if (previous)
        previous(type, context, text);
    else
        std::fprintf(stderr, "%s\n", qUtf8Printable(text));
}

}  // namespace testing_support
