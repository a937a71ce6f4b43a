#pragma once
// Runs an event handler so that a failure it does not handle itself ends in the
// error box and the program goes on; nothing is thrown into Qt's event loop.

#include <functional>

class QWidget;

namespace widgets {

// Returns true when the handler ran to its end.
bool GuardHandler(QWidget* parent, const std::function<void()>& handler);

}  // namespace widgets
