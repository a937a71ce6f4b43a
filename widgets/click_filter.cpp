#include "widgets/click_filter.h"

#include <QMouseEvent>
#include <QWidget>

namespace widgets {
namespace {

class ClickFilter : public QObject {
  public:
    ClickFilter(QWidget* widget, std::function<void()> handler)
        : QObject(widget), widget_(widget), handler_(std::move(handler)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != widget_) return false;
        if (event->type() == QEvent::MouseButtonPress &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            pressed_ = true;
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && pressed_) {
            pressed_ = false;
            if (widget_->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint()))
                handler_();
            return true;
        }
        return false;
    }

  private:
    QWidget* widget_;
    std::function<void()> handler_;
    bool pressed_ = false;
};

}  // namespace

void OnLeftClick(QWidget* widget, std::function<void()> handler) {
    widget->installEventFilter(new ClickFilter(widget, std::move(handler)));
}

}  // namespace widgets
