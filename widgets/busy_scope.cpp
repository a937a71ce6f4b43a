#include "widgets/busy_scope.h"

#include <QApplication>
#include <QEvent>

#include "widgets/tfrmpb.h"

namespace widgets {
namespace {

int openScopes = 0;

bool IsUserInput(const QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
            return true;
        case QEvent::Close:
            // A window manager's close would pull the window away from the running work.
            return event->spontaneous();
        default:
            return false;
    }
}

}  // namespace

BusyScope::BusyScope(QWidget* mainWindow) {
    ++openScopes;
    qApp->installEventFilter(this);
    notice_ = new Tfrmpb(mainWindow);
    notice_->ShowNotice();
}

BusyScope::~BusyScope() {
    Finish();
    --openScopes;
}

bool BusyScope::Active() { return openScopes > 0; }

void BusyScope::Progress(int done, int total, const QString& item) {
    if (notice_) notice_->SetProgress(done, total, item);
}

void BusyScope::Finish() {
    if (finished_) return;
    finished_ = true;
    // Input held back while the notice repainted arrives now, and is dropped by the filter.
    QApplication::processEvents();
    QApplication::processEvents();
    qApp->removeEventFilter(this);
    delete notice_.data();
}

bool BusyScope::eventFilter(QObject* watched, QEvent* event) {
    if (!finished_ && IsUserInput(event)) return true;
    return QObject::eventFilter(watched, event);
}

}  // namespace widgets
