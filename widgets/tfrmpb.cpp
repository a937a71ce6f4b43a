#include "widgets/tfrmpb.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QVBoxLayout>

namespace widgets {

namespace {

// Shows the notice text in lines that break only after its commas; a plain word-wrapped
// label would break anywhere in Chinese text, "请稍" on one line and "候" on the next.
class NoticeLabel : public QLabel {
  public:
    using QLabel::QLabel;

    // Two lines in whatever width the notice gives it.
    QSize sizeHint() const override { return QSize(0, 2 * fontMetrics().lineSpacing()); }
    QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(palette().color(foregroundRole()));
        const QRect area = contentsRect();
        painter.drawText(area, Qt::AlignCenter,
                         Tfrmpb::NoticeLines(fontMetrics(), area.width()).join(QLatin1Char('\n')));
    }
};

}  // namespace

QString Tfrmpb::NoticeText() { return QStringLiteral("正在执行,可能需要几分钟时间,请稍候....."); }

QStringList Tfrmpb::NoticeLines(const QFontMetrics& metrics, int width) {
    QStringList pieces;  // each ends after a comma, the last one with the text
    const QString text = NoticeText();
    qsizetype from = 0;
    for (qsizetype comma = text.indexOf(QLatin1Char(',')); comma >= 0;
         comma = text.indexOf(QLatin1Char(','), from)) {
        pieces << text.mid(from, comma + 1 - from);
        from = comma + 1;
    }
    pieces << text.mid(from);
    QStringList lines;
    for (const QString& piece : pieces) {
        if (!lines.isEmpty() && metrics.horizontalAdvance(lines.last() + piece) <= width)
            lines.last() += piece;
        else
            lines << piece;
    }
    return lines;
}

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
    text_ = new NoticeLabel(NoticeText(), panel);
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
