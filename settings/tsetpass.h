#pragma once
// The administrator's password window: old password, new password twice.

#include <QLabel>

#include "widgets/atedit.h"
#include "widgets/staff_window.h"

namespace settings {

class Tsetpass : public widgets::StaffWindow {
    Q_OBJECT
  public:
    explicit Tsetpass(QWidget* mainWindow);

    // Checks the entries and stores the new password.
    void Image1Click();

    widgets::StaffTitleStrip* Image2 = nullptr;  // title strip
    QLabel* Label1 = nullptr;                    // its title
    QLabel* Label4 = nullptr;
    widgets::ATEdit* oldpass = nullptr;
    QLabel* Label2 = nullptr;
    widgets::ATEdit* MEPass1 = nullptr;
    QLabel* Label3 = nullptr;
    widgets::ATEdit* MEPass2 = nullptr;
    widgets::PictureButton* Image1 = nullptr;  // carries out the change

  protected:
    void showEvent(QShowEvent* event) override;
};

}  // namespace settings
