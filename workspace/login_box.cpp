#include "workspace/login_box.h"

#include "data/connection.h"
#include "data/errors.h"
#include "widgets/dialogs.h"

namespace workspace {

LoginBox::LoginBox(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("PelMenu1"));
    Label84 = new QLabel(QStringLiteral("管理密码： "), this);
    Label84->setObjectName(QStringLiteral("Label84"));
    Label84->setGeometry(0, 7, 72, 26);
    pass = new QLineEdit(this);
    pass->setObjectName(QStringLiteral("pass"));
    pass->setEchoMode(QLineEdit::Password);
    pass->setToolTip(QStringLiteral("系统初始密码为空"));
    pass->setGeometry(72, 6, 120, 28);
    imgdl = new widgets::PictureButton(widgets::Glyph::LockOpen, QStringLiteral("登录"), this, 32);
    imgdl->setObjectName(QStringLiteral("imgdl"));
    imgdl->move(198, 4);
    imgxgmm = new widgets::PictureButton(widgets::Glyph::Settings, QString(), this, 32);
    imgxgmm->setObjectName(QStringLiteral("imgxgmm"));
    imgxgmm->setCaption(QStringLiteral("修改密码"));
    imgzxdl = new widgets::PictureButton(widgets::Glyph::Exit, QString(), this, 32);
    imgzxdl->setObjectName(QStringLiteral("imgzxdl"));
    imgzxdl->setCaption(QStringLiteral("注销登录"));
    connect(imgdl, &QToolButton::clicked, this, &LoginBox::loginClicked);
    connect(pass, &QLineEdit::returnPressed, this, &LoginBox::loginClicked);
    connect(imgxgmm, &QToolButton::clicked, this, &LoginBox::changePasswordClicked);
    connect(imgzxdl, &QToolButton::clicked, this, &LoginBox::logoutClicked);
    throttle.SetStore(DatabaseLoginTries());
    ShowLoggedIn(false);
}

void LoginBox::ShowLoggedIn(bool loggedIn) {
    Label84->setVisible(!loggedIn);
    pass->setVisible(!loggedIn);
    imgdl->setVisible(!loggedIn);
    imgxgmm->setVisible(loggedIn);
    imgzxdl->setVisible(loggedIn);
    if (loggedIn) {
        imgxgmm->move(10, 4);
        imgzxdl->move(imgxgmm->x() + imgxgmm->width() + 8, 4);
    } else {
        pass->clear();
    }
}

LoginResult CheckAdminPassword(QWidget* parent, const QString& typed) {
    widgets::Dialogs& dialogs = widgets::Dialogs::Current();
    data::Rows rows;
    try {
        rows = data::QueryRows(QStringLiteral("select *  From usertable where username='admin'"));
    } catch (const data::DbError&) {
        dialogs.Message(parent, QStringLiteral("数据库错误！"));
        return LoginResult::Refused;
    }
    if (rows.empty()) {
        dialogs.Message(parent, QStringLiteral("不存在该用户或此帐号未启用！"));
        return LoginResult::Refused;
    }
    if (data::TextOf(rows.front(), QStringLiteral("password")) != typed) {
        dialogs.Message(parent, QStringLiteral("密码错误！"));
        return LoginResult::WrongPassword;
    }
    return LoginResult::Accepted;
}

bool TryAdminLogin(QWidget* parent, const QString& typed, LoginThrottle& throttle) {
    widgets::Dialogs& dialogs = widgets::Dialogs::Current();
    try {
        if (const int wait = throttle.SecondsToWait(); wait > 0) {
            dialogs.Message(parent, QStringLiteral("密码错误次数过多,请%1秒后再试!").arg(wait));
            return false;
        }
    } catch (const data::DbError&) {
        dialogs.Message(parent, QStringLiteral("数据库错误！"));
        return false;
    }
    switch (CheckAdminPassword(parent, typed)) {
        case LoginResult::Accepted:
            try {
                throttle.Succeeded();
            } catch (const data::DbError& error) {
                // The password was right; stale wrong tries only slow the next mistake.
                qWarning("login: the wrong tries could not be cleared: %s",
                         qUtf8Printable(error.text()));
            }
            return true;
        case LoginResult::WrongPassword:
            try {
                throttle.Failed();
            } catch (const data::DbError&) {
                dialogs.Message(parent, QStringLiteral("数据库错误！"));
            }
            return false;
        case LoginResult::Refused:
            return false;
    }
    return false;
}

}  // namespace workspace
