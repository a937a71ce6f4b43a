#pragma once
// The settings window: print footer, lock permission, widescreen ratio, the online
// start page of the customer window, whether photos are shown as the camera held them,
// the preview store's budget, and the default album names of new customers.

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "widgets/staff_window.h"

namespace workspace {
struct WorkspaceState;
}

namespace settings {

class Tfrmset : public widgets::StaffWindow {
    Q_OBJECT
  public:
    Tfrmset(QWidget* mainWindow, workspace::WorkspaceState& state);

    void FormShow();
    // Checks the ratio as the focus leaves it; false (and the focus back) when refused.
    bool RzEdit5Exit();
    void Button1Click();  // add the typed name to the list
    void Button2Click();  // remove the ticked names from the list
    void Button3Click();  // save everything

    QGroupBox* RzGroupBox1 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* RzEdit1 = nullptr;  // printinfo
    QLabel* Label6 = nullptr;
    QLineEdit* RzEdit5 = nullptr;  // widthsalerote
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLineEdit* RzEdit6 = nullptr;      // startpage
    QLabel* Label9 = nullptr;          // the note on an address that is not https://
    QCheckBox* RzCheckBox2 = nullptr;  // cameraorientation
    QLabel* Label10 = nullptr;
    QLineEdit* RzEdit7 = nullptr;  // previewbudget, in megabytes
    QGroupBox* RzGroupBox2 = nullptr;
    QCheckBox* RzCheckBox1 = nullptr;  // qhkh
    QGroupBox* RzGroupBox4 = nullptr;
    QListWidget* xclist = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* RzEdit4 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QStringList ListedAlbums() const;
    void AddListItem(const QString& name);

    workspace::WorkspaceState& state_;
    bool filled_ = false;
    bool ratioCheckPending_ = false;
};

}  // namespace settings
