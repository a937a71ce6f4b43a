// The workspace on a touch screen: swipes, double taps and pinches lead to what the
// buttons do, and taps on the strip and on buttons stay single clicks.

#include <QtTest>

#include "support/touch_input.h"
#include "support/workspace_fixture.h"
#include "widgets/picture_button.h"
#include "workspace/compare_set.h"
#include "workspace/compare_view.h"
#include "workspace/picture_cache.h"
#include "workspace/sample_strip.h"
#include "workspace/tfrmfull.h"
#include "workspace/viewer_geometry.h"
#include "workspace/workspace_queries.h"

using testing_support::LargeView;
using testing_support::TouchPinch;
using testing_support::TouchSlide;
using testing_support::TouchSwipe;
using testing_support::TouchTap;
using testing_support::WorkspaceFixture;
using workspace::TFrmfull;

namespace {

// A workspace with its full-screen viewer, on a customer of 30 small photos (96 x 64).
struct TouchFixture : WorkspaceFixture {
    TFrmfull viewer;
    QString customer;
    TouchFixture() {
        workspace().SetFullScreenViewer(&viewer);
        customer = addCustomer("触屏", 30);
        choose(customer);
    }
    void stepTo(int displayNumber) {
        while (currentDisplayNumber() < displayNumber) workspace().Image25Click();
        while (currentDisplayNumber() > displayNumber) workspace().Image24Click();
    }
    workspace::SampleStrip* strip() { return workspace().strip(); }
    // The height of the strip's row of cells.
    int cellRow() { return control<QLabel>("disimg", 1)->geometry().center().y(); }
    void openViewer() {
        viewer.ShowOver(&workspace());
        QTRY_VERIFY(!workspace().pictureCache().waiting());
    }
};

}  // namespace

class TestTouch : public QObject {
    Q_OBJECT

  private slots:
    void swipesOnTheLargeViewStepLikeTheArrows_data() {
        QTest::addColumn<bool>("leftwards");
        QTest::addColumn<int>("after");
        QTest::newRow("to the left: next") << true << 6;
        QTest::newRow("to the right: previous") << false << 4;
    }
    void swipesOnTheLargeViewStepLikeTheArrows() {
        QFETCH(bool, leftwards);
        QFETCH(int, after);
        TouchFixture f;
        f.stepTo(5);
        TouchSwipe(LargeView(f.workspace()), leftwards);
        QCOMPARE(f.currentDisplayNumber(), after);
        const qint64 swiped = f.workspace().State().currentSampleId;
        f.stepTo(5);
        leftwards ? f.workspace().Image25Click() : f.workspace().Image24Click();
        QCOMPARE(f.workspace().State().currentSampleId, swiped);
        QCOMPARE(f.workspace().strip()->Position(), after);
    }

    void swipesStopAtTheEnds() {
        TouchFixture f;
        TouchSwipe(LargeView(f.workspace()), false);
        QCOMPARE(f.currentDisplayNumber(), 1);
        f.stepTo(30);
        TouchSwipe(LargeView(f.workspace()), true);
        QCOMPARE(f.currentDisplayNumber(), 30);
    }

    void aWobbleOrATapDoesNotStep() {
        TouchFixture f;
        f.stepTo(5);
        QLabel* view = LargeView(f.workspace());
        const QPoint mid = view->rect().center();
        TouchSlide(view, mid, {mid + QPoint(40, 0), mid - QPoint(40, 0), mid + QPoint(6, 3)});
        TouchTap(view, mid);
        QCOMPARE(f.currentDisplayNumber(), 5);
        QVERIFY(!f.viewer.isVisible());
    }

    void doubleTapOpensTheFullScreenViewer() {
        TouchFixture f;
        QLabel* view = LargeView(f.workspace());
        TouchTap(view, view->rect().center());
        QVERIFY(!f.viewer.isVisible());
        TouchTap(view, view->rect().center() + QPoint(5, 5));
        QVERIFY(f.viewer.isVisible());
        QTRY_VERIFY(!f.workspace().pictureCache().waiting());
        QCOMPARE(f.viewer.labrate->text(), QString::number(f.workspace().State().zoomPercent));
    }

    void swipesInFullScreenStepLikeItsButtons_data() {
        QTest::addColumn<bool>("leftwards");
        QTest::addColumn<int>("after");
        QTest::newRow("to the left: next") << true << 6;
        QTest::newRow("to the right: previous") << false << 4;
    }
    void swipesInFullScreenStepLikeItsButtons() {
        QFETCH(bool, leftwards);
        QFETCH(int, after);
        TouchFixture f;
        f.stepTo(5);
        f.openViewer();
        f.viewer.viewerRotationAngle = 90;
        TouchSwipe(f.viewer.imgfull, leftwards);
        QCOMPARE(f.currentDisplayNumber(), after);
        QCOMPARE(f.viewer.viewerRotationAngle, 0);
        const qint64 swiped = f.workspace().State().currentSampleId;
        f.stepTo(5);
        leftwards ? f.viewer.SpeedButton2Click() : f.viewer.SpeedButton3Click();
        QCOMPARE(f.workspace().State().currentSampleId, swiped);
    }

    // From the fitted 100 percent of the small photos, a pinch takes the zoom where the
    // zoom buttons' steps take it, the label and the drawn size with it.
    void pinchZoomsByTheButtonsSteps_data() {
        QTest::addColumn<int>("fromApart");
        QTest::addColumn<int>("toApart");
        QTest::addColumn<int>("zoom");
        QTest::addColumn<int>("buttonSteps");  // zoom in (+) or out (-) clicks to the same
        QTest::newRow("out to twice") << 100 << 200 << 200 << 10;
        QTest::newRow("in to half") << 240 << 120 << 50 << -5;
        QTest::newRow("far out stops at 1000") << 20 << 400 << 1000 << 95;
        QTest::newRow("far in stops at 5") << 500 << 2 << 5 << -10;
        QTest::newRow("a tremble keeps the zoom") << 200 << 204 << 100 << 0;
    }
    void pinchZoomsByTheButtonsSteps() {
        QFETCH(int, fromApart);
        QFETCH(int, toApart);
        QFETCH(int, zoom);
        QFETCH(int, buttonSteps);
        TouchFixture f;
        f.openViewer();
        TFrmfull& v = f.viewer;
        QCOMPARE(f.workspace().State().zoomPercent, 100);
        const QPoint mid = v.imgfull->rect().center();
        TouchPinch(v.imgfull, mid - QPoint(fromApart / 2, 0), mid + QPoint(fromApart / 2, 0),
                   mid - QPoint(toApart / 2, 0), mid + QPoint(toApart / 2, 0));
        QCOMPARE(f.workspace().State().zoomPercent, zoom);
        QCOMPARE(v.labrate->text(), QString::number(zoom));
        QTRY_VERIFY(!v.zoomPending());
        if (zoom != 100)
            QCOMPARE(v.imgfull->size(),
                     workspace::ZoomedSize({96, 64}, zoom, f.workspace().WidescreenTicked(),
                                           f.workspace().State().widescreenRatio));
        // The buttons get there in as many clicks, and one more goes no further at the ends.
        int byButtons = 100;
        for (int i = 0; i < std::abs(buttonSteps); ++i)
            byButtons =
                buttonSteps > 0 ? workspace::ZoomIn(byButtons) : workspace::ZoomOut(byButtons);
        QCOMPARE(byButtons, zoom);
        QCOMPARE(f.currentDisplayNumber(), 1);
    }

    void pinchSteps_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<double>("target");
        QTest::addColumn<int>("zoom");
        QTest::newRow("fitted 37, a little out") << 37 << 40.7 << 40;
        QTest::newRow("fitted 37, a little in") << 37 << 33.3 << 30;
        QTest::newRow("nearer than a step") << 40 << 37.0 << 40;
        QTest::newRow("past the top") << 100 << 5000.0 << 1000;
        QTest::newRow("past the bottom") << 12 << 1.0 << 5;
        QTest::newRow("from the bottom") << 5 << 9.0 << 10;
    }
    void pinchSteps() {
        QFETCH(int, from);
        QFETCH(double, target);
        QFETCH(int, zoom);
        QCOMPARE(workspace::PinchZoom(from, target), zoom);
    }

    // A picture larger than the screen is dragged by a finger, as by the mouse, not swiped.
    void aSlideOnAPictureLargerThanTheScreenDragsIt() {
        TouchFixture f;
        f.openViewer();
        TFrmfull& v = f.viewer;
        f.workspace().State().zoomPercent = 2000;  // one step in gives the top, 1000
        v.SpeedButton4Click(TFrmfull::Tool::ZoomIn);
        QTRY_VERIFY(!v.zoomPending());
        if (v.imgfull->width() <= v.width()) QSKIP("the screen is wider than the picture");
        const QPoint start = v.imgfull->pos();
        TouchSlide(v.imgfull, {400, 300}, {{350, 300}, {250, 290}});
        QCOMPARE(v.imgfull->pos(), start + QPoint(-150, -10));
        QCOMPARE(f.currentDisplayNumber(), 1);
    }

    void swipesOnTheStripPageItLikeTheBar_data() {
        QTest::addColumn<QList<bool>>("swipes");  // leftwards or not, one after another
        QTest::addColumn<int>("position");
        QTest::newRow("left: the next page") << QList<bool>{true} << 13;
        QTest::newRow("to the last sample") << QList<bool>{true, true, true} << 30;
        QTest::newRow("and back") << QList<bool>{true, true, true, false} << 18;
        QTest::newRow("right at the start") << QList<bool>{false} << 1;
    }
    void swipesOnTheStripPageItLikeTheBar() {
        QFETCH(QList<bool>, swipes);
        QFETCH(int, position);
        TouchFixture f;
        for (bool leftwards : swipes) TouchSwipe(f.strip(), leftwards, 0.4, f.cellRow());
        QCOMPARE(f.strip()->Position(), position);
        QCOMPARE(f.strip()->SampleIdAt(1), QString::number(f.sampleAt(f.customer, position)));
        // Paging shows other cells; the sample shown large stays, as with the arrows.
        QCOMPARE(f.currentDisplayNumber(), 1);

        // The bar's own page clicks go the same way.
        f.strip()->SetPosition(1);
        auto* bar = f.control<QSlider>("sbar1");
        for (bool leftwards : swipes)
            bar->triggerAction(leftwards ? QAbstractSlider::SliderPageStepAdd
                                         : QAbstractSlider::SliderPageStepSub);
        QCOMPARE(f.strip()->Position(), position);
    }

    void tapsOnTheStripClickOnce() {
        TouchFixture f;
        QSignalSpy clicked(f.strip(), &workspace::SampleStrip::cellClicked);
        QLabel* cell = f.control<QLabel>("disimg", 3);
        TouchTap(f.strip(), cell->geometry().center());
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(f.currentDisplayNumber(), 3);
        // A swipe that begins on a cell pages and clicks nothing.
        TouchSwipe(f.strip(), true, 0.4, f.cellRow());
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(f.currentDisplayNumber(), 3);
        QCOMPARE(f.strip()->Position(), 13);
    }

    // Over compared samples a swipe walks the candidate as the arrows do, a tap on a pane
    // makes it the candidate, and a pane's close button stays a button.
    void onComparedSamplesSwipesWalkTheCandidate() {
        TouchFixture f;
        f.workspace().disimgCtrlClick(3);
        f.workspace().disimgCtrlClick(5);
        const workspace::CompareSet& set = f.workspace().compareSet();
        auto shown = [&] {
            QStringList numbers;
            for (int i = 0; i < set.count(); ++i)
                numbers << QString::number(
                               workspace::DisplayNumberOf(f.customer, set.samples()[i])) +
                               (i == set.candidate() ? "*" : "");
            return numbers.join(' ');
        };
        QCOMPARE(shown(), QStringLiteral("1 3 5*"));
        workspace::CompareView* view = f.workspace().compareView();
        QVERIFY(view && view->isVisible());
        TouchSwipe(view, true);
        QCOMPARE(shown(), QStringLiteral("1 3 6*"));
        TouchSwipe(view, false);
        QCOMPARE(shown(), QStringLiteral("1 3 5*"));
        TouchTap(view, view->PaneRect(0).center());
        QCOMPARE(shown(), QStringLiteral("1* 3 5"));
        QAbstractButton* close = nullptr;
        for (auto* button : view->findChildren<QAbstractButton*>())
            if (button->parentWidget()->geometry() == view->PaneRect(1) &&
                button->toolTip() == QStringLiteral("关闭此对比窗格"))
                close = button;
        QVERIFY(close);
        TouchTap(close, close->rect().center());
        QCOMPARE(shown(), QStringLiteral("1* 5"));
    }

    // The arrows and the tool buttons take touches as the clicks Qt makes of them, once.
    void tapsOnButtonsStayClicks() {
        TouchFixture f;
        const auto arrows = f.strip()->findChildren<widgets::PictureButton*>();
        QCOMPARE(arrows.size(), 2);
        TouchTap(arrows[1], arrows[1]->rect().center());  // scrarr2
        QCOMPARE(f.strip()->Position(), 2);
        TouchTap(arrows[0], arrows[0]->rect().center());  // scrarr1
        QCOMPARE(f.strip()->Position(), 1);
        widgets::PictureButton* next = nullptr;
        for (auto* button : f.workspace().findChildren<widgets::PictureButton*>())
            if (button->toolTip() == QStringLiteral("下一张")) next = button;
        QVERIFY(next);
        TouchTap(next, next->rect().center());
        QCOMPARE(f.currentDisplayNumber(), 2);
    }
};

QTEST_MAIN(TestTouch)
#include "test_touch.moc"
