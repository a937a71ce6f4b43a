#include "widgets/dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPageLayout>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "widgets/print_queue.h"

namespace widgets {
namespace {

std::unique_ptr<Dialogs>& Installed() {
    static std::unique_ptr<Dialogs> dialogs = std::make_unique<ScreenDialogs>();
    return dialogs;
}

const QString kTitle = QStringLiteral("Verimond");

int openBoxes = 0;

// A box belongs to the window the customer sees; when it closes, the keyboard goes
// back to that window, even where no window manager hands it back.
class ModalScope {
  public:
    explicit ModalScope(QWidget* parent) : owner_(parent ? parent->window() : nullptr) {}
    ~ModalScope() {
        if (owner_ && owner_->isVisible() && !owner_->isMinimized()) owner_->activateWindow();
    }

  private:
    Dialogs::OpenBox open_;
    QPointer<QWidget> owner_;
};
// Whether the desktop names a program for a local file. openUrl only starts xdg-open,
// which fails later and out of sight when no program takes the file's type.
bool DesktopHasProgramFor(const QUrl& url) {
    if (!url.isLocalFile()) return true;
    const QString type = QMimeDatabase().mimeTypeForFile(url.toLocalFile()).name();
    if (type == QLatin1String("text/html")) return true;  // browsers are found other ways too
    const QString query = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (query.isEmpty()) return true;  // openUrl will tell
    QProcess process;
    process.start(query, {QStringLiteral("query"), QStringLiteral("default"), type});
    if (!process.waitForFinished(5000)) return true;
    return !process.readAllStandardOutput().trimmed().isEmpty();
}

QPageLayout A4Layout() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                       QPageLayout::Millimeter);
}

}  // namespace

Dialogs& Dialogs::Current() { return *Installed(); }

void Dialogs::Install(std::unique_ptr<Dialogs> dialogs) { Installed() = std::move(dialogs); }

Dialogs::OpenBox::OpenBox() { ++openBoxes; }

Dialogs::OpenBox::~OpenBox() { --openBoxes; }

bool Dialogs::AnyOpen() { return openBoxes > 0 || QApplication::activeModalWidget() != nullptr; }

QString WithFullStop(const QString& text) {
    if (text.endsWith(QLatin1Char('.')) || text.endsWith(QChar(0x3002))) return text;
    return text + QLatin1Char('.');
}

void ScreenDialogs::Message(QWidget* parent, const QString& text) {
    const ModalScope scope(parent);
    QMessageBox box(QMessageBox::NoIcon, kTitle, text, QMessageBox::Ok, parent);
    box.exec();
}

Answer ScreenDialogs::Question(QWidget* parent, const QString& text) {
    const ModalScope scope(parent);
    QMessageBox box(QMessageBox::Information, QStringLiteral("Information"), text,
                    QMessageBox::NoButton, parent);
    QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    if (box.clickedButton() == yes) return Answer::Yes;
    if (box.clickedButton() == no) return Answer::No;
    return Answer::Closed;
}

bool ScreenDialogs::Warning(QWidget* parent, const QString& text) {
    const ModalScope scope(parent);
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Warning"), text, QMessageBox::NoButton,
                    parent);
    QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == yes;
}

void ScreenDialogs::Error(QWidget* parent, const QString& text) {
    const ModalScope scope(parent);
    QMessageBox box(QMessageBox::Critical, kTitle, WithFullStop(text), QMessageBox::Ok, parent);
    box.exec();
}

QString ScreenDialogs::ChooseFolder(QWidget* parent, const QString& title, const QString& start) {
    const ModalScope scope(parent);
    return QFileDialog::getExistingDirectory(parent, title, start);
}

bool ScreenDialogs::OpenDocument(const QUrl& url) {
    return DesktopHasProgramFor(url) && QDesktopServices::openUrl(url);
}

QString ScreenDialogs::ChooseSaveFile(QWidget* parent, const QString& title,
                                      const QString& proposed, const QString& filter) {
    return QFileDialog::getSaveFileName(parent, title, proposed, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

void ScreenDialogs::PrintPreview(QWidget* parent, const QString& documentName,
                                 const PagePainter& paint) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(A4Layout());
    printer.setDocName(documentName);
    QPrintPreviewDialog preview(&printer, parent, Qt::Window);
    preview.setWindowTitle(QStringLiteral("打印预览"));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&paint](QPrinter* target) { paint(target); });
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        preview.resize(area.width() * 4 / 5, area.height() * 9 / 10);
        preview.move(area.center() - preview.rect().center());
    }
    preview.exec();
}

PrintResult ScreenDialogs::PrintOnDefaultPrinter(QWidget*, const QString& documentName,
                                                 const PagePainter& paint, QString* reason) {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) return PrintResult::NoPrinter;
    // The pages go to a file first and then to the queue ourselves: Qt's printing to the
    // queue would not tell a refused job from a printed one.
    QTemporaryDir folder(QDir::temp().filePath(QStringLiteral("verimond-print-XXXXXX")));
    const QString pdf = folder.filePath(QStringLiteral("list.pdf"));
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPageLayout(A4Layout());
        printer.setDocName(documentName);
        printer.setCreator(kTitle);
        printer.setCopyCount(1);
        if (!folder.isValid() || !paint(&printer)) {
            *reason = QStringLiteral("无法生成打印内容");
            return PrintResult::Failed;
        }
    }
    const QueueAnswer answer = SubmitToPrintQueue(info.printerName(), pdf, documentName);
    if (answer.jobId == 0) {
        *reason = answer.reason;
        return PrintResult::Failed;
    }
    return PrintResult::Printed;
}

}  // namespace widgets
