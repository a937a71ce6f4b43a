#include "settings/admin_password.h"

#include "data/connection.h"
#include "data/errors.h"
#include "data/records.h"
#include "workspace/login_throttle.h"

namespace settings {

PasswordCheck CheckPasswordChange(const QString& oldTyped, const QString& newTyped,
                                  const QString& confirmTyped) {
    data::Rows rows;
    try {
        rows = data::QueryRows(QStringLiteral("select * From usertable where username='admin'"));
    } catch (const data::DbError&) {
        return PasswordCheck::DatabaseError;
    }
    if (rows.empty()) return PasswordCheck::NoAdmin;
    if (data::TextOf(rows.front(), QStringLiteral("password")) != oldTyped)
        return PasswordCheck::WrongOld;
    if (newTyped != confirmTyped) return PasswordCheck::Mismatch;
    if (newTyped.isEmpty()) return PasswordCheck::EmptyNew;
    return PasswordCheck::Accepted;
}

QString PasswordCheckText(PasswordCheck check) {
    switch (check) {
        case PasswordCheck::Accepted:
            return QString();
        case PasswordCheck::DatabaseError:
            return QStringLiteral("数据库错误！");
        case PasswordCheck::NoAdmin:
            return QStringLiteral("不存在该用户或此帐号未启用！");
        case PasswordCheck::WrongOld:
            return QStringLiteral("旧密码错误！");
        case PasswordCheck::Mismatch:
            return QStringLiteral("两次输入密码不一致,请重新输入!");
        case PasswordCheck::EmptyNew:
            return QStringLiteral("您没有输入的密码为空，确定要把该用户的密码设为空吗?");
    }
    return QString();
}

void StoreAdminPassword(const QString& password) {
    data::Transaction transaction;
    data::Execute(QStringLiteral("update usertable set password='") + data::SqlQuote(password) +
                  QStringLiteral("' where username='admin'"));
    // An update of a vanished row changes nothing and says nothing; the staff must
    // not be told the password changed when it did not.
    const data::Rows rows =
        data::QueryRows(QStringLiteral("select password from usertable where username='admin'"));
    if (rows.empty() || data::TextOf(rows.front(), QStringLiteral("password")) != password)
        throw data::DbError(QStringLiteral("不存在该用户或此帐号未启用！"));
    // Whoever sets the password may try it at once, on every station.
    workspace::ForgetLoginTries();
    transaction.commit();
}

}  // namespace settings
