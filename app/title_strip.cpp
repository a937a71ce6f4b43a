#include "app/title_strip.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include "widgets/theme.h"

namespace app {

using widgets::Glyph;
using widgets::PictureButton;

TitleStrip::TitleStrip(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Image1"));
    Label2 = new QLabel(this);
    Label2->setTextFormat(Qt::RichText);
    Label2->setText(QStringLiteral(
        "<span style='color:#d8a45a; font-weight:bold; letter-spacing:2px;'>VERIMOND</span>"
        "<span style='color:#6f6d66;'>&nbsp;&nbsp;|&nbsp;&nbsp;</span>"
        "<span style='color:#e6e4de;'>影楼客户选片系统</span>"));
    Label2->setStyleSheet(QStringLiteral("font-size: 16px; background: transparent;"));
    Label2->move(16, 8);
    Label2->adjustSize();
    Label2->setAttribute(Qt::WA_TransparentForMouseEvents);

    const QColor glyph(200, 198, 190);
    imgfull = new PictureButton(Glyph::FullScreen, QStringLiteral("全屏看片"), this, 26, glyph);
    btnhelp = new PictureButton(Glyph::Help, QStringLiteral("帮助"), this, 26, glyph);
    btnabout = new PictureButton(Glyph::About, QStringLiteral("关于本软件"), this, 26, glyph);
    sbtnwinstate2 = new PictureButton(Glyph::Maximise, QStringLiteral("全屏"), this, 26, glyph);
    sbtnwinstate1 = new PictureButton(Glyph::WorkArea, QStringLiteral("最大化"), this, 26, glyph);
    sbtnwinstate = new PictureButton(Glyph::Minimise, QStringLiteral("最小化"), this, 26, glyph);
    sbtnexit =
        new PictureButton(Glyph::Exit, QStringLiteral("退出"), this, 26, QColor(232, 120, 100));
    btnhelp->setToolTip(QString());
}

void TitleStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, widgets::colours::kTitleTop);
    gradient.setColorAt(1, widgets::colours::kTitleBottom);
    painter.fillRect(rect(), gradient);
    painter.setPen(QColor(216, 164, 90, 90));
    painter.drawLine(0, height() - 1, width(), height() - 1);
}

void TitleStrip::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && window()->windowHandle())
        window()->windowHandle()->startSystemMove();
    QWidget::mousePressEvent(event);
}

}  // namespace app
