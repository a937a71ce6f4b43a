#include "widgets/tfrmpb.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace widgets {

QString Tfrmpb::NoticeText() { return QStringLiteral("正在执行,可能需要几分钟时间,请稍候....."); }

Tfrmpb::Tfrmpb(QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      mainWindow_(mainWindow) {
    setObjectName(QStringLiteral("Tfrmpb"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(278, 116);
    setStyleSheet(QStringLiteral(
        "#Tfrmpb { background: rgb(200,200,200); }"
        "#noticePanel { background: rgb(240,240,240); }"
        "QLabel { color: navy; background: transparent; }"
        "QProgressBar { border: 1px solid rgb(160,160,160); background: white; height: 10px; }"
        "QProgressBar::chunk { background: rgb(40,70,140); }"));

    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("noticePanel"));
    panel->setGeometry((278 - 273) / 2, (116 - 98) / 2, 273, 98);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(12, 10, 12, 10);
    text_ = new QLabel(NoticeText(), panel);
    text_->setWordWrap(true);
    text_->setAlignment(Qt::AlignCenter);
    bar_ = new QProgressBar(panel);
    bar_->setTextVisible(false);
    bar_->setFixedHeight(10);
    count_ = new QLabel(panel);
    count_->setAlignment(Qt::AlignCenter);
    layout->addWidget(text_, 1);
    layout->addWidget(bar_);
    layout->addWidget(count_);
    bar_->hide();
    count_->hide();
}

void Tfrmpb::ShowNotice() {
    const QWidget* over = mainWindow_ ? mainWindow_->window() : nullptr;
    const QRect area = over ? over->frameGeometry() : QRect(QPoint(0, 0), size());
    move(area.center() - rect().center());
    show();
    raise();
    Repaint();
}

void Tfrmpb::SetProgress(int done, int total, const QString& item) {
    if (total <= 0) return;
    bar_->setRange(0, total);
    bar_->setValue(done);
    QString text = QStringLiteral("%1 / %2").arg(done).arg(total);
    if (!item.isEmpty()) {
        const QString counted = text + QStringLiteral("  ");
        const int room =
            count_->contentsRect().width() - count_->fontMetrics().horizontalAdvance(counted);
        text = counted + count_->fontMetrics().elidedText(item, Qt::ElideMiddle, room);
    }
    count_->setText(text);
    bar_->show();
    count_->show();
    Repaint();
}

void Tfrmpb::Repaint() {
    repaint();
    // Only paint events: the operation behind the notice must not see clicks or keys.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace widgets
