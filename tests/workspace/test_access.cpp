// Staff access in the workspace: login, logout and the slowing of wrong passwords,
// the customer lock and every route around it, and the staff windows it opens.

#include <QApplication>
#include <QWheelEvent>
#include <QtTest>

#include "data/connection.h"
#include "data/records.h"
#include "images/picture_drawing.h"
#include "settings/admin_password.h"
#include "settings/tfrmset.h"
#include "settings/tsetpass.h"
#include "support/workspace_fixture.h"
#include "workspace/login_box.h"
#include "workspace/login_throttle.h"
#include "workspace/sample_strip.h"
#include "workspace/sample_viewer.h"
#include "workspace/tfrmfull.h"

using testing_support::LargeView;
using testing_support::WorkspaceFixture;
using workspace::LoginThrottle;

namespace {

void SetSetting(const QString& name, const QString& value) {
    data::UpdateValue("SysSet", "itemvalue", "'" + data::SqlQuote(value) + "'",
                      "itemname='" + name + "'");
}

void LogIn(app::Tfrmps& w, const QString& password) {
    testing_support::ControlNamed<QLineEdit>(&w, "pass")->setText(password);
    w.imgdlClick();
}

void Wheel(QWidget* widget, int notches) {
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    QWheelEvent wheel(at, widget->mapToGlobal(at), QPoint(), QPoint(0, -120 * notches),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &wheel);
}

QImage Picture(const QLabel* label) {
    return label->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
}

// Runs action on the next modal window the code under test opens, then closes it.
template <typename Window, typename Action>
void OnNextModal(Action action, bool* seen) {
    QTimer::singleShot(0, [action, seen] {
        auto* window = qobject_cast<Window*>(QApplication::activeModalWidget());
        *seen = window != nullptr;
        if (!window) return;
        action(*window);
        if (window->isVisible()) window->close();
    });
}

// Two customers, the first chosen.
struct TwoCustomers : WorkspaceFixture {
    QString first, second;
    TwoCustomers() {
        first = addCustomer("张三", 3);
        second = addCustomer("李四", 2);
        choose(first);
    }
};

}  // namespace

class TestAccess : public QObject {
    Q_OBJECT

  private slots:
    void logInAndOut() {
        WorkspaceFixture f;
        app::Tfrmps& w = f.workspace();
        auto* pass = f.control<QLineEdit>("pass");
        auto* Label84 = f.control<QLabel>("Label84");
        auto* imgdl = f.control<QToolButton>("imgdl");
        auto* imgxgmm = f.control<QToolButton>("imgxgmm");
        auto* imgzxdl = f.control<QToolButton>("imgzxdl");
        data::Execute("update usertable set password='Ab''c 密码' where username='admin'");

        LogIn(w, "ab'c 密码");
        QCOMPARE(f.dialogs().Texts(), QStringList{"密码错误！"});
        QCOMPARE(pass->text(), QString("ab'c 密码"));  // kept for correcting
        QVERIFY(!w.State().adminLoggedIn);

        pass->setText("Ab'c 密码");
        QTest::keyClick(pass, Qt::Key_Return);
        QVERIFY(w.State().adminLoggedIn);
        QVERIFY(Label84->isHidden() && pass->isHidden() && imgdl->isHidden());
        QVERIFY(imgxgmm->isVisible() && imgzxdl->isVisible());
        QVERIFY(w.SpeedButton2->isVisible() && w.SpeedButton4->isVisible());
        // The two buttons take the place of the hidden ones, side by side.
        QCOMPARE(imgxgmm->y(), imgdl->y());
        QVERIFY(imgzxdl->x() >= imgxgmm->x() + imgxgmm->width());
        const QPoint staffButtons = w.SpeedButton2->pos();

        w.imgzxdlClick();
        QVERIFY(!w.State().adminLoggedIn);
        QVERIFY(pass->isVisible() && pass->text().isEmpty());
        QVERIFY(imgxgmm->isHidden() && imgzxdl->isHidden());
        QVERIFY(w.SpeedButton2->isHidden() && w.SpeedButton4->isHidden());

        LogIn(w, "Ab'c 密码");
        QVERIFY(w.SpeedButton2->isVisible());
        QCOMPARE(w.SpeedButton2->pos(), staffButtons);

        data::Execute("delete from usertable");
        w.imgzxdlClick();
        LogIn(w, "");
        QCOMPARE(f.dialogs().Texts().last(), QString("不存在该用户或此帐号未启用！"));
        data::CloseConnection();
        LogIn(w, "");
        QCOMPARE(f.dialogs().Texts().last(), QString("数据库错误！"));
        QVERIFY(!w.State().adminLoggedIn);
    }

    void wrongPasswordsWaitLongerEachTime() {
        qint64 now = 1000000;
        LoginThrottle throttle;
        throttle.SetClock([&now] { return now; });
        throttle.Failed();
        throttle.Failed();
        QCOMPARE(throttle.SecondsToWait(), 0);  // a typing slip costs nothing
        QList<int> waits;
        for (int i = 0; i < 7; ++i) {
            throttle.Failed();
            waits << throttle.SecondsToWait();
            now += 1500;
            waits << throttle.SecondsToWait();
            now += 60000;
        }
        QCOMPARE(waits, (QList<int>{2, 1, 4, 3, 8, 7, 16, 15, 32, 31, 60, 59, 60, 59}));
        throttle.Succeeded();
        throttle.Failed();
        QCOMPARE(throttle.SecondsToWait(), 0);
    }

    void hammeringTheLoginBoxIsRefused() {
        WorkspaceFixture f;
        app::Tfrmps& w = f.workspace();
        qint64 now = 5000;
        w.PelMenu1()->throttle.SetClock([&now] { return now; });
        data::Execute("update usertable set password='right' where username='admin'");
        for (int i = 0; i < 3; ++i) LogIn(w, "wrong");
        QCOMPARE(f.dialogs().Texts(), QStringList(3, "密码错误！"));

        // Even the right password is not looked at until the wait is over.
        LogIn(w, "right");
        QCOMPARE(f.dialogs().Texts().last(), QString("密码错误次数过多,请2秒后再试!"));
        QVERIFY(!w.State().adminLoggedIn);
        now += 1200;
        LogIn(w, "wrong");
        QCOMPARE(f.dialogs().Texts().last(), QString("密码错误次数过多,请1秒后再试!"));
        now += 800;
        LogIn(w, "right");
        QVERIFY(w.State().adminLoggedIn);
        QCOMPARE(f.dialogs().Texts().size(), 5);
    }

    void wrongTriesOutliveARestartUntilThePasswordIsReset() {
        WorkspaceFixture f;
        app::Tfrmps& w = f.workspace();
        qint64 now = 1700000000000;
        w.PelMenu1()->throttle.SetClock([&now] { return now; });
        data::Execute("update usertable set password='right' where username='admin'");
        for (int i = 0; i < 3; ++i) LogIn(w, "wrong");

        // The program started again (here or on another station) has no fresh tries.
        workspace::LoginBox restarted(nullptr);
        restarted.throttle.SetClock([&now] { return now; });
        QVERIFY(!workspace::TryAdminLogin(nullptr, "right", restarted.throttle));
        QCOMPARE(f.dialogs().Texts().last(), QString("密码错误次数过多,请2秒后再试!"));
        now += 2000;
        QVERIFY(!workspace::TryAdminLogin(nullptr, "wrong", restarted.throttle));
        QCOMPARE(restarted.throttle.SecondsToWait(), 4);

        // A reset of the password (verimond-admin password --new) forgets them.
        settings::StoreAdminPassword("new");
        workspace::LoginBox afterReset(nullptr);
        afterReset.throttle.SetClock([&now] { return now; });
        QCOMPARE(afterReset.throttle.SecondsToWait(), 0);
        afterReset.throttle.Failed();
        afterReset.throttle.Failed();
        QCOMPARE(afterReset.throttle.SecondsToWait(), 0);
        QVERIFY(workspace::TryAdminLogin(nullptr, "new", afterReset.throttle));
    }

    void lockNeedsLoginUnlessAllowed_data() {
        QTest::addColumn<QString>("qhkh");
        QTest::addColumn<bool>("loggedIn");
        QTest::addColumn<bool>("toggles");
        QTest::newRow("allowed") << "是" << false << true;
        QTest::newRow("not allowed") << "否" << false << false;
        QTest::newRow("empty") << "" << false << false;
        QTest::newRow("logged in, not allowed") << "否" << true << true;
        QTest::newRow("logged in, allowed") << "是" << true << true;
    }
    void lockNeedsLoginUnlessAllowed() {
        QFETCH(QString, qhkh);
        QFETCH(bool, loggedIn);
        QFETCH(bool, toggles);
        TwoCustomers f;
        app::Tfrmps& w = f.workspace();
        SetSetting("qhkh", qhkh);
        if (loggedIn) LogIn(w, "");
        const QImage open = Picture(w.imglock);
        const QImage closed = QImage("icon/locklock.bmp").convertToFormat(QImage::Format_RGB32);

        w.imglockClick();
        QCOMPARE(w.State().customerLocked, toggles);
        QCOMPARE(w.Rzcbcustomer->isEnabled(), !toggles);
        QCOMPARE(Picture(w.imglock), toggles ? closed : open);
        QCOMPARE(f.dialogs().Texts(),
                 toggles ? QStringList() : QStringList{"先登陆管理后才能切换锁定状态!"});
        if (!toggles) return;

        QTest::mouseClick(w.imglock, Qt::LeftButton);  // a real click releases it
        QVERIFY(!w.State().customerLocked && w.Rzcbcustomer->isEnabled());
        QCOMPARE(Picture(w.imglock),
                 QImage("icon/lockopen.bmp").convertToFormat(QImage::Format_RGB32));
    }

    void lockOutlivesLogoutAndAMissingPictureChangesNothing() {
        TwoCustomers f;
        app::Tfrmps& w = f.workspace();
        LogIn(w, "");
        w.imglockClick();
        w.imgzxdlClick();
        QVERIFY(w.State().customerLocked && !w.Rzcbcustomer->isEnabled());

        LogIn(w, "");
        QVERIFY(QFile::remove("icon/lockopen.bmp"));
        const QImage before = Picture(w.imglock);
        QTest::mouseClick(w.imglock, Qt::LeftButton);
        QCOMPARE(f.dialogs().Texts("error"), QStringList{"无法读取图片文件: icon/lockopen.bmp."});
        QVERIFY(w.State().customerLocked && !w.Rzcbcustomer->isEnabled());
        QCOMPARE(Picture(w.imglock), before);
    }

    // Choosing a customer resets the workspace, so it happens only from the opened list.
    void onlyADeliberateChoiceSwitchesCustomer() {
        TwoCustomers f;
        app::Tfrmps& w = f.workspace();
        QComboBox* box = w.Rzcbcustomer;
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        box->setFocus();
        const std::vector<std::pair<const char*, std::function<void()>>> nudges = {
            {"wheel down", [&] { Wheel(box, 1); }},
            {"wheel up", [&] { Wheel(box, -1); }},
            {"down", [&] { QTest::keyClick(box, Qt::Key_Down); }},
            {"page down", [&] { QTest::keyClick(box, Qt::Key_PageDown); }},
            {"end", [&] { QTest::keyClick(box, Qt::Key_End); }},
            {"typing a name",
             [&] {
                 QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, "李");
                 QApplication::sendEvent(box, &typed);
             }},
        };
        for (const auto& [what, nudge] : nudges) {
            nudge();
            QVERIFY2(w.State().customerId == f.first, what);
            QVERIFY2(box->currentText() == "张三", what);
        }

        box->showPopup();
        QTRY_VERIFY(box->view()->isVisible());
        box->view()->setCurrentIndex(box->model()->index(box->findText("李四"), 0));
        QTest::keyClick(box->view(), Qt::Key_Return);
        QCOMPARE(w.State().customerId, f.second);
    }

    // With the lock on and nobody logged in, nothing reaches another customer or a
    // staff window.
    void theLockHolds() {
        TwoCustomers f;
        app::Tfrmps& w = f.workspace();
        workspace::TFrmfull viewer;
        w.SetFullScreenViewer(&viewer);
        SetSetting("qhkh", "是");
        w.imglockClick();
        QVERIFY(w.State().customerLocked);
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));

        QComboBox* box = w.Rzcbcustomer;
        box->setFocus();
        Wheel(box, 1);
        for (Qt::Key key : {Qt::Key_Down, Qt::Key_End, Qt::Key_Space, Qt::Key_F4})
            QTest::keyClick(box, key);
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(!box->view()->isVisible());
        w.strip()->setFocus();
        QTest::keyClick(w.strip(), Qt::Key_Right);  // the arrows step within this customer
        QCOMPARE(f.currentDisplayNumber(), 2);

        viewer.ShowOver(&w);
        viewer.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&viewer));
        for (Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Right, Qt::Key_PageDown})
            QTest::keyClick(viewer.Edit1, key);
        Wheel(&viewer, 3);
        QTest::keyClick(viewer.Edit1, Qt::Key_Escape);
        QCOMPARE(w.State().customerId, f.first);

        // The staff routes ask for a login and open nothing.
        w.Label4Click();
        w.SpeedButton4Click();
        w.imgxgmmClick();
        QVERIFY(w.SpeedButton2->isHidden() && w.SpeedButton4->isHidden());
        QVERIFY(testing_support::ControlNamed<QToolButton>(&w, "imgxgmm")->isHidden());
        QCOMPARE(f.dialogs().Texts(), QStringList(2, "您还没有登陆,请先登陆,系统初始密码为空!"));
        const QWidgetList windows = QApplication::topLevelWidgets();
        QVERIFY(std::none_of(windows.begin(), windows.end(), [](QWidget* t) {
            return qobject_cast<widgets::StaffWindow*>(t) != nullptr;
        }));
        QCOMPARE(w.State().customerId, f.first);
        QCOMPARE(box->currentText(), QString("张三"));

        // Logged in, the link asks nothing and opens the customer window.
        LogIn(w, "");
        QString opened;
        QTimer::singleShot(0, [&opened] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                opened = modal->metaObject()->className();
                modal->close();
            }
        });
        w.Label4Click();
        QCOMPARE(opened, QString("customers::Tfrmmain"));
        QCOMPARE(f.dialogs().Texts().size(), 2);
    }

    void settingsFromTheWorkspaceApplyAtOnce() {
        WorkspaceFixture f;
        app::Tfrmps& w = f.workspace();
        f.choose(f.addCustomer("宽屏", 1));
        testing_support::ControlNamed<QCheckBox>(&w, "rzcbwidthsale")->click();
        QVERIFY(testing_support::ControlNamed<QCheckBox>(&w, "rzcbwidthsale")->isChecked());
        LogIn(w, "");

        bool opened = false;
        OnNextModal<settings::Tfrmset>(
            [](settings::Tfrmset& s) {
                s.RzEdit5->setText("60");
                s.Button3Click();
            },
            &opened);
        w.SpeedButton4Click();
        QVERIFY(opened);
        QCOMPARE(w.State().widescreenRatio, 60);

        images::DrawOptions options;
        options.size = LargeView(w)->size();
        options.margin = f.control<QFrame>("RzPanel9")->palette().color(QPalette::Window);
        options.widescreen = true;
        options.widescreenRatio = 60;
        const QImage expected =
            images::DrawPictureFitted(w.State().currentSampleFile, "photo/nophoto.jpg", options)
                .canvas.convertToFormat(QImage::Format_RGB32);
        QTRY_COMPARE(Picture(LargeView(w)), expected);
    }

    // A save reaches the workspace through the notifier, not through the workspace's own
    // state: the window here edits a state of its own. A redraw puts the turned sample
    // upright again.
    void savedSettingsReachTheWorkspace_data() {
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<QString>("ratio");
        QTest::addColumn<bool>("orientation");
        QTest::addColumn<bool>("redrawn");
        QTest::newRow("ratio, correction on") << true << "60" << true << true;
        QTest::newRow("ratio, correction off") << false << "60" << true << false;
        QTest::newRow("orientation") << false << "75" << false << true;
        QTest::newRow("footer only") << true << "75" << true << false;
    }
    void savedSettingsReachTheWorkspace() {
        QFETCH(bool, ticked);
        QFETCH(QString, ratio);
        QFETCH(bool, orientation);
        QFETCH(bool, redrawn);
        WorkspaceFixture f;
        app::Tfrmps& w = f.workspace();
        f.choose(f.addCustomer("宽屏", 1));
        if (ticked) testing_support::ControlNamed<QCheckBox>(&w, "rzcbwidthsale")->click();
        w.Image5Click(true);
        QCOMPARE(w.State().rotationAngle, 90);

        workspace::WorkspaceState own;
        settings::Tfrmset s(nullptr, own);
        s.show();
        s.RzEdit1->setText("新页脚");
        s.RzEdit5->setText(ratio);
        s.RzCheckBox2->setChecked(orientation);
        s.Button3Click();
        QCOMPARE(f.dialogs().Texts().last(), QString("保存成功"));

        QCOMPARE(w.State().widescreenRatio, ratio.toInt());
        QCOMPARE(w.State().cameraOrientation, orientation);
        QCOMPARE(w.State().rotationAngle, redrawn ? 0 : 90);
    }

    void passwordChangedFromTheWorkspaceCountsAtNextLogin() {
        WorkspaceFixture f;
        app::Tfrmps& w = f.workspace();
        LogIn(w, "");
        bool opened = false;
        OnNextModal<settings::Tsetpass>(
            [](settings::Tsetpass& p) {
                p.MEPass1->setText("新'密码");
                p.MEPass2->setText("新'密码");
                p.Image1Click();
            },
            &opened);
        testing_support::ControlNamed<QToolButton>(&w, "imgxgmm")->click();
        QVERIFY(opened);
        QVERIFY(w.State().adminLoggedIn);
        w.imgzxdlClick();
        LogIn(w, "");
        QVERIFY(!w.State().adminLoggedIn);
        LogIn(w, "新'密码");
        QVERIFY(w.State().adminLoggedIn);
        QCOMPARE(f.dialogs().Texts(), (QStringList{"密码已修改", "密码错误！"}));
    }
};

QTEST_MAIN(TestAccess)
#include "test_access.moc"
