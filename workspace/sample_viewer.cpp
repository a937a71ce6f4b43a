#include "workspace/sample_viewer.h"

#include <QEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <QValidator>

#include "widgets/theme.h"
#include "workspace/workspace_queries.h"

namespace workspace {
namespace {

using widgets::Glyph;
using widgets::PictureButton;

constexpr int kNoteLimitBytes = 150;

// The note box takes at most 150 bytes of GBK text: 150 letters or 75 characters.
class GbkLimit : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        return GbkByteLength(input) <= kNoteLimitBytes ? Acceptable : Invalid;
    }
};

PictureButton* ToolButton(Glyph glyph, const QString& hint, QWidget* parent) {
    return new PictureButton(glyph, hint, parent, 44);
}

}  // namespace

SampleViewer::SampleViewer(QWidget* workspace) : QObject(workspace) {
    RzPanel9 = new QFrame(workspace);
    RzPanel9->setObjectName(QStringLiteral("RzPanel9"));
    RzPanel9->setAutoFillBackground(true);
    QPalette viewPalette = RzPanel9->palette();
    viewPalette.setColor(QPalette::Window, widgets::colours::kViewBackground);
    RzPanel9->setPalette(viewPalette);
    Showimg = new QLabel(RzPanel9);
    Showimg->setObjectName(QStringLiteral("Showimg"));
    showimgTouch_ = new widgets::TouchGestures(Showimg);

    RzPanel4 = new QFrame(workspace);
    RzPanel4->setObjectName(QStringLiteral("RzPanel4"));
    RzPanel4->setAutoFillBackground(true);
    QPalette toolPalette = RzPanel4->palette();
    toolPalette.setColor(QPalette::Window, widgets::colours::kPanel);
    RzPanel4->setPalette(toolPalette);

    Image24 = ToolButton(Glyph::Previous, QStringLiteral("上一张"), RzPanel4);
    Image25 = ToolButton(Glyph::Next, QStringLiteral("下一张"), RzPanel4);
    Image26 = ToolButton(Glyph::Play, QStringLiteral("自动浏览"), RzPanel4);
    Image23 = ToolButton(Glyph::Stop, QStringLiteral("停止自动浏览"), RzPanel4);
    Image5 = ToolButton(Glyph::RotateClockwise, QStringLiteral("顺时针旋转"), RzPanel4);
    Image6 = ToolButton(Glyph::RotateCounterClockwise, QStringLiteral("逆时针旋转"), RzPanel4);
    delphoto = ToolButton(Glyph::Delete, QStringLiteral("删除当前样片"), RzPanel4);
    btncompare = ToolButton(Glyph::Compare, QStringLiteral("对比"), RzPanel4);
    btncompare->setToolTip(QStringLiteral("对比: 当前样片与随后在下方点选的样片并排显示"));
    btncompare->setCheckable(true);
    SpeedButton1 = new PictureButton(Glyph::Pick, QStringLiteral("把样片选入相册"), RzPanel4, 44,
                                     QColor(30, 30, 30));
    SpeedButton1->setCaption(QStringLiteral("选入相册"));
    SpeedButton1->setAccent(true);
    SpeedButton1->setFixedHeight(44);
    btnundo = new widgets::CaptionButton(QStringLiteral("撤销"), RzPanel4, QSize(44, 44));
    btnundo->setObjectName(QStringLiteral("btnundo"));
    btnundo->setToolTip(QStringLiteral("撤销上一步操作 (Ctrl+Z)"));
    btnundo->setEnabled(false);

    rzcbwidthsale = new QCheckBox(QStringLiteral("宽屏纠正"), RzPanel4);
    rzcbwidthsale->setObjectName(QStringLiteral("rzcbwidthsale"));
    rzcbwidthsale->setToolTip(
        QStringLiteral("当您使用液晶电视选片时，如果样片被拉长，可够选此项进行调节。"));
    rzcbwidthsale->setFocusPolicy(Qt::NoFocus);
    // The prompt is a placeholder: it shows while the box is empty and is never text.
    rezzyq = new QLineEdit(RzPanel4);
    rezzyq->setObjectName(QStringLiteral("rezzyq"));
    rezzyq->setPlaceholderText(kNotePrompt);
    rezzyq->setValidator(new GbkLimit(rezzyq));
    rezzyq->installEventFilter(this);
    SpeedButton5 = new PictureButton(Glyph::Save, QString(), RzPanel4, 30);
    SpeedButton5->setCaption(QStringLiteral("保存"));

    Shape3 = new QFrame(RzPanel4);
    Shape3->setFrameShape(QFrame::VLine);
    Shape3->setStyleSheet(QStringLiteral("color: #5a5b58;"));
    rzbphotoinfo = new QGroupBox(QStringLiteral("样片信息"), RzPanel4);
    auto* infoLayout = new QVBoxLayout(rzbphotoinfo);
    infoLayout->setContentsMargins(10, 4, 10, 4);
    infoLayout->setSpacing(2);
    lblfilepath = new QLabel(QStringLiteral("文件地址:"), rzbphotoinfo);
    lblfilepath->setObjectName(QStringLiteral("lblfilepath"));
    lblyrxc = new QLabel(QStringLiteral("已入相册:"), rzbphotoinfo);
    lblyrxc->setObjectName(QStringLiteral("lblyrxc"));
    for (QLabel* label : {lblfilepath, lblyrxc}) {
        label->setTextFormat(Qt::PlainText);
        label->setMinimumWidth(1);
        infoLayout->addWidget(label);
    }

    lblundo = new QLabel(rzbphotoinfo);
    lblundo->setObjectName(QStringLiteral("lblundo"));
    lblundo->setTextFormat(Qt::PlainText);
    lblundo->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblundo->setStyleSheet(QStringLiteral("color: #d8a45a;"));

    tim6 = new QTimer(this);
    tim6->setObjectName(QStringLiteral("tim6"));
    tim6->setInterval(3000);

    connect(Image24, &QToolButton::clicked, this, &SampleViewer::previousClicked);
    connect(Image25, &QToolButton::clicked, this, &SampleViewer::nextClicked);
    connect(Image26, &QToolButton::clicked, this, &SampleViewer::autoBrowseClicked);
    connect(Image23, &QToolButton::clicked, this, &SampleViewer::stopBrowseClicked);
    connect(tim6, &QTimer::timeout, this, &SampleViewer::autoBrowseStep);
    connect(Image5, &QToolButton::clicked, this, [this] { emit rotateClicked(true); });
    connect(Image6, &QToolButton::clicked, this, [this] { emit rotateClicked(false); });
    connect(rzcbwidthsale, &QCheckBox::clicked, this, &SampleViewer::widescreenClicked);
    connect(SpeedButton1, &QToolButton::clicked, this, &SampleViewer::pickClicked);
    connect(delphoto, &QToolButton::clicked, this, &SampleViewer::deleteClicked);
    connect(btnundo, &QToolButton::clicked, this, &SampleViewer::undoClicked);
    connect(btncompare, &QToolButton::clicked, this, &SampleViewer::compareClicked);
    connect(SpeedButton5, &QToolButton::clicked, this, &SampleViewer::saveNoteClicked);
}

bool SampleViewer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == rezzyq && event->type() == QEvent::FocusIn) emit noteEntered();
    return QObject::eventFilter(watched, event);
}

void SampleViewer::ShowWidescreenCorrection(bool on) {
    const QSignalBlocker quiet(rzcbwidthsale);
    rzcbwidthsale->setChecked(on);
}

images::DrawOptions SampleViewer::ScreenOptions() const {
    images::DrawOptions options;
    options.size = Showimg->size();
    options.margin = RzPanel9->palette().color(QPalette::Window);
    options.devicePixelRatio = Showimg->devicePixelRatio();
    return options;
}

void SampleViewer::ShowCanvas(const QImage& canvas, bool plain) {
    // The placeholder of a file that cannot be drawn is stretched over the view.
    Showimg->setScaledContents(plain);
    Showimg->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Showimg->setPixmap(QPixmap::fromImage(canvas));
}

void SampleViewer::ShowPlaceholder(const QString& file) {
    Showimg->setScaledContents(true);
    Showimg->setPixmap(QPixmap(file));
}

void SampleViewer::FitLargeView() {
    const QRect panel = RzPanel9->contentsRect();
    Showimg->setGeometry(5, 5, std::max(1, panel.width() - 10), std::max(1, panel.height() - 10));
}

void SampleViewer::ShowFile(const QString& caption, const QString& hint) {
    lblfilepath->setText(caption);
    lblfilepath->setToolTip(hint);
}

void SampleViewer::ShowAlbums(const QString& caption, const QString& hint) {
    lblyrxc->setText(caption);
    lblyrxc->setToolTip(hint);
}

void SampleViewer::ClearInfo() {
    lblfilepath->clear();
    lblfilepath->setToolTip(QString());
    lblyrxc->clear();
    lblyrxc->setToolTip(QString());
}

void SampleViewer::ShowUndoMessage(const QString& message) {
    lblundo->setText(message);
    lblundo->setToolTip(message);
}

void SampleViewer::Place(const QRect& viewPanel, const QRect& toolStrip, const QRect& shape3Rect,
                         const QRect& infoBox) {
    RzPanel9->setGeometry(viewPanel);
    RzPanel4->setGeometry(toolStrip);
    Showimg->setGeometry(5, 5, std::max(0, viewPanel.width() - 10),
                         std::max(0, viewPanel.height() - 10));

    const int top = (toolStrip.height() - 44) / 2;
    int x = 8;
    for (PictureButton* button : {Image24, Image25, Image26, Image23, Image5, Image6}) {
        button->move(x, top);
        x += 46;
    }
    x += 6;
    SpeedButton1->move(x, top);
    x += SpeedButton1->width() + 4;
    btnundo->move(x, top);
    x += btnundo->width() + 4;
    delphoto->move(x, top);
    x += 46;
    btncompare->move(x, top);
    x += 52;
    rzcbwidthsale->setGeometry(x, 8, 110, 24);
    // The save button stays left of the separator; on a narrow screen the note box gives way.
    SpeedButton5->setFixedHeight(30);
    const int noteWidth = std::max(80, shape3Rect.x() - x - 4 - SpeedButton5->width() - 6);
    rezzyq->setGeometry(x, 38, noteWidth, 28);
    SpeedButton5->move(x + noteWidth + 4, 37);
    Shape3->setGeometry(shape3Rect);
    rzbphotoinfo->setGeometry(infoBox);
    rzbphotoinfo->setVisible(infoBox.width() > 60);
    // Beside the box's title, to its right edge.
    const int titleWidth = rzbphotoinfo->fontMetrics().horizontalAdvance(rzbphotoinfo->title());
    lblundo->setGeometry(titleWidth + 24, 0, std::max(0, infoBox.width() - titleWidth - 34), 18);
}

}  // namespace workspace
