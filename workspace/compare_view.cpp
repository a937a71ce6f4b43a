#include "workspace/compare_view.h"

#include <QAbstractButton>
#include <QEvent>
#include <QFutureWatcher>
#include <QMouseEvent>
#include <QtConcurrent>

#include "data/errors.h"
#include "images/image_decoder.h"
#include "widgets/theme.h"
#include "workspace/compare_set.h"
#include "workspace/log.h"
#include "workspace/stand_in_picture.h"

namespace workspace {
namespace {

const QString kPlaceholder = QStringLiteral("photo/nophoto.jpg");

void Paint(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
}

QString KeyOf(const ComparePane& pane, const images::DrawOptions& options) {
    return pane.file + QLatin1Char('|') + QString::number(options.size.width()) + QLatin1Char('x') +
           QString::number(options.size.height()) + QLatin1Char('@') +
           QString::number(options.devicePixelRatio) + QLatin1Char('|') +
           QString::number(options.widescreen ? options.widescreenRatio : 100) + QLatin1Char('|') +
           QString::number(static_cast<int>(options.orientation));
}

}  // namespace

CompareView::CompareView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("compareview"));
    setAutoFillBackground(true);
    Paint(this, widgets::colours::kViewBackground);
    // Two threads at most: the rest of the machine keeps the window and the previews going.
    pool_.setMaxThreadCount(2);
    // On a touch screen a tap on a pane makes it the candidate, as a click does; its pick and
    // close buttons stay buttons.
    touch_ = new widgets::TouchGestures(this);
    touch_->LeaveTouchesAt(
        [this](QPoint at) { return qobject_cast<QAbstractButton*>(childAt(at)) != nullptr; });
    connect(touch_, &widgets::TouchGestures::tapped, this, [this](QPoint at) {
        for (int i = 0; i < paneCount(); ++i)
            if (PaneRect(i).contains(at)) emit paneClicked(i);
    });
    hide();
}

CompareView::~CompareView() {
    for (auto& pane : panes_) StopDrawing(*pane);
    pool_.waitForDone();
}

void CompareView::PutInto(QWidget* host) {
    if (host_ == host) return;
    if (host_) host_->removeEventFilter(this);
    host_ = host;
    setParent(host);
    host->installEventFilter(this);
    look_.margin = host->palette().color(QPalette::Window);
    Paint(this, look_.margin);
    setGeometry(host->rect());
    Layout();
}

void CompareView::SetDrawing(const images::DrawOptions& look,
                             std::shared_ptr<const images::PreviewStore> previews) {
    const QColor margin = look_.margin;
    look_ = look;
    look_.margin = margin;
    look_.quarterTurns = 0;
    previews_ = std::move(previews);
}

CompareView::Pane& CompareView::PaneAt(int index) {
    while (static_cast<int>(panes_.size()) <= index) {
        auto pane = std::make_unique<Pane>();
        const QString number = QString::number(panes_.size() + 1);
        pane->frame = new QFrame(this);
        pane->frame->setObjectName(QStringLiteral("comparepane") + number);
        pane->frame->setAutoFillBackground(true);
        pane->caption = new QLabel(pane->frame);
        pane->caption->setObjectName(QStringLiteral("comparecaption") + number);
        pane->albums = new QLabel(pane->frame);
        pane->albums->setObjectName(QStringLiteral("comparealbums") + number);
        for (QLabel* label : {pane->caption, pane->albums}) {
            label->setTextFormat(Qt::PlainText);
            label->setStyleSheet(QStringLiteral("color: #e6e4de;"));
            label->setMinimumWidth(1);
        }
        pane->picture = new QLabel(pane->frame);
        pane->picture->setObjectName(QStringLiteral("comparepicture") + number);
        pane->picture->setAutoFillBackground(true);
        pane->pick = new widgets::PictureButton(widgets::Glyph::Pick,
                                                QStringLiteral("把样片选入相册"), pane->frame, 30);
        pane->pick->setCaption(QStringLiteral("选入相册"));
        pane->pick->setFixedHeight(30);
        pane->close = new widgets::PictureButton(widgets::Glyph::Close,
                                                 QStringLiteral("关闭此对比窗格"), pane->frame, 30);
        const int index = static_cast<int>(panes_.size());
        connect(pane->pick, &QToolButton::clicked, this,
                [this, index] { emit pickClicked(index); });
        connect(pane->close, &QToolButton::clicked, this,
                [this, index] { emit closeClicked(index); });
        for (QWidget* part :
             {static_cast<QWidget*>(pane->frame), static_cast<QWidget*>(pane->caption),
              static_cast<QWidget*>(pane->albums), static_cast<QWidget*>(pane->picture)})
            part->installEventFilter(this);
        panes_.push_back(std::move(pane));
    }
    return *panes_[index];
}

void CompareView::ShowPanes(const std::vector<ComparePane>& panes, int candidate) {
    Q_ASSERT(candidate >= 0 && candidate < static_cast<int>(panes.size()));
    for (int i = 0; i < static_cast<int>(panes.size()); ++i) {
        Pane& pane = PaneAt(i);
        pane.caption->setText(QString::number(panes[i].displayNumber) + QStringLiteral("  ") +
                              panes[i].fileName);
        pane.caption->setToolTip(panes[i].file);
        pane.albums->setText(panes[i].albums);
        pane.albums->setToolTip(panes[i].albums);
        // The header alone: the panes are laid out for the pictures' shapes.
        if (i >= paneCount() || shown_[i].file != panes[i].file)
            pane.original = images::ReadImageSize(panes[i].file, look_.orientation);
    }
    for (int i = static_cast<int>(panes.size()); i < static_cast<int>(panes_.size()); ++i) {
        StopDrawing(*panes_[i]);
        panes_[i]->drawnKey.clear();
        panes_[i]->frame->hide();
    }
    shown_ = panes;
    candidate_ = candidate;
    Layout();
}

void CompareView::Clear() {
    for (auto& pane : panes_) {
        StopDrawing(*pane);
        pane->drawnKey.clear();
        pane->picture->clear();
        pane->frame->hide();
    }
    shown_.clear();
    candidate_ = -1;
}

QRect CompareView::PaneRect(int index) const {
    Q_ASSERT(index >= 0 && index < paneCount());
    return panes_[index]->frame->geometry();
}

QLabel* CompareView::PictureOf(int index) const {
    Q_ASSERT(index >= 0 && index < paneCount());
    return panes_[index]->picture;
}

QRect CompareView::PhotoRect(int index) const {
    Q_ASSERT(index >= 0 && index < paneCount());
    return PictureRectInPane(panes_[index]->picture->size(), panes_[index]->original,
                             look_.widescreen, look_.widescreenRatio);
}

bool CompareView::allDrawn() const {
    for (int i = 0; i < paneCount(); ++i)
        if (!panes_[i]->drawn) return false;
    return paneCount() > 0;
}

void CompareView::Layout() {
    if (host_) setGeometry(host_->rect());
    if (shown_.empty()) return;
    std::vector<QSize> pictures;
    for (int i = 0; i < paneCount(); ++i) pictures.push_back(panes_[i]->original);
    const std::vector<QRect> rects =
        ComparePaneRects(size(), pictures, kCaptionHeight, kBorder, kGap);
    for (int i = 0; i < paneCount(); ++i) PlacePane(i, rects[i]);
    for (int i = 0; i < paneCount(); ++i) Draw(i);
}

void CompareView::PlacePane(int index, const QRect& rect) {
    Pane& pane = *panes_[index];
    const bool candidate = index == candidate_;
    Paint(pane.frame, candidate ? widgets::colours::kAccent : widgets::colours::kPanel);
    pane.frame->setToolTip(candidate ? QStringLiteral("左右方向键更换此样片") : QString());
    pane.frame->setGeometry(rect);
    const int w = rect.width(), h = rect.height();
    const int buttonsTop = (kCaptionHeight - 30) / 2;
    pane.close->move(w - kBorder - 32, buttonsTop);
    pane.pick->move(pane.close->x() - 4 - pane.pick->width(), buttonsTop);
    const int textWidth = std::max(1, pane.pick->x() - 8 - kBorder - 6);
    pane.caption->setGeometry(kBorder + 6, 2, textWidth, kCaptionHeight / 2 - 1);
    pane.albums->setGeometry(kBorder + 6, kCaptionHeight / 2, textWidth, kCaptionHeight / 2 - 2);
    pane.picture->setGeometry(kBorder, kCaptionHeight, std::max(1, w - 2 * kBorder),
                              std::max(1, h - kCaptionHeight - kBorder));
    Paint(pane.picture, look_.margin);
    pane.frame->show();
}

void CompareView::StopDrawing(Pane& pane) {
    if (pane.wanted) pane.wanted->store(false);
    pane.wanted.reset();
    ++pane.request;
}

void CompareView::Draw(int index) {
    Pane& pane = *panes_[index];
    const ComparePane& shown = shown_[index];
    images::DrawOptions options = look_;
    options.size = pane.picture->size();
    options.devicePixelRatio = pane.picture->devicePixelRatio();
    const QString key = KeyOf(shown, options);
    if (key == pane.drawnKey) return;
    StopDrawing(pane);
    pane.drawnKey = key;
    pane.drawn = false;

    QImage standIn;
    try {
        standIn = StandInPicture(shown.thumbnail, pane.original, options);
    } catch (const data::VerimondError& error) {
        qCDebug(lcWorkspace).noquote()
            << "stored thumbnail of" << shown.file << "not shown:" << error.text();
    }
    pane.picture->setScaledContents(false);
    if (standIn.isNull())
        pane.picture->clear();
    else
        pane.picture->setPixmap(QPixmap::fromImage(standIn));

    auto wanted = std::make_shared<std::atomic<bool>>(true);
    pane.wanted = wanted;
    const quint64 request = pane.request;
    const QString file = shown.file;
    auto* watcher = new QFutureWatcher<images::DrawnPicture>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, index, request] {
        watcher->deleteLater();
        DrawingDone(index, request, watcher->result());
    });
    watcher->setFuture(QtConcurrent::run(
        &pool_, [file, options, previews = previews_, wanted]() -> images::DrawnPicture {
            images::DrawnPicture drawn;
            if (!wanted->load()) {
                drawn.abandoned = true;
                return drawn;
            }
            images::DrawOptions withPreviews = options;
            withPreviews.previews = previews.get();
            try {
                drawn = images::DrawPictureFitted(file, kPlaceholder, withPreviews,
                                                  [wanted] { return wanted->load(); });
            } catch (const data::VerimondError& error) {
                drawn.error = error.text();
            }
            return drawn;
        }));
}

void CompareView::DrawingDone(int index, quint64 request, const images::DrawnPicture& drawn) {
    if (index >= paneCount() || panes_[index]->request != request || drawn.abandoned) return;
    Pane& pane = *panes_[index];
    pane.wanted.reset();
    if (!drawn.error.isEmpty())
        qCWarning(lcWorkspace).noquote()
            << "compare picture not drawn as asked:" << drawn.error << shown_[index].file;
    if (!drawn.canvas.isNull()) {
        // The placeholder of a file that cannot be drawn is stretched over the pane.
        pane.picture->setScaledContents(drawn.plain);
        pane.picture->setPixmap(QPixmap::fromImage(drawn.canvas));
    }
    pane.drawn = true;
    if (allDrawn()) emit picturesDrawn();
}

bool CompareView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == host_ && event->type() == QEvent::Resize) {
        Layout();
    } else if (event->type() == QEvent::MouseButtonRelease &&
               static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        for (int i = 0; i < paneCount(); ++i) {
            const Pane& pane = *panes_[i];
            if (watched == pane.frame || watched == pane.caption || watched == pane.albums ||
                watched == pane.picture) {
                emit paneClicked(i);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace workspace
