#include "app/tfrmabout.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "widgets/dialogs.h"

namespace app {

QString Tfrmabout::WebAddress() { return QStringLiteral("https://www.verimond.example/"); }

Tfrmabout::Tfrmabout(QWidget* parent)
    : widgets::StaffWindow(parent, QStringLiteral("关于本软件"), QSize(460, 330)) {
    setObjectName(QStringLiteral("Tfrmabout"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(22, kTitleHeight + 10, 22, 18);
    auto* product = new QLabel(QStringLiteral("Verimond 影楼客户选片系统    版本2.0"), this);
    product->setStyleSheet(QStringLiteral("font-size: 15px; margin-top: 6px;"));
    layout->addWidget(product);

    auto* terms = new QPlainTextEdit(this);
    terms->setReadOnly(true);
    terms->setPlainText(QStringLiteral(
        "使用条款\n"
        "1. 本软件授权给购买它的影楼在其营业场所内使用，用于客户选片、整理与输出选片结果。\n"
        "2. 客户的样片、选片记录和制作要求归影楼及其客户所有，本软件不会把它们发送到任何地方。\n"
        "3. 请定期备份程序目录中的数据库文件 function.dll，以免因硬盘故障丢失选片记录。\n"
        "4. 不得对本软件进行反向工程、出租或转售。\n"
        "5. 在法律允许的范围内，因使用本软件造成的间接损失，开发者不承担责任。"));
    terms->setStyleSheet(
        QStringLiteral("QPlainTextEdit { background: #f4f2ec; color: #222;"
                       " border: none; border-radius: 4px; padding: 4px; }"));
    layout->addWidget(terms, 1);

    auto* link = new QLabel(
        QStringLiteral("<a style='color:#ffe2a8' href='%1'>访问我们的网站</a>").arg(WebAddress()),
        this);
    link->setCursor(Qt::PointingHandCursor);
    connect(link, &QLabel::linkActivated, this,
            [](const QString& url) { widgets::Dialogs::Current().OpenDocument(QUrl(url)); });
    layout->addWidget(link);
}

}  // namespace app
