#pragma once
// The administrator's login box at the right of the top row (PelMenu1).

#include <QFrame>
#include <QLabel>
#include <QLineEdit>

#include "widgets/picture_button.h"

namespace workspace {

class LoginBox : public QFrame {
    Q_OBJECT
  public:
    explicit LoginBox(QWidget* parent);

    QLabel* Label84 = nullptr;
    QLineEdit* pass = nullptr;
    widgets::PictureButton* imgdl = nullptr;    // log in
    widgets::PictureButton* imgxgmm = nullptr;  // change password
    widgets::PictureButton* imgzxdl = nullptr;  // log out

    // Shows the logged-in or the logged-out controls.
    void ShowLoggedIn(bool loggedIn);
};

// Compares a typed password with the admin row. Shows its own messages; true on success.
bool CheckAdminPassword(QWidget* parent, const QString& typed);

}  // namespace workspace
