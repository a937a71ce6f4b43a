#pragma once
// The administrator's login box at the right of the top row (PelMenu1).

#include <QFrame>
#include <QLabel>
#include <QLineEdit>

#include "widgets/picture_button.h"
#include "workspace/login_throttle.h"

namespace workspace {

class LoginBox : public QFrame {
    Q_OBJECT
  public:
    explicit LoginBox(QWidget* parent);

    // The password as typed.
    QString TypedPassword() const { return pass->text(); }
    // Shows the logged-in or the logged-out controls; logging out clears the password.
    void ShowLoggedIn(bool loggedIn);

    // Slows down wrong passwords typed one after another.
    LoginThrottle throttle;

  signals:
    void loginClicked();           // imgdl, or Enter in the password box
    void changePasswordClicked();  // imgxgmm
    void logoutClicked();          // imgzxdl

  private:
    QLabel* Label84 = nullptr;
    QLineEdit* pass = nullptr;
    widgets::PictureButton* imgdl = nullptr;    // log in
    widgets::PictureButton* imgxgmm = nullptr;  // change password
    widgets::PictureButton* imgzxdl = nullptr;  // log out
};

enum class LoginResult { Accepted, WrongPassword, Refused };

// Compares a typed password with the admin row. Shows its own messages.
LoginResult CheckAdminPassword(QWidget* parent, const QString& typed);

// A login try through the throttle: refused without looking while a wait runs,
// and a wrong password makes the next wait longer. True when the password was right.
bool TryAdminLogin(QWidget* parent, const QString& typed, LoginThrottle& throttle);

}  // namespace workspace
