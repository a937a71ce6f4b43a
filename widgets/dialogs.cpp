#include "widgets/dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

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

bool ScreenDialogs::OpenDocument(const QUrl& url) { return QDesktopServices::openUrl(url); }

}  // namespace widgets
