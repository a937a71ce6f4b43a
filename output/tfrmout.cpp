#include "output/tfrmout.h"

#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QUrl>
#include <memory>

#include "output/folder_export.h"
#include "output/spreadsheet.h"
#include "widgets/busy_scope.h"
#include "widgets/dialogs.h"
#include "widgets/handler_guard.h"

namespace output {
namespace {

constexpr int kWidth = 350;
constexpr int kHeight = 478;

QPushButton* MakeButton(const QString& text, QWidget* parent, const QRect& geometry) {
    auto* button = new QPushButton(text, parent);
    button->setGeometry(geometry);
    button->setCursor(Qt::PointingHandCursor);
    // Enter elsewhere in the window must not print or export by itself.
    button->setAutoDefault(false);
    return button;
}

QCheckBox* MakeCheckBox(const QString& text, QWidget* parent, QPoint at, bool ticked) {
    auto* box = new QCheckBox(text, parent);
    box->move(at);
    box->adjustSize();
    box->setChecked(ticked);
    return box;
}

// The window's answers during a folder export: the staff are asked, and the busy notice
// steps aside while a question is open.
class AskTheStaff : public ExportQuestions {
  public:
    AskTheStaff(QWidget* window, widgets::BusyScope& busy) : window_(window), busy_(busy) {}

    bool GoOnPastMissing(const QString& source) override {
        const widgets::BusyScope::Asking asking(busy_);
        return widgets::Dialogs::Current().Question(
                   window_, QStringLiteral("要复制的文件") + source +
                                QStringLiteral("不存在,是否继续?")) != widgets::Answer::No;
    }

    bool Overwrite(const QString& newPath) override {
        const widgets::BusyScope::Asking asking(busy_);
        return widgets::Dialogs::Current().Question(
                   window_, QStringLiteral("文件") + newPath +
                                QStringLiteral("已经存在,是否覆盖?")) == widgets::Answer::Yes;
    }

    void Progress(int done, int total, const QString& item) override {
        busy_.Progress(done, total, item);
    }

  private:
    QWidget* window_;
    widgets::BusyScope& busy_;
};

}  // namespace

Tfrmout::Tfrmout(QWidget* mainWindow, const workspace::WorkspaceState& state,
                 std::function<bool()> widescreenTicked)
    : widgets::StaffWindow(mainWindow, QStringLiteral("打印或导出选片结果"),
                           QSize(kWidth, kHeight)),
      mainWindow_(mainWindow),
      state_(state),
      widescreenTicked_(std::move(widescreenTicked)) {
    setObjectName(QStringLiteral("Tfrmout"));
    setWindowTitle(QStringLiteral("输出结果"));

    RzGroupBox1 = new QGroupBox(QStringLiteral("打印选片结果"), this);
    RzGroupBox1->setGeometry(8, 40, 334, 88);
    rcb1 = MakeCheckBox(QStringLiteral("带图样打印"), RzGroupBox1, QPoint(14, 26), true);
    Button1 = MakeButton(QStringLiteral("打印预览"), RzGroupBox1, QRect(14, 52, 96, 28));
    Button2 = MakeButton(QStringLiteral("打印"), RzGroupBox1, QRect(119, 52, 96, 28));
    btnpdf = MakeButton(QStringLiteral("导出PDF"), RzGroupBox1, QRect(224, 52, 96, 28));

    RzGroupBox2 = new QGroupBox(QStringLiteral("导出结果到excel文件"), this);
    RzGroupBox2->setGeometry(8, 134, 334, 62);
    auto* workbookHint = new QLabel(QStringLiteral("保存为.xlsx文件后打开"), RzGroupBox2);
    workbookHint->move(14, 30);
    workbookHint->setStyleSheet(QStringLiteral("color: rgb(225, 225, 225);"));
    Button4 = MakeButton(QStringLiteral("导出"), RzGroupBox2, QRect(224, 24, 96, 28));

    RzGroupBox3 = new QGroupBox(QStringLiteral("输出入选样片到文件夹"), this);
    RzGroupBox3->setGeometry(8, 202, 334, 204);
    Label1 = new QLabel(QStringLiteral("样片命名规则:"), RzGroupBox3);
    Label1->move(14, 26);
    Label2 = new QLabel(QStringLiteral("序号-"), RzGroupBox3);
    Label2->move(14, 52);
    rcb2 = MakeCheckBox(QStringLiteral("相册名称-"), RzGroupBox3, QPoint(60, 50), true);
    rcb3 = MakeCheckBox(QStringLiteral("源文件名"), RzGroupBox3, QPoint(160, 50), true);
    rcb4 = MakeCheckBox(QStringLiteral("同时输出文本说明文件"), RzGroupBox3, QPoint(14, 76), true);
    RzRadioGroup1 = new QGroupBox(QStringLiteral("导出目录设置"), RzGroupBox3);
    RzRadioGroup1->setGeometry(8, 98, 318, 66);
    RzRadioButton1 = new QRadioButton(QStringLiteral("导出时手动选择目录"), RzRadioGroup1);
    RzRadioButton1->move(8, 22);
    RzRadioButton1->adjustSize();
    RzRadioButton1->setChecked(true);
    RzRadioButton2 =
        new QRadioButton(QStringLiteral("默认目录(客户样片目录所在位置+客户姓名)"), RzRadioGroup1);
    RzRadioButton2->move(8, 42);
    RzRadioButton2->adjustSize();
    Button3 = MakeButton(QStringLiteral("导出"), RzGroupBox3, QRect(224, 170, 96, 28));

    RzGroupBox4 = new QGroupBox(QStringLiteral("给修片师的文件名"), this);
    RzGroupBox4->setGeometry(8, 412, 334, 58);
    cbalbum = new QComboBox(RzGroupBox4);
    cbalbum->setGeometry(14, 22, 200, 28);
    cbalbum->addItem(workspace::kAllAlbums);
    if (!state_.customerId.isEmpty()) {
        widgets::GuardHandler(this,
                              [this] { cbalbum->addItems(CustomerAlbums(state_.customerId)); });
    }
    btncopynames = MakeButton(QStringLiteral("复制文件名"), RzGroupBox4, QRect(224, 22, 96, 28));
    btncopynames->setToolTip(
        QStringLiteral("把选中相册(或全部)入选照片的文件名复制到剪贴板,方便修片师查找原片"));

    const auto wire = [this](QPushButton* button, void (Tfrmout::*handler)()) {
        connect(button, &QPushButton::clicked, this, [this, handler] { Guard(handler); });
    };
    wire(Button1, &Tfrmout::Button1Click);
    wire(Button2, &Tfrmout::Button2Click);
    wire(btnpdf, &Tfrmout::btnpdfClick);
    wire(Button4, &Tfrmout::Button4Click);
    wire(Button3, &Tfrmout::Button3Click);
    wire(btncopynames, &Tfrmout::btncopynamesClick);
    CentreOverMainWindow();
}

void Tfrmout::Guard(void (Tfrmout::*handler)()) {
    widgets::GuardHandler(this, [this, handler] { (this->*handler)(); });
}

QString Tfrmout::DocumentsFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
    return QDir::homePath();
}

OutputCustomer Tfrmout::Customer() const {
    OutputCustomer customer;
    customer.customerId = state_.customerId;
    customer.photoPath = state_.customerPhotoPath;
    customer.widescreen = widescreenTicked_ && widescreenTicked_();
    customer.widescreenRatio = state_.widescreenRatio;
    customer.cameraOrientation = state_.cameraOrientation;
    customer.previews = state_.previews;
    return customer;
}

SelectionList Tfrmout::LoadList() {
    widgets::BusyScope busy(mainWindow_);
    SelectionList list = LoadSelectionList(
        Customer(), rcb1->isChecked(),
        [&busy](int done, int total, const QString& item) { busy.Progress(done, total, item); });
    busy.Finish();
    return list;
}

void Tfrmout::Button1Click() {
    // The preview paints from this copy, so nothing staged later can change its pages.
    const auto list = std::make_shared<const SelectionList>(LoadList());
    widgets::Dialogs::Current().PrintPreview(this, list->title, [list](QPagedPaintDevice* device) {
        return PaintSelectionList(device, *list);
    });
}

void Tfrmout::Button2Click() {
    // The selection is staged only once a printer has been found.
    QString reason;
    const widgets::PrintResult result = widgets::Dialogs::Current().PrintOnDefaultPrinter(
        this, ListTitle(CustomerName(state_.customerId)),
        [this](QPagedPaintDevice* device) {
            const SelectionList list = LoadList();
            widgets::BusyScope busy(mainWindow_);
            return PaintSelectionList(device, list);
        },
        &reason);
    if (result == widgets::PrintResult::NoPrinter)
        widgets::Dialogs::Current().Message(
            this, QStringLiteral("没有找到默认打印机,请先安装打印机并设为默认打印机,"
                                 "或者点击“导出PDF”把选片单保存为PDF文件。"));
    else if (result == widgets::PrintResult::Failed)
        widgets::Dialogs::Current().Message(
            this, QStringLiteral("打印失败(") + reason + QStringLiteral("),请检查打印机。"));
}

QString Tfrmout::ChooseOutputFile(const QString& title, const QString& suffix,
                                  const QString& filter) {
    const QString proposed =
        QDir(DocumentsFolder())
            .filePath(ProposedOutputName(CustomerName(state_.customerId),
                                         QDateTime::currentDateTime(), suffix));
    QString path = widgets::Dialogs::Current().ChooseSaveFile(this, title, proposed, filter);
    if (path.isEmpty()) return QString();
    if (!path.endsWith(suffix, Qt::CaseInsensitive)) path += suffix;
    if (QFileInfo::exists(path) &&
        widgets::Dialogs::Current().Question(
            this, QStringLiteral("文件") + path + QStringLiteral("已经存在,是否覆盖?")) !=
            widgets::Answer::Yes)
        return QString();
    return path;
}

void Tfrmout::btnpdfClick() {
    const QString path = ChooseOutputFile(QStringLiteral("导出PDF"), QStringLiteral(".pdf"),
                                          QStringLiteral("PDF 文件 (*.pdf)"));
    if (path.isEmpty()) return;
    const SelectionList list = LoadList();
    QString reason;
    if (!WriteSelectionListPdf(list, path, &reason)) {
        widgets::Dialogs::Current().Message(
            this, QStringLiteral("PDF文件保存失败(") + reason + QStringLiteral("):") + path);
        return;
    }
    widgets::Dialogs::Current().Message(this, QStringLiteral("选片单已保存到:") + path);
}

void Tfrmout::Button4Click() {
    const QString path =
        ChooseOutputFile(QStringLiteral("导出结果到excel文件"), QStringLiteral(".xlsx"),
                         QStringLiteral("Excel 工作簿 (*.xlsx)"));
    if (path.isEmpty()) return;
    QString reason;
    if (ExportSpreadsheet(Customer(), path, &reason) < 0) {
        widgets::Dialogs::Current().Message(
            this, QStringLiteral("链接EXCEL服务失败！(") + reason + QStringLiteral("):") + path);
        return;
    }
    if (!widgets::Dialogs::Current().OpenDocument(QUrl::fromLocalFile(path)))
        widgets::Dialogs::Current().Message(
            this, QStringLiteral("没有找到能打开电子表格的程序,文件已保存在:") + path);
}

void Tfrmout::Button3Click() {
    const OutputCustomer customer = Customer();
    QString folder;
    if (RzRadioButton1->isChecked()) {
        folder = widgets::Dialogs::Current().ChooseFolder(this, QStringLiteral("选择输出路径"),
                                                          customer.photoPath);
    } else {
        folder = DefaultExportFolder(customer);
        // Without a photo folder the default would be a folder at the top of the disk.
        if (customer.photoPath.isEmpty() || !QDir().mkpath(folder)) {
            widgets::Dialogs::Current().Message(
                this, QStringLiteral("未知原因导致创建文件夹失败,请尝试手工选择目录"));
            return;
        }
    }
    if (folder.isEmpty()) return;

    ExportOptions options;
    options.naming.albumName = rcb2->isChecked();
    options.naming.sourceName = rcb3->isChecked();
    options.writeNotes = rcb4->isChecked();
    ExportResult result;
    {
        widgets::BusyScope busy(mainWindow_);
        AskTheStaff questions(this, busy);
        result = ExportToFolder(customer, folder, options, questions);
    }
    if (result.stopped) return;
    widgets::Dialogs::Current().Message(this, ClosingMessage(result));
}

void Tfrmout::btncopynamesClick() {
    const std::vector<PickedFile> picks = ReadPickedFiles(state_.customerId);
    const QString album = cbalbum->currentText();
    const QStringList names =
        UniqueBaseNames(picks, album == workspace::kAllAlbums ? QString() : album);
    if (names.isEmpty()) {
        widgets::Dialogs::Current().Message(this, QStringLiteral("没有入选的照片"));
        return;
    }
    QGuiApplication::clipboard()->setText(names.join(QStringLiteral(", ")));
    widgets::Dialogs::Current().Message(
        this, QStringLiteral("已复制%1个文件名到剪贴板").arg(names.size()));
}

}  // namespace output
