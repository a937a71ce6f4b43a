#pragma once
// Clicks on widgets that are not buttons (a picture, a link-like label): a left
// press and release on the same widget runs the handler, as a button would.

#include <functional>

class QWidget;

namespace widgets {

// The handler runs on the release; the filter lives as long as the widget.
void OnLeftClick(QWidget* widget, std::function<void()> handler);

}  // namespace widgets
