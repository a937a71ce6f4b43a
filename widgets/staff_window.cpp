#include "widgets/staff_window.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include "widgets/theme.h"

namespace widgets {

bool StartWindowMove(QWidget* widget) {
    QWidget* window = widget ? widget->window() : nullptr;
    if (!window || !window->windowHandle()) return false;
    if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
    return window->windowHandle()->startSystemMove();
}

StaffTitleStrip::StaffTitleStrip(const QString& title, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Image1"));
    title_ = new QLabel(title, this);
    title_->setObjectName(QStringLiteral("Label3"));
    title_->setTextFormat(Qt::PlainText);
    title_->setStyleSheet(QStringLiteral(
        "color: white; font-weight: bold; font-style: italic; background: transparent;"));
    title_->move(12, 7);
    title_->adjustSize();
    title_->installEventFilter(this);
    exit_ = new PictureButton(Glyph::Exit, QStringLiteral("退出"), this, 26, QColor(232, 120, 100));
}

void StaffTitleStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, colours::kTitleTop);
    gradient.setColorAt(1, colours::kTitleBottom);
    painter.fillRect(rect(), gradient);
    painter.setPen(QColor(216, 164, 90, 90));
    painter.drawLine(0, height() - 1, width(), height() - 1);
}

void StaffTitleStrip::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    exit_->move(width() - exit_->width() - 4, (height() - exit_->height()) / 2);
    title_->setFixedHeight(height() - 2 * title_->y() + 2);
}

void StaffTitleStrip::BeginMove(const QPointF& globalPosition) {
    if (StartWindowMove(this)) return;
    dragging_ = true;
    dragOffset_ = globalPosition.toPoint() - window()->pos();
    grabMouse();
}

void StaffTitleStrip::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) BeginMove(event->globalPosition());
    QWidget::mousePressEvent(event);
}

void StaffTitleStrip::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_) window()->move(event->globalPosition().toPoint() - dragOffset_);
    QWidget::mouseMoveEvent(event);
}

void StaffTitleStrip::mouseReleaseEvent(QMouseEvent* event) {
    if (dragging_ && event->button() == Qt::LeftButton) {
        dragging_ = false;
        releaseMouse();
    }
    QWidget::mouseReleaseEvent(event);
}

bool StaffTitleStrip::eventFilter(QObject* watched, QEvent* event) {
    if (watched == title_ && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        BeginMove(static_cast<QMouseEvent*>(event)->globalPosition());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

const QColor& StaffWindow::BodyColour() { return colours::kStaffWindow; }

StaffWindow::StaffWindow(QWidget* mainWindow, const QString& title, QSize clientSize)
    : QDialog(mainWindow, Qt::Dialog | Qt::FramelessWindowHint), mainWindow_(mainWindow) {
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(true);
    setFixedSize(clientSize);
    setAutoFillBackground(true);
    strip_ = new StaffTitleStrip(title, this);
    strip_->setGeometry(0, 0, clientSize.width(), kTitleHeight);
    connect(strip_->exitButton(), &QToolButton::clicked, this, &QDialog::close);
}

void StaffWindow::CentreOverMainWindow() {
    QRect over;
    if (mainWindow_ && mainWindow_->window()->isVisible())
        over = mainWindow_->window()->frameGeometry();
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        over = screen->availableGeometry();
    if (over.isValid()) move(over.center() - rect().center());
}

void StaffWindow::showEvent(QShowEvent* event) {
    // The body turns grey when shown, whatever the palette said before.
    QPalette p = palette();
    p.setColor(QPalette::Window, BodyColour());
    p.setColor(QPalette::WindowText, Qt::white);
    setPalette(p);
    QDialog::showEvent(event);
}

}  // namespace widgets
