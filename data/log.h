#pragma once
// The logging category of this layer: "verimond.data". Failures that would otherwise go
// unseen (background work, failed statements) are written here; QT_LOGGING_RULES or
// qtlogging.ini turns the debug messages on.

#include <QLoggingCategory>

namespace data {
Q_DECLARE_LOGGING_CATEGORY(lcData)
}
