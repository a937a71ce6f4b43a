#pragma once
// The customer drop-down. Choosing a customer resets the whole workspace, so the
// choice is only ever made in the opened list: a wheel notch or an arrow key over
// the closed box, easily given by a customer reaching for the mouse, changes nothing.

#include <QComboBox>

namespace workspace {

class CustomerComboBox : public QComboBox {
    Q_OBJECT
  public:
    using QComboBox::QComboBox;

  protected:
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace workspace
