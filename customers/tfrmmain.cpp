#include "customers/tfrmmain.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>

#include "customers/customer_list.h"
#include "customers/customer_records.h"
#include "customers/log.h"
#include "customers/preview_building.h"
#include "customers/start_page.h"
#include "data/errors.h"
#include "data/records.h"
#include "widgets/atedit.h"
#include "widgets/busy_scope.h"
#include "widgets/caption_button.h"
#include "widgets/dialogs.h"
#include "widgets/handler_guard.h"
#include "widgets/picture_button.h"

namespace customers {
namespace {

const QString kNoCustomer = QStringLiteral("-1");

QLabel* MakeLabel(const QString& text, QWidget* parent, const QRect& geometry) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(geometry);
    return label;
}

widgets::ATEdit* MakeEdit(QWidget* parent, const QRect& geometry) {
    auto* edit = new widgets::ATEdit(parent);
    edit->setGeometry(geometry);
    return edit;
}

QCheckBox* MakeCheck(const QString& text, bool ticked, QWidget* parent, const QRect& geometry) {
    auto* box = new QCheckBox(text, parent);
    box->setChecked(ticked);
    box->setGeometry(geometry);
    return box;
}

widgets::Dialogs& Boxes() { return widgets::Dialogs::Current(); }

}  // namespace

Tfrmmain::Tfrmmain(QWidget* mainWindow, std::function<void()> refreshWorkspace)
    : widgets::StaffWindow(mainWindow, QStringLiteral("客户管理"), QSize(813, 513)),
      refreshWorkspace_(std::move(refreshWorkspace)) {
    setObjectName(QStringLiteral("Tfrmmain"));
    QFont body = font();
    body.setPixelSize(12);
    setFont(body);
    BuildControls();
    ConnectHandlers();
    cbfileype1Click();  // the list follows the boxes' opening state
}

void Tfrmmain::BuildControls() {
    // Rules name their controls: a message box or folder chooser opened from this window
    // must keep its own look.
    setStyleSheet(QStringLiteral(
        "#RzGroupBox1, #RzGroupBox1 QWidget, #RzGroupBox2, #RzGroupBox2 QWidget"
        "  { font-size: 12px; }"
        "#cxname, #cusname, #foldername, #cxzt { padding: 1px 6px; min-height: 0px; }"
        "#Listmatch { background: #262726; alternate-background-color: #2d2e2d;"
        "  border: 1px solid #4a4b48; }"
        "#Listmatch::item { border-right: 1px solid #3e3f3c; border-bottom: 1px solid #3e3f3c;"
        "  padding: 2px 4px; }"
        "#Listmatch::item:selected { background: #d8a45a; color: #1e1e1e; }"
        "#Listmatch QHeaderView::section { background: #3b3c3b; color: #e6e4de;"
        "  padding: 3px 6px; border: none; border-right: 1px solid #4a4b48;"
        "  border-bottom: 1px solid #4a4b48; }"
        "#Memo1 { background: #262726; border: 1px solid #5a5b58; border-radius: 4px; }"
        "#cwb1 { background: #3b3c3b; border: 1px solid #4a4b48; }"
        "#labpreview { font-size: 12px; }"));

    RzGroupBox2 = new QGroupBox(QStringLiteral("查询条件"), this);
    RzGroupBox2->setGeometry(10, 40, 426, 58);
    Label5 = MakeLabel(QStringLiteral("名称:"), RzGroupBox2, QRect(12, 24, 36, 24));
    cxname = MakeEdit(RzGroupBox2, QRect(48, 23, 150, 26));
    Label6 = MakeLabel(QStringLiteral("状态:"), RzGroupBox2, QRect(212, 24, 36, 24));
    cxzt = new QComboBox(RzGroupBox2);
    cxzt->setEditable(false);
    cxzt->addItems({QStringLiteral("全部"), QStringLiteral("正常"), QStringLiteral("关闭")});
    cxzt->setCurrentIndex(0);
    cxzt->setGeometry(248, 23, 84, 26);
    Image3 = new widgets::CaptionButton(QStringLiteral("查询"), RzGroupBox2);
    Image3->move(356, 24);

    Listmatch = new QTreeWidget(this);
    Listmatch->setGeometry(10, 104, 426, 150);
    Listmatch->setColumnCount(4);
    Listmatch->setHeaderLabels({QStringLiteral("客户名称"), QStringLiteral("建立日期"),
                                QStringLiteral("状态"), QStringLiteral("id")});
    Listmatch->setRootIsDecorated(false);
    Listmatch->setItemsExpandable(false);
    Listmatch->setUniformRowHeights(true);
    Listmatch->setAlternatingRowColors(true);
    Listmatch->setSelectionMode(QAbstractItemView::SingleSelection);
    Listmatch->setSelectionBehavior(QAbstractItemView::SelectRows);
    Listmatch->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Listmatch->setSortingEnabled(false);
    Listmatch->header()->setStretchLastSection(false);
    Listmatch->header()->setSectionsMovable(false);
    Listmatch->setColumnWidth(kNameColumn, 200);
    Listmatch->setColumnWidth(kDateColumn, 136);
    Listmatch->setColumnWidth(kStatusColumn, 60);
    Listmatch->setColumnHidden(kIdColumn, true);

    Label69 = MakeLabel(QStringLiteral("客户名称:"), this, QRect(10, 262, 70, 26));
    cusname = MakeEdit(this, QRect(80, 262, 356, 26));

    RzGroupBox1 = new QGroupBox(QStringLiteral("照片选择"), this);
    RzGroupBox1->setGeometry(10, 294, 426, 96);
    Label1 = MakeLabel(QStringLiteral("样片文件夹路径:"), RzGroupBox1, QRect(12, 23, 98, 26));
    foldername = MakeEdit(RzGroupBox1, QRect(110, 23, 210, 26));
    Image11 = new widgets::PictureButton(widgets::Glyph::ZoomIn, QStringLiteral("选择样片目录"),
                                         RzGroupBox1, 26, QColor(240, 238, 232));
    Image11->move(324, 23);
    Image6 = new widgets::CaptionButton(QStringLiteral("更新目录"), RzGroupBox1);
    Image6->move(358, 24);
    cbincsub =
        MakeCheck(QStringLiteral("包含子文件夹"), false, RzGroupBox1, QRect(12, 60, 108, 24));
    Label2 = MakeLabel(QStringLiteral("包含文件类型:"), RzGroupBox1, QRect(126, 60, 86, 24));
    cbfileype1 = MakeCheck(QStringLiteral(".jpg"), true, RzGroupBox1, QRect(214, 60, 54, 24));
    cbfileype2 = MakeCheck(QStringLiteral(".jpeg"), true, RzGroupBox1, QRect(270, 60, 62, 24));
    cbfileype3 = MakeCheck(QStringLiteral(".bmp"), false, RzGroupBox1, QRect(336, 60, 60, 24));

    Label4 = MakeLabel(QStringLiteral("备注:"), this, QRect(10, 396, 60, 22));
    Memo1 = new QPlainTextEdit(this);
    Memo1->setGeometry(10, 418, 426, 56);
    Memo1->setTabChangesFocus(true);

    int x = 10;
    for (auto [button, caption] : {std::pair{&Image2, "增加"}, std::pair{&Imagemtchsave, "修改"},
                                   std::pair{&Image7, "打乱片序"}, std::pair{&Image4, "换状态"},
                                   std::pair{&Image5, "删除"}}) {
        *button = new widgets::CaptionButton(QString::fromUtf8(caption), this);
        (*button)->move(x, 482);
        x += 63;
    }

    customerid = new QLabel(kNoCustomer, this);
    customerid->hide();
    labpreview = MakeLabel(QString(), this, QRect(196, 396, 240, 22));
    labpreview->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    cwb1 = new QTextBrowser(this);
    cwb1->setGeometry(440, 35, 365, 475);
    startPage_ = new StartPage(cwb1, this);

    const std::pair<QWidget*, const char*> named[] = {{RzGroupBox2, "RzGroupBox2"},
                                                      {Label5, "Label5"},
                                                      {cxname, "cxname"},
                                                      {Label6, "Label6"},
                                                      {cxzt, "cxzt"},
                                                      {Image3, "Image3"},
                                                      {Listmatch, "Listmatch"},
                                                      {Label69, "Label69"},
                                                      {cusname, "cusname"},
                                                      {RzGroupBox1, "RzGroupBox1"},
                                                      {Label1, "Label1"},
                                                      {foldername, "foldername"},
                                                      {Image6, "Image6"},
                                                      {cbincsub, "cbincsub"},
                                                      {Label2, "Label2"},
                                                      {cbfileype1, "cbfileype1"},
                                                      {cbfileype2, "cbfileype2"},
                                                      {cbfileype3, "cbfileype3"},
                                                      {Label4, "Label4"},
                                                      {Memo1, "Memo1"},
                                                      {Image2, "Image2"},
                                                      {Imagemtchsave, "Imagemtchsave"},
                                                      {Image7, "Image7"},
                                                      {Image4, "Image4"},
                                                      {Image5, "Image5"},
                                                      {customerid, "customerid"},
                                                      {cwb1, "cwb1"},
                                                      {labpreview, "labpreview"}};
    for (const auto& [widget, name] : named) widget->setObjectName(QString::fromLatin1(name));

    setTabOrder(cxname, cxzt);
    setTabOrder(cxzt, Listmatch);
    setTabOrder(Listmatch, cusname);
    setTabOrder(cusname, foldername);
    setTabOrder(foldername, cbincsub);
    setTabOrder(cbincsub, cbfileype1);
    setTabOrder(cbfileype1, cbfileype2);
    setTabOrder(cbfileype2, cbfileype3);
    setTabOrder(cbfileype3, Memo1);
}

void Tfrmmain::QueuePreviews(qint64 customerId, const ImportOptions& options) {
    if (!previewBuilder_) return;
    previewBuilder_->Queue(
        customerId, SamplePhotoFiles(customerId),
        options.cameraOrientation ? images::Orientation::AsTaken : images::Orientation::AsStored);
}

void Tfrmmain::SetPreviewBuilder(PreviewBuilder* builder) {
    if (previewBuilder_) previewBuilder_->disconnect(this);
    previewBuilder_ = builder;
    labpreview->clear();
    if (!builder) return;
    connect(builder, &PreviewBuilder::progress, this, [this](qint64, int done, int total) {
        labpreview->setText(QStringLiteral("预览: 已完成 %1/%2").arg(done).arg(total));
    });
    connect(builder, &PreviewBuilder::finished, this, [this] {
        if (!previewBuilder_ || !previewBuilder_->busy()) labpreview->clear();
    });
}

void Tfrmmain::Guard(void (Tfrmmain::*handler)()) {
    widgets::GuardHandler(this, [&] { (this->*handler)(); });
}

void Tfrmmain::ConnectHandlers() {
    const auto on = [this](auto* sender, auto signal, void (Tfrmmain::*handler)()) {
        connect(sender, signal, this, [this, handler] { Guard(handler); });
    };
    on(Image3, &QToolButton::clicked, &Tfrmmain::Image3Click);
    on(Listmatch, &QTreeWidget::itemClicked, &Tfrmmain::ListmatchClick);
    on(Image2, &QToolButton::clicked, &Tfrmmain::Image2Click);
    on(Imagemtchsave, &QToolButton::clicked, &Tfrmmain::ImagemtchsaveClick);
    on(Image4, &QToolButton::clicked, &Tfrmmain::Image4Click);
    on(Image5, &QToolButton::clicked, &Tfrmmain::Image5Click);
    on(Image11, &QToolButton::clicked, &Tfrmmain::Image11Click);
    on(Image6, &QToolButton::clicked, &Tfrmmain::Image6Click);
    on(Image7, &QToolButton::clicked, &Tfrmmain::Image7Click);
    for (QCheckBox* box : {cbfileype1, cbfileype2, cbfileype3})
        on(box, &QCheckBox::clicked, &Tfrmmain::cbfileype1Click);
    // However the window closes (exit button, Esc), the workspace is refreshed once.
    connect(this, &QDialog::finished, this, [this] { FormClose(); });
}

void Tfrmmain::showEvent(QShowEvent* event) {
    widgets::StaffWindow::showEvent(event);
    if (shown_) return;
    shown_ = true;
    FormShow();
}

void Tfrmmain::closeEvent(QCloseEvent* event) {
    // A running import cannot be walked away from.
    if (widgets::BusyScope::Active()) {
        event->ignore();
        return;
    }
    widgets::StaffWindow::closeEvent(event);
}

void Tfrmmain::FormShow() {
    Guard(&Tfrmmain::ListCustomers);
    QString address;
    widgets::GuardHandler(this, [&] { address = StartPage::AddressFromSettings(); });
    startPage_->Navigate(address);
}

void Tfrmmain::FormClose() {
    if (closed_) return;
    closed_ = true;
    if (refreshWorkspace_) widgets::GuardHandler(parentWidget(), refreshWorkspace_);
}

// ---- the list ------------------------------------------------------------------------------

void Tfrmmain::ListCustomers() {
    Listmatch->clear();
    std::vector<CustomerRow> rows;
    try {
        rows = customers::ListCustomers(cxname->text(), cxzt->currentText());
    } catch (const data::VerimondError& error) {
        qCWarning(lcCustomers).noquote() << "customers not listed:" << error.text();
        Boxes().Message(this, QStringLiteral("发生未知错误"));
        return;
    }
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<int>(rows.size()));
    for (const CustomerRow& row : rows) {
        auto* item = new QTreeWidgetItem(
            {row.name, ListDateText(row.addDate), row.status, QString::number(row.id)});
        item->setToolTip(kNameColumn, row.name);
        items << item;
    }
    Listmatch->addTopLevelItems(items);
    Listmatch->setCurrentItem(nullptr);
    Listmatch->clearSelection();
}

void Tfrmmain::Image3Click() { ListCustomers(); }

QTreeWidgetItem* Tfrmmain::SelectedRow() const {
    const QList<QTreeWidgetItem*> selected = Listmatch->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

QTreeWidgetItem* Tfrmmain::ShownCustomerRow() {
    // The keyboard moves the highlight without loading a record, so the highlight may be
    // on another customer than the fields show: the buttons follow the fields, and the
    // highlight goes back to the customer they act on.
    if (customerid->text() == kNoCustomer) return nullptr;
    for (int i = 0; i < Listmatch->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = Listmatch->topLevelItem(i);
        if (row->text(kIdColumn) != customerid->text()) continue;
        Listmatch->setCurrentItem(row);
        return row;
    }
    return nullptr;
}

void Tfrmmain::ListmatchClick() {
    QTreeWidgetItem* row = SelectedRow();
    if (!row) return;
    customerid->setText(row->text(kIdColumn));
    const std::optional<CustomerRecord> record = LoadCustomer(data::StrToInt(customerid->text()));
    if (!record) {
        Boxes().Message(this, QStringLiteral("没有找到记录！"));
        return;
    }
    cusname->setText(record->name);
    foldername->setText(record->photoPath);
    Memo1->setPlainText(record->note);
}

// ---- records -------------------------------------------------------------------------------

ImportOptions Tfrmmain::CurrentImportOptions() const {
    return ImportOptionsFromSettings(acceptedTypes_, cbincsub->isChecked());
}

void Tfrmmain::ReportUnreadable(const std::vector<UnreadableName>& unreadable) {
    const QString text = UnreadableNamesText(unreadable);
    if (!text.isEmpty()) Boxes().Message(this, text);
}

void Tfrmmain::Image2Click() {
    const NewCustomer customer{cusname->text(), foldername->text(), Memo1->toPlainText()};
    // What was typed stays in the fields whatever is refused.
    QString problem = NewCustomerProblem(customer);
    if (problem.isEmpty()) problem = TypesProblem(acceptedTypes_);
    if (!problem.isEmpty()) {
        Boxes().Message(this, problem);
        return;
    }
    if (CustomerNameExists(customer.name) &&
        Boxes().Question(this, QStringLiteral("已有名为") + customer.name +
                                   QStringLiteral("的客户,确定还要增加一个同名客户吗?")) !=
            widgets::Answer::Yes)
        return;

    const ImportOptions options = CurrentImportOptions();
    CreatedCustomer created;
    {
        widgets::BusyScope busy(parentWidget() ? parentWidget() : this);
        try {
            created =
                CreateCustomer(customer, options, [&](int done, int total, const QString& item) {
                    busy.Progress(done, total, item);
                });
        } catch (const data::VerimondError& error) {
            qCWarning(lcCustomers).noquote()
                << "customer" << customer.name << "not added:" << error.text();
            busy.Finish();
            Boxes().Message(this, QStringLiteral("保存失败"));
            return;
        }
    }
    customerid->setText(QString::number(created.id));
    QueuePreviews(created.id, options);
    Boxes().Message(this, QStringLiteral("保存成功"));
    ReportUnreadable(created.unreadable);
    ListCustomers();
}

void Tfrmmain::ImagemtchsaveClick() {
    if (customerid->text() == kNoCustomer) return;
    const QString problem = NameProblem(cusname->text());
    if (!problem.isEmpty()) {
        Boxes().Message(this, problem);
        return;
    }
    const qint64 id = data::StrToInt(customerid->text());
    bool saved = false;
    try {
        saved = SaveCustomer(id, {cusname->text(), foldername->text(), Memo1->toPlainText()});
    } catch (const data::VerimondError& error) {
        qCWarning(lcCustomers).noquote() << "customer" << id << "not saved:" << error.text();
        Boxes().Message(this, QStringLiteral("保存失败"));
        return;
    }
    if (!saved) {
        Boxes().Message(this, QStringLiteral("未找到记录!"));
        return;
    }
    Boxes().Message(this, QStringLiteral("保存成功"));
    ListCustomers();
}

void Tfrmmain::Image4Click() {
    QTreeWidgetItem* row = ShownCustomerRow();
    if (!row) return;
    const QString status = ToggledStatus(row->text(kStatusColumn));
    SetCustomerStatus(data::StrToInt(row->text(kIdColumn)), status);
    row->setText(kStatusColumn, status);
}

void Tfrmmain::Image5Click() {
    QTreeWidgetItem* row = ShownCustomerRow();
    if (!row) return;
    if (Boxes().Question(this, QStringLiteral("确定要删除客户") + row->text(kNameColumn) +
                                   QStringLiteral("的所有信息吗?")) != widgets::Answer::Yes)
        return;
    try {
        DeleteCustomer(data::StrToInt(row->text(kIdColumn)));
    } catch (const data::DbError& error) {
        qCWarning(lcCustomers).noquote()
            << "customer" << row->text(kIdColumn) << "not deleted:" << error.text();
        Boxes().Message(this, QStringLiteral("操作失败"));
        return;
    }
    delete row;
    ListCustomers();
}

// ---- import settings, re-import and shuffle ------------------------------------------------

void Tfrmmain::Image11Click() {
    const QString folder =
        Boxes().ChooseFolder(this, QStringLiteral("选择样片目录"), foldername->text());
    if (!folder.isEmpty()) foldername->setText(folder);
}

void Tfrmmain::cbfileype1Click() {
    acceptedTypes_ = AcceptedTypesList(cbfileype1->isChecked(), cbfileype2->isChecked(),
                                       cbfileype3->isChecked());
}

void Tfrmmain::Image6Click() {
    QTreeWidgetItem* row = ShownCustomerRow();
    if (!row) return;
    const qint64 id = data::StrToInt(row->text(kIdColumn));
    const QString folder = foldername->text();
    QString problem = FolderProblem(folder);
    if (problem.isEmpty()) problem = TypesProblem(acceptedTypes_);
    if (!problem.isEmpty()) {
        Boxes().Message(this, problem);
        return;
    }
    const ImportOptions options = CurrentImportOptions();
    std::optional<ImportResult> result;
    {
        widgets::BusyScope busy(parentWidget() ? parentWidget() : this);
        try {
            result = ReimportCustomer(id, folder, options,
                                      [&](int done, int total, const QString& item) {
                                          busy.Progress(done, total, item);
                                      });
        } catch (...) {
            busy.Finish();
            throw;  // the error box tells what went wrong; nothing was written
        }
    }
    if (!result) {
        Boxes().Message(this, QStringLiteral("未找到记录!"));
        return;
    }
    QueuePreviews(id, options);
    Boxes().Message(this, QStringLiteral("更新成功！"));
    ReportUnreadable(result->unreadable);
}

void Tfrmmain::Image7Click() {
    QTreeWidgetItem* row = ShownCustomerRow();
    if (!row) return;
    if (Boxes().Question(this, QStringLiteral("确定要打乱客户") + row->text(kNameColumn) +
                                   QStringLiteral("的样片顺序吗?")) != widgets::Answer::Yes)
        return;
    int shuffled = 0;
    try {
        shuffled = ShuffleSamples(data::StrToInt(row->text(kIdColumn)));
    } catch (const data::DbError& error) {
        qCWarning(lcCustomers).noquote()
            << "samples of customer" << row->text(kIdColumn) << "not shuffled:" << error.text();
        Boxes().Message(this, QStringLiteral("操作失败"));
        return;
    }
    if (shuffled == 0) {
        Boxes().Message(this, QStringLiteral("未找到记录!"));
        return;
    }
    Boxes().Message(this, QStringLiteral("操作成功"));
}

}  // namespace customers
