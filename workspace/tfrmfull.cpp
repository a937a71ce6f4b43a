#include "workspace/tfrmfull.h"

#include <QKeyEvent>
#include <QScreen>

namespace workspace {

TFrmfull::TFrmfull(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("TFrmfull"));
    setWindowTitle(QStringLiteral("Verimond"));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(16, 16, 16));
    setPalette(p);
    Panelimg = new QWidget(this);
    Panelimg->setAutoFillBackground(true);
    Panelimg->setPalette(p);
    imgfull = new QLabel(Panelimg);
    labrate = new QLabel(this);
    labyrxc = new QLabel(this);
    for (QLabel* label : {labrate, labyrxc})
        label->setStyleSheet(QStringLiteral("color: #d8d6d0; background: rgba(0,0,0,0.55);"
                                            "padding: 4px 10px; border-radius: 4px;"));
}

void TFrmfull::ShowOver(QWidget* workspace) {
    QScreen* screen = workspace && workspace->screen() ? workspace->screen() : this->screen();
    setGeometry(screen->geometry());
    showFullScreen();
    raise();
    activateWindow();
}

void TFrmfull::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TFrmfull::resizeEvent(QResizeEvent*) {
    Panelimg->setGeometry(0, 0, width(), height() - 56);
    labrate->move(16, height() - 44);
    labyrxc->move(120, height() - 44);
}

void TFrmfull::hideEvent(QHideEvent*) { emit closed(); }

}  // namespace workspace
