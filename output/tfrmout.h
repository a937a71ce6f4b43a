#pragma once
// The output window: the current customer's selection as a printed list (preview,
// printer, PDF), a spreadsheet, a folder of renamed copies, or the picks' file names for
// the retoucher. Its options start from their defaults at every opening.

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <functional>

#include "output/selection_list.h"
#include "output/staging.h"
#include "widgets/staff_window.h"
#include "workspace/workspace_state.h"

namespace output {

class Tfrmout : public widgets::StaffWindow {
    Q_OBJECT
  public:
    // state is the workspace's; widescreenTicked tells whether its widescreen correction
    // is on, which the staged pictures follow. Both are read whenever an output runs.
    Tfrmout(QWidget* mainWindow, const workspace::WorkspaceState& state,
            std::function<bool()> widescreenTicked);

    void Button1Click();  // print preview
    void Button2Click();  // print on the default printer
    void btnpdfClick();   // the list as a PDF file
    void Button4Click();  // spreadsheet
    void Button3Click();  // folder export
    void btncopynamesClick();

    // The folder the save dialogs start in: the user's documents, or home.
    static QString DocumentsFolder();

    QGroupBox* RzGroupBox1 = nullptr;
    QCheckBox* rcb1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* btnpdf = nullptr;
    QGroupBox* RzGroupBox2 = nullptr;
    QPushButton* Button4 = nullptr;
    QGroupBox* RzGroupBox3 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QCheckBox* rcb2 = nullptr;
    QCheckBox* rcb3 = nullptr;
    QCheckBox* rcb4 = nullptr;
    QGroupBox* RzRadioGroup1 = nullptr;
    QRadioButton* RzRadioButton1 = nullptr;
    QRadioButton* RzRadioButton2 = nullptr;
    QPushButton* Button3 = nullptr;
    QGroupBox* RzGroupBox4 = nullptr;
    QComboBox* cbalbum = nullptr;
    QPushButton* btncopynames = nullptr;

  private:
    OutputCustomer Customer() const;
    // The list staged and read behind the busy notice, with progress while pictures are made.
    SelectionList LoadList();
    // A save-as choice for an output file; empty when cancelled or when an existing file
    // is not to be replaced.
    QString ChooseOutputFile(const QString& title, const QString& suffix, const QString& filter);
    void Guard(void (Tfrmout::*handler)());

    QWidget* mainWindow_;
    const workspace::WorkspaceState& state_;
    std::function<bool()> widescreenTicked_;
};

}  // namespace output
