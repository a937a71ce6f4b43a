// The workspace's changes to the database, without a window: samples deleted, picks made and
// removed, notes stored, albums added, renamed and deleted, and the albums' pick counts.

#include <QtTest>
#include <functional>
#include <map>

#include "data/connection.h"
#include "data/errors.h"
#include "data/records.h"
#include "support/runtime_fixture.h"
#include "workspace/workspace_operations.h"

using namespace workspace;

namespace {

// Customer 7: samples s1, s2, s3 and the albums 精修 and Ann's; s1 is picked twice into 精修,
// s2 once into Ann's, and s1 has a note. Customer 8: sample t1 and the albums 精修 and 外景;
// t1 is picked into 精修.
struct Studio : testing_support::RuntimeFixture {
    Studio() {
        const struct {
            const char* name;
            int customer;
        } samples[] = {{"s1", 7}, {"s2", 7}, {"s3", 7}, {"t1", 8}};
        int order = 0;
        for (const auto& sample : samples) {
            const qint64 id = data::AppendRow(
                "photoinfo", {{"customerid", sample.customer},
                              {"odrnum", ++order},
                              {"filename", QString::fromLatin1(sample.name) + ".jpg"}});
            ids[sample.name] = id;
            names[id] = sample.name;
        }
        for (const auto& [customer, album] : std::vector<std::pair<int, QString>>{
                 {7, "精修"}, {7, "Ann's"}, {8, "精修"}, {8, "外景"}})
            data::AppendRow("customerxc", {{"customerid", customer}, {"xcmc", album}});
        for (const auto& [sample, album] : std::vector<std::pair<QString, QString>>{
                 {"s1", "精修"}, {"s1", "精修"}, {"s2", "Ann's"}, {"t1", "精修"}})
            data::AppendRow("xcphoto", {{"customerid", sample.startsWith('s') ? 7 : 8},
                                        {"photoid", ids[sample]},
                                        {"xcmc", album}});
        data::Execute("update photoinfo set zzyq='旧' where id=" + id("s1"));
    }

    QString id(const QString& sample) const { return QString::number(ids.at(sample)); }
    qint64 sample(const QString& name) const { return ids.at(name); }

    // What another station does meanwhile.
    void elsewhere(const QString& sql) { data::Execute(sql); }

    // Every sample, album, pick and note, each in the order it was made.
    QString State() const {
        QStringList samples, albums, picks, notes;
        for (const auto& row : data::QueryRows("select id, zzyq from photoinfo order by id")) {
            const QString name = names.at(row.value("id").toLongLong());
            samples << name;
            if (!row.value("zzyq").isNull()) notes << name + "=" + data::TextOf(row, "zzyq");
        }
        for (const auto& row :
             data::QueryRows("select customerid, xcmc from customerxc order by id"))
            albums << data::TextOf(row, "customerid") + "/" + data::TextOf(row, "xcmc");
        for (const auto& row : data::QueryRows("select photoid, xcmc from xcphoto order by id"))
            picks << names.at(row.value("photoid").toLongLong()) + "/" + data::TextOf(row, "xcmc");
        return "samples:" + samples.join(' ') + " | albums:" + albums.join(' ') +
               " | picks:" + picks.join(' ') + " | notes:" + notes.join(' ');
    }

    std::map<QString, qint64> ids;
    std::map<qint64, QString> names;
};

const QString kInitial =
    "samples:s1 s2 s3 t1 | albums:7/精修 7/Ann's 8/精修 8/外景 | picks:s1/精修 s1/精修 s2/Ann's "
    "t1/精修 | notes:s1=旧";

// An operation on the studio, with its result as text.
using Operation = std::function<QString(Studio&)>;

}  // namespace

Q_DECLARE_METATYPE(Operation)

namespace {

QString Text(bool result) { return result ? "true" : "false"; }
QString Text(PickResult result) {
    switch (result) {
        case PickResult::Picked:
            return "Picked";
        case PickResult::SampleGone:
            return "SampleGone";
        case PickResult::AlbumGone:
            return "AlbumGone";
    }
    return "?";
}
QString Text(AlbumChange result) {
    switch (result) {
        case AlbumChange::Done:
            return "Done";
        case AlbumChange::NameExists:
            return "NameExists";
        case AlbumChange::Reserved:
            return "Reserved";
        case AlbumChange::Gone:
            return "Gone";
    }
    return "?";
}

void AddColumns() {
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("state");
}

// Runs the row's operation and checks its result, every table afterwards, and that no
// transaction was left open.
void RunRow() {
    QFETCH(Operation, operation);
    QFETCH(QString, result);
    QFETCH(QString, state);
    Studio studio;
    QCOMPARE(operation(studio), result);
    QCOMPARE(studio.State(), state);
    QVERIFY(data::Connection().transaction());
    data::Connection().rollback();
}

}  // namespace

class TestWorkspaceOperations : public QObject {
    Q_OBJECT

  private slots:
    void samples_data() {
        AddColumns();
        QTest::newRow("delete a picked sample")
            << Operation([](Studio& s) { return Text(DeleteSample("7", s.sample("s1"))); })
            << "true"
            << "samples:s2 s3 t1 | albums:7/精修 7/Ann's 8/精修 8/外景 | picks:s2/Ann's t1/精修 | "
               "notes:";
        QTest::newRow("delete a sample deleted meanwhile, its picks left")
            << Operation([](Studio& s) {
                   s.elsewhere("delete from photoinfo where id=" + s.id("s1"));
                   return Text(DeleteSample("7", s.sample("s1")));
               })
            << "false"
            << "samples:s2 s3 t1 | albums:7/精修 7/Ann's 8/精修 8/外景 | picks:s2/Ann's t1/精修 | "
               "notes:";
        QTest::newRow("delete another customer's sample")
            << Operation([](Studio& s) { return Text(DeleteSample("7", s.sample("t1"))); })
            << "false" << kInitial;

        QTest::newRow("pick")
            << Operation([](Studio& s) { return Text(PickSample("7", s.sample("s3"), "精修")); })
            << "Picked"
            << "samples:s1 s2 s3 t1 | albums:7/精修 7/Ann's 8/精修 8/外景 | picks:s1/精修 s1/精修 "
               "s2/Ann's t1/精修 s3/精修 | notes:s1=旧";
        QTest::newRow("repeat pick")
            << Operation([](Studio& s) { return Text(PickSample("7", s.sample("s1"), "精修")); })
            << "Picked"
            << "samples:s1 s2 s3 t1 | albums:7/精修 7/Ann's 8/精修 8/外景 | picks:s1/精修 s1/精修 "
               "s2/Ann's t1/精修 s1/精修 | notes:s1=旧";
        QTest::newRow("pick into an album with a quote")
            << Operation([](Studio& s) { return Text(PickSample("7", s.sample("s3"), "Ann's")); })
            << "Picked"
            << "samples:s1 s2 s3 t1 | albums:7/精修 7/Ann's 8/精修 8/外景 | picks:s1/精修 s1/精修 "
               "s2/Ann's t1/精修 s3/Ann's | notes:s1=旧";
        QTest::newRow("pick a sample deleted meanwhile")
            << Operation([](Studio& s) {
                   s.elsewhere("delete from photoinfo where id=" + s.id("s3"));
                   return Text(PickSample("7", s.sample("s3"), "精修"));
               })
            << "SampleGone"
            << "samples:s1 s2 t1 | albums:7/精修 7/Ann's 8/精修 8/外景 | picks:s1/精修 s1/精修 "
               "s2/Ann's t1/精修 | notes:s1=旧";
        QTest::newRow("pick another customer's sample")
            << Operation([](Studio& s) { return Text(PickSample("7", s.sample("t1"), "精修")); })
            << "SampleGone" << kInitial;
        QTest::newRow("pick into an album deleted meanwhile")
            << Operation([](Studio& s) {
                   s.elsewhere("delete from customerxc where customerid=7 and xcmc='精修'");
                   return Text(PickSample("7", s.sample("s3"), "精修"));
               })
            << "AlbumGone"
            << "samples:s1 s2 s3 t1 | albums:7/Ann's 8/精修 8/外景 | picks:s1/精修 s1/精修 "
               "s2/Ann's t1/精修 | notes:s1=旧";
        QTest::newRow("pick into another customer's album")
            << Operation([](Studio& s) { return Text(PickSample("7", s.sample("s3"), "外景")); })
            << "AlbumGone" << kInitial;
        QTest::newRow("pick into 全部")
            << Operation([](Studio& s) { return Text(PickSample("7", s.sample("s3"), "全部")); })
            << "AlbumGone" << kInitial;

        QTest::newRow("remove one of two picks")
            << Operation([](Studio& s) { return Text(RemovePick("7", s.sample("s1"), "精修")); })
            << "true"
            << "samples:s1 s2 s3 t1 | albums:7/精修 7/Ann's 8/精修 8/外景 | picks:s1/精修 s2/Ann's "
               "t1/精修 | notes:s1=旧";
        QTest::newRow("remove a pick with a quote")
            << Operation([](Studio& s) { return Text(RemovePick("7", s.sample("s2"), "Ann's")); })
            << "true"
            << "samples:s1 s2 s3 t1 | albums:7/精修 7/Ann's 8/精修 8/外景 | picks:s1/精修 s1/精修 "
               "t1/精修 | notes:s1=旧";
        QTest::newRow("remove a pick removed meanwhile")
            << Operation([](Studio& s) { return Text(RemovePick("7", s.sample("s3"), "精修")); })
            << "false" << kInitial;
        QTest::newRow("remove another customer's pick")
            << Operation([](Studio& s) { return Text(RemovePick("7", s.sample("t1"), "精修")); })
            << "false" << kInitial;

        QTest::newRow("store a note")
            << Operation(
                   [](Studio& s) { return Text(StoreNote("7", s.sample("s2"), "加急 O'Neil 版")); })
            << "true"
            << "samples:s1 s2 s3 t1 | albums:7/精修 7/Ann's 8/精修 8/外景 | picks:s1/精修 s1/精修 "
               "s2/Ann's t1/精修 | notes:s1=旧 s2=加急 O'Neil 版";
        QTest::newRow("a note of blanks is stored as typed")
            << Operation([](Studio& s) { return Text(StoreNote("7", s.sample("s1"), "  ")); })
            << "true"
            << "samples:s1 s2 s3 t1 | albums:7/精修 7/Ann's 8/精修 8/外景 | picks:s1/精修 s1/精修 "
               "s2/Ann's t1/精修 | notes:s1=  ";
        QTest::newRow("the prompt clears the note")
            << Operation(
                   [](Studio& s) { return Text(StoreNote("7", s.sample("s1"), kNotePrompt)); })
            << "true"
            << "samples:s1 s2 s3 t1 | albums:7/精修 7/Ann's 8/精修 8/外景 | picks:s1/精修 s1/精修 "
               "s2/Ann's t1/精修 | notes:s1=";
        QTest::newRow("empty text clears the note")
            << Operation([](Studio& s) { return Text(StoreNote("7", s.sample("s1"), "")); })
            << "true"
            << "samples:s1 s2 s3 t1 | albums:7/精修 7/Ann's 8/精修 8/外景 | picks:s1/精修 s1/精修 "
               "s2/Ann's t1/精修 | notes:s1=";
        QTest::newRow("a note of a sample deleted meanwhile")
            << Operation([](Studio& s) {
                   s.elsewhere("delete from photoinfo where id=" + s.id("s3"));
                   return Text(StoreNote("7", s.sample("s3"), "加急"));
               })
            << "false"
            << "samples:s1 s2 t1 | albums:7/精修 7/Ann's 8/精修 8/外景 | picks:s1/精修 s1/精修 "
               "s2/Ann's t1/精修 | notes:s1=旧";
        QTest::newRow("a note of another customer's sample")
            << Operation([](Studio& s) { return Text(StoreNote("7", s.sample("t1"), "加急")); })
            << "false" << kInitial;
    }
    void samples() { RunRow(); }

    void albums_data() {
        AddColumns();
        QTest::newRow("add")
            << Operation([](Studio&) { return Text(AddAlbum("7", "婚纱")); }) << "Done"
            << "samples:s1 s2 s3 t1 | albums:7/精修 7/Ann's 8/精修 8/外景 7/婚纱 | picks:s1/精修 "
               "s1/精修 s2/Ann's t1/精修 | notes:s1=旧";
        QTest::newRow("add a name with a quote and an ampersand")
            << Operation([](Studio&) { return Text(AddAlbum("7", "Tom's & Co")); }) << "Done"
            << "samples:s1 s2 s3 t1 | albums:7/精修 7/Ann's 8/精修 8/外景 7/Tom's & Co | "
               "picks:s1/精修 s1/精修 s2/Ann's t1/精修 | notes:s1=旧";
        QTest::newRow("add a name the customer has")
            << Operation([](Studio&) { return Text(AddAlbum("7", "Ann's")); }) << "NameExists"
            << kInitial;
        QTest::newRow("add 全部") << Operation([](Studio&) { return Text(AddAlbum("7", "全部")); })
                                  << "NameExists" << kInitial;
        QTest::newRow("add a name only another customer has")
            << Operation([](Studio&) { return Text(AddAlbum("7", "外景")); }) << "Done"
            << "samples:s1 s2 s3 t1 | albums:7/精修 7/Ann's 8/精修 8/外景 7/外景 | picks:s1/精修 "
               "s1/精修 s2/Ann's t1/精修 | notes:s1=旧";
        QTest::newRow("add a name in other letter case")
            << Operation([](Studio&) { return Text(AddAlbum("7", "ann's")); }) << "Done"
            << "samples:s1 s2 s3 t1 | albums:7/精修 7/Ann's 8/精修 8/外景 7/ann's | picks:s1/精修 "
               "s1/精修 s2/Ann's t1/精修 | notes:s1=旧";
        QTest::newRow("add a name another station added meanwhile")
            << Operation([](Studio& s) {
                   s.elsewhere("insert into customerxc(customerid,xcmc) values(7,'婚纱')");
                   return Text(AddAlbum("7", "婚纱"));
               })
            << "NameExists"
            << "samples:s1 s2 s3 t1 | albums:7/精修 7/Ann's 8/精修 8/外景 7/婚纱 | picks:s1/精修 "
               "s1/精修 s2/Ann's t1/精修 | notes:s1=旧";

        QTest::newRow("rename")
            << Operation([](Studio&) { return Text(RenameAlbum("7", "精修", "精修相册")); })
            << "Done"
            << "samples:s1 s2 s3 t1 | albums:7/精修相册 7/Ann's 8/精修 8/外景 | picks:s1/精修相册 "
               "s1/精修相册 s2/Ann's t1/精修 | notes:s1=旧";
        QTest::newRow("rename an album with a quote")
            << Operation([](Studio&) { return Text(RenameAlbum("7", "Ann's", "Bob's")); }) << "Done"
            << "samples:s1 s2 s3 t1 | albums:7/精修 7/Bob's 8/精修 8/外景 | picks:s1/精修 s1/精修 "
               "s2/Bob's t1/精修 | notes:s1=旧";
        QTest::newRow("rename to a name the customer has")
            << Operation([](Studio&) { return Text(RenameAlbum("7", "精修", "Ann's")); })
            << "NameExists" << kInitial;
        QTest::newRow("rename to its own name")
            << Operation([](Studio&) { return Text(RenameAlbum("7", "精修", "精修")); })
            << "NameExists" << kInitial;
        QTest::newRow("rename to 全部")
            << Operation([](Studio&) { return Text(RenameAlbum("7", "精修", "全部")); })
            << "NameExists" << kInitial;
        QTest::newRow("rename 全部")
            << Operation([](Studio&) { return Text(RenameAlbum("7", "全部", "新")); }) << "Reserved"
            << kInitial;
        QTest::newRow("rename to a name only another customer has")
            << Operation([](Studio&) { return Text(RenameAlbum("7", "精修", "外景")); }) << "Done"
            << "samples:s1 s2 s3 t1 | albums:7/外景 7/Ann's 8/精修 8/外景 | picks:s1/外景 s1/外景 "
               "s2/Ann's t1/精修 | notes:s1=旧";
        QTest::newRow("rename an album that is gone")
            << Operation([](Studio&) { return Text(RenameAlbum("7", "外景", "新")); }) << "Gone"
            << kInitial;
        QTest::newRow("rename an album deleted meanwhile")
            << Operation([](Studio& s) {
                   s.elsewhere("delete from customerxc where customerid=7 and xcmc='Ann''s'");
                   return Text(RenameAlbum("7", "Ann's", "新"));
               })
            << "Gone"
            << "samples:s1 s2 s3 t1 | albums:7/精修 8/精修 8/外景 | picks:s1/精修 s1/精修 s2/Ann's "
               "t1/精修 | notes:s1=旧";
        QTest::newRow("rename to a name another station took meanwhile")
            << Operation([](Studio& s) {
                   s.elsewhere("insert into customerxc(customerid,xcmc) values(7,'新')");
                   return Text(RenameAlbum("7", "精修", "新"));
               })
            << "NameExists"
            << "samples:s1 s2 s3 t1 | albums:7/精修 7/Ann's 8/精修 8/外景 7/新 | picks:s1/精修 "
               "s1/精修 s2/Ann's t1/精修 | notes:s1=旧";
        QTest::newRow("rename both albums of one name")
            << Operation([](Studio& s) {
                   s.elsewhere("insert into customerxc(customerid,xcmc) values(7,'精修')");
                   return Text(RenameAlbum("7", "精修", "精修相册"));
               })
            << "Done"
            << "samples:s1 s2 s3 t1 | albums:7/精修相册 7/Ann's 8/精修 8/外景 7/精修相册 | "
               "picks:s1/精修相册 s1/精修相册 s2/Ann's t1/精修 | notes:s1=旧";

        QTest::newRow("delete with every pick")
            << Operation([](Studio&) { return Text(DeleteAlbum("7", "精修")); }) << "Done"
            << "samples:s1 s2 s3 t1 | albums:7/Ann's 8/精修 8/外景 | picks:s2/Ann's t1/精修 | "
               "notes:s1=旧";
        QTest::newRow("delete an album with a quote")
            << Operation([](Studio&) { return Text(DeleteAlbum("7", "Ann's")); }) << "Done"
            << "samples:s1 s2 s3 t1 | albums:7/精修 8/精修 8/外景 | picks:s1/精修 s1/精修 t1/精修 "
               "| "
               "notes:s1=旧";
        QTest::newRow("delete 全部")
            << Operation([](Studio&) { return Text(DeleteAlbum("7", "全部")); }) << "Reserved"
            << kInitial;
        QTest::newRow("delete an album that is gone")
            << Operation([](Studio&) { return Text(DeleteAlbum("7", "外景")); }) << "Gone"
            << kInitial;
        QTest::newRow("delete an album deleted meanwhile, its picks left")
            << Operation([](Studio& s) {
                   s.elsewhere("delete from customerxc where customerid=7 and xcmc='Ann''s'");
                   return Text(DeleteAlbum("7", "Ann's"));
               })
            << "Gone"
            << "samples:s1 s2 s3 t1 | albums:7/精修 8/精修 8/外景 | picks:s1/精修 s1/精修 t1/精修 "
               "| "
               "notes:s1=旧";

        QTest::newRow("count an album's picks")
            << Operation([](Studio&) { return QString::number(AlbumPickCount("7", "精修")); })
            << "2" << kInitial;
        QTest::newRow("count all the customer's picks")
            << Operation([](Studio&) { return QString::number(AlbumPickCount("7", "全部")); })
            << "3" << kInitial;
        QTest::newRow("count an album with a quote")
            << Operation([](Studio&) { return QString::number(AlbumPickCount("7", "Ann's")); })
            << "1" << kInitial;
        QTest::newRow("count an album without picks")
            << Operation([](Studio&) { return QString::number(AlbumPickCount("8", "外景")); })
            << "0" << kInitial;
        QTest::newRow("count without the picks of a sample deleted meanwhile")
            << Operation([](Studio& s) {
                   s.elsewhere("delete from photoinfo where id=" + s.id("s1"));
                   return QString::number(AlbumPickCount("7", "全部"));
               })
            << "1"
            << "samples:s2 s3 t1 | albums:7/精修 7/Ann's 8/精修 8/外景 | picks:s1/精修 s1/精修 "
               "s2/Ann's t1/精修 | notes:";
    }
    void albums() { RunRow(); }

    // When the second statement of a change is refused, the first one is undone as well.
    void changesAreWholeOrNothing_data() {
        QTest::addColumn<Operation>("operation");
        QTest::newRow("delete a sample")
            << Operation([](Studio& s) { return Text(DeleteSample("7", s.sample("s1"))); });
        QTest::newRow("rename an album")
            << Operation([](Studio&) { return Text(RenameAlbum("7", "精修", "精修相册")); });
        QTest::newRow("delete an album")
            << Operation([](Studio&) { return Text(DeleteAlbum("7", "精修")); });
    }
    void changesAreWholeOrNothing() {
        QFETCH(Operation, operation);
        Studio studio;
        if (studio.onServer()) {
            data::Execute(
                "create function refuse() returns trigger language plpgsql as "
                "$$ begin raise exception 'refused'; end $$");
            data::Execute(
                "create trigger refuse before update or delete on xcphoto "
                "for each row execute function refuse()");
        } else {
            data::Execute(
                "create trigger refuse_update before update on xcphoto "
                "begin select raise(abort, 'refused'); end");
            data::Execute(
                "create trigger refuse_delete before delete on xcphoto "
                "begin select raise(abort, 'refused'); end");
        }
        QVERIFY_THROWS_EXCEPTION(data::DbError, operation(studio));
        QCOMPARE(studio.State(), kInitial);
        QVERIFY(data::Connection().transaction());
        data::Connection().rollback();
    }
};

QTEST_MAIN(TestWorkspaceOperations)
#include "test_workspace_operations.moc"
