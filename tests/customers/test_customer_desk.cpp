// The customer window: finding customers, the record operations, re-import and shuffle,
// the busy notice, and what the workspace shows after the window closes.

#include <QApplication>
#include <QMouseEvent>
#include <QProcess>
#include <QtTest>

#include "customers/customer_list.h"
#include "customers/customer_records.h"
#include "customers/preview_building.h"
#include "customers/tfrmmain.h"
#include "data/connection.h"
#include "data/records.h"
#include "support/file_access.h"
#include "support/log_capture.h"
#include "support/workspace_fixture.h"
#include "widgets/atedit.h"
#include "widgets/caption_button.h"
#include "widgets/tfrmpb.h"
#include "workspace/sample_strip.h"

using customers::Tfrmmain;
using testing_support::RuntimeFixture;
using testing_support::WorkspaceFixture;
using widgets::Answer;

namespace {

// A customer row without photos, for the list.
qint64 AddRow(const QString& name, const QString& status = "正常",
              const QString& date = "2026-03-01 09:30:00") {
    return data::AppendRow(
        "customer",
        {{"customername", name}, {"photopath", "/nowhere"}, {"staus", status}, {"adddate", date}});
}

// A customer with `photos` small photos in shoots/<folder>.
qint64 AddCustomer(RuntimeFixture& fixture, const QString& name, int photos,
                   const QString& folder = {}) {
    const QString dir = "shoots/" + (folder.isEmpty() ? name : folder);
    QDir().mkpath(fixture.file(dir));
    for (int i = 1; i <= photos; ++i)
        fixture.writePhoto(QString("%1/%2.jpg").arg(dir).arg(i, 3, 10, QChar('0')), 60, 40);
    return customers::CreateCustomer({name, fixture.file(dir), QString()}, {}).id;
}

QStringList ListedNames(Tfrmmain& desk) {
    QStringList names;
    for (int i = 0; i < desk.Listmatch->topLevelItemCount(); ++i)
        names << desk.Listmatch->topLevelItem(i)->text(Tfrmmain::kNameColumn);
    return names;
}

void Select(Tfrmmain& desk, qint64 id) {
    for (int i = 0; i < desk.Listmatch->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = desk.Listmatch->topLevelItem(i);
        if (row->text(Tfrmmain::kIdColumn) == QString::number(id)) {
            desk.Listmatch->setCurrentItem(row);
            row->setSelected(true);
            return;
        }
    }
    QFAIL("customer not listed");
}

// What a click on the row does: highlight it and load its record.
void Click(Tfrmmain& desk, qint64 id) {
    Select(desk, id);
    desk.ListmatchClick();
}

int Count(const QString& table, const QString& condition) {
    return data::LookupValue(table, "count(*)", condition).toInt();
}

QString Id(qint64 id) { return QString::number(id); }

QList<int> OrderNumbers(qint64 customer) {
    QList<int> numbers;
    for (const auto& row : data::QueryRows(
             "select odrnum from photoinfo where customerid=" + Id(customer) + " order by odrnum"))
        numbers << row.value(0).toInt();
    return numbers;
}

// A desk on the fixture's database, shown as the workspace would show it.
struct Desk {
    explicit Desk(QWidget* main = nullptr, std::function<void()> refresh = {})
        : window(new Tfrmmain(main, std::move(refresh))) {
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        window->show();
    }
    ~Desk() { delete window; }
    Tfrmmain* operator->() { return window; }
    Tfrmmain& operator*() { return *window; }
    Tfrmmain* window;
};

}  // namespace

class TestCustomerDesk : public QObject {
    Q_OBJECT

  private slots:
    void opensEmptyAndQuiet() {
        RuntimeFixture fixture;
        Desk desk;
        QCOMPARE(desk->size(), QSize(813, 513));
        QCOMPARE(desk->titleLabel()->text(), QString("客户管理"));
        QCOMPARE(desk->Listmatch->topLevelItemCount(), 0);
        QCOMPARE(desk->customerid->text(), QString("-1"));
        QCOMPARE(desk->cxzt->currentText(), QString("全部"));
        QCOMPARE(desk->acceptedTypes(), QString(".jpg,.jpeg,"));
        QVERIFY(fixture.dialogs().shown.empty());
        // 修改 with nothing loaded does nothing.
        desk->ImagemtchsaveClick();
        QVERIFY(fixture.dialogs().shown.empty());
    }

    void previewBuildingIsFollowed() {
        RuntimeFixture fixture;
        QStringList photos;
        for (int i = 0; i < 3; ++i)
            photos << fixture.writePhoto(QString("shoot/%1.jpg").arg(i), 640, 480);
        auto store =
            std::make_shared<images::PreviewStore>(fixture.file("previews"), QSize(320, 240));
        customers::PreviewBuilder builder(store);
        Desk desk;
        QVERIFY(desk->labpreview->text().isEmpty());
        // Room for a studio's largest customers, clear of the other controls.
        const int needed =
            desk->labpreview->fontMetrics().horizontalAdvance("预览: 已完成 2000/2000");
        QVERIFY2(needed <= desk->labpreview->width(), qPrintable(QString::number(needed)));
        for (QWidget* other : desk->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            QVERIFY2(other == desk->labpreview || !other->isVisible() ||
                         !other->geometry().intersects(desk->labpreview->geometry()),
                     qPrintable(other->objectName()));
        desk->SetPreviewBuilder(&builder);
        QStringList shown;
        // Connected after the window: sees the label as the window has just set it.
        connect(&builder, &customers::PreviewBuilder::progress, this,
                [&] { shown << desk->labpreview->text(); });
        QSignalSpy finished(&builder, &customers::PreviewBuilder::finished);
        builder.Queue(1, photos, images::Orientation::AsTaken);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 30000);
        QCOMPARE(shown.first(), QString("预览: 已完成 0/3"));
        QCOMPARE(shown.last(), QString("预览: 已完成 3/3"));
        QVERIFY(desk->labpreview->text().isEmpty());

        // Not followed any more: nothing shown for the next customer.
        desk->SetPreviewBuilder(nullptr);
        shown.clear();
        builder.Queue(2, photos, images::Orientation::AsStored);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 30000);
        QCOMPARE(shown, QStringList({"", "", "", ""}));
    }

    void filters_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QStringList>("expected");
        const QStringList all{"张三", "李四", "张小'五", "五折50%", "a_b", "ab", "Zoe\\Li"};
        QTest::newRow("all") << ""
                             << "全部" << all;
        QTest::newRow("open") << ""
                              << "正常"
                              << QStringList{"张三", "张小'五", "五折50%", "ab", "Zoe\\Li"};
        QTest::newRow("closed") << ""
                                << "关闭" << QStringList{"李四", "a_b"};
        QTest::newRow("name part") << "张"
                                   << "全部" << QStringList{"张三", "张小'五"};
        QTest::newRow("name part, closed") << "四"
                                           << "关闭" << QStringList{"李四"};
        QTest::newRow("quote") << "'"
                               << "全部" << QStringList{"张小'五"};
        QTest::newRow("percent is literal") << "%"
                                            << "全部" << QStringList{"五折50%"};
        QTest::newRow("underscore is literal") << "a_"
                                               << "全部" << QStringList{"a_b"};
        QTest::newRow("nothing") << "王"
                                 << "全部" << QStringList{};
        QTest::newRow("letters in either case") << "zO"
                                                << "全部" << QStringList{"Zoe\\Li"};
        QTest::newRow("backslash is literal") << "e\\l"
                                              << "全部" << QStringList{"Zoe\\Li"};
    }

    void filters() {
        QFETCH(QString, name);
        QFETCH(QString, status);
        QFETCH(QStringList, expected);
        RuntimeFixture fixture;
        AddRow("张三");
        AddRow("李四", "关闭");
        AddRow("张小'五");
        AddRow("五折50%");
        AddRow("a_b", "关闭");
        AddRow("ab");
        AddRow("Zoe\\Li");
        Desk desk;
        desk->cxname->setText(name);
        desk->cxzt->setCurrentText(status);
        desk->Image3Click();
        QCOMPARE(ListedNames(*desk), expected);
        QVERIFY(fixture.dialogs().shown.empty());
    }

    void listShowsDateStatusAndId() {
        RuntimeFixture fixture;
        const qint64 id = AddRow("张三", "关闭", "2026-03-01 09:30:05");
        Desk desk;
        const QTreeWidgetItem* row = desk->Listmatch->topLevelItem(0);
        QCOMPARE(row->text(Tfrmmain::kDateColumn), QString("2026/3/1 09:30:05"));
        QCOMPARE(row->text(Tfrmmain::kStatusColumn), QString("关闭"));
        QCOMPARE(row->text(Tfrmmain::kIdColumn), Id(id));
        QVERIFY(desk->Listmatch->isColumnHidden(Tfrmmain::kIdColumn));
        QCOMPARE(customers::ListDateText("2026-03-01 00:00:00"), QString("2026/3/1"));
        QCOMPARE(customers::ListDateText("昨天"), QString("昨天"));
    }

    void clickLoadsTheCustomer() {
        RuntimeFixture fixture;
        const qint64 id = data::AppendRow(
            "customer",
            {{"customername", "王小姐"}, {"photopath", "/photos/王"}, {"staus", "正常"}});
        data::Execute("update customer set note='第一行\n第二行' where customerid=" + Id(id));
        const qint64 vanishing = AddRow("赵先生");
        Desk desk;
        Select(*desk, id);
        desk->ListmatchClick();
        QCOMPARE(desk->customerid->text(), Id(id));
        QCOMPARE(desk->cusname->text(), QString("王小姐"));
        QCOMPARE(desk->foldername->text(), QString("/photos/王"));
        QCOMPARE(desk->Memo1->toPlainText(), QString("第一行\n第二行"));

        // Another program deleted the customer meanwhile: the fields keep what they showed.
        Select(*desk, vanishing);
        data::Execute("delete from customer where customerid=" + Id(vanishing));
        desk->ListmatchClick();
        QCOMPARE(fixture.dialogs().Texts(), QStringList{"没有找到记录！"});
        QCOMPARE(desk->customerid->text(), Id(vanishing));
        QCOMPARE(desk->cusname->text(), QString("王小姐"));
    }

    void createsCustomerWithSamplesAlbumsAndProgress() {
        RuntimeFixture fixture;
        for (int i = 1; i <= 6; ++i)
            fixture.writePhoto(QString("新客户 O'Neil/%1.jpg").arg(i), 400, 300);
        fixture.writePhoto("新客户 O'Neil/7.bmp", 80, 60);
        Desk desk;
        desk->cusname->setText("林'女士; 50%_");
        desk->foldername->setText(fixture.file("新客户 O'Neil"));
        desk->Memo1->setPlainText("婚纱照\n加急");

        // While the import runs: what the busy notice says, and a click on 增加 that must
        // not start a second import.
        QStringList notices;
        bool clicked = false;
        QTimer watch;
        watch.setInterval(0);
        connect(&watch, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (!qobject_cast<widgets::Tfrmpb*>(w) || !w->isVisible()) continue;
                for (QLabel* label : w->findChildren<QLabel*>())
                    if (label->isVisible() && label->text().contains(" / "))
                        notices << label->text();
                if (clicked) continue;
                clicked = true;
                const QPoint centre(27, 12);
                for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
                    QCoreApplication::postEvent(
                        desk->Image2,
                        new QMouseEvent(type, centre, desk->Image2->mapToGlobal(centre),
                                        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
            }
        });
        watch.start();
        desk->Image2Click();
        watch.stop();
        QCoreApplication::processEvents();

        QCOMPARE(fixture.dialogs().Texts(), QStringList{"保存成功"});
        QCOMPARE(Count("customer", "1=1"), 1);
        const QString id = desk->customerid->text();
        QCOMPARE(data::LookupValue("customer", "customername", "customerid=" + id),
                 QString("林'女士; 50%_"));
        QCOMPARE(data::LookupValue("customer", "note", "customerid=" + id),
                 QString("婚纱照\n加急"));
        QCOMPARE(data::LookupValue("customer", "photopath", "customerid=" + id),
                 fixture.file("新客户 O'Neil"));
        QCOMPARE(data::LookupValue("customer", "staus", "customerid=" + id), QString("正常"));
        QCOMPARE(Count("photoinfo", "customerid=" + id), 6);  // .bmp is not ticked
        QStringList albums, defaults;
        for (const auto& row :
             data::QueryRows("select xcmc from customerxc where customerid=" + id + " order by id"))
            albums << data::TextOf(row, "xcmc");
        for (const auto& row : data::QueryRows("select xcmc from xclib order by id"))
            defaults << data::TextOf(row, "xcmc");
        QCOMPARE(albums, defaults);
        QCOMPARE(ListedNames(*desk), QStringList{"林'女士; 50%_"});
        QVERIFY(!notices.isEmpty());
        QVERIFY2(QRegularExpression("^\\d / 6  \\d\\.jpg$").match(notices.last()).hasMatch(),
                 qPrintable(notices.last()));

        // An existing empty folder still makes a customer; it just has no samples.
        QDir().mkpath(fixture.file("空文件夹"));
        desk->cusname->setText("空客户");
        desk->foldername->setText(fixture.file("空文件夹"));
        desk->Image2Click();
        QCOMPARE(Count("customer", "customername='空客户'"), 1);
        QCOMPARE(Count("customerxc", "customerid=" + desk->customerid->text()),
                 int(defaults.size()));
    }

    void refusesBadInputAndKeepsWhatWasTyped_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("folder");  // relative to the fixture; "-" for none typed
        QTest::addColumn<QString>("message");
        QTest::newRow("empty name") << ""
                                    << "shoot"
                                    << "请输入客户名称";
        QTest::newRow("blank name") << "   "
                                    << "shoot"
                                    << "请输入客户名称";
        QTest::newRow("1 kB name") << QString(1024, QChar(u'长')) << "shoot"
                                   << "客户名称太长,最多50个字";
        QTest::newRow("no folder") << "陈先生"
                                   << "-"
                                   << "请选择样片文件夹";
        QTest::newRow("missing folder") << "陈先生"
                                        << "nowhere"
                                        << "样片文件夹不存在: %1";
        QTest::newRow("missing drive") << "陈先生"
                                       << "/media/未插入的移动硬盘/样片"
                                       << "样片文件夹不存在: %1";
    }

    void refusesBadInputAndKeepsWhatWasTyped() {
        QFETCH(QString, name);
        QFETCH(QString, folder);
        QFETCH(QString, message);
        RuntimeFixture fixture;
        fixture.writePhoto("shoot/1.jpg", 40, 30);
        const QString typed = folder == "-"            ? QString()
                              : folder.startsWith('/') ? folder
                                                       : fixture.file(folder);
        Desk desk;
        desk->cusname->setText(name);
        desk->foldername->setText(typed);
        desk->Memo1->setPlainText("备注");
        desk->Image2Click();
        QCOMPARE(fixture.dialogs().Texts(),
                 QStringList{message.contains("%1") ? message.arg(typed) : message});
        QCOMPARE(Count("customer", "1=1"), 0);
        QCOMPARE(desk->cusname->text(), name);
        QCOMPARE(desk->foldername->text(), typed);
        QCOMPARE(desk->Memo1->toPlainText(), QString("备注"));
    }

    void duplicateNameIsAskedAbout() {
        RuntimeFixture fixture;
        AddCustomer(fixture, "王五", 1);
        Desk desk;
        desk->cusname->setText("王五");
        desk->foldername->setText(fixture.file("shoots/王五"));
        fixture.dialogs().answers = {Answer::No};
        desk->Image2Click();
        QCOMPARE(Count("customer", "customername='王五'"), 1);
        fixture.dialogs().answers = {Answer::Yes};
        desk->Image2Click();
        QCOMPARE(Count("customer", "customername='王五'"), 2);
        QCOMPARE(fixture.dialogs().Texts(),
                 (QStringList{"已有名为王五的客户,确定还要增加一个同名客户吗?",
                              "已有名为王五的客户,确定还要增加一个同名客户吗?", "保存成功"}));
        // Each has samples of its own.
        QCOMPARE(Count("photoinfo", "customerid=" + desk->customerid->text()), 1);
        QCOMPARE(Count("photoinfo", "1=1"), 2);
    }

    void failedImportLeavesNothing() {
        RuntimeFixture fixture;
        fixture.writePhoto("bad/1.jpg", 40, 30);
        QFile broken(fixture.file("bad/2.jpg"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("not a photo");
        broken.close();
        // No placeholder to stand in for the broken photo: the import cannot finish.
        QVERIFY(QFile::remove(fixture.file("photo/Thumbnails_nophoto.jpg")));
        Desk desk;
        desk->cusname->setText("孙女士");
        desk->foldername->setText(fixture.file("bad"));
        testing_support::LogCapture log("verimond.customers");
        desk->Image2Click();
        QCOMPARE(fixture.dialogs().Texts(), QStringList{"保存失败"});
        // The box says only that it failed; the log says why.
        QCOMPARE(log.warnings(), QStringList{"customer 孙女士 not added: 无法读取图片文件: "
                                             "photo/Thumbnails_nophoto.jpg"});
        QCOMPARE(Count("customer", "1=1"), 0);
        QCOMPARE(Count("photoinfo", "1=1"), 0);
        QCOMPARE(Count("customerxc", "1=1"), 0);
    }

    void saveWritesTheLoadedCustomerAndOpensIt() {
        RuntimeFixture fixture;
        const qint64 id = AddRow("周", "关闭");
        Desk desk;
        Select(*desk, id);
        desk->ListmatchClick();
        desk->cusname->setText("周先生's");
        desk->foldername->setText("/photos/周");
        desk->Memo1->setPlainText("改过");
        desk->ImagemtchsaveClick();
        QCOMPARE(fixture.dialogs().Texts(), QStringList{"保存成功"});
        const auto record = customers::LoadCustomer(id);
        QVERIFY(record);
        QCOMPARE(record->name, QString("周先生's"));
        QCOMPARE(record->photoPath, QString("/photos/周"));
        QCOMPARE(record->note, QString("改过"));
        QCOMPARE(customers::StatusOf(id), QString("正常"));  // saving opens a closed customer
        QCOMPARE(desk->Listmatch->selectedItems().size(), 0);

        // Deleted meanwhile: nothing is written, and no transaction stays open.
        data::Execute("delete from customer where customerid=" + Id(id));
        desk->ImagemtchsaveClick();
        QCOMPARE(fixture.dialogs().Texts().last(), QString("未找到记录!"));
        QCOMPARE(Count("customer", "1=1"), 0);
        QVERIFY(data::Connection().transaction());
        QVERIFY(data::Connection().rollback());
    }

    void statusToggles() {
        RuntimeFixture fixture;
        const qint64 open = AddRow("开着的");
        const qint64 closed = AddRow("关着的", "关闭");
        Desk desk;
        desk->Image4Click();  // nothing loaded: nothing happens
        QCOMPARE(customers::StatusOf(open), QString("正常"));
        for (auto [id, after] : {std::pair{open, "关闭"}, std::pair{closed, "正常"}}) {
            Click(*desk, id);
            desk->Image4Click();
            QCOMPARE(customers::StatusOf(id), QString(after));
            QCOMPARE(desk->Listmatch->selectedItems().first()->text(Tfrmmain::kStatusColumn),
                     QString(after));
        }
        QVERIFY(fixture.dialogs().shown.empty());
    }

    void deleteRemovesOnlyThatCustomer() {
        RuntimeFixture fixture;
        const qint64 gone = AddCustomer(fixture, "要删的", 3);
        const qint64 kept = AddCustomer(fixture, "留下的", 2);
        for (qint64 customer : {gone, kept}) {
            const QString sample =
                data::LookupValue("photoinfo", "id", "customerid=" + Id(customer));
            data::Execute("insert into xcphoto(customerid,photoid,xcmc) values(" + Id(customer) +
                          "," + sample + ",'精修相册')");
        }
        Desk desk;
        Click(*desk, gone);
        fixture.dialogs().answers = {Answer::No, Answer::Closed, Answer::Yes};
        desk->Image5Click();
        desk->Image5Click();
        QCOMPARE(Count("photoinfo", "customerid=" + Id(gone)), 3);
        desk->Image5Click();
        QCOMPARE(fixture.dialogs().Texts(QString("question")),
                 QStringList(3, "确定要删除客户要删的的所有信息吗?"));
        for (const char* table : {"customer", "photoinfo", "customerxc", "xcphoto"}) {
            QCOMPARE(Count(table, "customerid=" + Id(gone)), 0);
            QVERIFY(Count(table, "customerid=" + Id(kept)) > 0);
        }
        QCOMPARE(ListedNames(*desk), QStringList{"留下的"});
        // The photo files stay where the studio keeps them.
        QVERIFY(QFile::exists(fixture.file("shoots/要删的/001.jpg")));
    }

    void reimportAddsOnlyNewFiles() {
        RuntimeFixture fixture;
        const qint64 id = AddCustomer(fixture, "复拍", 3);
        fixture.writePhoto("shoots/复拍/004.jpg", 60, 40);
        fixture.writePhoto("shoots/复拍/005.jpg", 60, 40);
        Desk desk;
        desk->Image6Click();  // nothing loaded: nothing happens
        QVERIFY(fixture.dialogs().shown.empty());
        Select(*desk, id);
        desk->ListmatchClick();
        desk->Image6Click();
        QCOMPARE(fixture.dialogs().Texts(), QStringList{"更新成功！"});
        QCOMPARE(OrderNumbers(id), (QList<int>{1, 1, 2, 2, 3}));
        desk->Image6Click();
        QCOMPARE(Count("photoinfo", "customerid=" + Id(id)), 5);
        QCOMPARE(fixture.dialogs().Texts().last(), QString("更新成功！"));

        // Another folder typed in is imported for this customer without being saved.
        fixture.writePhoto("其他/a.jpg", 60, 40);
        desk->foldername->setText(fixture.file("其他"));
        desk->Image6Click();
        QCOMPARE(Count("photoinfo", "customerid=" + Id(id)), 6);
        QCOMPARE(customers::LoadCustomer(id)->photoPath, fixture.file("shoots/复拍"));

        desk->foldername->setText(fixture.file("拔掉的硬盘"));
        desk->Image6Click();
        QCOMPARE(fixture.dialogs().Texts().last(),
                 "样片文件夹不存在: " + fixture.file("拔掉的硬盘"));
        QCOMPARE(Count("photoinfo", "customerid=" + Id(id)), 6);
    }

    // What the window says about an import: no file type ticked is refused (a customer
    // without samples), and a subfolder it may not read is named and counted.
    void importRefusesNoTypesAndNamesLockedFolders() {
        RuntimeFixture fixture;
        fixture.writePhoto("shoot/1.jpg", 60, 40);
        fixture.writePhoto("shoot/locked/2.jpg", 60, 40);
        Desk desk;
        desk->cusname->setText("陈先生");
        desk->foldername->setText(fixture.file("shoot"));
        desk->cbincsub->setChecked(true);
        desk->cbfileype1->click();
        desk->cbfileype2->click();
        desk->Image2Click();
        QCOMPARE(fixture.dialogs().Texts(), QStringList{"请至少选择一种文件类型"});
        QCOMPARE(Count("customer", "1=1"), 0);

        desk->cbfileype1->click();
        const QString locked = fixture.file("shoot/locked");
        QVERIFY(QFile::setPermissions(locked, QFileDevice::Permissions()));
        {
            testing_support::OrdinaryFileAccess ordinary;
            desk->Image2Click();
        }
        QFile::setPermissions(
            locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(fixture.dialogs().Texts().mid(1),
                 QStringList({"保存成功",
                              "有1个文件夹无法打开,其中的照片没有导入:\n" + locked +
                                  " (没有权限)\n请检查文件夹的权限后,点击\"更新目录\"补充导入。"}));
        QCOMPARE(Count("photoinfo", "1=1"), 1);
    }

    void buttonsActOnTheCustomerShownNotTheHighlight() {
        RuntimeFixture fixture;
        const qint64 shown = AddCustomer(fixture, "演示客户", 3);
        const qint64 next = AddCustomer(fixture, "下一位", 1);
        const qint64 other = AddCustomer(fixture, "再下一位", 1);
        fixture.writePhoto("shoots/演示客户/004.jpg", 60, 40);
        Desk desk;
        Click(*desk, shown);
        const auto keyDown = [&] {
            desk->Listmatch->setFocus();
            QTest::keyClick(desk->Listmatch, Qt::Key_Down);
        };
        const auto highlighted = [&] { return desk->Listmatch->currentItem()->text(3); };
        keyDown();
        keyDown();
        QCOMPARE(highlighted(), Id(other));
        QCOMPARE(desk->cusname->text(), QString("演示客户"));  // the keyboard loads nothing

        desk->Image6Click();
        QCOMPARE(Count("photoinfo", "customerid=" + Id(shown)), 4);
        QCOMPARE(Count("photoinfo", "customerid=" + Id(other)), 1);
        QCOMPARE(highlighted(), Id(shown));

        keyDown();
        desk->Image4Click();
        QCOMPARE(customers::StatusOf(shown), QString("关闭"));
        QCOMPARE(customers::StatusOf(next), QString("正常"));

        keyDown();
        fixture.dialogs().answers = {Answer::No, Answer::Yes};
        desk->Image7Click();
        keyDown();
        desk->Image5Click();
        QCOMPARE(fixture.dialogs().Texts("question"),
                 (QStringList{"确定要打乱客户演示客户的样片顺序吗?",
                              "确定要删除客户演示客户的所有信息吗?"}));
        QCOMPARE(Count("customer", "customerid=" + Id(shown)), 0);
        QCOMPARE(ListedNames(*desk), (QStringList{"下一位", "再下一位"}));
    }

    void shuffleNumbersOneToN() {
        RuntimeFixture fixture;
        const qint64 id = AddCustomer(fixture, "五张", 5);
        const qint64 other = AddCustomer(fixture, "别人", 3);
        const qint64 none = AddRow("没有样片");
        const auto order = [](qint64 customer) {
            QStringList files;
            for (const auto& row : data::QueryRows(
                     "select filename from V_photoinfo where customerid=" + Id(customer)))
                files << data::TextOf(row, "filename");
            return files;
        };
        const QStringList before = order(id);
        Desk desk;
        Click(*desk, id);
        fixture.dialogs().answers = {Answer::No, Answer::Closed};
        desk->Image7Click();
        desk->Image7Click();
        QCOMPARE(order(id), before);
        QCOMPARE(fixture.dialogs().Texts(QString("question")),
                 QStringList(2, "确定要打乱客户五张的样片顺序吗?"));

        // Five samples have 120 orders: a few shuffles give another one.
        QSet<QString> orders;
        for (int i = 0; i < 4; ++i) {
            desk->Image7Click();
            QCOMPARE(OrderNumbers(id), (QList<int>{1, 2, 3, 4, 5}));
            QCOMPARE(fixture.dialogs().Texts().last(), QString("操作成功"));
            QStringList now = order(id);
            QCOMPARE(QSet<QString>(now.begin(), now.end()),
                     QSet<QString>(before.begin(), before.end()));
            orders.insert(now.join('|'));
        }
        QVERIFY(orders.size() > 1);
        QCOMPARE(OrderNumbers(other), (QList<int>{1, 2, 3}));

        Click(*desk, none);
        desk->Image7Click();
        QCOMPARE(fixture.dialogs().Texts().last(), QString("未找到记录!"));
    }

    void folderChooserAndTypeBoxes() {
        RuntimeFixture fixture;
        Desk desk;
        desk->foldername->setText("/typed");
        fixture.dialogs().folders = QStringList{};
        desk->Image11Click();  // cancelled
        QCOMPARE(desk->foldername->text(), QString("/typed"));
        fixture.dialogs().folders = QStringList{"/photos/chosen"};
        desk->Image11Click();
        QCOMPARE(desk->foldername->text(), QString("/photos/chosen"));
        QCOMPARE(fixture.dialogs().Texts(QString("folder")), QStringList(2, "选择样片目录"));

        desk->cbfileype3->click();
        QCOMPARE(desk->acceptedTypes(), QString(".jpg,.jpeg,.bmp,"));
        desk->cbfileype1->click();
        desk->cbfileype2->click();
        QCOMPARE(desk->acceptedTypes(), QString(".bmp,"));
        desk->cbfileype3->click();
        QCOMPARE(desk->acceptedTypes(), QString());
    }

    // Stations on one database: a customer made on another station appears in the
    // workspace's drop-down when the customer window closes.
    void customerOfAnotherStationAppearsAfterTheDeskCloses() {
        WorkspaceFixture fixture;
        app::Tfrmps& workspace = fixture.workspace();
        const QString first = fixture.addCustomer("甲", 2);
        fixture.choose(first);
        workspace.State().adminLoggedIn = true;
        fixture.writePhoto("elsewhere/1.jpg", 60, 40);
        QProcess station;
        station.setWorkingDirectory(fixture.path());
        station.start(VERIMOND_ADMIN_PATH,
                      {"import", "--name", "乙", "--folder", fixture.file("elsewhere")});
        QVERIFY(station.waitForFinished(120000));
        QVERIFY2(station.exitCode() == 0, station.readAllStandardError().constData());
        QCOMPARE(workspace.Rzcbcustomer->count(), 1);

        QTimer::singleShot(0, [] {
            if (auto* desk = qobject_cast<Tfrmmain*>(QApplication::activeModalWidget()))
                desk->close();
        });
        workspace.SpeedButton2Click();
        QCOMPARE(workspace.Rzcbcustomer->count(), 2);
        QVERIFY(workspace.Rzcbcustomer->findText("乙") >= 0);
        QCOMPARE(workspace.State().customerId, first);
    }

    void workspaceFollowsAfterTheDeskCloses() {
        WorkspaceFixture fixture;
        app::Tfrmps& workspace = fixture.workspace();
        const QString first = fixture.addCustomer("甲", 3);
        const QString second = fixture.addCustomer("乙", 2);
        fixture.choose(first);
        fixture.pick(first, fixture.sampleAt(first, 1), "精修相册");
        workspace.State().adminLoggedIn = true;

        // The workspace's button opens the desk modally; its closing refreshes the workspace.
        int opened = 0;
        QTimer::singleShot(0, [&] {
            auto* desk = qobject_cast<Tfrmmain*>(QApplication::activeModalWidget());
            QVERIFY(desk);
            ++opened;
            fixture.writePhoto("shoots/甲/004.jpg", 96, 64);
            Select(*desk, first.toLongLong());
            desk->ListmatchClick();
            desk->Image6Click();  // re-import the customer the workspace shows
            desk->close();
        });
        workspace.SpeedButton2Click();
        QCOMPARE(opened, 1);
        QCOMPARE(workspace.State().customerId, first);
        QCOMPARE(workspace.strip()->Maximum(), 4);

        // Deleted: the workspace switches to the first open customer.
        {
            Desk desk(&workspace, [&] { workspace.RefreshCustomersAfterManagement(); });
            Click(*desk, first.toLongLong());
            desk->Image5Click();
            desk->close();
        }
        QCOMPARE(workspace.State().customerId, second);
        QCOMPARE(workspace.Rzcbcustomer->currentText(), QString("乙"));
        QCOMPARE(workspace.strip()->Maximum(), 2);
        QCOMPARE(workspace.Rzcbcustomer->count(), 1);

        // Closed, with no open customer left: nothing of it stays on screen.
        {
            Desk desk(&workspace, [&] { workspace.RefreshCustomersAfterManagement(); });
            Click(*desk, second.toLongLong());
            desk->Image4Click();
            desk->close();
        }
        QCOMPARE(workspace.Rzcbcustomer->count(), 0);
        QVERIFY(workspace.State().customerId.isEmpty());
        QVERIFY(workspace.State().currentSampleFile.isEmpty());
        for (int cell = 1; cell <= workspace::kStripCells; ++cell) {
            QVERIFY(workspace.strip()->SampleIdAt(cell).isEmpty());
            QVERIFY(
                testing_support::ControlNamed<QLabel>(&workspace, "disimg" + QString::number(cell))
                    ->isHidden());
        }
        QCOMPARE(workspace.Label1->text(), app::Tfrmps::CustomerPrompt());
        QCOMPARE(workspace.AlbumCaptions(), QStringList{"全部"});
        // Stepping and picking find no customer to act on.
        workspace.Image25Click();
        QVERIFY(fixture.dialogs().Texts(QString("error")).isEmpty());
    }
};

QTEST_MAIN(TestCustomerDesk)
#include "test_customer_desk.moc"
