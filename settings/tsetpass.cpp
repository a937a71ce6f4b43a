#include "settings/tsetpass.h"

#include <QGuiApplication>
#include <QScreen>

#include "settings/admin_password.h"
#include "widgets/dialogs.h"
#include "widgets/handler_guard.h"

namespace settings {
namespace {

constexpr QSize kWindowSize(380, 236);
constexpr QPoint kScreenPosition(229, 237);

widgets::ATEdit* MakePasswordField(QWidget* parent, const QRect& geometry) {
    auto* field = new widgets::ATEdit(parent);
    field->setEchoMode(QLineEdit::Password);
    field->setStyleSheet(QStringLiteral("color: #4da3ff;"));
    field->setGeometry(geometry);
    return field;
}

QLabel* MakeLabel(const QString& text, QWidget* parent, const QRect& geometry) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setGeometry(geometry);
    return label;
}

}  // namespace

Tsetpass::Tsetpass(QWidget* mainWindow)
    : widgets::StaffWindow(mainWindow, QStringLiteral("修改密码"), kWindowSize) {
    setObjectName(QStringLiteral("Tsetpass"));
    Image2 = titleStrip();
    Image2->setObjectName(QStringLiteral("Image2"));
    Label1 = titleLabel();
    Label1->setObjectName(QStringLiteral("Label1"));

    Label4 = MakeLabel(QStringLiteral("旧密码："), this, QRect(20, 56, 110, 30));
    oldpass = MakePasswordField(this, QRect(136, 56, 200, 30));
    Label2 = MakeLabel(QStringLiteral("新密码："), this, QRect(20, 96, 110, 30));
    MEPass1 = MakePasswordField(this, QRect(136, 96, 200, 30));
    Label3 = MakeLabel(QStringLiteral("确认新密码："), this, QRect(20, 136, 110, 30));
    MEPass2 = MakePasswordField(this, QRect(136, 136, 200, 30));
    Image1 = new widgets::PictureButton(widgets::Glyph::Save, QStringLiteral("修改密码"), this, 32);
    Image1->setCaption(QStringLiteral("确定修改"));
    Image1->setAccent(true);
    Image1->adjustSize();
    Image1->move((kWindowSize.width() - Image1->width()) / 2, 182);
    connect(Image1, &QToolButton::clicked, this,
            [this] { widgets::GuardHandler(this, [&] { Image1Click(); }); });

    // Enter goes from the new password to its confirmation, then to the old one and
    // round again; the buttons are clicked, not stepped through.
    Image1->setFocusPolicy(Qt::NoFocus);
    exitButton()->setFocusPolicy(Qt::NoFocus);
    setTabOrder(MEPass1, MEPass2);
    setTabOrder(MEPass2, oldpass);
}

void Tsetpass::showEvent(QShowEvent* event) {
    widgets::StaffWindow::showEvent(event);
    // A fixed place on the screen the workspace is on.
    QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen) move(screen->geometry().topLeft() + kScreenPosition);
    MEPass1->setFocus();
}

void Tsetpass::Image1Click() {
    widgets::Dialogs& dialogs = widgets::Dialogs::Current();
    const PasswordCheck check =
        CheckPasswordChange(oldpass->text(), MEPass1->text(), MEPass2->text());
    switch (check) {
        case PasswordCheck::Accepted:
            break;
        case PasswordCheck::EmptyNew:
            if (!dialogs.Warning(this, PasswordCheckText(check))) return;
            break;
        case PasswordCheck::Mismatch:
            dialogs.Message(this, PasswordCheckText(check));
            MEPass1->clear();
            MEPass2->clear();
            MEPass1->setFocus();
            return;
        default:
            dialogs.Message(this, PasswordCheckText(check));
            return;
    }
    StoreAdminPassword(MEPass1->text());
    dialogs.Message(this, QStringLiteral("密码已修改"));
    close();
}

}  // namespace settings
