#include "app/tfrmps.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include "app/tfrmabout.h"
#include "app/title_strip.h"
#include "app/workspace_layout.h"
#include "customers/preview_building.h"
#include "customers/tfrmmain.h"
#include "data/connection.h"
#include "data/daily_backup.h"
#include "data/database_setting.h"
#include "data/errors.h"
#include "data/records.h"
#include "images/preview_store.h"
#include "output/tfrmout.h"
#include "settings/studio_settings.h"
#include "settings/tfrmset.h"
#include "settings/tsetpass.h"
#include "widgets/click_filter.h"
#include "widgets/dialogs.h"
#include "widgets/handler_guard.h"
#include "widgets/theme.h"
#include "workspace/album_panel.h"
#include "workspace/cell_pictures.h"
#include "workspace/customer_combo_box.h"
#include "workspace/login_box.h"
#include "workspace/picture_cache.h"
#include "workspace/sample_strip.h"
#include "workspace/sample_viewer.h"
#include "workspace/tfrmfull.h"

namespace app {
namespace {

using widgets::Glyph;
using widgets::PictureButton;

const QString kIconMarker = QStringLiteral("icon/ztflag.bmp");
const QString kIconRemove = QStringLiteral("icon/delzc.bmp");
const QString kIconShow = QStringLiteral("icon/pszc.bmp");
const QString kIconLockOpen = QStringLiteral("icon/lockopen.bmp");
const QString kIconLockClosed = QStringLiteral("icon/locklock.bmp");
const QString kLoginFirst = QStringLiteral("您还没有登陆,请先登陆,系统初始密码为空!");

}  // namespace

Tfrmps::Tfrmps(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("Tfrmps"));
    setWindowTitle(QStringLiteral("Verimond"));
    setAutoFillBackground(true);

    title_ = new TitleStrip(this);
    connect(title_->sbtnexit, &QToolButton::clicked, this, &Tfrmps::sbtnexitClick);
    connect(title_->sbtnwinstate, &QToolButton::clicked, this, &Tfrmps::sbtnwinstateClick);
    connect(title_->sbtnwinstate1, &QToolButton::clicked, this, &Tfrmps::sbtnwinstate1Click);
    connect(title_->sbtnwinstate2, &QToolButton::clicked, this, &Tfrmps::sbtnwinstate2Click);
    connect(title_->btnabout, &QToolButton::clicked, this, &Tfrmps::btnaboutClick);
    connect(title_->btnhelp, &QToolButton::clicked, this, &Tfrmps::btnhelpClick);
    connect(title_->imgfull, &QToolButton::clicked, this, &Tfrmps::imgfullClick);

    topRow_ = new QWidget(this);
    topRow_->setObjectName(QStringLiteral("Image2"));
    topRow_->setAutoFillBackground(true);
    QPalette rowPalette = topRow_->palette();
    rowPalette.setColor(QPalette::Window, widgets::colours::kPanel);
    topRow_->setPalette(rowPalette);

    Label3 = new QLabel(QStringLiteral("客户:"), topRow_);
    Rzcbcustomer = new workspace::CustomerComboBox(topRow_);
    Rzcbcustomer->setToolTip(QStringLiteral("选择客户"));
    Rzcbcustomer->setEditable(false);
    Rzcbcustomerid = new QComboBox(topRow_);
    Rzcbcustomerid->hide();
    imglock = new QLabel(topRow_);
    imglock->setToolTip(QStringLiteral("单击设置客户锁定状态"));
    imglock->setCursor(Qt::PointingHandCursor);
    imglock->setPixmap(
        QFile::exists(kIconLockOpen)
            ? QPixmap(kIconLockOpen)
            : widgets::MakeGlyphPixmap(Glyph::LockOpen, widgets::colours::kMuted, 22));
    imglock->setAlignment(Qt::AlignCenter);
    widgets::OnLeftClick(imglock, Guarded(&Tfrmps::imglockClick));
    Label4 = new QLabel(QStringLiteral("<u>添加客户</u>"), topRow_);
    Label4->setCursor(Qt::PointingHandCursor);
    Label4->setStyleSheet(QStringLiteral("color: #d8a45a;"));
    widgets::OnLeftClick(Label4, Guarded(&Tfrmps::Label4Click));
    Label1 = new workspace::StatisticsLine(CustomerPrompt(), topRow_);
    Label1->setStyleSheet(QStringLiteral("color: #cfcdc6;"));

    const QColor staffGlyph(220, 218, 210);
    SpeedButton2 =
        new PictureButton(Glyph::Customers, QStringLiteral("客户管理"), topRow_, 40, staffGlyph);
    SpeedButton4 =
        new PictureButton(Glyph::Settings, QStringLiteral("系统设置"), topRow_, 40, staffGlyph);
    SpeedButton3 = new PictureButton(Glyph::Print, QStringLiteral("打印或导出选片结果"), topRow_,
                                     40, staffGlyph);
    SpeedButton2->hide();
    SpeedButton4->hide();
    connect(SpeedButton2, &QToolButton::clicked, this, Guarded(&Tfrmps::SpeedButton2Click));
    connect(SpeedButton3, &QToolButton::clicked, this, Guarded(&Tfrmps::SpeedButton3Click));
    connect(SpeedButton4, &QToolButton::clicked, this, Guarded(&Tfrmps::SpeedButton4Click));
    connect(&settings::SettingsNotifier::Instance(), &settings::SettingsNotifier::Saved, this,
            &Tfrmps::SettingsSaved);
    Shape2 = new QFrame(topRow_);
    Shape2->setFrameShape(QFrame::VLine);
    Shape2->setStyleSheet(QStringLiteral("color: #5a5b58;"));
    login_ = new workspace::LoginBox(topRow_);
    connect(login_, &workspace::LoginBox::loginClicked, this, &Tfrmps::imgdlClick);
    connect(login_, &workspace::LoginBox::logoutClicked, this, &Tfrmps::imgzxdlClick);
    connect(login_, &workspace::LoginBox::changePasswordClicked, this,
            Guarded(&Tfrmps::imgxgmmClick));

    albums_ = new workspace::AlbumPanel(this);
    viewer_ = new workspace::SampleViewer(this);
    strip_ = new workspace::SampleStrip(this);

    ConnectBrowsing();
    ConnectAlbums();
    ConnectUndo();
    ConnectCompare();
    ConnectTouch();
    backup_ = std::make_unique<data::DailyBackup>();
    FormCreate();
}

Tfrmps::~Tfrmps() = default;

QString Tfrmps::CustomerPrompt() {
    return QStringLiteral("<--请点击下拉框选择客户，如果还没有客户信息请先登陆管理添加客户");
}

std::function<void()> Tfrmps::Guarded(void (Tfrmps::*handler)()) {
    return [this, handler] { widgets::GuardHandler(BoxParent(), [&] { (this->*handler)(); }); };
}

QWidget* Tfrmps::BoxParent() {
    if (full_ && full_->isVisible()) return full_;
    return this;
}

void Tfrmps::SetFullScreenViewer(workspace::TFrmfull* viewer) {
    full_ = viewer;
    if (full_) full_->SetHost(this);
}

void Tfrmps::FormCreate() {
    // The database is the one the current directory names: function.dll there, or the
    // server of the verimond.ini beside it; nowhere else.
    const data::DatabaseTarget database = data::DatabaseOfFolder(QDir::currentPath());
    const data::OpenResult opened = data::OpenDatabase(database);
    if (opened != data::OpenResult::Opened) {
        const QString text = QStringLiteral("数据库连结错误,请检查数据库连结设置！\n") +
                             data::OpenFailureReason(opened, database);
        // For the session's log too: a station started from the menu has no terminal.
        qWarning("verimond: %s", qUtf8Printable(text));
        widgets::Dialogs::Current().Message(this, text);
    } else if (data::ConnectedOnNetworkFolder()) {
        widgets::Dialogs::Current().Message(
            this, QStringLiteral("数据库文件在网络文件夹中: ") + data::ConnectedDatabaseFile() +
                      QStringLiteral("\n多台电脑同时使用网络文件夹中的数据库文件可能损坏数据,"
                                     "请改用数据库服务器(见帮助\"多台电脑共用数据库\")。"));
    }
    if (!database.warning.isEmpty()) widgets::Dialogs::Current().Message(this, database.warning);
    if (!data::ConnectedFileWarning().isEmpty())
        widgets::Dialogs::Current().Message(this, data::ConnectedFileWarning());
}

void Tfrmps::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void Tfrmps::FormShow() {
    ApplyLayout(this->screen() ? this->screen()->geometry().size() : size());
    QPalette p = palette();
    p.setColor(QPalette::Window, widgets::colours::kWindow);
    setPalette(p);

    if (!LoadIcons()) {
        iconCheckFailed_ = true;
        widgets::Dialogs::Current().Message(this, QStringLiteral("读取图标文件错误"));
        // Closing from inside the show would leave Qt half-way; close right after.
        QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    OpenPreviews();
    widgets::GuardHandler(this, [this] {
        FillCustomerList();
        ReadViewSettings();
        const int demo = Rzcbcustomer->findText(QStringLiteral("演示客户"), Qt::MatchExactly);
        if (demo >= 0) {
            Rzcbcustomer->setCurrentIndex(demo);
            RzcbcustomerChange();
        }
    });
}

bool Tfrmps::LoadIcons() {
    for (const QString& file : {kIconMarker, kIconRemove, kIconShow})
        if (!QFile::exists(file)) return false;
    strip_->SetMarkerPicture(QPixmap(kIconMarker));
    albums_->SetCellIcons(QPixmap(kIconRemove), QPixmap(kIconShow));
    return true;
}

void Tfrmps::ReadViewSettings() {
    const settings::StudioSettings s = settings::ReadStudioSettings();
    // A damaged ratio is reported and leaves the check box and orientation as they were.
    state_.widescreenRatio = settings::WidescreenRatioOrThrow(s);
    viewer_->ShowWidescreenCorrection(s.widescreenOn);  // reading the setting writes nothing
    state_.cameraOrientation = s.cameraOrientation;
    if (state_.previews) state_.previews->SetBudget(settings::PreviewBudgetBytes(s));
}

void Tfrmps::SettingsSaved(const settings::StudioSettings& saved) {
    // Runs inside the settings window's save: a failure here is the workspace's to report.
    widgets::GuardHandler(BoxParent(), [&] {
        const int ratio = settings::WidescreenRatioOr100(saved);
        const bool redraw = (ratio != state_.widescreenRatio && viewer_->WidescreenCorrection()) ||
                            saved.cameraOrientation != state_.cameraOrientation;
        state_.widescreenRatio = ratio;
        state_.cameraOrientation = saved.cameraOrientation;
        if (state_.previews) state_.previews->SetBudget(settings::PreviewBudgetBytes(saved));
        if (redraw) RedrawLargeView();
    });
}

void Tfrmps::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (shown_) ApplyLayout(size());
}

void Tfrmps::ApplyLayout(QSize size) {
    const WorkspaceLayout l = ComputeWorkspaceLayout(size);
    title_->setGeometry(l.image1);
    title_->btnhelp->setGeometry(l.btnhelp);
    title_->btnabout->setGeometry(l.btnabout);
    title_->sbtnwinstate2->setGeometry(l.sbtnwinstate2);
    title_->sbtnwinstate1->setGeometry(l.sbtnwinstate1);
    title_->sbtnwinstate->setGeometry(l.sbtnwinstate);
    title_->sbtnexit->setGeometry(l.sbtnexit);
    title_->imgfull->setGeometry(l.imgfull);

    topRow_->setGeometry(l.image2);
    const QPoint row = -l.image2.topLeft();
    Shape2->setGeometry(l.shape2.translated(row));
    login_->setGeometry(l.pelMenu1.translated(row));
    SpeedButton2->setGeometry(l.speedButton2.translated(row));
    SpeedButton4->setGeometry(l.speedButton4.translated(row));
    SpeedButton3->setGeometry(l.speedButton3.translated(row));
    Label3->setGeometry(l.label3.translated(row));
    Rzcbcustomer->setGeometry(l.rzcbcustomer.translated(row));
    imglock->setGeometry(l.imglock.translated(row));
    Label4->setGeometry(l.label4.translated(row));
    Label1->setGeometry(l.label1.translated(row));

    albums_->Place(l.rzPanel1, l.rzPanel7, l.rzPanel6, l.scrarr3, l.zcsbar, l.scrarr4);
    viewer_->Place(l.rzPanel9, l.rzPanel4, l.shape3, l.rzbphotoinfo);
    strip_->setGeometry(l.rzPanel5);
    strip_->PlaceControls(l.scrarr1, l.sbar1, l.scrarr2);
}

void Tfrmps::StartDailyBackup() {
    // The embedded file only: a server is backed up with its own tools.
    const QString file = data::ConnectedDatabaseFile();
    if (!file.isEmpty()) backup_->Start(file);
}

void Tfrmps::closeEvent(QCloseEvent* event) {
    widgets::GuardHandler(BoxParent(), [this] { SavePendingNote(); });
    ClearUndo();
    if (full_) full_->hide();
    backup_->Stop();  // a copy cut short leaves no file behind
    QWidget::closeEvent(event);
}

void Tfrmps::sbtnexitClick() { close(); }

void Tfrmps::sbtnwinstateClick() { showMinimized(); }

void Tfrmps::sbtnwinstate1Click() {
    // Normal state, the whole screen width and the height of the desktop's work area.
    showNormal();
    QScreen* s = screen();
    if (!s) return;
    setGeometry(0, 0, s->geometry().width(), s->availableGeometry().height());
}

void Tfrmps::sbtnwinstate2Click() { showFullScreen(); }

void Tfrmps::btnaboutClick() {
    auto* about = new Tfrmabout(this);
    about->CentreOverMainWindow();
    about->exec();
}

void Tfrmps::btnhelpClick() {
    widgets::Dialogs::Current().OpenDocument(
        QUrl::fromLocalFile(QDir::current().filePath(QStringLiteral("help.html"))));
}

void Tfrmps::imgfullClick() {
    if (full_) full_->ShowOver(this);
}

void Tfrmps::SpeedButton2Click() {
    if (!state_.adminLoggedIn) return;
    auto* desk = new customers::Tfrmmain(this, [this] { RefreshCustomersAfterManagement(); });
    desk->SetPreviewBuilder(previewBuilder_.get());
    desk->CentreOverMainWindow();
    desk->exec();
}

void Tfrmps::SpeedButton4Click() {
    if (!state_.adminLoggedIn) {
        widgets::Dialogs::Current().Message(this, kLoginFirst);
        return;
    }
    // A save redraws the large view through SettingsSaved.
    auto* window = new settings::Tfrmset(this, state_);
    window->CentreOverMainWindow();
    window->exec();
}

void Tfrmps::SpeedButton3Click() {
    if (state_.customerId.isEmpty()) {
        widgets::Dialogs::Current().Message(this, QStringLiteral("请先选择客户！"));
        return;
    }
    // Modal; the window deletes itself when closed.
    auto* window = new output::Tfrmout(this, state_, [this] { return WidescreenTicked(); });
    window->exec();
}

void Tfrmps::imgdlClick() {
    if (!workspace::TryAdminLogin(this, login_->TypedPassword(), login_->throttle)) return;
    state_.adminLoggedIn = true;
    login_->ShowLoggedIn(true);
    SpeedButton2->show();
    SpeedButton4->show();
    const QString backupFailure = backup_->TakeFailure();
    if (!backupFailure.isEmpty())
        widgets::Dialogs::Current().Message(this,
                                            QStringLiteral("数据库自动备份失败:") + backupFailure);
}

void Tfrmps::imgzxdlClick() {
    state_.adminLoggedIn = false;
    login_->ShowLoggedIn(false);
    SpeedButton2->hide();
    SpeedButton4->hide();
}

void Tfrmps::imgxgmmClick() {
    if (!state_.adminLoggedIn) return;  // the button is only there while logged in
    auto* window = new settings::Tsetpass(this);
    window->exec();
}

void Tfrmps::Label4Click() {
    if (!state_.adminLoggedIn) {
        widgets::Dialogs::Current().Message(this, kLoginFirst);
        return;
    }
    SpeedButton2Click();
}

void Tfrmps::imglockClick() {
    if (!settings::ReadStudioSettings().lockWithoutLogin && !state_.adminLoggedIn) {
        widgets::Dialogs::Current().Message(this, QStringLiteral("先登陆管理后才能切换锁定状态!"));
        return;
    }
    // The picture first: if it cannot be read, the lock, its picture and the
    // drop-down all stay as they were.
    const bool lock = !state_.customerLocked;
    const QString file = lock ? kIconLockClosed : kIconLockOpen;
    const QPixmap picture(file);
    if (picture.isNull()) throw data::VerimondError(QStringLiteral("无法读取图片文件: ") + file);
    state_.customerLocked = lock;
    imglock->setPixmap(picture);
    Rzcbcustomer->hidePopup();
    Rzcbcustomer->setEnabled(!lock);
}

void Tfrmps::RedrawLargeView() {
    if (state_.currentSampleFile.isEmpty() || (full_ && full_->isVisible())) return;
    if (compare_.showing()) ShowComparePanes();
    DrawFitted(viewer_, state_.currentSampleFile);
    state_.rotationAngle = 0;  // drawn upright again
    PrefetchNeighbours();      // the neighbours drawn ahead with the old settings are no use
}

}  // namespace app
