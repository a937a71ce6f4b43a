#include "widgets/atedit.h"

#include <QKeyEvent>

namespace widgets {

void ATEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        focusNextChild();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

}  // namespace widgets
