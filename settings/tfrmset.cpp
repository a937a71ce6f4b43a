#include "settings/tfrmset.h"

#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QTimer>
#include <QVBoxLayout>

#include "data/errors.h"
#include "settings/system_settings.h"
#include "widgets/dialogs.h"
#include "widgets/handler_guard.h"
#include "workspace/workspace_state.h"

namespace settings {
namespace {

// Tall enough for the note under the start page address without squeezing the fields.
constexpr QSize kWindowSize(470, 630);

QPushButton* MakeButton(const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    // Clicking a button leaves the focus where it was, so a refused ratio is not
    // checked twice (once as the focus leaves it, once by the button).
    button->setFocusPolicy(Qt::TabFocus);
    // Enter in a text field presses nothing (in the new album field it adds that name).
    button->setAutoDefault(false);
    return button;
}

}  // namespace

Tfrmset::Tfrmset(QWidget* mainWindow, workspace::WorkspaceState& state)
    : widgets::StaffWindow(mainWindow, QStringLiteral("系统设置"), kWindowSize), state_(state) {
    setObjectName(QStringLiteral("Tfrmset"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, kTitleHeight + 8, 16, 14);
    layout->setSpacing(10);

    RzGroupBox1 = new QGroupBox(QStringLiteral("系统选项"), this);
    auto* options = new QGridLayout(RzGroupBox1);
    options->setContentsMargins(12, 18, 12, 10);
    options->setVerticalSpacing(8);
    Label1 = new QLabel(QStringLiteral("打印页脚显示信息:"), RzGroupBox1);
    RzEdit1 = new QLineEdit(RzGroupBox1);
    options->addWidget(Label1, 0, 0);
    options->addWidget(RzEdit1, 0, 1, 1, 2);
    Label6 = new QLabel(QStringLiteral("宽屏液晶电视宽度纠正比率:"), RzGroupBox1);
    RzEdit5 = new QLineEdit(RzGroupBox1);
    RzEdit5->setFixedWidth(64);
    RzEdit5->setToolTip(QStringLiteral("%1到%2之间的整数,100为不纠正")
                            .arg(kMinWidescreenRatio)
                            .arg(kMaxWidescreenRatio));
    Label7 = new QLabel(QStringLiteral("%"), RzGroupBox1);
    auto* ratioRow = new QHBoxLayout;
    ratioRow->addWidget(RzEdit5);
    ratioRow->addWidget(Label7);
    ratioRow->addStretch(1);
    options->addWidget(Label6, 1, 0);
    options->addLayout(ratioRow, 1, 1, 1, 2);
    Label8 = new QLabel(QStringLiteral("在线首页地址(留空则使用本地页面):"), RzGroupBox1);
    RzEdit6 = new QLineEdit(RzGroupBox1);
    RzEdit6->setPlaceholderText(QStringLiteral("留空则客户管理窗口显示本地页面"));
    Label9 = new QLabel(RzGroupBox1);
    Label9->setStyleSheet(QStringLiteral("color: #f5b82e;"));
    Label9->hide();
    options->addWidget(Label8, 2, 0, 1, 3);
    options->addWidget(RzEdit6, 3, 0, 1, 3);
    options->addWidget(Label9, 4, 0, 1, 3);
    RzCheckBox2 = new QCheckBox(QStringLiteral("按拍摄方向显示照片"), RzGroupBox1);
    RzCheckBox2->setToolTip(
        QStringLiteral("按相机记录的拍摄方向(EXIF)摆正竖拍的照片。"
                       "如果照片已在修图软件中转正而方向记录未更新,请取消勾选。"));
    options->addWidget(RzCheckBox2, 5, 0, 1, 3);
    Label10 = new QLabel(QStringLiteral("预览缓存上限(MB):"), RzGroupBox1);
    RzEdit7 = new QLineEdit(RzGroupBox1);
    RzEdit7->setFixedWidth(84);
    RzEdit7->setToolTip(QStringLiteral("本机预览缓存(previews 文件夹)最多占用的空间,"
                                       "%1到%2之间的整数;超出时先删除最久未显示的预览")
                            .arg(kMinPreviewBudgetMb)
                            .arg(kMaxPreviewBudgetMb));
    auto* budgetRow = new QHBoxLayout;
    budgetRow->addWidget(RzEdit7);
    budgetRow->addStretch(1);
    options->addWidget(Label10, 6, 0);
    options->addLayout(budgetRow, 6, 1, 1, 2);
    options->setColumnStretch(1, 1);
    layout->addWidget(RzGroupBox1);

    RzGroupBox2 = new QGroupBox(QStringLiteral("安全设置"), this);
    auto* security = new QVBoxLayout(RzGroupBox2);
    security->setContentsMargins(12, 18, 12, 10);
    RzCheckBox1 = new QCheckBox(QStringLiteral("非登陆状态可以可以切换客户锁定状态"), RzGroupBox2);
    security->addWidget(RzCheckBox1);
    layout->addWidget(RzGroupBox2);

    RzGroupBox4 = new QGroupBox(QStringLiteral("默认相册"), this);
    auto* albums = new QHBoxLayout(RzGroupBox4);
    albums->setContentsMargins(12, 18, 12, 10);
    albums->setSpacing(14);
    xclist = new QListWidget(RzGroupBox4);
    xclist->setToolTip(QStringLiteral("勾选要删除的相册,再点击“删除选中相册”"));
    // A light list, so the tick boxes stand out against it.
    QPalette listPalette = xclist->palette();
    listPalette.setColor(QPalette::Base, QColor(244, 242, 236));
    listPalette.setColor(QPalette::Text, QColor(30, 30, 30));
    xclist->setPalette(listPalette);
    albums->addWidget(xclist, 1);
    auto* editing = new QVBoxLayout;
    editing->setSpacing(8);
    Label5 = new QLabel(QStringLiteral("新建相册分类"), RzGroupBox4);
    RzEdit4 = new QLineEdit(RzGroupBox4);
    Button1 = MakeButton(QStringLiteral("增加"), RzGroupBox4);
    Button2 = MakeButton(QStringLiteral("删除选中相册"), RzGroupBox4);
    editing->addWidget(Label5);
    editing->addWidget(RzEdit4);
    editing->addWidget(Button1);
    editing->addWidget(Button2);
    editing->addStretch(1);
    albums->addLayout(editing);
    layout->addWidget(RzGroupBox4, 1);

    Button3 = MakeButton(QStringLiteral("保存"), this);
    Button3->setMinimumWidth(110);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(Button3);
    bottom->addStretch(1);
    layout->addLayout(bottom);

    const auto guarded = [this](void (Tfrmset::*handler)()) {
        return [this, handler] { widgets::GuardHandler(this, [&] { (this->*handler)(); }); };
    };
    connect(Button1, &QPushButton::clicked, this, guarded(&Tfrmset::Button1Click));
    connect(Button2, &QPushButton::clicked, this, guarded(&Tfrmset::Button2Click));
    connect(Button3, &QPushButton::clicked, this, guarded(&Tfrmset::Button3Click));
    connect(RzEdit4, &QLineEdit::returnPressed, this, guarded(&Tfrmset::Button1Click));
    connect(RzEdit6, &QLineEdit::textChanged, this, [this](const QString& address) {
        const QString warning = StartPageWarning(address);
        Label9->setText(warning);
        Label9->setVisible(!warning.isEmpty());
    });
    RzEdit5->installEventFilter(this);
    setTabOrder(RzEdit1, RzEdit5);
    setTabOrder(RzEdit5, RzEdit6);
    setTabOrder(RzEdit6, RzCheckBox2);
    setTabOrder(RzCheckBox2, RzEdit7);
    setTabOrder(RzEdit7, RzCheckBox1);
    setTabOrder(RzCheckBox1, xclist);
    setTabOrder(xclist, RzEdit4);
}

void Tfrmset::showEvent(QShowEvent* event) {
    widgets::StaffWindow::showEvent(event);
    if (filled_) return;
    filled_ = true;
    widgets::GuardHandler(this, [this] { FormShow(); });
}

void Tfrmset::FormShow() {
    const SystemSettings s = ReadSystemSettings();
    RzEdit1->setText(s.printInfo);
    RzEdit1->setCursorPosition(0);  // a long footer shows its beginning, not its end
    RzCheckBox1->setChecked(s.lockWithoutLogin);
    RzEdit5->setText(s.widescreenRatio);
    RzEdit6->setText(s.startPage);
    RzEdit6->setCursorPosition(0);
    RzCheckBox2->setChecked(s.cameraOrientation);
    RzEdit7->setText(s.previewBudget);
    xclist->clear();
    for (const QString& album : s.defaultAlbums) AddListItem(album);
}

bool Tfrmset::eventFilter(QObject* watched, QEvent* event) {
    if (watched == RzEdit5 && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // Only a move to another control of this window counts; a box or another
        // window taking the focus does not.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
            !ratioCheckPending_) {
            ratioCheckPending_ = true;
            // A box opened from inside the focus change would confuse it; check right after.
            QTimer::singleShot(0, this, [this] {
                ratioCheckPending_ = false;
                if (isVisible()) RzEdit5Exit();
            });
        }
    }
    return widgets::StaffWindow::eventFilter(watched, event);
}

bool Tfrmset::RzEdit5Exit() {
    const QString refusal = WidescreenRatioRefusal(RzEdit5->text());
    if (refusal.isEmpty()) return true;
    widgets::Dialogs::Current().Message(this, refusal);
    RzEdit5->setFocus();
    RzEdit5->selectAll();
    return false;
}

QStringList Tfrmset::ListedAlbums() const {
    QStringList names;
    for (int i = 0; i < xclist->count(); ++i) names << xclist->item(i)->text();
    return names;
}

void Tfrmset::AddListItem(const QString& name) {
    auto* item = new QListWidgetItem(name, xclist);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
    item->setCheckState(Qt::Unchecked);
}

void Tfrmset::Button1Click() {
    const QString name = RzEdit4->text().trimmed();
    const QString refusal = AlbumNameRefusal(name, ListedAlbums());
    if (!refusal.isEmpty()) {
        widgets::Dialogs::Current().Message(this, refusal);
        return;
    }
    AddListItem(name);
}

void Tfrmset::Button2Click() {
    for (int i = xclist->count() - 1; i >= 0; --i)
        if (xclist->item(i)->checkState() == Qt::Checked) delete xclist->takeItem(i);
}

void Tfrmset::Button3Click() {
    widgets::Dialogs& dialogs = widgets::Dialogs::Current();
    if (!RzEdit5Exit()) return;
    const QString startPageRefusal = StartPageRefusal(RzEdit6->text());
    if (!startPageRefusal.isEmpty()) {
        dialogs.Message(this, startPageRefusal);
        RzEdit6->setFocus();
        return;
    }
    const QString budgetRefusal = PreviewBudgetRefusal(RzEdit7->text());
    if (!budgetRefusal.isEmpty()) {
        dialogs.Message(this, budgetRefusal);
        RzEdit7->setFocus();
        RzEdit7->selectAll();
        return;
    }
    SystemSettings s;
    s.printInfo = RzEdit1->text();
    s.lockWithoutLogin = RzCheckBox1->isChecked();
    s.widescreenRatio = RzEdit5->text();
    s.startPage = RzEdit6->text();
    s.cameraOrientation = RzCheckBox2->isChecked();
    s.previewBudget = RzEdit7->text();
    s.defaultAlbums = ListedAlbums();
    try {
        SaveSystemSettings(s);
    } catch (const data::DbError&) {
        dialogs.Message(this, QStringLiteral("保存失败"));
        return;
    }
    // The workspace draws with the new ratio and orientation from now on.
    state_.widescreenRatio = *ParseWidescreenRatio(s.widescreenRatio);
    state_.cameraOrientation = s.cameraOrientation;
    dialogs.Message(this, QStringLiteral("保存成功"));
    close();
}

}  // namespace settings
