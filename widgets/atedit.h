#pragma once
// The single-line field of the staff windows: Enter moves on to the next field, like
// a form on paper. (There is no warning beep to silence on this platform.)

#include <QLineEdit>

namespace widgets {

class ATEdit : public QLineEdit {
    Q_OBJECT
  public:
    using QLineEdit::QLineEdit;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace widgets
