#include "workspace/statistics_line.h"

#include <QApplication>
#include <QFontInfo>

namespace workspace {
namespace {

constexpr int kSmallestPixelSize = 10;

}  // namespace

StatisticsLine::StatisticsLine(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    FitText();
}

void StatisticsLine::ShowLine(const QString& text) {
    setText(text);
    setToolTip(text);
    FitText();
}

void StatisticsLine::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    FitText();
}

void StatisticsLine::FitText() {
    const int room = contentsRect().height();
    if (room <= 0 || contentsRect().width() <= 0) return;
    QFont font = QApplication::font(this);
    // Down from the program's own size until the wrapped lines fit the height.
    const int base = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    for (int size = base; size > 0; --size) {
        font.setPixelSize(size);
        setFont(font);
        if (size <= kSmallestPixelSize || heightForWidth(width()) <= room) break;
    }
}

}  // namespace workspace
