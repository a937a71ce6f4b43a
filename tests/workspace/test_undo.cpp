// Undo of the customer's last changes: each kind of change taken back to the very rows it
// touched, newest first, refused when another station changed what a step needs, and the
// workspace's views afterwards.

#include <QtTest>
#include <functional>
#include <map>

#include "data/connection.h"
#include "data/records.h"
#include "support/workspace_fixture.h"
#include "workspace/album_panel.h"
#include "workspace/sample_strip.h"
#include "workspace/sample_viewer.h"
#include "workspace/tfrmfull.h"
#include "workspace/undo_history.h"
#include "workspace/workspace_operations.h"
#include "workspace/workspace_queries.h"

using testing_support::WorkspaceFixture;
using namespace workspace;

namespace {

const QStringList kTables = {"customer", "photoinfo", "customerxc", "xcphoto",
                             "xclib",    "print",     "SysSet",     "usertable"};

// Every row of every table, in key order, with every column (blobs as hex).
using Dump = std::map<QString, QStringList>;
Dump DumpDatabase() {
    Dump dump;
    for (const QString& table : kTables) {
        QStringList& rows = dump[table];
        for (const QSqlRecord& row : data::QueryRows("select * from " + table + " order by 1")) {
            QStringList values;
            for (int i = 0; i < row.count(); ++i) {
                const QVariant value = row.value(i);
                values << row.fieldName(i).toLower() + "=" +
                              (value.isNull() ? QString("NULL")
                               : value.typeId() == QMetaType::QByteArray
                                   ? QString::fromLatin1(value.toByteArray().toHex())
                                   : value.toString());
            }
            rows << values.join('|');
        }
    }
    return dump;
}

// Table by table, so a failure names the table that differs.
void ExpectSameDatabase(const Dump& actual, const Dump& expected) {
    for (const QString& table : kTables) {
        if (actual.at(table) != expected.at(table)) qWarning("table %s differs", qPrintable(table));
        QCOMPARE(actual.at(table), expected.at(table));
    }
}

// Customer c with samples s1, s2, s3 (s1 with a note and a thumbnail, s2 without a note),
// the albums 精修 and Ann's, s1 picked twice into 精修 and s2 once into Ann's; customer o,
// of another station's customer, with an album 精修 and a pick in it.
struct Studio : testing_support::RuntimeFixture {
    QString c;
    QString o;
    std::map<QString, qint64> ids;

    Studio() {
        c = QString::number(data::AppendRow("customer", {{"customername", QString("客户")}}));
        o = QString::number(data::AppendRow("customer", {{"customername", QString("别人")}}));
        int order = 0;
        for (const char* name : {"s1", "s2", "s3"})
            ids[name] = data::AppendRow("photoinfo",
                                        {{"customerid", c.toLongLong()},
                                         {"odrnum", 10.5 * ++order},
                                         {"filename", QString("/照片/%1.jpg").arg(name)},
                                         {"photofile", QByteArray("BM\x00\x01thumb", 10) + name}});
        ids["t1"] = data::AppendRow(
            "photoinfo",
            {{"customerid", o.toLongLong()}, {"odrnum", 1}, {"filename", QString("t1.jpg")}});
        data::Execute("update photoinfo set zzyq='加急 ''A''' where id=" + id("s1"));
        for (const auto& [customer, album] :
             std::vector<std::pair<QString, QString>>{{c, "精修"}, {c, "Ann's"}, {o, "精修"}})
            data::AppendRow("customerxc", {{"customerid", customer.toLongLong()}, {"xcmc", album}});
        for (const auto& [sample, album] : std::vector<std::pair<QString, QString>>{
                 {"s1", "精修"}, {"s2", "Ann's"}, {"s1", "精修"}, {"t1", "精修"}})
            data::AppendRow("xcphoto", {{"customerid", (sample == "t1" ? o : c).toLongLong()},
                                        {"photoid", ids[sample]},
                                        {"xcmc", album}});
    }
    QString id(const QString& sample) const { return QString::number(ids.at(sample)); }
    qint64 sample(const QString& name) const { return ids.at(name); }
};

// A change through an operation, filling the step.
using Change = std::function<void(Studio&, UndoStep*)>;
// What another station does meanwhile.
using Elsewhere = std::function<void(Studio&)>;

Change PickOf(const char* sample, const QString& album) {
    return [=](Studio& s, UndoStep* undo) {
        QCOMPARE(PickSample(s.c, s.sample(sample), album, undo), PickResult::Picked);
    };
}
Change RemovalOf(const char* sample, const QString& album) {
    return
        [=](Studio& s, UndoStep* undo) { QVERIFY(RemovePick(s.c, s.sample(sample), album, undo)); };
}
Change NoteOf(const char* sample, const QString& text) {
    return
        [=](Studio& s, UndoStep* undo) { QVERIFY(StoreNote(s.c, s.sample(sample), text, undo)); };
}
Change DeletionOf(const char* sample) {
    return [=](Studio& s, UndoStep* undo) { QVERIFY(DeleteSample(s.c, s.sample(sample), undo)); };
}
Change AlbumAdding(const QString& name) {
    return
        [=](Studio& s, UndoStep* undo) { QCOMPARE(AddAlbum(s.c, name, undo), AlbumChange::Done); };
}
Change AlbumRenaming(const QString& from, const QString& to) {
    return [=](Studio& s, UndoStep* undo) {
        QCOMPARE(RenameAlbum(s.c, from, to, undo), AlbumChange::Done);
    };
}
Change AlbumDeletion(const QString& name) {
    return [=](Studio& s, UndoStep* undo) {
        QCOMPARE(DeleteAlbum(s.c, name, undo), AlbumChange::Done);
    };
}

Elsewhere Statement(const QString& sqlWithC) {
    return [=](Studio& s) {
        QString sql = sqlWithC;
        sql.replace("{c}", s.c).replace("{s1}", s.id("s1")).replace("{s2}", s.id("s2"));
        data::Execute(sql);
    };
}

// A workspace on a customer of four samples with the album 精修 chosen.
struct Workspace : WorkspaceFixture {
    QString id;
    Workspace() {
        id = addCustomer("撤销", 4);
        data::Execute("insert into customerxc(customerid,xcmc) values(" + id + ",'精修')");
        data::Execute("insert into customerxc(customerid,xcmc) values(" + id + ",'外景')");
        choose(id);
        activate("精修");
    }
    void activate(const QString& album) {
        const int index = workspace().AlbumCaptions().indexOf(album);
        QVERIFY(index >= 0);
        workspace().albums()->ActivateAlbum(index);
    }
    void show(int displayNumber) {
        workspace().strip()->SetPosition(displayNumber);
        workspace().ShowSample(1);
    }
    QString line() { return control<QLabel>("lblundo")->text(); }
    bool undoEnabled() { return control<QWidget>("btnundo")->isEnabled(); }
};

// Every view shows what a fresh reading of the database would show.
void ExpectViewsMatchTheDatabase(Workspace& f) {
    app::Tfrmps& w = f.workspace();
    const QString id = w.State().customerId;
    QCOMPARE(w.Label1->text(), ComposeStatistics(id));
    QCOMPARE(w.AlbumCaptions(), QStringList{kAllAlbums} + LoadAlbumNames(id));
    QCOMPARE(w.strip()->Maximum(), std::max(1, SampleCount(id)));
    const SampleInfo info =
        LoadSampleInfo(id, w.State().currentSampleId, w.State().customerPhotoPath, {});
    QCOMPARE(f.control<QLabel>("lblyrxc")->text(), info.albumsCaption);
    QCOMPARE(f.control<QLineEdit>("rezzyq")->text(), info.note);
    auto grid = [&] {
        QStringList cells;
        for (int cell = 1; cell <= kAlbumCells; ++cell)
            cells << w.albums()->SampleIdAt(cell) + "/" + w.albums()->AlbumAt(cell);
        return cells;
    };
    auto markers = [&] {
        QList<bool> shown;
        for (int cell = 1; cell <= kStripCells; ++cell)
            shown << f.control<QLabel>("diszt", cell)->isVisible();
        return shown;
    };
    const QStringList cells = grid();
    const QList<bool> marked = markers();
    w.ShowSamplePage(w.strip()->Position(), w.State().currentSampleId);
    w.zcsbarChange();
    QCOMPARE(grid(), cells);
    QCOMPARE(markers(), marked);
}

QString Named(const QWidget* w) {
    QString geometry;
    QDebug(&geometry) << w->geometry();
    return QString::fromLatin1(w->metaObject()->className()) + " " + w->toolTip() + " " +
           w->objectName() + geometry;
}

bool Overlap(const QWidget* a, const QWidget* b) { return a->geometry().intersects(b->geometry()); }

}  // namespace

Q_DECLARE_METATYPE(Change)
Q_DECLARE_METATYPE(Elsewhere)

class TestUndo : public QObject {
    Q_OBJECT

  private slots:
    // ---- without a window ------------------------------------------------------------------

    void eachChangeIsTakenBackToTheSameRows_data() {
        QTest::addColumn<Change>("change");
        QTest::addColumn<QString>("line");
        QTest::newRow("pick") << PickOf("s3", "精修") << "已撤销：入选 精修";
        QTest::newRow("repeated pick, the newest row goes")
            << PickOf("s1", "精修") << "已撤销：入选 精修";
        QTest::newRow("pick removed, with its id")
            << RemovalOf("s1", "精修") << "已撤销：移出 精修";
        QTest::newRow("note replaced") << NoteOf("s1", "不要 '修' 脸") << "已撤销：保存备注";
        QTest::newRow("note cleared") << NoteOf("s1", "") << "已撤销：保存备注";
        QTest::newRow("first note: NULL again") << NoteOf("s2", "加急") << "已撤销：保存备注";
        QTest::newRow("sample with note, thumbnail and two picks")
            << DeletionOf("s1") << "已撤销：删除样片";
        QTest::newRow("sample without note") << DeletionOf("s2") << "已撤销：删除样片";
        QTest::newRow("album added") << AlbumAdding("外景") << "已撤销：新建相册 外景";
        QTest::newRow("album renamed with its picks")
            << AlbumRenaming("精修", "It's") << "已撤销：相册改名 精修 → It's";
        QTest::newRow("album deleted with its picks")
            << AlbumDeletion("精修") << "已撤销：删除相册 精修";
        QTest::newRow("album with a quote deleted")
            << AlbumDeletion("Ann's") << "已撤销：删除相册 Ann's";
    }
    void eachChangeIsTakenBackToTheSameRows() {
        QFETCH(Change, change);
        QFETCH(QString, line);
        Studio s;
        const Dump before = DumpDatabase();
        UndoHistory history;
        UndoStep step;
        change(s, &step);
        QVERIFY(DumpDatabase() != before);
        history.Record(std::move(step));
        const UndoOutcome outcome = history.UndoLast();
        QVERIFY(outcome.undone);
        QCOMPARE(outcome.message, line);
        ExpectSameDatabase(DumpDatabase(), before);
        QVERIFY(history.IsEmpty());
        QCOMPARE(history.UndoLast().message, kNothingToUndo);
    }

    void newestFirst() {
        Studio s;
        const std::vector<Change> changes = {
            AlbumAdding("外景"),           PickOf("s2", "外景"), PickOf("s3", "外景"),
            NoteOf("s3", "第一"),          NoteOf("s3", "第二"), RemovalOf("s1", "精修"),
            AlbumRenaming("外景", "婚纱"), DeletionOf("s2"),     AlbumDeletion("婚纱"),
        };
        UndoHistory history;
        std::vector<Dump> before;
        for (const Change& change : changes) {
            before.push_back(DumpDatabase());
            UndoStep step;
            change(s, &step);
            history.Record(std::move(step));
        }
        QCOMPARE(history.Size(), static_cast<int>(changes.size()));
        while (!before.empty()) {
            const UndoOutcome outcome = history.UndoLast();
            QVERIFY2(outcome.undone, qPrintable(outcome.message));
            ExpectSameDatabase(DumpDatabase(), before.back());
            before.pop_back();
        }
        QVERIFY(history.IsEmpty());
    }

    void operationsThatChangeNothingLeaveNoStep() {
        Studio s;
        UndoStep step;
        QVERIFY(!RemovePick(s.c, s.sample("s3"), "精修", &step));
        QCOMPARE(DeleteAlbum(s.c, "没有", &step), AlbumChange::Gone);
        QCOMPARE(RenameAlbum(s.c, "精修", "Ann's", &step), AlbumChange::NameExists);
        QCOMPARE(AddAlbum(s.c, "精修", &step), AlbumChange::NameExists);
        QCOMPARE(PickSample(s.c, s.sample("s1"), "没有", &step), PickResult::AlbumGone);
        QVERIFY(StoreNote(s.c, s.sample("s1"), "加急 'A'", &step));   // the note it had
        QVERIFY(StoreNote(s.c, s.sample("s3"), kNotePrompt, &step));  // none, and none again
        QCOMPARE(step.kind, UndoStep::Kind::None);
    }

    void refusedWhenAnotherStationChangedWhatTheStepNeeds_data() {
        QTest::addColumn<Change>("change");
        QTest::addColumn<Elsewhere>("elsewhere");
        QTest::addColumn<QString>("line");
        QTest::newRow("pick removed elsewhere")
            << PickOf("s3", "精修")
            << Statement(
                   "delete from xcphoto where customerid={c} and xcmc='精修' and photoid<>{s1}")
            << "无法撤销：这次入选已被移出";
        QTest::newRow("removed pick: its sample deleted elsewhere")
            << RemovalOf("s1", "精修") << Statement("delete from photoinfo where id={s1}")
            << "无法撤销：样片已被删除";
        QTest::newRow("removed pick: its album deleted elsewhere")
            << RemovalOf("s1", "精修")
            << Statement("delete from customerxc where customerid={c} and xcmc='精修'")
            << "无法撤销：相册已被删除或改名";
        QTest::newRow("note changed elsewhere")
            << NoteOf("s2", "加急") << Statement("update photoinfo set zzyq='别的' where id={s2}")
            << "无法撤销：备注已被修改";
        QTest::newRow("note: sample deleted elsewhere")
            << NoteOf("s2", "加急") << Statement("delete from photoinfo where id={s2}")
            << "无法撤销：样片已被删除";
        QTest::newRow("deleted sample: an album of its picks deleted elsewhere")
            << DeletionOf("s1")
            << Statement("delete from customerxc where customerid={c} and xcmc='精修'")
            << "无法撤销：相册已被删除或改名";
        QTest::newRow("added album: picked into elsewhere")
            << AlbumAdding("外景")
            << Statement("insert into xcphoto(customerid,photoid,xcmc) values({c},{s2},'外景')")
            << "无法撤销：相册中已有入选的样片";
        QTest::newRow("added album: renamed elsewhere")
            << AlbumAdding("外景")
            << Statement("update customerxc set xcmc='婚纱' where customerid={c} and xcmc='外景'")
            << "无法撤销：相册已被删除或改名";
        QTest::newRow("renamed album: old name taken elsewhere")
            << AlbumRenaming("精修", "婚纱")
            << Statement("insert into customerxc(customerid,xcmc) values({c},'精修')")
            << "无法撤销：相册名已被使用";
        QTest::newRow("deleted album: name taken elsewhere")
            << AlbumDeletion("精修")
            << Statement("insert into customerxc(customerid,xcmc) values({c},'精修')")
            << "无法撤销：相册名已被使用";
        // The album and its picks are written before the missing sample shows.
        QTest::newRow("deleted album: a picked sample deleted elsewhere")
            << AlbumDeletion("精修") << Statement("delete from photoinfo where id={s1}")
            << "无法撤销：样片已被删除";
    }
    void refusedWhenAnotherStationChangedWhatTheStepNeeds() {
        QFETCH(Change, change);
        QFETCH(Elsewhere, elsewhere);
        QFETCH(QString, line);
        Studio s;
        UndoHistory history;
        for (const Change& first : {NoteOf("s3", "先"), change}) {
            UndoStep step;
            first(s, &step);
            history.Record(std::move(step));
        }
        elsewhere(s);
        const Dump meanwhile = DumpDatabase();
        const UndoOutcome outcome = history.UndoLast();
        QVERIFY(!outcome.undone);
        QCOMPARE(outcome.message, line);
        ExpectSameDatabase(DumpDatabase(), meanwhile);
        // The refused step is dropped: the next undo takes the step before it.
        QCOMPARE(history.Size(), 1);
        QVERIFY(history.UndoLast().undone);
        QCOMPARE(data::LookupValue("photoinfo", "zzyq", "id=" + s.id("s3")), QString());
    }

    // ---- in the workspace ------------------------------------------------------------------

    void pickTakenBackShowsThePickedSampleAgain() {
        Workspace f;
        app::Tfrmps& w = f.workspace();
        QVERIFY(!f.undoEnabled());
        f.show(2);
        const qint64 picked = w.State().currentSampleId;
        const Dump before = DumpDatabase();
        w.SpeedButton1Click();
        QCOMPARE(f.currentDisplayNumber(), 3);  // the pick steps on
        QVERIFY(f.undoEnabled());
        w.btnundoClick();
        QCOMPARE(f.line(), QString("已撤销：入选 精修"));
        ExpectSameDatabase(DumpDatabase(), before);
        QCOMPARE(w.State().currentSampleId, picked);
        QCOMPARE(w.State().currentAlbum, QString("精修"));
        ExpectViewsMatchTheDatabase(f);
        QVERIFY(!f.undoEnabled());
        w.btnundoClick();
        QCOMPARE(f.line(), kNothingToUndo);
    }

    void albumChangesTakenBackInTheTabs() {
        Workspace f;
        app::Tfrmps& w = f.workspace();
        f.show(1);
        w.SpeedButton1Click();
        w.SpeedButton1Click();
        const Dump picked = DumpDatabase();
        const QStringList tabs = w.AlbumCaptions();
        f.control<QLineEdit>("teaddzctype")->setText("婚纱");
        w.Image7Click();
        QCOMPARE(w.State().currentAlbum, QString("婚纱"));
        w.Image4Click();  // the question answered Yes
        QVERIFY(!w.AlbumCaptions().contains("婚纱"));

        w.btnundoClick();  // the deletion
        QCOMPARE(f.line(), QString("已撤销：删除相册 婚纱"));
        QCOMPARE(w.State().currentAlbum, QString("婚纱"));
        QCOMPARE(w.albums()->AlbumCaption(w.albums()->ActiveAlbum()), QString("婚纱"));
        ExpectViewsMatchTheDatabase(f);
        w.btnundoClick();  // the rename
        QCOMPARE(w.AlbumCaptions(), tabs);
        QCOMPARE(w.State().currentAlbum, QString("精修"));
        ExpectSameDatabase(DumpDatabase(), picked);
        ExpectViewsMatchTheDatabase(f);
    }

    void deletedSampleComesBackIntoTheStrip() {
        Workspace f;
        app::Tfrmps& w = f.workspace();
        f.show(2);
        w.SpeedButton1Click();
        f.show(2);
        const qint64 sample = w.State().currentSampleId;
        f.control<QLineEdit>("rezzyq")->setText("加急");
        w.SpeedButton5Click();
        const Dump before = DumpDatabase();
        w.delphotoClick();
        QCOMPARE(w.strip()->Maximum(), 3);
        w.btnundoClick();
        QCOMPARE(f.line(), QString("已撤销：删除样片"));
        ExpectSameDatabase(DumpDatabase(), before);
        QCOMPARE(w.State().currentSampleId, sample);
        QCOMPARE(f.currentDisplayNumber(), 2);
        ExpectViewsMatchTheDatabase(f);
        QCOMPARE(f.control<QLineEdit>("rezzyq")->text(), QString("加急"));
    }

    void aNoteTypedAndNotSavedIsTheNewestChange() {
        Workspace f;
        app::Tfrmps& w = f.workspace();
        f.show(1);
        f.control<QLineEdit>("rezzyq")->setText("第一");
        w.SpeedButton5Click();
        f.control<QLineEdit>("rezzyq")->setText("第二");
        w.btnundoClick();
        QCOMPARE(f.control<QLineEdit>("rezzyq")->text(), QString("第一"));
        w.btnundoClick();
        QCOMPARE(f.control<QLineEdit>("rezzyq")->text(), QString());
        QVERIFY(data::LookupValue("photoinfo", "zzyq",
                                  "id=" + QString::number(w.State().currentSampleId))
                    .isEmpty());
        QVERIFY(!f.undoEnabled());
    }

    void switchingCustomerForgetsTheSteps() {
        Workspace f;
        app::Tfrmps& w = f.workspace();
        const QString other = f.addCustomer("别人", 2);
        f.show(1);
        w.SpeedButton1Click();
        // Choosing the same customer again is no switch.
        f.choose(f.id);
        QVERIFY(f.undoEnabled());
        f.choose(other);
        QVERIFY(!f.undoEnabled());
        const Dump before = DumpDatabase();
        w.btnundoClick();
        QCOMPARE(f.line(), kNothingToUndo);
        ExpectSameDatabase(DumpDatabase(), before);
    }

    void refusalIsShownAndTheViewsFollowTheDatabase() {
        Workspace f;
        app::Tfrmps& w = f.workspace();
        f.show(1);
        w.SpeedButton1Click();
        // Another station deletes the album with the pick.
        data::Execute("delete from xcphoto where customerid=" + f.id);
        data::Execute("delete from customerxc where customerid=" + f.id + " and xcmc='精修'");
        w.btnundoClick();
        QCOMPARE(f.line(), QString("无法撤销：这次入选已被移出"));
        QVERIFY(!f.undoEnabled());
        QCOMPARE(w.State().currentAlbum, kAllAlbums);
        ExpectViewsMatchTheDatabase(f);
    }

    void ctrlZInTheFullScreenViewer() {
        Workspace f;
        app::Tfrmps& w = f.workspace();
        TFrmfull viewer;
        w.SetFullScreenViewer(&viewer);
        f.show(1);
        f.control<QLineEdit>("teaddzctype")->setText("外景2");
        w.Image28Click();
        viewer.ShowOver(&w);
        QVERIFY(QTest::qWaitForWindowActive(&viewer));
        auto* choice = viewer.findChild<QComboBox*>();
        QVERIFY(choice);
        QVERIFY(choice->findText("外景2") >= 0);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.line(), QString("已撤销：新建相册 外景2"));
        QCOMPARE(choice->findText("外景2"), -1);
        QCOMPARE(choice->currentIndex(), 0);
        QVERIFY(!w.AlbumCaptions().contains("外景2"));
    }

    void theButtonFitsTheToolStrip_data() {
        QTest::addColumn<QSize>("screen");
        QTest::newRow("1920x1080") << QSize(1920, 1080);
        QTest::newRow("1366x768") << QSize(1366, 768);
        QTest::newRow("1920x1080 at 150%") << QSize(1280, 720);
        QTest::newRow("1366x768 at 125%") << QSize(1093, 614);
    }
    void theButtonFitsTheToolStrip() {
        QFETCH(QSize, screen);
        Workspace f;
        f.workspace().resize(screen / 2);  // a new size lays the window out again
        f.workspace().resize(screen);
        QCoreApplication::processEvents();
        auto* undo = f.control<QWidget>("btnundo");
        const QWidget* strip = undo->parentWidget();
        QVERIFY(strip->rect().contains(undo->geometry()));
        const QList<QWidget*> tools = strip->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (const QWidget* a : tools) {
            if (!a->isVisible()) continue;
            for (const QWidget* b : tools)
                if (a != b && b->isVisible())
                    QVERIFY2(!Overlap(a, b), qPrintable(Named(a) + " over " + Named(b)));
        }
    }
};

QTEST_MAIN(TestUndo)
#include "test_undo.moc"
