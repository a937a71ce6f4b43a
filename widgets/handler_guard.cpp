#include "widgets/handler_guard.h"

#include <exception>

#include "data/errors.h"
#include "widgets/dialogs.h"

namespace widgets {

bool GuardHandler(QWidget* parent, const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (const data::VerimondError& error) {
        Dialogs::Current().Error(parent, error.text());
    } catch (const std::exception& error) {
        Dialogs::Current().Error(parent, QString::fromLocal8Bit(error.what()));
    }
    return false;
}

}  // namespace widgets
