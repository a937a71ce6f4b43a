#pragma once
// The logging category of this layer: "verimond.app". Failures that would otherwise go
// unseen (background work, failed statements) are written here; QT_LOGGING_RULES or
// qtlogging.ini turns the debug messages on.

#include <QLoggingCategory>

namespace app {
Q_DECLARE_LOGGING_CATEGORY(lcApp)
}
