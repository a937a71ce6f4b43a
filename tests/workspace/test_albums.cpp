// Album tabs, the album grid and picking samples into albums.

#include <QtTest>

#include "data/connection.h"
#include "data/records.h"
#include "support/workspace_fixture.h"
#include "widgets/handler_guard.h"
#include "workspace/album_panel.h"
#include "workspace/sample_strip.h"
#include "workspace/sample_viewer.h"
#include "workspace/workspace_queries.h"

using testing_support::WorkspaceFixture;
using widgets::Answer;

namespace {

const QString kDuplicate = "该分类名称已经存在,请重新输入!";

QStringList Tabs(WorkspaceFixture& f) { return f.workspace().AlbumCaptions(); }

void Activate(WorkspaceFixture& f, const QString& album) {
    const int index = Tabs(f).indexOf(album);
    QVERIFY(index >= 0);
    f.workspace().albums()->ActivateAlbum(index);
    QCOMPARE(f.workspace().State().currentAlbum, album);
}

void AddAlbum(WorkspaceFixture& f, const QString& typed) {
    f.control<QLineEdit>("teaddzctype")->setText(typed);
    f.workspace().Image28Click();
}

// The album grid's filled cells as "display number of the pick's sample/album".
QStringList Grid(WorkspaceFixture& f) {
    QStringList cells;
    const auto& panel = *f.workspace().albums();
    for (int cell = 1; cell <= workspace::kAlbumCells; ++cell) {
        if (panel.SampleIdAt(cell).isEmpty()) continue;
        cells << QString::number(workspace::DisplayNumberOf(f.workspace().State().customerId,
                                                            panel.SampleIdAt(cell).toLongLong())) +
                     "/" + panel.AlbumAt(cell);
    }
    return cells;
}

QList<int> BlueCells(WorkspaceFixture& f) {
    QList<int> blue;
    for (int i = 0; i < workspace::kAlbumCells; ++i)
        if (f.control<QFrame>("spzc", i + 1)->palette().color(QPalette::Window) ==
            QColor(0, 0, 255))
            blue << i + 1;
    return blue;
}

int Picks(const QString& condition) {
    return data::LookupValue("xcphoto", "count(*)", condition).toInt();
}

void ShowNumber(WorkspaceFixture& f, int displayNumber) {
    f.workspace().strip()->SetPosition(displayNumber);
    f.workspace().ShowSample(1);
}

// Every view of the picks shows what a fresh reading of the database would show.
void ExpectViewsMatchTheDatabase(WorkspaceFixture& f) {
    app::Tfrmps& w = f.workspace();
    const QString id = w.State().customerId;
    QCOMPARE(w.Label1->text(), workspace::ComposeStatistics(id));
    const workspace::SampleInfo info =
        workspace::LoadSampleInfo(id, w.State().currentSampleId, w.State().customerPhotoPath, {});
    QCOMPARE(f.control<QLabel>("lblyrxc")->text(), info.albumsCaption);
    QCOMPARE(f.control<QLabel>("lblyrxc")->toolTip(), info.albumsHint);
    auto stripMarkers = [&f] {
        QList<bool> shown;
        for (int cell = 1; cell <= workspace::kStripCells; ++cell)
            shown << f.control<QLabel>("diszt", cell)->isVisible();
        return shown;
    };
    const QList<bool> markers = stripMarkers();
    const QStringList grid = Grid(f);
    w.ShowSamplePage(w.strip()->Position(), w.State().currentSampleId);
    w.zcsbarChange();
    const QList<bool> freshMarkers = stripMarkers();
    QCOMPARE(markers, freshMarkers);
    QCOMPARE(grid, Grid(f));
}

}  // namespace

class TestAlbums : public QObject {
    Q_OBJECT

  private slots:
    void addingRefusesDuplicatesAndReservedName() {
        WorkspaceFixture f;
        const QString id = f.addCustomer("相册", 2);
        f.choose(id);
        const QStringList before = Tabs(f);
        AddAlbum(f, "全部");
        AddAlbum(f, "  精修相册 ");
        QCOMPARE(f.dialogs().Texts(), (QStringList{kDuplicate, kDuplicate}));
        AddAlbum(f, "   ");
        QCOMPARE(Tabs(f), before);
        AddAlbum(f, " 婚纱 ");
        QCOMPARE(Tabs(f), before + QStringList{"婚纱"});
        QCOMPARE(f.workspace().State().currentAlbum, QString("婚纱"));
        QCOMPARE(f.workspace().albums()->ScrollMaximum(), 1);  // an empty album: range 0..1
        QCOMPARE(Grid(f), QStringList{});
    }

    void albumWithAQuoteThroughItsWholeLife() {
        WorkspaceFixture f;
        const QString id = f.addCustomer("引号", 3);
        const QString other = f.addCustomer("别人", 1);
        f.choose(id);
        AddAlbum(f, "Tom's & Co");
        QCOMPARE(f.control<QTabBar>("rpczctypelist")->tabText(Tabs(f).size() - 1),
                 QString("Tom's && Co"));
        Activate(f, "全部");
        Activate(f, "Tom's & Co");
        f.workspace().SpeedButton1Click();
        QCOMPARE(Picks("customerid=" + id + " and xcmc='Tom''s & Co'"), 1);
        QCOMPARE(Grid(f), QStringList{"1/Tom's & Co"});
        f.control<QLineEdit>("teaddzctype")->setText("Ann's");
        f.workspace().Image7Click();
        QCOMPARE(f.dialogs().Texts().last(), QString("修改成功"));
        QCOMPARE(Picks("customerid=" + id + " and xcmc='Ann''s'"), 1);
        QCOMPARE(f.workspace().State().currentAlbum, QString("Ann's"));
        // An album of the same name of another customer stays when this one is deleted.
        data::Execute("insert into customerxc(customerid,xcmc) values(" + other + ",'Ann''s')");
        f.pick(other, f.sampleAt(other, 1), "Ann's");
        f.workspace().Image4Click();
        QVERIFY(!Tabs(f).contains("Ann's"));
        QCOMPARE(Picks("customerid=" + id), 0);
        QCOMPARE(Picks("customerid=" + other + " and xcmc='Ann''s'"), 1);
        QCOMPARE(data::LookupValue("customerxc", "count(*)",
                                   "customerid=" + other + " and xcmc='Ann''s'"),
                 QString("1"));
        QCOMPARE(f.workspace().State().currentAlbum, QString("全部"));
    }

    void renameRefusals() {
        WorkspaceFixture f;
        const QString id = f.addCustomer("改名", 1);
        f.choose(id);
        Activate(f, "精修相册");
        f.workspace().Image7Click();  // the box holds the tab's own name
        QCOMPARE(f.dialogs().Texts(), QStringList{kDuplicate});
        Activate(f, "全部");
        f.control<QLineEdit>("teaddzctype")->setText("新名字");
        f.workspace().Image7Click();
        QCOMPARE(f.dialogs().Texts().last(), QString("此相册不允许修改"));
        f.control<QLineEdit>("teaddzctype")->setText("放大摆台");
        f.workspace().Image7Click();
        QCOMPARE(f.dialogs().Texts().last(), kDuplicate);
        QVERIFY(data::Connection().transaction());  // no transaction was left open
        data::Connection().rollback();
        f.workspace().Image4Click();
        QCOMPARE(f.dialogs().Texts().last(), QString("请切换到要删除的相册!"));
    }

    void deleteAsksAndTakesEveryPick() {
        WorkspaceFixture f;
        const QString id = f.addCustomer("删相册", 3);
        f.pick(id, f.sampleAt(id, 1), "精修相册");
        f.pick(id, f.sampleAt(id, 1), "精修相册");
        f.pick(id, f.sampleAt(id, 2), "放大摆台");
        f.choose(id);
        Activate(f, "精修相册");
        f.dialogs().answers = {Answer::No, Answer::Closed, Answer::Yes};
        f.workspace().Image4Click();
        f.workspace().Image4Click();
        QCOMPARE(Picks("customerid=" + id), 3);
        QVERIFY(Tabs(f).contains("精修相册"));
        f.workspace().Image4Click();
        QCOMPARE(Picks("customerid=" + id), 1);
        QCOMPARE(Tabs(f), (QStringList{"全部", "放大摆台", "电子相册"}));
        QVERIFY(f.workspace().Label1->text().endsWith("共:1"));
        QCOMPARE(Grid(f), QStringList{"2/放大摆台"});
    }

    void buttonsDoNothingWithoutACustomer() {
        WorkspaceFixture f;
        f.control<QLineEdit>("teaddzctype")->setText("新相册");
        f.workspace().Image28Click();
        f.workspace().Image7Click();
        f.workspace().Image4Click();
        QVERIFY(f.dialogs().shown.empty());
        QCOMPARE(Tabs(f), QStringList{"全部"});
        f.workspace().SpeedButton1Click();  // the "全部" tab is active
        QCOMPARE(f.dialogs().Texts(), QStringList{"请切换到要添加本样片的相册!"});
        QCOMPARE(Picks("1=1"), 0);
    }

    void pickingScrollsToTheAlbumsEnd() {
        WorkspaceFixture f;
        const QString id = f.addCustomer("选片", 12);
        f.choose(id);
        Activate(f, "精修相册");
        for (int i = 1; i <= 3; ++i) f.workspace().SpeedButton1Click();
        QCOMPARE(Grid(f), (QStringList{"1/精修相册", "2/精修相册", "3/精修相册"}));
        QCOMPARE(BlueCells(f), QList<int>{3});
        QCOMPARE(f.currentDisplayNumber(), 4);  // moved on to the next sample
        for (int i = 4; i <= 10; ++i) f.workspace().SpeedButton1Click();
        QCOMPARE(Grid(f), (QStringList{"6/精修相册", "7/精修相册", "8/精修相册", "9/精修相册",
                                       "10/精修相册"}));
        QCOMPARE(BlueCells(f), QList<int>{5});
        QCOMPARE(f.workspace().strip()->Position(), 11);
        QVERIFY(f.workspace().Label1->text().endsWith("精修相册:10     共:10"));
        // The arrows page one pick at a time towards the first.
        f.workspace().scrarr3Click();
        QCOMPARE(Grid(f).first(), QString("5/精修相册"));
        f.workspace().scrarr4Click();
        QCOMPARE(Grid(f).first(), QString("6/精修相册"));
    }

    void repeatPickIsAskedAndStoredAsItsOwnCell() {
        WorkspaceFixture f;
        const QString id = f.addCustomer("重复", 3);
        f.choose(id);
        Activate(f, "精修相册");
        f.workspace().SpeedButton1Click();
        f.workspace().Image24Click();
        f.dialogs().answers = {Answer::No};
        f.workspace().SpeedButton1Click();
        QCOMPARE(f.dialogs().Texts("question"),
                 QStringList{"本照片已经入选相册精修相册中，确定要重复入选吗?"});
        QCOMPARE(Picks("customerid=" + id), 1);
        QCOMPARE(f.currentDisplayNumber(), 1);
        f.dialogs().answers = {Answer::Closed};  // closing the question goes on
        f.workspace().SpeedButton1Click();
        QCOMPARE(Picks("customerid=" + id), 2);
        QCOMPARE(Grid(f), (QStringList{"1/精修相册", "1/精修相册"}));
        QCOMPARE(BlueCells(f), (QList<int>{1, 2}));
        QVERIFY(f.workspace().Label1->text().startsWith(
            "样片总数:3   入选:1    其中精修相册:2     共:2"));
        // Removing one of the two leaves the other.
        f.workspace().RemovePick(2);
        QCOMPARE(Picks("customerid=" + id), 1);
        QCOMPARE(Grid(f), QStringList{"1/精修相册"});
    }

    void pickingTheLastSample() {
        WorkspaceFixture f;
        const QString id = f.addCustomer("最后", 2);
        f.choose(id);
        Activate(f, "放大摆台");
        ShowNumber(f, 2);
        f.workspace().SpeedButton1Click();
        QCOMPARE(f.dialogs().Texts(), QStringList{"这已经到是后一幅作品!"});
        QCOMPARE(Picks("customerid=" + id), 1);
        QCOMPARE(f.currentDisplayNumber(), 2);
        QVERIFY(f.workspace().Label1->text().endsWith("共:1"));
    }

    // The customer is on the last sample, which is in 精修相册; sample 2 is in 放大摆台.
    void viewsFollowEveryChange_data() {
        QTest::addColumn<QString>("change");
        for (const char* change : {"rename", "pick the last sample", "repeat pick", "remove a pick",
                                   "delete the album", "delete a sample"})
            QTest::newRow(change) << QString(change);
    }
    void viewsFollowEveryChange() {
        QFETCH(QString, change);
        WorkspaceFixture f;
        const QString id = f.addCustomer("刷新", 3);
        f.pick(id, f.sampleAt(id, 3), "精修相册");
        f.pick(id, f.sampleAt(id, 2), "放大摆台");
        f.choose(id);
        ShowNumber(f, 3);
        app::Tfrmps& w = f.workspace();
        if (change == "rename") {
            Activate(f, "精修相册");
            f.control<QLineEdit>("teaddzctype")->setText("精修");
            w.Image7Click();
            QCOMPARE(f.dialogs().Texts().last(), QString("修改成功"));
        } else if (change == "pick the last sample") {
            Activate(f, "电子相册");
            w.SpeedButton1Click();
            QCOMPARE(f.dialogs().Texts(), QStringList{"这已经到是后一幅作品!"});
            QVERIFY(f.control<QLabel>("lblyrxc")->text().contains("电子相册"));
            QVERIFY(f.control<QLabel>("diszt", 1)->isVisible());
        } else if (change == "repeat pick") {
            Activate(f, "精修相册");
            w.SpeedButton1Click();
        } else if (change == "remove a pick") {
            QCOMPARE(Grid(f).first(), QString("3/精修相册"));
            w.RemovePick(1);
            QCOMPARE(f.control<QLabel>("lblyrxc")->text(), QString("已入相册:"));
        } else if (change == "delete the album") {
            ShowNumber(f, 1);
            Activate(f, "精修相册");
            w.Image4Click();
            QVERIFY(!f.control<QLabel>("diszt", 3)->isVisible());
        } else {
            ShowNumber(f, 2);
            w.delphotoClick();
        }
        ExpectViewsMatchTheDatabase(f);
    }

    // A cell of a renamed album removes its pick.
    void removingAPickOfARenamedAlbum() {
        WorkspaceFixture f;
        const QString id = f.addCustomer("改名后", 2);
        f.pick(id, f.sampleAt(id, 1), "精修相册");
        f.choose(id);
        Activate(f, "精修相册");
        f.control<QLineEdit>("teaddzctype")->setText("精修");
        f.workspace().Image7Click();
        QCOMPARE(Grid(f), QStringList{"1/精修"});
        f.workspace().RemovePick(1);
        QCOMPARE(Picks("customerid=" + id), 0);
        QCOMPARE(Grid(f), QStringList{});
    }

    // The question fixes the sample it asks about; auto-browse waits for the answer.
    void repeatQuestionHoldsAutoBrowse() {
        WorkspaceFixture f;
        const QString id = f.addCustomer("连拍", 6);
        const qint64 second = f.sampleAt(id, 2);
        f.pick(id, second, "精修相册");
        f.choose(id);
        Activate(f, "精修相册");
        ShowNumber(f, 2);
        app::Tfrmps& w = f.workspace();
        w.Image26Click();
        f.dialogs().whileOpen = [&] {
            w.tim6Timer();
            w.tim6Timer();
        };
        w.SpeedButton1Click();
        f.dialogs().whileOpen = nullptr;
        QCOMPARE(f.dialogs().Texts("question").size(), 1);
        QCOMPARE(Picks("photoid=" + QString::number(second)), 2);
        QCOMPARE(Picks("1=1"), 2);
        QCOMPARE(f.currentDisplayNumber(), 3);  // the sample after the picked one
    }

    void noPickForASampleOfAnotherCustomer() {
        WorkspaceFixture f;
        const QString first = f.addCustomer("有样片", 2);
        const QString empty = f.addCustomer("无样片", 0);
        f.choose(first);
        f.choose(empty);
        Activate(f, "精修相册");
        f.workspace().SpeedButton1Click();
        QCOMPARE(Picks("1=1"), 0);
        QVERIFY(f.dialogs().shown.empty());
    }

    // Another station changed the albums or samples since the workspace showed them: the
    // change is refused with the message of its kind, or found done already.
    void changedByAnotherStation_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QStringList>("tabs");
        QTest::addColumn<int>("picks");
        const QStringList all{"全部", "精修相册", "放大摆台", "电子相册"};
        QTest::newRow("add a name it added") << "add" << QStringList{kDuplicate} << all << 1;
        QTest::newRow("rename an album it deleted")
            << "rename deleted" << QStringList{"修改失败"} << all << 1;
        QTest::newRow("rename to a name it added")
            << "rename taken" << QStringList{kDuplicate} << all << 1;
        QTest::newRow("pick into an album it deleted")
            << "pick" << QStringList{"请切换到要添加本样片的相册!"} << all << 1;
        QTest::newRow("pick a sample it deleted while the question was open")
            << "repeat pick" << QStringList{"本照片已经入选相册精修相册中，确定要重复入选吗?"}
            << all << 0;
        QTest::newRow("delete an album it deleted")
            << "delete" << QStringList{"删除相册将同时删除此相册中已选好的样片,确定要删除吗?"}
            << QStringList{"全部", "放大摆台", "电子相册"} << 0;
    }
    void changedByAnotherStation() {
        QFETCH(QString, change);
        QFETCH(QStringList, messages);
        QFETCH(QStringList, tabs);
        QFETCH(int, picks);
        WorkspaceFixture f;
        const QString id = f.addCustomer("另一台", 2);
        const qint64 first = f.sampleAt(id, 1);
        f.pick(id, first, "精修相册");
        f.choose(id);
        Activate(f, "精修相册");
        app::Tfrmps& w = f.workspace();
        auto elsewhere = [](const QString& sql) { data::Execute(sql); };
        const QString album = " where customerid=" + id + " and xcmc='精修相册'";
        if (change == "add") {
            elsewhere("insert into customerxc(customerid,xcmc) values(" + id + ",'婚纱')");
            AddAlbum(f, "婚纱");
        } else if (change == "rename deleted" || change == "rename taken") {
            if (change == "rename deleted")
                elsewhere("delete from customerxc" + album);
            else
                elsewhere("insert into customerxc(customerid,xcmc) values(" + id + ",'新名字')");
            f.control<QLineEdit>("teaddzctype")->setText("新名字");
            w.Image7Click();
            QCOMPARE(w.State().currentAlbum, QString("精修相册"));
        } else if (change == "pick") {
            ShowNumber(f, 2);  // not in the album yet
            elsewhere("delete from customerxc" + album);
            w.SpeedButton1Click();
            QCOMPARE(f.currentDisplayNumber(), 2);
        } else if (change == "repeat pick") {
            f.dialogs().whileOpen = [&] {
                elsewhere("delete from xcphoto where photoid=" + QString::number(first));
                elsewhere("delete from photoinfo where id=" + QString::number(first));
            };
            w.SpeedButton1Click();
        } else {
            elsewhere("delete from customerxc" + album);
            w.Image4Click();
            QCOMPARE(w.State().currentAlbum, QString("全部"));
        }
        QCOMPARE(f.dialogs().Texts(), messages);
        QCOMPARE(Tabs(f), tabs);
        QCOMPARE(Picks("customerid=" + id), picks);
    }

    void removingOnTheAllTabAndShowingFromTheGrid() {
        WorkspaceFixture f;
        const QString id = f.addCustomer("全部页", 25);
        f.pick(id, f.sampleAt(id, 5), "精修相册");
        f.pick(id, f.sampleAt(id, 5), "放大摆台");
        f.pick(id, f.sampleAt(id, 20), "精修相册");
        f.choose(id);
        QCOMPARE(Grid(f), (QStringList{"5/精修相册", "5/放大摆台", "20/精修相册"}));
        f.workspace().RemovePick(2);
        QCOMPARE(Picks("customerid=" + id + " and xcmc='放大摆台'"), 0);
        QCOMPARE(Picks("customerid=" + id + " and xcmc='精修相册'"), 2);
        QCOMPARE(Grid(f), (QStringList{"5/精修相册", "20/精修相册"}));
        // A cell shows its sample large and puts it at the start of the strip.
        f.workspace().ShowAlbumSample(2);
        QCOMPARE(f.currentDisplayNumber(), 20);
        QCOMPARE(f.workspace().strip()->Position(), 20);
        QCOMPARE(BlueCells(f), QList<int>{2});
        // The strip's marker follows a removal at once.
        f.workspace().RemovePick(2);
        QVERIFY(!f.control<QLabel>("diszt", 1)->isVisible());
    }
};

QTEST_MAIN(TestAlbums)
#include "test_albums.moc"
