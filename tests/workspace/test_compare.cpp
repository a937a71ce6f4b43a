// Samples side by side: the panes, their pictures, the candidate the arrows replace, picks
// from a pane and closing panes.

#include <QtTest>

#include "customers/customer_records.h"
#include "data/records.h"
#include "support/workspace_fixture.h"
#include "widgets/picture_button.h"
#include "widgets/theme.h"
#include "workspace/compare_set.h"
#include "workspace/compare_view.h"
#include "workspace/sample_strip.h"
#include "workspace/sample_viewer.h"
#include "workspace/statistics_line.h"
#include "workspace/tfrmfull.h"
#include "workspace/workspace_queries.h"

using testing_support::LargeView;
using testing_support::WorkspaceFixture;
using widgets::Answer;
using workspace::CompareSet;
using workspace::CompareView;

namespace {

constexpr QSize kPhoto(1200, 800);

// A workspace on a customer of `samples` photos of kPhoto, larger than any pane.
struct CompareFixture : WorkspaceFixture {
    QString customer;
    explicit CompareFixture(int samples = 6) {
        QDir().mkpath(file("series"));
        for (int i = 1; i <= samples; ++i)
            writePhoto(QStringLiteral("series/%1.jpg").arg(i, 3, 10, QLatin1Char('0')),
                       kPhoto.width(), kPhoto.height());
        const auto created = customers::CreateCustomer(
            {QStringLiteral("对比"), file("series"), QString()}, customers::ImportOptions());
        workspace().FillCustomerList();
        customer = QString::number(created.id);
        choose(customer);
    }
    CompareView* view() { return workspace().compareView(); }
    // Ctrl+click on the sample of a display number, the strip moved to show it.
    void ctrlClick(int displayNumber) {
        workspace::SampleStrip* strip = workspace().strip();
        const qint64 id = sampleAt(customer, displayNumber);
        int cell = 0;
        for (int c = 1; c <= workspace::kStripCells && !cell; ++c)
            if (strip->SampleIdAt(c) == QString::number(id)) cell = c;
        if (!cell) {
            strip->SetPosition(displayNumber);
            cell = 1;
        }
        workspace().disimgCtrlClick(cell);
    }
    // Compare opened on the sample shown, then the others Ctrl+clicked in order.
    void compare(int shown, const QList<int>& clicked) {
        workspace().strip()->SetPosition(shown);
        workspace().ShowSample(1);
        for (int number : clicked) ctrlClick(number);
    }
    // Display numbers of the panes, the candidate's marked with a star.
    QStringList panes() {
        QStringList numbers;
        const CompareSet& set = workspace().compareSet();
        for (int i = 0; i < set.count(); ++i)
            numbers << QString::number(workspace::DisplayNumberOf(customer, set.samples()[i])) +
                           (i == set.candidate() ? "*" : "");
        return numbers;
    }
    int picks(qint64 sample, const QString& album) {
        return data::LookupValue("xcphoto", "count(*)",
                                 "customerid=" + customer +
                                     " and photoid=" + QString::number(sample) + " and xcmc='" +
                                     data::SqlQuote(album) + "'")
            .toInt();
    }
};

bool Grey(QColor c) {
    return qAbs(c.red() - c.green()) < 14 && qAbs(c.green() - c.blue()) < 14 &&
           qAbs(c.red() - c.blue()) < 14;
}

QStringList Strings(const QList<int>& numbers) {
    QStringList strings;
    for (int n : numbers) strings << QString::number(n);
    return strings;
}

}  // namespace

class TestCompare : public QObject {
    Q_OBJECT

  private slots:
    // The rules of the set, whatever the window does with them.
    void addingAndClosing_data() {
        // a<id> add, c<index> close, s<index> candidate, r<id> replace the candidate
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QList<qint64>>("samples");
        QTest::addColumn<int>("candidate");
        QTest::newRow("two") << "a1 a2" << QList<qint64>{1, 2} << 1;
        QTest::newRow("again makes it the candidate")
            << "a1 a2 a3 a1" << QList<qint64>{1, 2, 3} << 0;
        QTest::newRow("a fifth replaces the candidate")
            << "a1 a2 a3 a4 s1 a5" << QList<qint64>{1, 5, 3, 4} << 1;
        QTest::newRow("closing the candidate: the next pane")
            << "a1 a2 a3 s1 c1" << QList<qint64>{1, 3} << 1;
        QTest::newRow("closing the last candidate: the one before")
            << "a1 a2 a3 c2" << QList<qint64>{1, 2} << 1;
        QTest::newRow("closing before the candidate keeps it")
            << "a1 a2 a3 c0" << QList<qint64>{2, 3} << 1;
        QTest::newRow("closing after the candidate keeps it")
            << "a1 a2 a3 s0 c2" << QList<qint64>{1, 2} << 0;
        QTest::newRow("replacing") << "a1 a2 a3 r7" << QList<qint64>{1, 2, 7} << 2;
        QTest::newRow("replacing by another pane's sample chooses that pane")
            << "a1 a2 a3 r1" << QList<qint64>{1, 2, 3} << 0;
    }
    void addingAndClosing() {
        QFETCH(QString, steps);
        QFETCH(QList<qint64>, samples);
        QFETCH(int, candidate);
        CompareSet set;
        for (const QString& step : steps.split(' ')) {
            const int value = step.mid(1).toInt();
            if (step[0] == 'a') set.Add(value);
            if (step[0] == 'c') set.Close(value);
            if (step[0] == 's') set.SetCandidate(value);
            if (step[0] == 'r') set.ReplaceCandidate(value);
        }
        QCOMPARE(QList<qint64>(set.samples().begin(), set.samples().end()), samples);
        QCOMPARE(set.candidate(), candidate);
    }

    // Equal panes inside the area, arranged so the pictures come out biggest.
    void paneLayout_data() {
        QTest::addColumn<QSize>("area");
        QTest::addColumn<int>("count");
        QTest::addColumn<QSize>("photo");
        QTest::addColumn<int>("columns");  // panes in the first row
        QTest::addColumn<int>("rows");
        QTest::newRow("2 landscape, wide view: side by side")
            << QSize(1600, 700) << 2 << QSize(1200, 800) << 2 << 1;
        QTest::newRow("2 landscape, tall view: one above the other")
            << QSize(700, 1000) << 2 << QSize(1200, 800) << 1 << 2;
        QTest::newRow("3 portrait, wide view: three across")
            << QSize(1600, 700) << 3 << QSize(800, 1200) << 3 << 1;
        QTest::newRow("3 landscape, square view: two and one")
            << QSize(1000, 900) << 3 << QSize(1200, 800) << 2 << 2;
        QTest::newRow("4 landscape: two by two")
            << QSize(1600, 900) << 4 << QSize(1200, 800) << 2 << 2;
        QTest::newRow("4 portrait, very wide view: four across")
            << QSize(2400, 600) << 4 << QSize(800, 1200) << 4 << 1;
    }
    void paneLayout() {
        QFETCH(QSize, area);
        QFETCH(int, count);
        QFETCH(QSize, photo);
        QFETCH(int, columns);
        QFETCH(int, rows);
        const std::vector<QRect> panes = workspace::ComparePaneRects(
            area, std::vector<QSize>(count, photo), CompareView::kCaptionHeight,
            CompareView::kBorder, CompareView::kGap);
        QCOMPARE(int(panes.size()), count);
        QSet<int> tops;
        int inFirstRow = 0;
        for (const QRect& pane : panes) {
            QCOMPARE(pane.size(), panes.front().size());
            QVERIFY(QRect(QPoint(0, 0), area).contains(pane));
            tops << pane.top();
            if (pane.top() == panes.front().top()) ++inFirstRow;
            for (const QRect& other : panes)
                if (&other != &pane) QVERIFY(!pane.intersects(other));
        }
        QCOMPARE(inFirstRow, columns);
        QCOMPARE(int(tops.size()), rows);
        // A last row that is not full is centred.
        const QRect last = panes.back();
        if (count % columns)
            QVERIFY(qAbs((last.left() + last.right()) / 2 - area.width() / 2) <= 1);
    }

    // Each pane shows its photo fitted in its picture area, the widescreen correction
    // applied, and margins around it.
    void picturesFitted_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("widescreen");
        for (int count : {2, 3, 4}) {
            QTest::addRow("%d panes", count) << count << false;
            QTest::addRow("%d panes, widescreen", count) << count << true;
        }
    }
    void picturesFitted() {
        QFETCH(int, count);
        QFETCH(bool, widescreen);
        CompareFixture f;
        f.workspace().State().widescreenRatio = 75;
        f.control<QCheckBox>("rzcbwidthsale")->setChecked(widescreen);
        QList<int> others;
        for (int n = 2; n <= count; ++n) others << n;
        f.compare(1, others);
        QCOMPARE(f.view()->paneCount(), count);
        QVERIFY(f.view()->isVisible());
        QTRY_VERIFY(f.view()->allDrawn());
        const QColor margin = widgets::colours::kViewBackground;
        for (int i = 0; i < count; ++i) {
            QLabel* picture = f.view()->PictureOf(i);
            const QRect area(QPoint(0, 0), picture->size());
            const QRect photo = f.view()->PhotoRect(i);
            QVERIFY(area.contains(photo));
            // Fitted: before the correction it fills the area one way.
            const double ratio = widescreen ? 0.75 : 1.0;
            QVERIFY(photo.height() == area.height() ||
                    qAbs(photo.width() / ratio - area.width()) <= 2);
            const double shape = double(photo.width()) / photo.height();
            const double expected = ratio * kPhoto.width() / kPhoto.height();
            QVERIFY2(qAbs(shape - expected) < 0.02, qPrintable(QString::number(shape)));
            QVERIFY(qAbs(photo.center().x() - area.center().x()) <= 1);
            QVERIFY(qAbs(photo.center().y() - area.center().y()) <= 1);
            const QImage shown = picture->pixmap().toImage();
            QCOMPARE(shown.size(), area.size());
            // The photo just inside each edge of its rectangle, the margin just outside.
            const QPoint c = photo.center();
            for (const QPoint inside :
                 {c, QPoint(photo.left() + 3, c.y()), QPoint(photo.right() - 3, c.y()),
                  QPoint(c.x(), photo.top() + 3), QPoint(c.x(), photo.bottom() - 3)})
                QVERIFY(!Grey(shown.pixelColor(inside)));
            int margins = 0;
            for (const QPoint outside :
                 {QPoint(photo.left() - 3, c.y()), QPoint(photo.right() + 3, c.y()),
                  QPoint(c.x(), photo.top() - 3), QPoint(c.x(), photo.bottom() + 3)}) {
                if (!area.contains(outside)) continue;
                QCOMPARE(shown.pixelColor(outside), margin);
                ++margins;
            }
            QVERIFY(margins >= 2);
            if (widescreen) QVERIFY(photo.left() >= 3);
        }
    }

    // ← and → (and previous/next) replace the candidate; the others stay; nothing at the ends.
    void candidateReplaced_data() {
        QTest::addColumn<int>("shown");
        QTest::addColumn<QList<int>>("clicked");
        QTest::addColumn<QList<int>>("steps");  // -1 previous, +1 next
        QTest::addColumn<QStringList>("panes");
        QTest::newRow("next") << 1 << QList<int>{3} << QList<int>{+1} << QStringList{"1", "4*"};
        QTest::newRow("previous") << 5 << QList<int>{3} << QList<int>{-1} << QStringList{"5", "2*"};
        QTest::newRow("four panes, walk on")
            << 1 << QList<int>{2, 3, 4} << QList<int>{+1, +1} << QStringList{"1", "2", "3", "6*"};
        QTest::newRow("next at the last")
            << 1 << QList<int>{5} << QList<int>{+1, +1, +1} << QStringList{"1", "6*"};
        QTest::newRow("previous at the first")
            << 4 << QList<int>{2} << QList<int>{-1, -1, -1} << QStringList{"4", "1*"};
        QTest::newRow("next passes over another pane's sample")
            << 3 << QList<int>{1} << QList<int>{+1, +1} << QStringList{"3", "4*"};
        QTest::newRow("previous passes over another pane's sample")
            << 2 << QList<int>{4} << QList<int>{-1, -1} << QStringList{"2", "1*"};
        QTest::newRow("nothing after but another pane's sample")
            << 6 << QList<int>{5} << QList<int>{+1} << QStringList{"6", "5*"};
        QTest::newRow("clicked pane is the candidate")
            << 1 << QList<int>{3, 1} << QList<int>{+1} << QStringList{"2*", "3"};
    }
    void candidateReplaced() {
        QFETCH(int, shown);
        QFETCH(QList<int>, clicked);
        QFETCH(QList<int>, steps);
        QFETCH(QStringList, panes);
        CompareFixture f;
        f.compare(shown, clicked);
        for (int step : steps)
            step < 0 ? f.workspace().Image24Click() : f.workspace().Image25Click();
        QCOMPARE(f.panes(), panes);
        // The candidate is the sample shown: the info box, the note and a pick are its.
        QCOMPARE(f.workspace().State().currentSampleId,
                 f.workspace().compareSet().candidateSample());
        QCOMPARE(f.view()->paneCount(), panes.size());
        QTRY_VERIFY(f.view()->allDrawn());
    }

    // A pane's pick goes into the current album and does not step.
    void pickFromPane_data() {
        QTest::addColumn<bool>("inAlbum");
        QTest::addColumn<int>("pickedBefore");
        QTest::addColumn<QList<Answer>>("answers");
        QTest::addColumn<int>("pickedAfter");
        QTest::addColumn<QString>("box");
        QTest::newRow("into the album") << true << 0 << QList<Answer>{} << 1 << QString();
        QTest::newRow("全部: switch first")
            << false << 0 << QList<Answer>{} << 0 << QString("请切换到要添加本样片的相册!");
        QTest::newRow("again, no")
            << true << 1 << QList<Answer>{Answer::No} << 1 << QString("question");
        QTest::newRow("again, yes")
            << true << 1 << QList<Answer>{Answer::Yes} << 2 << QString("question");
    }
    void pickFromPane() {
        QFETCH(bool, inAlbum);
        QFETCH(int, pickedBefore);
        QFETCH(QList<Answer>, answers);
        QFETCH(int, pickedAfter);
        QFETCH(QString, box);
        CompareFixture f;
        const QStringList albums = f.workspace().AlbumCaptions();
        QVERIFY(albums.size() >= 2);
        const QString album = albums[1];
        if (inAlbum) f.workspace().ActivateAlbum(1);
        const qint64 third = f.sampleAt(f.customer, 3);
        for (int i = 0; i < pickedBefore; ++i) f.pick(f.customer, third, album);
        f.compare(1, {3});
        f.workspace().ComparePaneClick(0);
        QCOMPARE(f.panes(), (QStringList{"1*", "3"}));
        const QString statistics = f.workspace().Label1->text();
        for (Answer answer : answers) f.dialogs().answers.push_back(answer);
        f.dialogs().shown.clear();

        f.workspace().PickFromPane(third);

        QCOMPARE(f.picks(third, album), pickedAfter);
        QCOMPARE(f.panes(), (QStringList{"1*", "3"}));  // no step
        QCOMPARE(f.workspace().State().currentSampleId, f.sampleAt(f.customer, 1));
        if (box.isEmpty()) {
            QVERIFY(f.dialogs().shown.empty());
        } else if (box == "question") {
            QCOMPARE(int(f.dialogs().shown.size()), 1);
            QCOMPARE(f.dialogs().shown[0].text,
                     "本照片已经入选相册" + album + "中，确定要重复入选吗?");
        } else {
            QCOMPARE(int(f.dialogs().shown.size()), 1);
            QCOMPARE(f.dialogs().shown[0].text, box);
        }
        if (pickedAfter > pickedBefore) {
            QVERIFY(f.control<QLabel>("comparealbums2")->text().contains(album));
            QVERIFY(f.control<QLabel>("diszt", 3)->isVisible());
            QVERIFY(f.workspace().Label1->text() != statistics);
        }
    }

    // Panes close one by one; with one left the large view shows that sample again.
    void closingDownToOne_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("between");  // the panes after the first close
        QTest::addColumn<int>("left");
        QTest::newRow("close buttons") << "close" << QStringList{"2", "5*"} << 2;
        QTest::newRow("sample deleted") << "delete" << QStringList{"2", "4*"} << 2;
        QTest::newRow("compare button") << "button" << QStringList{} << 5;
        QTest::newRow("Esc") << "esc" << QStringList{} << 5;
        QTest::newRow("customer switch") << "switch" << QStringList{} << 1;
    }
    void closingDownToOne() {
        QFETCH(QString, how);
        QFETCH(QStringList, between);
        QFETCH(int, left);
        CompareFixture f;
        f.compare(2, {4, 5});
        QCOMPARE(f.panes(), (QStringList{"2", "4", "5*"}));
        if (how == "close") {
            f.workspace().ComparePaneClose(1);
            QCOMPARE(f.panes(), between);
            f.workspace().ComparePaneClose(1);
        } else if (how == "delete") {
            // The sample deleted is the one shown, the candidate.
            f.workspace().ComparePaneClick(1);
            f.dialogs().answers.push_back(Answer::Yes);
            f.workspace().delphotoClick();
            QCOMPARE(f.panes(), between);  // 5 moved down to 4
            f.workspace().ComparePaneClose(1);
        } else if (how == "esc") {
            f.workspace().activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&f.workspace()));
            f.workspace().strip()->setFocus();
            QTest::keyClick(f.workspace().strip(), Qt::Key_Escape);
        } else if (how == "button") {
            f.workspace().viewer()->CompareButton()->click();
        } else {
            f.workspace().RzcbcustomerChange();
        }
        QVERIFY(f.workspace().compareSet().empty());
        QVERIFY(!f.view()->isVisible());
        QVERIFY(!f.workspace().viewer()->CompareButton()->isChecked());
        QCOMPARE(f.currentDisplayNumber(), left);
        QTRY_VERIFY(!LargeView(f.workspace())->pixmap().isNull());
        QVERIFY(LargeView(f.workspace())->isVisible());
    }

    // The 对比 button starts from the sample shown; the next cells clicked join it.
    void buttonThenClicks() {
        CompareFixture f;
        f.compare(2, {});
        f.workspace().viewer()->CompareButton()->click();
        QVERIFY(f.workspace().viewer()->CompareButton()->isChecked());
        QVERIFY(!f.view()->isVisible());  // one sample: still the large view
        f.workspace().disimgClick(3);     // strip starts at 2: cell 3 is sample 4
        QCOMPARE(f.panes(), (QStringList{"2", "4*"}));
        QVERIFY(f.view()->isVisible());
        f.workspace().disimgClick(1);  // already in a pane: the candidate
        QCOMPARE(f.panes(), (QStringList{"2*", "4"}));
    }

    // Full screen shows the panes over the whole screen; next there replaces the candidate.
    void fullScreen() {
        CompareFixture f;
        workspace::TFrmfull viewer;
        f.workspace().SetFullScreenViewer(&viewer);
        f.compare(1, {3});
        viewer.ShowOver(&f.workspace());
        QCOMPARE(f.view()->parentWidget(), viewer.Panelimg);
        QVERIFY(f.view()->isVisible());
        QCOMPARE(f.view()->size(), viewer.Panelimg->size());
        viewer.SpeedButton2Click();
        QCOMPARE(f.panes(), (QStringList{"1", "4*"}));
        QTRY_VERIFY(f.view()->allDrawn());
        QCOMPARE(f.view()->PictureOf(0)->pixmap().toImage().pixelColor(0, 0),
                 viewer.Panelimg->palette().color(QPalette::Window));
        // Zoom and turn would act on the picture under the panes: they are off.
        QVERIFY(!viewer.SpeedButton6->isEnabled());
        const int zoom = f.workspace().State().zoomPercent;
        viewer.SpeedButton4Click(workspace::TFrmfull::Tool::ZoomIn);
        QVERIFY(!viewer.zoomPending());
        QCOMPARE(f.workspace().State().zoomPercent, zoom);
        viewer.SpeedButton1Click();
        QCOMPARE(f.view()->parentWidget(), f.workspace().viewer()->ViewPanel());
        QVERIFY(f.view()->isVisible());
        const auto turns = f.workspace().findChildren<widgets::PictureButton*>();
        auto enabledTurns = [&] {
            int on = 0;
            for (auto* button : turns)
                if (button->toolTip().contains(QStringLiteral("旋转")) && button->isEnabled()) ++on;
            return on;
        };
        QCOMPARE(enabledTurns(), 0);
        f.workspace().CloseCompare();
        QCOMPARE(enabledTurns(), 2);
        QVERIFY(viewer.SpeedButton6->isEnabled());
    }
};

QTEST_MAIN(TestCompare)
#include "test_compare.moc"
