#pragma once
// The administrator's password: the row 'admin' of usertable, stored as typed.

#include <QString>

namespace settings {

enum class PasswordCheck {
    Accepted,       // may be stored
    DatabaseError,  // the admin row could not be read
    NoAdmin,        // there is no admin row
    WrongOld,       // the old password does not match (case counts)
    Mismatch,       // new password and its confirmation differ
    EmptyNew,       // acceptable, but only after the staff confirm an empty password
};

// The checks of a change, in the order the staff meet them.
PasswordCheck CheckPasswordChange(const QString& oldTyped, const QString& newTyped,
                                  const QString& confirmTyped);
// The message or question for a check that is not Accepted.
QString PasswordCheckText(PasswordCheck check);

// Stores password for 'admin'. Throws DbError, also when the row has gone.
void StoreAdminPassword(const QString& password);

}  // namespace settings
