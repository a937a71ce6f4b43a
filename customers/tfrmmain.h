#pragma once
// The customer window, the staff's desk: find customers by name and status, load one into
// the record fields, create, save, open or close and delete customers, import a sample
// folder again and shuffle a customer's sample order. The right half shows the start page.
//
//  Tfrmmain (StaffWindow: Image1 title strip, Label3, sbtnexit)
//  ├── RzGroupBox2 查询条件: Label5, cxname, Label6, cxzt, Image3 (查询)
//  ├── Listmatch  customer list (name, date, status, hidden id)
//  ├── Label69, cusname
//  ├── RzGroupBox1 照片选择: Label1, foldername, Image11 (folder chooser), Image6 (更新目录),
//  │               cbincsub, Label2, cbfileype1..3
//  ├── Label4, Memo1
//  ├── Image2 (增加), Imagemtchsave (修改), Image7 (打乱片序), Image4 (换状态), Image5 (删除)
//  ├── customerid  hidden label: the loaded customer's id, "-1" when none
//  └── cwb1        start page
//
// Every operation is a plain function of customers/ (customer_records.h, customer_list.h);
// the handlers read the controls, call them and show the results.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextBrowser>
#include <QTreeWidget>
#include <functional>

#include "customers/photo_import.h"
#include "widgets/staff_window.h"

class QGroupBox;

namespace widgets {
class ATEdit;
class CaptionButton;
class PictureButton;
}  // namespace widgets

namespace customers {

class StartPage;
class PreviewBuilder;

class Tfrmmain : public widgets::StaffWindow {
    Q_OBJECT
  public:
    // refreshWorkspace runs when the window closes, however it is closed.
    Tfrmmain(QWidget* mainWindow, std::function<void()> refreshWorkspace);

    // Columns of Listmatch.
    enum Column { kNameColumn = 0, kDateColumn = 1, kStatusColumn = 2, kIdColumn = 3 };

    void FormShow();
    void FormClose();
    void ListCustomers();
    void Image3Click();  // 查询
    void ListmatchClick();
    void Image2Click();         // 增加
    void ImagemtchsaveClick();  // 修改
    void Image4Click();         // 换状态
    void Image5Click();         // 删除
    void Image11Click();        // folder chooser
    void cbfileype1Click();     // any of the three type boxes
    void Image6Click();         // 更新目录
    void Image7Click();         // 打乱片序

    // The accepted-types list the type boxes have built.
    const QString& acceptedTypes() const { return acceptedTypes_; }
    StartPage* startPage() const { return startPage_; }
    // Follows the background building of previews in labpreview; null stops following.
    void SetPreviewBuilder(PreviewBuilder* builder);
    // The previews of a customer just imported (or updated) are built first.
    void QueuePreviews(qint64 customerId, const ImportOptions& options);

    QGroupBox* RzGroupBox2 = nullptr;
    QLabel* Label5 = nullptr;
    widgets::ATEdit* cxname = nullptr;
    QLabel* Label6 = nullptr;
    QComboBox* cxzt = nullptr;
    widgets::CaptionButton* Image3 = nullptr;
    QTreeWidget* Listmatch = nullptr;
    QLabel* Label69 = nullptr;
    widgets::ATEdit* cusname = nullptr;
    QGroupBox* RzGroupBox1 = nullptr;
    QLabel* Label1 = nullptr;
    widgets::ATEdit* foldername = nullptr;
    widgets::PictureButton* Image11 = nullptr;
    QCheckBox* cbincsub = nullptr;
    QLabel* Label2 = nullptr;
    QCheckBox* cbfileype1 = nullptr;
    QCheckBox* cbfileype2 = nullptr;
    QCheckBox* cbfileype3 = nullptr;
    widgets::CaptionButton* Image6 = nullptr;
    QLabel* Label4 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    widgets::CaptionButton* Image2 = nullptr;
    widgets::CaptionButton* Imagemtchsave = nullptr;
    widgets::CaptionButton* Image7 = nullptr;
    widgets::CaptionButton* Image4 = nullptr;
    widgets::CaptionButton* Image5 = nullptr;
    QLabel* customerid = nullptr;
    QTextBrowser* cwb1 = nullptr;
    QLabel* labpreview = nullptr;  // previews built so far; empty when none are being built

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildControls();
    void ConnectHandlers();
    // Runs a handler so that a failure it does not handle ends in the error box.
    void Guard(void (Tfrmmain::*handler)());
    QTreeWidgetItem* SelectedRow() const;
    // The list row of the customer whose record the fields show, highlighted; null when
    // none is loaded or it is not listed.
    QTreeWidgetItem* ShownCustomerRow();
    ImportOptions CurrentImportOptions() const;
    // Tells the staff about files an import had to leave out, if there were any.
    void ReportUnreadable(const std::vector<UnreadableName>& unreadable);

    std::function<void()> refreshWorkspace_;
    StartPage* startPage_ = nullptr;
    QPointer<PreviewBuilder> previewBuilder_;
    QString acceptedTypes_;
    bool shown_ = false;
    bool closed_ = false;
};

}  // namespace customers
