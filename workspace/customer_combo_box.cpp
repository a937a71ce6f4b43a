#include "workspace/customer_combo_box.h"

#include <QKeyEvent>
#include <QWheelEvent>

namespace workspace {

void CustomerComboBox::wheelEvent(QWheelEvent* event) { event->ignore(); }

void CustomerComboBox::keyPressEvent(QKeyEvent* event) {
    // Only the keys that open the list; stepping or typing over the closed box is
    // passed on, as if the box were not there.
    const int key = event->key();
    const bool alt = event->modifiers() & Qt::AltModifier;
    const bool opens = key == Qt::Key_F4 || key == Qt::Key_Space || key == Qt::Key_Select ||
                       (alt && (key == Qt::Key_Down || key == Qt::Key_Up));
    if (opens) {
        QComboBox::keyPressEvent(event);
        return;
    }
    event->ignore();
}

}  // namespace workspace
