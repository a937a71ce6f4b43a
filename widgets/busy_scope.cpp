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

void BusyScope::DropHeldInput() {
    // Input held back while the notice repainted arrives now, while the filter still
    // throws it away.
    QApplication::processEvents();
    QApplication::processEvents();
}

void BusyScope::Finish() {
    if (finished_) return;
    DropHeldInput();
    finished_ = true;
    qApp->removeEventFilter(this);
    delete notice_.data();
}

bool BusyScope::eventFilter(QObject* watched, QEvent* event) {
    if (!finished_ && asking_ == 0 && IsUserInput(event)) return true;
    return QObject::eventFilter(watched, event);
}

BusyScope::Asking::Asking(BusyScope& scope) : scope_(scope) {
    // What was clicked or typed before the box opened must not answer it.
    scope_.DropHeldInput();
    if (scope_.notice_) scope_.notice_->hide();
    ++scope_.asking_;
}

BusyScope::Asking::~Asking() {
    --scope_.asking_;
    if (scope_.asking_ == 0 && !scope_.finished_ && scope_.notice_) scope_.notice_->ShowNotice();
}

}  // namespace widgets
