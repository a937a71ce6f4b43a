#include "workspace/album_panel.h"

#include <QMouseEvent>
#include <QSignalBlocker>
#include <algorithm>

#include "images/thumbnail.h"
#include "widgets/theme.h"

namespace workspace {
namespace {

const QString kPlaceholder = QStringLiteral("photo/nophoto.jpg");
const QColor kCellFrame(0, 0, 0);
const QColor kCellHighlight(0, 0, 255);

QString Numbered(const char* name, int index) {
    return QString::fromLatin1(name) + QString::number(index + 1);
}

void Fill(QWidget* widget, const QColor& colour) {
    widget->setAutoFillBackground(true);
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, colour);
    widget->setPalette(p);
}

}  // namespace

AlbumPanel::AlbumPanel(QWidget* workspace) : QObject(workspace) {
    RzPanel1 = new QFrame(workspace);
    RzPanel1->setObjectName(QStringLiteral("RzPanel1"));
    Fill(RzPanel1, widgets::colours::kPanel);

    RzPanel7 = new QFrame(RzPanel1);
    RzPanel7->setObjectName(QStringLiteral("RzPanel7"));
    Fill(RzPanel7, QColor(43, 44, 43));
    Image3 = new QLabel(QStringLiteral("  已选样片"), RzPanel7);
    Image3->setStyleSheet(QStringLiteral(
        "background: qlineargradient(x1:0,y1:0,x2:0,y2:1, stop:0 #3a3b39, stop:1 #30312f);"
        "color: #d8a45a; font-weight: bold; border-bottom: 1px solid #1f201f;"));

    for (int i = 0; i < kAlbumCells; ++i) {
        const int y = 50 * i;
        spzc[i] = new QFrame(RzPanel7);
        spzc[i]->setGeometry(5, 35 + y, 230, 47);
        Fill(spzc[i], QColor(64, 64, 64));
        imgdiszc[i] = new QLabel(RzPanel7);
        imgdiszc[i]->setGeometry(8, 38 + y, 58, 41);
        imgdiszc[i]->setCursor(Qt::PointingHandCursor);
        zcbt[i] = new QLabel(RzPanel7);
        zcbt[i]->setGeometry(70, 44 + y, 131, 16);
        zcbt[i]->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
        zcbt[i]->setTextFormat(Qt::PlainText);
        zcl[i] = new QFrame(RzPanel7);
        zcl[i]->setGeometry(209, 35 + y, 1, 46);
        Fill(zcl[i], Qt::black);
        zczu[i] = new QLabel(RzPanel7);
        zczu[i]->setGeometry(215, 40 + y, 15, 15);
        zczu[i]->setCursor(Qt::PointingHandCursor);
        zcps[i] = new QLabel(RzPanel7);
        zcps[i]->setGeometry(214, 62 + y, 14, 16);
        zcps[i]->setCursor(Qt::PointingHandCursor);
        spzc[i]->setObjectName(Numbered("spzc", i));
        imgdiszc[i]->setObjectName(Numbered("imgdiszc", i));
        zcbt[i]->setObjectName(Numbered("zcbt", i));
        zcl[i]->setObjectName(Numbered("zcl", i));
        zczu[i]->setObjectName(Numbered("zczu", i));
        zcps[i]->setObjectName(Numbered("zcps", i));
        for (QWidget* w : std::initializer_list<QWidget*>{spzc[i], imgdiszc[i], zcbt[i], zcl[i],
                                                          zczu[i], zcps[i]})
            w->hide();
        for (QWidget* w : std::initializer_list<QWidget*>{imgdiszc[i], zczu[i], zcps[i]})
            w->installEventFilter(this);
    }

    zcsbar = new QSlider(Qt::Vertical, RzPanel7);
    zcsbar->setObjectName(QStringLiteral("zcsbar"));
    zcsbar->setRange(0, 28);
    zcsbar->setValue(1);
    zcsbar->setEnabled(false);
    zcsbar->setFocusPolicy(Qt::NoFocus);
    connect(zcsbar, &QSlider::valueChanged, this, &AlbumPanel::scrollChanged);
    scrarr3 = new widgets::PictureButton(widgets::Glyph::ArrowUp, QString(), RzPanel7, 16);
    scrarr4 = new widgets::PictureButton(widgets::Glyph::ArrowDown, QString(), RzPanel7, 16);
    connect(scrarr3, &QToolButton::clicked, this, &AlbumPanel::upClicked);
    connect(scrarr4, &QToolButton::clicked, this, &AlbumPanel::downClicked);

    RzPanel6 = new QFrame(RzPanel1);
    RzPanel6->setObjectName(QStringLiteral("RzPanel6"));
    Fill(RzPanel6, QColor(36, 37, 36));
    rpczctypelist = new QTabBar(RzPanel6);
    rpczctypelist->setObjectName(QStringLiteral("rpczctypelist"));
    rpczctypelist->setDrawBase(false);
    rpczctypelist->setExpanding(false);
    rpczctypelist->setUsesScrollButtons(true);
    rpczctypelist->setElideMode(Qt::ElideNone);
    AddAlbumTab(QStringLiteral("全部"));
    rpczctypelist->setStyleSheet(
        QStringLiteral("QTabBar::tab { padding: 2px 10px; min-height: 19px; }"
                       "QTabBar::tab:!selected { color: #a9a7a0; }"));
    connect(rpczctypelist, &QTabBar::currentChanged, this, &AlbumPanel::activeAlbumChanged);
    teaddzctype = new QLineEdit(RzPanel6);
    teaddzctype->setObjectName(QStringLiteral("teaddzctype"));
    teaddzctype->setToolTip(QStringLiteral("输入要增加的相册名称"));
    Image28 =
        new widgets::PictureButton(widgets::Glyph::Add, QStringLiteral("增加相册"), RzPanel6, 24);
    Image4 = new widgets::PictureButton(widgets::Glyph::Remove, QStringLiteral("删除相册"),
                                        RzPanel6, 24);
    Image7 = new widgets::PictureButton(widgets::Glyph::Rename, QStringLiteral("修改相册名称"),
                                        RzPanel6, 24);
    connect(Image28, &QToolButton::clicked, this, &AlbumPanel::addClicked);
    connect(Image4, &QToolButton::clicked, this, &AlbumPanel::deleteClicked);
    connect(Image7, &QToolButton::clicked, this, &AlbumPanel::renameClicked);
}

void AlbumPanel::Place(const QRect& panel1, const QRect& panel7, const QRect& panel6,
                       const QRect& scrarr3Rect, const QRect& zcsbarRect,
                       const QRect& scrarr4Rect) {
    RzPanel1->setGeometry(panel1);
    // Inside RzPanel1 the grid starts at its top and the footer sits at its bottom.
    RzPanel7->setGeometry(0, 0, panel7.width(), panel7.height());
    Image3->setGeometry(0, 0, panel7.width(), 30);
    RzPanel6->setGeometry(0, panel6.y() - panel1.y(), panel6.width(), panel6.height());
    scrarr3->setGeometry(scrarr3Rect);
    zcsbar->setGeometry(zcsbarRect);
    scrarr4->setGeometry(scrarr4Rect);
    rpczctypelist->setGeometry(0, 2, panel6.width(), 26);
    teaddzctype->setGeometry(5, 32, 150, 24);
    Image28->move(163, 32);
    Image4->move(192, 32);
    Image7->move(221, 32);
}

bool AlbumPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        for (int i = 0; i < kAlbumCells; ++i) {
            if (watched == imgdiszc[i] || watched == zcps[i]) {
                emit showClicked(i + 1);
                return true;
            }
            if (watched == zczu[i]) {
                emit removeClicked(i + 1);
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

void AlbumPanel::AddAlbumTab(const QString& name) {
    const int index = rpczctypelist->addTab(QString());
    SetAlbumCaption(index, name);
}

QString AlbumPanel::AlbumCaption(int index) const {
    return rpczctypelist->tabData(index).toString();
}

void AlbumPanel::SetAlbumCaption(int index, const QString& name) {
    Q_ASSERT(index >= 0 && index < rpczctypelist->count());
    rpczctypelist->setTabData(index, name);
    QString shown = name;
    rpczctypelist->setTabText(index, shown.replace(QLatin1Char('&'), QLatin1String("&&")));
}

QStringList AlbumPanel::AlbumCaptions() const {
    QStringList captions;
    for (int i = 0; i < rpczctypelist->count(); ++i) captions << AlbumCaption(i);
    return captions;
}

void AlbumPanel::ShowAlbumTabs(const QStringList& names) {
    const QSignalBlocker quiet(rpczctypelist);
    while (rpczctypelist->count() > 1) rpczctypelist->removeTab(rpczctypelist->count() - 1);
    for (const QString& name : names) AddAlbumTab(name);
    rpczctypelist->setCurrentIndex(0);
}

void AlbumPanel::RemoveAlbumTab(int index) {
    Q_ASSERT(index > 0 && index < rpczctypelist->count());  // the first tab is every album
    const QSignalBlocker quiet(rpczctypelist);
    rpczctypelist->removeTab(index);
    rpczctypelist->setCurrentIndex(0);
}

void AlbumPanel::ShowPage(const std::vector<AlbumCell>& cells, const QString& highlightId) {
    // A page is read eighteen rows at most; a longer one would lose picks unseen.
    Q_ASSERT(static_cast<int>(cells.size()) <= kAlbumCells);
    for (int i = 0; i < kAlbumCells; ++i) {
        for (QWidget* w : std::initializer_list<QWidget*>{imgdiszc[i], spzc[i], zczu[i], zcl[i],
                                                          zcps[i], zcbt[i]})
            w->hide();
        SetFrameHighlighted(i, false);
    }
    for (int i = 0; i < kAlbumCells; ++i) {
        if (i >= static_cast<int>(cells.size())) {
            zcdisid[i].clear();
            zcfile[i].clear();
            continue;
        }
        const AlbumCell& cell = cells[i];
        zcfile[i] = cell.file;
        QLabel* image = imgdiszc[i];
        image->setPixmap(QPixmap::fromImage(
            images::ThumbnailForCell(images::ShowThumbnail(cell.thumbnail, kPlaceholder),
                                     image->size(), image->devicePixelRatio(), true)));
        zcbt[i]->setText(cell.album);
        for (QWidget* w : std::initializer_list<QWidget*>{zcl[i], imgdiszc[i], spzc[i], zczu[i],
                                                          zcps[i], zcbt[i]})
            w->show();
        zcdisid[i] = cell.sampleId;
        if (zcdisid[i] == highlightId) SetFrameHighlighted(i, true);
    }
}

void AlbumPanel::Clear() {
    {
        const QSignalBlocker quiet(zcsbar);
        zcsbar->setEnabled(false);
    }
    for (int i = 0; i < kAlbumCells; ++i) {
        for (QWidget* w : std::initializer_list<QWidget*>{imgdiszc[i], spzc[i], zczu[i], zcl[i],
                                                          zcps[i], zcbt[i]})
            w->hide();
        zcdisid[i].clear();
        zcfile[i].clear();
    }
}

void AlbumPanel::HighlightCell(int cell) {
    Q_ASSERT(cell >= 1 && cell <= kAlbumCells);
    for (int i = 0; i < kAlbumCells; ++i) SetFrameHighlighted(i, false);
    SetFrameHighlighted(cell - 1, true);
}

QString AlbumPanel::SampleIdAt(int cell) const {
    Q_ASSERT(cell >= 1 && cell <= kAlbumCells);
    return zcdisid[cell - 1];
}

QString AlbumPanel::AlbumAt(int cell) const {
    Q_ASSERT(cell >= 1 && cell <= kAlbumCells);
    return zcbt[cell - 1]->text();
}

void AlbumPanel::SetCellIcons(const QPixmap& remove, const QPixmap& show) {
    for (QLabel* label : zczu) label->setPixmap(remove);
    for (QLabel* label : zcps) label->setPixmap(show);
}

void AlbumPanel::SetScroll(int maximum, int position) {
    const QSignalBlocker quiet(zcsbar);
    zcsbar->setRange(0, maximum);
    zcsbar->setValue(std::clamp(position, 0, maximum));
}

void AlbumPanel::Step(int direction) {
    const int position = zcsbar->value() + direction;
    if (zcsbar->isEnabled() && position >= zcsbar->minimum() && position <= zcsbar->maximum())
        zcsbar->setValue(position);
}

void AlbumPanel::SetFrameHighlighted(int index, bool blue) {
    Q_ASSERT(index >= 0 && index < kAlbumCells);
    QPalette p = spzc[index]->palette();
    p.setColor(QPalette::Window, blue ? kCellHighlight : kCellFrame);
    spzc[index]->setPalette(p);
}

std::vector<QString> AlbumPanel::PageFiles() const {
    return std::vector<QString>(zcfile.begin(), zcfile.end());
}

// Album cells are stretched over their frame (ThumbnailForCell with stretch).
QSize AlbumPanel::CellPictureSize() const { return imgdiszc[0]->size(); }

void AlbumPanel::ShowSharpPicture(int index, const QString& file, const QImage& picture) {
    if (index < 0 || index >= kAlbumCells || zcfile[index] != file || picture.isNull()) return;
    imgdiszc[index]->setPixmap(QPixmap::fromImage(picture));
}

}  // namespace workspace
