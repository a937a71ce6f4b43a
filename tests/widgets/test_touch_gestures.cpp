// The touch recogniser: taps, double taps, swipes, drags and pinches from Qt's touch
// events, and no mouse events made of the touches it takes.

#include <QGuiApplication>
#include <QPushButton>
#include <QStyleHints>
#include <QtTest>

#include "support/touch_input.h"
#include "widgets/touch_gestures.h"

using testing_support::TouchPinch;
using testing_support::TouchSlide;
using testing_support::TouchTap;
using widgets::TouchGestures;

namespace {

// A 600 x 400 window with a button in its lower right corner that keeps its touches.
struct Surface : QWidget {
    QPushButton* button = new QPushButton(QStringLiteral("按钮"), this);
    TouchGestures* touch = new TouchGestures(this);
    int mousePresses = 0;
    QSignalSpy tapped{touch, &TouchGestures::tapped};
    QSignalSpy doubleTapped{touch, &TouchGestures::doubleTapped};
    QSignalSpy left{touch, &TouchGestures::swipedLeft};
    QSignalSpy right{touch, &TouchGestures::swipedRight};
    QSignalSpy dragged{touch, &TouchGestures::dragged};
    QSignalSpy pinchStarted{touch, &TouchGestures::pinchStarted};
    QSignalSpy pinchChanged{touch, &TouchGestures::pinchChanged};
    QSignalSpy pinchFinished{touch, &TouchGestures::pinchFinished};

    Surface() {
        resize(600, 400);
        button->setGeometry(500, 350, 90, 40);
        touch->LeaveTouchesAt([this](QPoint at) { return childAt(at) == button; });
        show();
        QVERIFY(QTest::qWaitForWindowExposed(this));
    }
    // What the one-finger gestures told, as a word each.
    QStringList Told() const {
        QStringList told;
        for (int i = 0; i < tapped.count(); ++i) told << "tap";
        for (int i = 0; i < doubleTapped.count(); ++i) told << "double";
        for (int i = 0; i < left.count(); ++i) told << "left";
        for (int i = 0; i < right.count(); ++i) told << "right";
        for (int i = 0; i < dragged.count(); ++i) told << "drag";
        return told;
    }

  protected:
    void mousePressEvent(QMouseEvent*) override { ++mousePresses; }
};

}  // namespace

class TestTouchGestures : public QObject {
    Q_OBJECT

  private slots:
    // One finger: where it went (pausing between moves when slow) and what it was.
    void oneFinger_data() {
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QList<QPoint>>("through");
        QTest::addColumn<int>("pauseMs");
        QTest::addColumn<QString>("told");
        const QPoint mid(300, 200);
        QTest::newRow("still finger") << mid << QList<QPoint>{} << 0 << "tap";
        QTest::newRow("small stray") << mid << QList<QPoint>{{306, 205}, {304, 203}} << 0 << "tap";
        QTest::newRow("quick to the left")
            << QPoint(400, 200) << QList<QPoint>{{330, 205}, {290, 210}} << 0 << "left";
        QTest::newRow("quick to the right")
            << QPoint(200, 200) << QList<QPoint>{{270, 195}, {310, 190}} << 0 << "right";
        QTest::newRow("wobble back to the start")
            << mid << QList<QPoint>{{340, 200}, {260, 200}, {308, 200}} << 0 << "drag";
        QTest::newRow("too short") << mid << QList<QPoint>{{320, 200}, {340, 200}} << 0 << "drag";
        QTest::newRow("too steep") << mid << QList<QPoint>{{350, 160}, {400, 130}} << 0 << "drag";
        QTest::newRow("slow and short")
            << mid << QList<QPoint>{{330, 200}, {420, 200}} << 1000 << "drag";
        QTest::newRow("slow across a third")
            << QPoint(100, 200) << QList<QPoint>{{130, 200}, {350, 200}} << 1000 << "right";
    }
    void oneFinger() {
        QFETCH(QPoint, from);
        QFETCH(QList<QPoint>, through);
        QFETCH(int, pauseMs);
        QFETCH(QString, told);
        Surface s;
        TouchSlide(&s, from, through, pauseMs);
        QCOMPARE(s.Told(), QStringList{told});
        if (told == "tap") QCOMPARE(s.tapped.first().first().toPoint(), from);
        if (told == "drag") QCOMPARE(s.dragged.first().first().toPoint(), through.last() - from);
        QCOMPARE(s.pinchStarted.count(), 0);
        // Taken whole: Qt made no mouse press of it.
        QCOMPARE(s.mousePresses, 0);
    }

    void swipesGiveWayToDragsWhenNotWanted() {
        Surface s;
        s.touch->SwipeWhen([] { return false; });
        TouchSlide(&s, {400, 200}, {{330, 200}, {290, 200}});
        QCOMPARE(s.Told(), QStringList{"drag"});
    }

    void doubleTaps_data() {
        QTest::addColumn<QPoint>("second");
        QTest::addColumn<int>("pauseMs");
        QTest::addColumn<QStringList>("told");
        const int interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
        const int near = QGuiApplication::styleHints()->touchDoubleTapDistance();
        QTest::newRow("same place, quick")
            << QPoint(300, 200) << 0 << QStringList{"tap", "tap", "double"};
        QTest::newRow("a little aside")
            << QPoint(300 + near / 2, 200) << 0 << QStringList{"tap", "tap", "double"};
        QTest::newRow("too far") << QPoint(300 + near + 20, 200) << 0 << QStringList{"tap", "tap"};
        QTest::newRow("too late") << QPoint(300, 200) << interval + 150
                                  << QStringList{"tap", "tap"};
    }
    void doubleTaps() {
        QFETCH(QPoint, second);
        QFETCH(int, pauseMs);
        QFETCH(QStringList, told);
        Surface s;
        TouchTap(&s, {300, 200});
        if (pauseMs) QTest::qWait(pauseMs);
        TouchTap(&s, second);
        QCOMPARE(s.Told(), told);
        QCOMPARE(s.mousePresses, 0);
    }

    void aThirdTapStartsANewPair() {
        Surface s;
        for (int i = 0; i < 4; ++i) TouchTap(&s, {300, 200});
        QCOMPARE(s.tapped.count(), 4);
        QCOMPARE(s.doubleTapped.count(), 2);
    }

    void pinches_data() {
        QTest::addColumn<int>("fromApart");
        QTest::addColumn<int>("toApart");
        QTest::newRow("out to twice") << 100 << 200;
        QTest::newRow("in to half") << 240 << 120;
    }
    void pinches() {
        QFETCH(int, fromApart);
        QFETCH(int, toApart);
        Surface s;
        const QPoint mid(300, 200);
        TouchPinch(&s, mid - QPoint(fromApart / 2, 0), mid + QPoint(fromApart / 2, 0),
                   mid - QPoint(toApart / 2, 0), mid + QPoint(toApart / 2, 0));
        const qreal scale = qreal(toApart) / fromApart;
        QCOMPARE(s.pinchStarted.count(), 1);
        QVERIFY(s.pinchChanged.count() >= 2);
        QCOMPARE(s.pinchChanged.last().first().toReal(), scale);
        QCOMPARE(s.pinchFinished.count(), 1);
        QCOMPARE(s.pinchFinished.first().first().toReal(), scale);
        // Two fingers are neither a tap nor a swipe, nor a mouse press.
        QCOMPARE(s.Told(), QStringList{});
        QCOMPARE(s.mousePresses, 0);
    }

    // The button keeps its touches: Qt makes them a click of it, and only that.
    void touchesLeftToChildrenStayClicks() {
        Surface s;
        QSignalSpy clicked(s.button, &QPushButton::clicked);
        TouchTap(&s, s.button->geometry().center());
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(s.Told(), QStringList{});
        TouchTap(&s, {300, 200});
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(s.Told(), QStringList{"tap"});
    }

    void theMouseIsNoFinger() {
        Surface s;
        QTest::mouseClick(&s, Qt::LeftButton, {}, {300, 200});
        QTest::mouseDClick(&s, Qt::LeftButton, {}, {300, 200});
        QCOMPARE(s.Told(), QStringList{});
        QVERIFY(s.mousePresses >= 2);
    }
};

QTEST_MAIN(TestTouchGestures)
#include "test_touch_gestures.moc"
