// The full-screen viewer: zoom, rotation, dragging, album choice and picking.

#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include "customers/customer_records.h"
#include "data/records.h"
#include "support/workspace_fixture.h"
#include "widgets/dialogs.h"
#include "workspace/album_panel.h"
#include "workspace/picture_cache.h"
#include "workspace/sample_viewer.h"
#include "workspace/tfrmfull.h"
#include "workspace/viewer_geometry.h"
#include "workspace/workspace_queries.h"

using testing_support::LargeView;
using testing_support::WorkspaceFixture;
using workspace::TFrmfull;

namespace {

// A workspace with its viewer, on a customer whose photos are 1000 x 800.
struct ViewerFixture : WorkspaceFixture {
    TFrmfull viewer;
    QString customer;
    ViewerFixture() {
        workspace().SetFullScreenViewer(&viewer);
        QDir().mkpath(file("big"));
        for (int i = 1; i <= 3; ++i) writePhoto(QString("big/%1.jpg").arg(i), 1000, 800);
        customer = addCustomerFromFolder("大图", "big");
        choose(customer);
        viewer.ShowOver(&workspace());
    }
    QString addCustomerFromFolder(const QString& name, const QString& folder) {
        customers::ImportOptions options;
        const auto created = customers::CreateCustomer({name, file(folder), QString()}, options);
        workspace().FillCustomerList();
        return QString::number(created.id);
    }
};

}  // namespace

class TestFullScreen : public QObject {
    Q_OBJECT

  private slots:
    void zoomSteps_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<bool>("in");
        QTest::addColumn<QList<int>>("steps");
        QTest::newRow("capped at 1000") << 990 << true << QList<int>{1000, 1000};
        QTest::newRow("down to 5") << 12 << false << QList<int>{10, 5, 5};
        QTest::newRow("in from 37") << 37 << true << QList<int>{40, 50, 60};
        QTest::newRow("out from 37") << 37 << false << QList<int>{30, 20, 10, 5};
        QTest::newRow("in from 5") << 5 << true << QList<int>{10};
    }
    void zoomSteps() {
        QFETCH(int, from);
        QFETCH(bool, in);
        QFETCH(QList<int>, steps);
        QList<int> seen;
        for (int z = from; seen.size() < steps.size();)
            seen << (z = in ? workspace::ZoomIn(z) : workspace::ZoomOut(z));
        QCOMPARE(seen, steps);
    }

    void zoomedSizeAndReach() {
        QCOMPARE(workspace::ZoomedSize({1000, 800}, 50, true, 75), QSize(375, 400));
        QCOMPARE(workspace::ZoomedSize({800, 1000}, 50, false, 75), QSize(400, 500));
        QCOMPARE(workspace::KeepReachable({30, 700, 400, 300}).topLeft(), QPoint(30, 5));
        QCOMPARE(workspace::KeepReachable({-500, -400, 400, 300}).topLeft(), QPoint(5, 5));
        QCOMPARE(workspace::KeepReachable({-100, 200, 400, 300}).topLeft(), QPoint(-100, 200));
    }

    void openingDrawsFittedAndFillsTheAlbumList() {
        ViewerFixture f;
        QVERIFY(f.viewer.isVisible());
        QTRY_VERIFY(!f.workspace().pictureCache().waiting());
        QCOMPARE(f.viewer.labrate->text(), QString::number(f.workspace().State().zoomPercent));
        QVERIFY(f.workspace().State().zoomPercent > 0);
        QStringList items;
        for (int i = 0; i < f.viewer.RCXC->count(); ++i) items << f.viewer.RCXC->itemText(i);
        QCOMPARE(items, (QStringList{"未选择", "精修相册", "放大摆台", "电子相册"}));
        QCOMPARE(f.viewer.RCXC->currentText(), QString("未选择"));
        QVERIFY(f.viewer.Edit1->hasFocus() || !QApplication::focusWidget());
    }

    void zoomRotateAndDrag() {
        ViewerFixture f;
        TFrmfull& v = f.viewer;
        f.workspace().State().zoomPercent = 50;
        v.SpeedButton4Click(TFrmfull::Tool::ZoomIn);
        QTRY_VERIFY(!v.zoomPending());
        QCOMPARE(f.workspace().State().zoomPercent, 60);
        QCOMPARE(v.labrate->text(), QString("60"));
        QCOMPARE(v.imgfull->size(), QSize(600, 480));
        v.SpeedButton4Click(TFrmfull::Tool::RotateClockwise);
        QTRY_VERIFY(!v.zoomPending());
        QCOMPARE(v.imgfull->size(), QSize(480, 600));
        QCOMPARE(v.viewerRotationAngle, 90);
        f.control<QCheckBox>("rzcbwidthsale")->setChecked(true);
        f.workspace().State().widescreenRatio = 75;
        v.SpeedButton4Click(TFrmfull::Tool::RotateCounterClockwise);
        QTRY_VERIFY(!v.zoomPending());
        QCOMPARE(v.imgfull->size(), QSize(450, 480));

        // The picture moves once, on release, by the distance dragged.
        const QPoint start = v.imgfull->pos();
        QTest::mousePress(v.imgfull, Qt::LeftButton, {}, QPoint(10, 10));
        QMouseEvent move(QEvent::MouseMove, QPointF(110, 10),
                         v.imgfull->mapToGlobal(QPointF(110, 10)), Qt::NoButton, Qt::LeftButton,
                         {});
        QApplication::sendEvent(v.imgfull, &move);
        QTest::mouseRelease(v.imgfull, Qt::LeftButton, {}, QPoint(110, 10));
        QCOMPARE(v.imgfull->pos(), start + QPoint(100, 0));
        // Dragged further down than its own height, the next click brings it back.
        v.imgfull->move(v.imgfull->x(), v.imgfull->height() + 50);
        v.SpeedButton4Click(TFrmfull::Tool::ZoomOut);
        QTRY_VERIFY(!v.zoomPending());
        QCOMPARE(v.imgfull->y(), 5);
    }

    // Zooms are decoded in the background; only the newest is shown, and a step or
    // leaving drops the one on its way.
    void onlyTheNewestZoomIsShown() {
        ViewerFixture f;
        TFrmfull& v = f.viewer;
        QTRY_VERIFY(!f.workspace().pictureCache().waiting());
        const QSize fitted = v.imgfull->size();
        f.workspace().State().zoomPercent = 20;
        v.SpeedButton4Click(TFrmfull::Tool::ZoomIn);
        v.SpeedButton4Click(TFrmfull::Tool::ZoomIn);
        QVERIFY(v.zoomPending());
        QTRY_VERIFY(!v.zoomPending());
        v.zoomPool().waitForDone();
        QCoreApplication::processEvents();
        QCOMPARE(v.imgfull->size(), QSize(400, 320));  // 40 %, not 30 %

        for (const bool leave : {false, true}) {
            v.SpeedButton4Click(TFrmfull::Tool::ZoomIn);
            if (leave)
                v.SpeedButton1Click();
            else
                v.SpeedButton2Click();
            QVERIFY(!v.zoomPending());
            v.zoomPool().waitForDone();
            QCoreApplication::processEvents();
            QVERIFY(!v.imgfull->zoomed());
            QCOMPARE(v.imgfull->size(), fitted);
        }
    }

    void albumChoiceAndPickFromTheViewer() {
        ViewerFixture f;
        TFrmfull& v = f.viewer;
        v.RCXC->setCurrentText("放大摆台");
        v.RCXCChange();
        QCOMPARE(f.workspace().State().currentAlbum, QString("放大摆台"));
        v.SpeedButton8Click();
        QCOMPARE(data::LookupValue("xcphoto", "count(*)", "xcmc='放大摆台'"), QString("1"));
        // The pick moved on to the next sample, drawn into the viewer.
        QCOMPARE(f.currentDisplayNumber(), 2);
        v.SpeedButton3Click();
        QCOMPARE(f.currentDisplayNumber(), 1);
        QCOMPARE(v.labyrxc->text(), QString("已入相册:放大摆台  "));
        v.RCXC->setCurrentIndex(0);
        v.RCXCChange();
        QCOMPARE(f.workspace().State().currentAlbum, QString("全部"));
    }

    // Boxes asked for from the viewer open over it, and its keys work once they close.
    void boxesBelongToTheViewer() {
        ViewerFixture f;
        TFrmfull& v = f.viewer;
        v.SpeedButton8Click();  // the "全部" tab is active
        v.RCXC->setCurrentText("放大摆台");
        v.RCXCChange();
        v.SpeedButton8Click();
        v.SpeedButton3Click();
        v.SpeedButton8Click();  // a repeat pick
        v.SpeedButton2Click();
        v.SpeedButton8Click();  // the last sample
        QCOMPARE(f.dialogs().Texts(),
                 (QStringList{"请切换到要添加本样片的相册!",
                              "本照片已经入选相册放大摆台中，确定要重复入选吗?",
                              "这已经到是后一幅作品!"}));
        for (const auto& box : f.dialogs().shown) QCOMPARE(box.parent, &v);
    }

    void keysWorkAfterABoxCloses() {
        ViewerFixture f;
        TFrmfull& v = f.viewer;
        QVERIFY(QTest::qWaitForWindowActive(&v));
        widgets::Dialogs::Install(std::make_unique<widgets::ScreenDialogs>());
        QWidget* owner = nullptr;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            owner = box->parentWidget() ? box->parentWidget()->window() : nullptr;
            box->button(QMessageBox::Ok)->click();
        });
        v.SpeedButton8Click();
        QCOMPARE(owner, &v);
        QTRY_COMPARE(QApplication::activeWindow(), &v);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
        QCOMPARE(f.currentDisplayNumber(), 2);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!v.isVisible());
    }

    void keysAndLeaving() {
        ViewerFixture f;
        TFrmfull& v = f.viewer;
        QVERIFY(QTest::qWaitForWindowActive(&v));
        QTest::keyClick(v.Edit1, Qt::Key_Right);
        QCOMPARE(f.currentDisplayNumber(), 2);
        QTest::keyClick(v.Edit1, Qt::Key_Left);
        QCOMPARE(f.currentDisplayNumber(), 1);
        const int fitted = f.workspace().State().zoomPercent;
        QTest::keyClick(v.Edit1, Qt::Key_Plus);
        QCOMPARE(f.workspace().State().zoomPercent, workspace::ZoomIn(fitted));
        QTest::keyClick(v.Edit1, Qt::Key_Minus);
        QCOMPARE(f.workspace().State().zoomPercent, workspace::ZoomOut(workspace::ZoomIn(fitted)));
        QVERIFY(v.Edit1->text().isEmpty());
        // While the viewer is open the large view is left alone; leaving redraws it.
        LargeView(f.workspace())->clear();
        QTest::keyClick(v.Edit1, Qt::Key_Escape);
        QVERIFY(!v.isVisible());
        QTRY_VERIFY(!LargeView(f.workspace())->pixmap().isNull());
    }
};

QTEST_MAIN(TestFullScreen)
#include "test_fullscreen.moc"
