// The workspace window's start-up, layout and shell buttons.

#include <signal.h>
#include <sys/stat.h>

#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QtTest>

#include "app/termination_signals.h"
#include "app/tfrmps.h"
#include "app/workspace_layout.h"
#include "data/connection.h"
#include "data/file_system.h"
#include "data/records.h"
#include "support/runtime_fixture.h"
#include "support/server_run.h"
#include "support/workspace_fixture.h"
#include "widgets/atedit.h"
#include "widgets/tfrmpb.h"
#include "workspace/login_box.h"
#include "workspace/sample_strip.h"
#include "workspace/sample_viewer.h"

using testing_support::RuntimeFixture;

class TestWorkspaceShell : public QObject {
    Q_OBJECT

  private slots:
    void layoutFollowsTheScreen_data() {
        QTest::addColumn<QSize>("screen");
        QTest::newRow("1920x1080") << QSize(1920, 1080);
        QTest::newRow("1366x768") << QSize(1366, 768);
    }
    void layoutFollowsTheScreen() {
        QFETCH(QSize, screen);
        const app::WorkspaceLayout l = app::ComputeWorkspaceLayout(screen);
        const int w = screen.width(), h = screen.height();
        QCOMPARE(l.rightWidth, w - 256);
        // Window buttons right-aligned in 30-pixel steps, imgfull 10 pixels before help.
        QCOMPARE(l.sbtnexit.x(), w - l.sbtnexit.width() - 10);
        QCOMPARE(l.sbtnwinstate.x(), w - l.sbtnwinstate.width() - 40);
        QCOMPARE(l.btnhelp.x(), w - l.btnhelp.width() - 160);
        QCOMPARE(l.imgfull.x(), l.btnhelp.x() - l.imgfull.width() - 10);
        // Login box after the separator, the staff buttons before it in 45-pixel steps.
        QCOMPARE(l.shape2.x(), w - l.pelMenu1.width() - 15);
        QCOMPARE(l.pelMenu1.x(), l.shape2.x() + 10);
        QCOMPARE(l.speedButton2.x(), l.shape2.x() - 130);
        QCOMPARE(l.speedButton3.x(), l.speedButton4.x() + 45);
        // The sample strip's arrows and track bar.
        QCOMPARE(l.scrarr1.topLeft(), QPoint(3, 146 - l.scrarr1.height() - 3));
        QCOMPARE(l.sbar1.x(), 3 + l.scrarr1.width() - 7);
        QCOMPARE(l.sbar1.width(), l.rightWidth - l.scrarr2.width() - 19);
        QCOMPARE(l.scrarr2.x(), l.sbar1.x() + l.sbar1.width() - 7);
        // The album track bar fills the album panel between its arrows.
        const int a = h - 39 - 50 - 60;
        QCOMPARE(l.zcsbar.height(), a - 30 - 2 * l.scrarr3.height() + 5);
        QCOMPARE(l.scrarr4.y(), l.zcsbar.y() + l.zcsbar.height() - 6);
        // Right column: view, tools and strip fill the height exactly.
        QCOMPARE(l.rzPanel5.y() + l.rzPanel5.height(), h);
        QCOMPARE(l.rzPanel9.y(), 89);
        QCOMPARE(l.rzbphotoinfo.x(), l.shape3.x() + 5);
        QCOMPARE(l.rzbphotoinfo.x() + l.rzbphotoinfo.width(), l.rightWidth - 10);
    }

    // Twelve cells with their markers fit the strip from 1280 pixels up, thumbnails
    // keep their shape, and from 1920 pixels the cells keep their full size.
    void stripCellsFitTheScreen_data() {
        QTest::addColumn<QSize>("screen");
        for (const QSize& size : {QSize(1280, 720), QSize(1366, 768), QSize(1440, 900),
                                  QSize(1600, 900), QSize(1920, 1080), QSize(2560, 1440)})
            QTest::newRow(qPrintable(QString("%1x%2").arg(size.width()).arg(size.height())))
                << size;
    }
    void stripCellsFitTheScreen() {
        QFETCH(QSize, screen);
        const app::WorkspaceLayout l = app::ComputeWorkspaceLayout(screen);
        const auto cells = workspace::StripCells(l.rzPanel5.width());
        const QRect room(0, 0, l.rzPanel5.width(), l.sbar1.y());
        for (int i = 0; i < workspace::kStripCells; ++i) {
            const workspace::StripCellRects& c = cells[i];
            QVERIFY2(room.contains(c.frame), qPrintable(QString("cell %1").arg(i + 1)));
            QVERIFY(c.frame.contains(c.thumbnail));
            QVERIFY(c.frame.contains(c.marker));
            QVERIFY(qAbs(c.thumbnail.width() * 80 - c.thumbnail.height() * 105) <= 105);
            if (i > 0) QVERIFY(cells[i - 1].frame.right() < c.frame.left());
            if (screen.width() >= 1920) {
                QCOMPARE(c.frame, QRect(10 + 130 * i, 8, 120, 106));
                QCOMPARE(c.thumbnail, QRect(18 + 130 * i, 17, 105, 80));
                QCOMPARE(c.marker, QRect(10 + 130 * i, 96, 17, 17));
            }
        }
    }

    void terminationSignalsArriveOnTheEventLoop() {
        int calls = 0;
        app::TerminationSignals termination([&] { ++calls; });
        QVERIFY(termination.installed());
        ::raise(SIGTERM);
        QTRY_COMPARE(calls, 1);
        ::raise(SIGHUP);
        QTRY_COMPARE(calls, 2);
    }

    // The session ending closes the program as its exit button does, and the database
    // is closed cleanly: nothing is left in its write-ahead log.
    void terminationClosesTheProgramCleanly() {
        VERIMOND_EMBEDDED_FILE_ONLY();
        RuntimeFixture fixture;
        data::CloseConnection();
        QProcess program;
        program.setWorkingDirectory(fixture.path());
        program.start(QStringLiteral(VERIMOND_PROGRAM_PATH), {});
        QVERIFY(program.waitForStarted());
        // The write-ahead log appears once the program has its database open.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(fixture.file("function.dll-wal")), 30000);
        QVERIFY(::kill(static_cast<pid_t>(program.processId()), SIGTERM) == 0);
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(!QFile::exists(fixture.file("function.dll-wal")));
    }

    // The session ending while the start tells that the database cannot be opened ends
    // the program; it does not go on, full screen, without its database.
    void terminationAtTheStartErrorEndsTheProgram() {
        VERIMOND_EMBEDDED_FILE_ONLY();
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        data::CloseConnection();
        QProcess program;
        program.setWorkingDirectory(fixture.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // Were it to go on, it would say so once shown, and close.
        environment.insert("VERIMOND_QUIT_AFTER_SHOW", "1");
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(VERIMOND_PROGRAM_PATH), {});
        QVERIFY(program.waitForStarted());
        // The reason goes to stderr as the box opens.
        QByteArray err;
        QTRY_VERIFY_WITH_TIMEOUT((err += program.readAllStandardError()).contains("数据库连结错误"),
                                 30000);
        QVERIFY(::kill(static_cast<pid_t>(program.processId()), SIGTERM) == 0);
        QVERIFY2(program.waitForFinished(30000), "still running after SIGTERM");
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(program.readAllStandardOutput(), QByteArray());
        QVERIFY(!QFile::exists(fixture.file("function.dll")));
    }

    void missingDatabaseIsReportedAndStartGoesOn() {
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        app::Tfrmps workspace;
        QCOMPARE(fixture.dialogs().Texts("message"),
                 QStringList{"数据库连结错误,请检查数据库连结设置！\n" +
                             data::OpenFailureReason(data::OpenResult::Missing,
                                                     fixture.file("function.dll"))});
        workspace.resize(1366, 768);
        workspace.FormShow();
        QVERIFY(!workspace.IconCheckFailed());
        QVERIFY(!fixture.dialogs().Texts("error").isEmpty());  // the first read fails in its box
        QVERIFY(!QFile::exists(fixture.file("function.dll")));
    }

    // A server password every account of the computer can read is told at the start,
    // whatever the connection came to.
    void settingOthersCanReadIsToldAtStart() {
        VERIMOND_EMBEDDED_FILE_ONLY();
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        const QString setting = fixture.file("verimond.ini");
        QFile file(setting);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[database]\nengine=postgresql\nhost=127.0.0.1\nport=1\npassword=secret\n");
        file.close();
        QCOMPARE(::chmod(QFile::encodeName(setting).constData(), 0644), 0);
        QCOMPARE(::chmod(QFile::encodeName(fixture.path()).constData(), 0755), 0);
        app::Tfrmps workspace;
        const QStringList told = fixture.dialogs().Texts("message");
        QCOMPARE(told.size(), 2);
        QVERIFY2(told[0].startsWith("数据库连结错误"), qPrintable(told[0]));
        QVERIFY2(told[1].contains(setting) && told[1].contains("chmod 600"), qPrintable(told[1]));
    }

    // The embedded file on a network folder: the staff are told once, at the start.
    void networkFolderIsToldOnce_data() {
        QTest::addColumn<bool>("network");
        QTest::newRow("network folder") << true;
        QTest::newRow("local disk") << false;
    }
    void networkFolderIsToldOnce() {
        VERIMOND_EMBEDDED_FILE_ONLY();
        QFETCH(bool, network);
        RuntimeFixture fixture;
        data::CloseConnection();
        data::SetNetworkFolderProbeForTesting([network](const QString&) { return network; });
        const auto restore = qScopeGuard([] { data::SetNetworkFolderProbeForTesting({}); });
        app::Tfrmps workspace;
        workspace.resize(1366, 768);
        workspace.FormShow();
        QVERIFY(data::IsConnected());
        const QStringList told = fixture.dialogs().Texts("message");
        if (!network) {
            QCOMPARE(told, QStringList());
            return;
        }
        QCOMPARE(told.size(), 1);
        QVERIFY2(told.first().contains("网络文件夹") && told.first().contains("数据库服务器") &&
                     told.first().contains(fixture.file("function.dll")),
                 qPrintable(told.first()));
        QVERIFY(!QFile::exists(fixture.file("function.dll-wal")));
    }

    void missingIconEndsTheProgram_data() {
        QTest::addColumn<QString>("icon");
        QTest::newRow("marker") << "icon/ztflag.bmp";
        QTest::newRow("remove") << "icon/delzc.bmp";
        QTest::newRow("show") << "icon/pszc.bmp";
    }
    void missingIconEndsTheProgram() {
        QFETCH(QString, icon);
        RuntimeFixture fixture;
        QVERIFY(QFile::remove(fixture.file(icon)));
        app::Tfrmps workspace;
        workspace.show();
        QVERIFY(workspace.IconCheckFailed());
        QCOMPARE(fixture.dialogs().Texts(), QStringList{"读取图标文件错误"});
        QTRY_VERIFY(!workspace.isVisible());
    }

    void widescreenSettingsAreRead_data() {
        QTest::addColumn<QString>("open");
        QTest::addColumn<QString>("ratio");
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<int>("storedRatio");
        QTest::addColumn<QString>("error");
        QTest::newRow("on") << "是"
                            << "80" << true << 80 << "";
        QTest::newRow("off") << "否"
                             << "75" << false << 75 << "";
        QTest::newRow("empty") << ""
                               << "75" << false << 75 << "";
        QTest::newRow("bad ratio") << "是"
                                   << "8O" << false << 100 << "'8O' is not a valid integer value.";
    }
    void widescreenSettingsAreRead() {
        QFETCH(QString, open);
        QFETCH(QString, ratio);
        QFETCH(bool, ticked);
        QFETCH(int, storedRatio);
        QFETCH(QString, error);
        RuntimeFixture fixture;
        data::UpdateValue("SysSet", "itemvalue", "'" + data::SqlQuote(open) + "'",
                          "itemname='openwidthsale'");
        data::UpdateValue("SysSet", "itemvalue", "'" + data::SqlQuote(ratio) + "'",
                          "itemname='widthsalerote'");
        app::Tfrmps workspace;
        workspace.resize(1920, 1080);
        workspace.FormShow();
        QCOMPARE(testing_support::ControlNamed<QCheckBox>(&workspace, "rzcbwidthsale")->isChecked(),
                 ticked);
        QCOMPARE(workspace.State().widescreenRatio, storedRatio);
        QCOMPARE(fixture.dialogs().Texts("error").join(""), error);
        // Reading the setting does not write it back.
        QCOMPARE(data::LookupValue("SysSet", "itemvalue", "itemname='openwidthsale'"), open);
    }

    void staffButtonsNeedLoginAndACustomer() {
        RuntimeFixture fixture;
        app::Tfrmps workspace;
        workspace.resize(1920, 1080);
        workspace.show();
        QVERIFY(!workspace.SpeedButton2->isVisible());
        QVERIFY(!workspace.SpeedButton4->isVisible());
        workspace.SpeedButton3Click();
        QCOMPARE(fixture.dialogs().Texts(), QStringList{"请先选择客户！"});

        testing_support::ControlNamed<QLineEdit>(&workspace, "pass")->setText("secret");
        workspace.imgdlClick();
        QCOMPARE(fixture.dialogs().Texts().last(), QString("密码错误！"));
        QVERIFY(!workspace.State().adminLoggedIn);
        testing_support::ControlNamed<QLineEdit>(&workspace, "pass")
            ->clear();  // a new database has an empty password
        workspace.imgdlClick();
        QVERIFY(workspace.State().adminLoggedIn);
        QVERIFY(workspace.SpeedButton2->isVisible() && workspace.SpeedButton4->isVisible());
        workspace.imgzxdlClick();
        QVERIFY(!workspace.SpeedButton2->isVisible() && !workspace.State().adminLoggedIn);
    }

    void enterMovesToTheNextField() {
        QWidget form;
        auto* first = new widgets::ATEdit(&form);
        auto* second = new widgets::ATEdit(&form);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        first->setFocus();
        first->setText("王");
        QTest::keyClick(first, Qt::Key_Return);
        QVERIFY(second->hasFocus());
        QCOMPARE(first->text(), QString("王"));
    }

    void busyNoticeCountsProgress() {
        QWidget main;
        main.resize(800, 600);
        main.show();
        widgets::Tfrmpb notice(&main);
        notice.ShowNotice();
        notice.SetProgress(3, 40);
        QCOMPARE(notice.size(), QSize(278, 116));
        const QList<QLabel*> labels = notice.findChildren<QLabel*>();
        QStringList texts;
        for (QLabel* label : labels)
            if (label->isVisible()) texts << label->text();
        QCOMPARE(texts, (QStringList{widgets::Tfrmpb::NoticeText(), "3 / 40"}));

        // The item at hand follows the count, shortened to the notice's width.
        const QString longName = QString("/照片/") + QString(200, 'x') + "/IMG_0004.jpg";
        notice.SetProgress(4, 40, longName);
        const QLabel* count = labels.last();
        QVERIFY(count->text().startsWith("4 / 40  "));
        QVERIFY(count->text().endsWith("IMG_0004.jpg"));
        QVERIFY(count->fontMetrics().horizontalAdvance(count->text()) <=
                count->contentsRect().width());
    }
};

QTEST_MAIN(TestWorkspaceShell)
#include "test_workspace_shell.moc"
