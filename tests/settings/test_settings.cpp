// The settings window and the administrator's password window.

#include <QApplication>
#include <QtTest>

#include "customers/photo_import.h"
#include "data/connection.h"
#include "data/errors.h"
#include "data/records.h"
#include "settings/admin_password.h"
#include "settings/studio_settings.h"
#include "settings/system_settings.h"
#include "settings/tfrmset.h"
#include "settings/tsetpass.h"
#include "support/runtime_fixture.h"
#include "support/server_run.h"
#include "workspace/workspace_state.h"

using testing_support::RuntimeFixture;

namespace {

QString Setting(const QString& name) {
    return data::LookupValue("SysSet", "itemvalue", "itemname='" + data::SqlQuote(name) + "'");
}

QStringList Library() {
    QStringList names;
    for (const QSqlRecord& row : data::QueryRows("select xcmc from xclib order by id"))
        names << data::TextOf(row, "xcmc");
    return names;
}

QStringList Listed(const settings::Tfrmset& w) {
    QStringList names;
    for (int i = 0; i < w.xclist->count(); ++i) names << w.xclist->item(i)->text();
    return names;
}

void Tick(settings::Tfrmset& w, const QString& name) {
    const auto items = w.xclist->findItems(name, Qt::MatchExactly);
    QVERIFY(!items.isEmpty());
    for (QListWidgetItem* item : items) item->setCheckState(Qt::Checked);
}

void SetPassword(const QString& password) {
    data::Execute("update usertable set password='" + data::SqlQuote(password) +
                  "' where username='admin'");
}

// The typed value of one key, for comparing against a table.
QVariant Typed(const settings::StudioSettings& s, const QString& key) {
    namespace keys = settings::keys;
    if (key == keys::kPrintInfo) return s.printInfo;
    if (key == keys::kLockWithoutLogin) return s.lockWithoutLogin;
    if (key == keys::kWidescreenRatio)
        return s.widescreenRatio ? QVariant(*s.widescreenRatio) : QVariant();
    if (key == keys::kWidescreenOn) return s.widescreenOn;
    if (key == keys::kStartPage) return s.startPage;
    if (key == keys::kCameraOrientation) return s.cameraOrientation;
    if (key == keys::kPreviewBudget)
        return s.previewBudgetMb ? QVariant(*s.previewBudgetMb) : QVariant();
    return QVariant();
}

}  // namespace

class TestSettings : public QObject {
    Q_OBJECT

  private slots:
    void savedTogetherAndReadBack() {
        RuntimeFixture fixture;
        // A file from before the start page existed, and with qhkh gone as well.
        data::Execute("delete from SysSet where itemname in ('startpage','qhkh')");
        workspace::WorkspaceState state;
        auto* w = new settings::Tfrmset(nullptr, state);
        QPointer<settings::Tfrmset> alive(w);
        w->show();
        QCOMPARE(w->RzEdit1->text(), QString("请核对以上选片信息，确认无误后签字。"));
        QVERIFY(!w->RzCheckBox1->isChecked());
        QCOMPARE(w->RzEdit5->text(), QString("75"));
        QCOMPARE(w->RzEdit6->text(), QString());
        QCOMPARE(Listed(*w), (QStringList{"精修相册", "放大摆台", "电子相册"}));

        w->RzEdit1->setText("王府井店 O'Brien's 影楼 电话: 010-1234");
        w->RzCheckBox1->setChecked(true);
        w->RzEdit5->setText(" 080 ");
        w->RzEdit6->setText("https://select.example.com/djclientlogin.htm");
        w->Button3Click();
        QCOMPARE(fixture.dialogs().Texts(), QStringList{"保存成功"});
        QVERIFY(alive.isNull() || !alive->isVisible());
        QTRY_VERIFY(alive.isNull());  // closed windows free themselves

        QCOMPARE(Setting("printinfo"), QString("王府井店 O'Brien's 影楼 电话: 010-1234"));
        QCOMPARE(Setting("qhkh"), QString("是"));
        QCOMPARE(Setting("widthsalerote"), QString("80"));  // stored as a number, not as typed
        QCOMPARE(Setting("startpage"), QString("https://select.example.com/djclientlogin.htm"));
        QCOMPARE(state.widescreenRatio, 80);

        settings::Tfrmset again(nullptr, state);
        again.show();
        QCOMPARE(again.RzEdit1->text(), QString("王府井店 O'Brien's 影楼 电话: 010-1234"));
        QVERIFY(again.RzCheckBox1->isChecked());
        QCOMPARE(again.RzEdit5->text(), QString("80"));
    }

    // Stored text (a null QVariant: no row) to typed value. A missing or damaged ratio has
    // no value; the import then draws at 100 and the workspace reports it.
    void storedValuesAreTyped_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QVariant>("typed");
        const QVariant missing;
        const auto row = [](const char* name) -> QTestData& { return QTest::newRow(name); };
        row("ratio missing") << "widthsalerote" << missing << QVariant();
        row("ratio empty") << "widthsalerote" << QVariant("") << QVariant();
        row("ratio not a number") << "widthsalerote" << QVariant("8O") << QVariant();
        row("ratio decimal") << "widthsalerote" << QVariant("75.5") << QVariant();
        row("ratio blanks around") << "widthsalerote" << QVariant(" 80 ") << QVariant(80);
        row("ratio out of range") << "widthsalerote" << QVariant("300") << QVariant(300);
        row("ratio negative") << "widthsalerote" << QVariant("-5") << QVariant(-5);
        row("ratio normal") << "widthsalerote" << QVariant("75") << QVariant(75);
        row("widescreen missing") << "openwidthsale" << missing << QVariant(false);
        row("widescreen empty") << "openwidthsale" << QVariant("") << QVariant(false);
        row("widescreen other") << "openwidthsale" << QVariant("yes") << QVariant(false);
        row("widescreen on") << "openwidthsale" << QVariant("是") << QVariant(true);
        row("widescreen off") << "openwidthsale" << QVariant("否") << QVariant(false);
        row("lock missing") << "qhkh" << missing << QVariant(false);
        row("lock blank before") << "qhkh" << QVariant(" 是") << QVariant(false);
        row("lock on") << "qhkh" << QVariant("是") << QVariant(true);
        row("orientation missing") << "cameraorientation" << missing << QVariant(true);
        row("orientation empty") << "cameraorientation" << QVariant("") << QVariant(true);
        row("orientation other") << "cameraorientation" << QVariant("no") << QVariant(true);
        row("orientation off") << "cameraorientation" << QVariant("否") << QVariant(false);
        row("start page missing") << "startpage" << missing << QVariant("");
        row("start page blank") << "startpage" << QVariant("  ") << QVariant("");
        row("start page trimmed") << "startpage" << QVariant(" https://a.example/ ")
                                  << QVariant("https://a.example/");
        row("footer missing") << "printinfo" << missing << QVariant("");
        row("footer quoted") << "printinfo" << QVariant("Tom's 影楼") << QVariant("Tom's 影楼");
        row("preview budget missing") << "previewbudget" << missing << QVariant(5120);
        row("preview budget blanks around")
            << "previewbudget" << QVariant(" 2048 ") << QVariant(2048);
        row("preview budget not a number") << "previewbudget" << QVariant("5GB") << QVariant();
    }
    void storedValuesAreTyped() {
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        QFETCH(QVariant, typed);
        RuntimeFixture fixture;
        data::Execute("delete from SysSet where itemname='" + data::SqlQuote(key) + "'");
        if (!stored.isNull())
            data::Execute("insert into SysSet(itemname, itemvalue) values('" + data::SqlQuote(key) +
                          "', '" + data::SqlQuote(stored.toString()) + "')");
        const settings::StudioSettings s = settings::ReadStudioSettings();
        QCOMPARE(Typed(s, key), typed);

        // The import and the settings window read the same values.
        const customers::ImportOptions import = customers::ImportOptionsFromSettings("", false);
        QCOMPARE(import.widescreen, s.widescreenOn);
        if (key == "widthsalerote")
            QCOMPARE(import.widescreenRatio, typed.isNull() ? 100 : typed.toInt());
        QCOMPARE(import.cameraOrientation, s.cameraOrientation);
        const settings::SystemSettings shown = settings::ReadSystemSettings();
        QCOMPARE(shown.lockWithoutLogin, s.lockWithoutLogin);
        QCOMPARE(shown.cameraOrientation, s.cameraOrientation);
        QCOMPARE(shown.printInfo, s.printInfo);
        if (key == "widthsalerote") QCOMPARE(shown.widescreenRatio, stored.toString());
    }

    void saveAnnouncesTheStoredSettings() {
        RuntimeFixture fixture;
        QSignalSpy saved(&settings::SettingsNotifier::Instance(),
                         &settings::SettingsNotifier::Saved);
        workspace::WorkspaceState state;
        settings::Tfrmset w(nullptr, state);
        w.show();
        w.RzEdit5->setText(" 090 ");
        w.RzCheckBox2->setChecked(false);
        w.RzEdit6->setText(" https://a.example/ ");
        w.Button3Click();
        QCOMPARE(saved.size(), 1);
        const auto s = saved.first().first().value<settings::StudioSettings>();
        QCOMPARE(s.widescreenRatio.value_or(0), 90);
        QVERIFY(!s.cameraOrientation);
        QCOMPARE(s.startPage, QString("https://a.example/"));

        // A refused value saves nothing and announces nothing.
        settings::Tfrmset refused(nullptr, state);
        refused.show();
        refused.RzEdit5->setText("8O");
        refused.Button3Click();
        QCOMPARE(saved.size(), 1);
    }

    void widescreenRatioIsChecked_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("taken");
        QTest::newRow("100") << "100" << true;
        QTest::newRow("lowest") << "50" << true;
        QTest::newRow("highest") << "200" << true;
        QTest::newRow("below") << "49" << false;
        QTest::newRow("above") << "201" << false;
        QTest::newRow("zero") << "0" << false;
        QTest::newRow("negative") << "-80" << false;
        QTest::newRow("letter") << "8O" << false;
        QTest::newRow("fraction") << "75.5" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("huge") << "99999999999" << false;
    }
    void widescreenRatioIsChecked() {
        QFETCH(QString, typed);
        QFETCH(bool, taken);
        RuntimeFixture fixture;
        workspace::WorkspaceState state;
        settings::Tfrmset w(nullptr, state);
        w.setAttribute(Qt::WA_DeleteOnClose, false);
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const QString refusal = "调整比率必须为50到200之间的整数";

        // Leaving the field for another one.
        w.RzEdit5->setFocus();
        w.RzEdit5->setText(typed);
        w.RzEdit1->setFocus();
        QTest::qWait(0);
        QCoreApplication::processEvents();
        QCOMPARE(fixture.dialogs().Texts(), taken ? QStringList() : QStringList{refusal});
        QCOMPARE(w.RzEdit5->hasFocus(), !taken);

        // Saving checks again, whatever had the focus.
        w.Button3Click();
        QCOMPARE(fixture.dialogs().Texts().last(), taken ? QString("保存成功") : refusal);
        QCOMPARE(Setting("widthsalerote"), taken ? QString::number(typed.toInt()) : QString("75"));
        QCOMPARE(state.widescreenRatio, taken ? typed.toInt() : 100);
    }

    void previewBudgetIsChecked_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("taken");
        QTest::newRow("default") << "5120" << true;
        QTest::newRow("lowest") << "100" << true;
        QTest::newRow("highest") << "1000000" << true;
        QTest::newRow("blanks around") << " 2048 " << true;
        QTest::newRow("below") << "99" << false;
        QTest::newRow("above") << "1000001" << false;
        QTest::newRow("zero") << "0" << false;
        QTest::newRow("negative") << "-2048" << false;
        QTest::newRow("with a unit") << "5GB" << false;
        QTest::newRow("fraction") << "2048.5" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("huge") << "99999999999" << false;
    }
    void previewBudgetIsChecked() {
        QFETCH(QString, typed);
        QFETCH(bool, taken);
        RuntimeFixture fixture;
        workspace::WorkspaceState state;
        settings::Tfrmset w(nullptr, state);
        w.setAttribute(Qt::WA_DeleteOnClose, false);
        w.show();
        QCOMPARE(w.Label10->text(), QString("预览缓存上限(MB):"));
        QCOMPARE(w.RzEdit7->text(), QString("5120"));  // a database without the row
        w.RzEdit7->setText(typed);
        w.Button3Click();
        const QString refusal = "预览缓存上限必须是 100 到 1000000 之间的整数";
        QCOMPARE(settings::PreviewBudgetRefusal(typed), taken ? QString() : refusal);
        QCOMPARE(fixture.dialogs().Texts(), QStringList(taken ? QString("保存成功") : refusal));
        QCOMPARE(Setting("previewbudget"), taken ? QString::number(typed.toInt()) : QString());
        if (taken)
            QCOMPARE(settings::PreviewBudgetBytes(settings::ReadStudioSettings()),
                     qint64(typed.toInt()) << 20);
    }

    void damagedPreviewBudgetIsRefused_data() {
        QTest::addColumn<QString>("stored");
        QTest::newRow("not a number") << "5GB";
        QTest::newRow("zero") << "0";
        QTest::newRow("negative") << "-1";
    }
    void damagedPreviewBudgetIsRefused() {
        QFETCH(QString, stored);
        RuntimeFixture fixture;
        QCOMPARE(settings::PreviewBudgetBytes(settings::ReadStudioSettings()), qint64(5120) << 20);
        settings::WriteSetting("previewbudget", stored);
        QVERIFY_THROWS_EXCEPTION(data::ConversionError,
                                 settings::PreviewBudgetBytes(settings::ReadStudioSettings()));
        // The window shows it as stored, for the staff to put right.
        workspace::WorkspaceState state;
        settings::Tfrmset w(nullptr, state);
        w.setAttribute(Qt::WA_DeleteOnClose, false);
        w.show();
        QCOMPARE(w.RzEdit7->text(), stored);
    }

    void albumListEdits() {
        RuntimeFixture fixture;
        workspace::WorkspaceState state;
        settings::Tfrmset w(nullptr, state);
        w.setAttribute(Qt::WA_DeleteOnClose, false);
        w.show();
        for (const QString& refused : {"", "   ", "全部", " 全部 ", "放大摆台", "放大摆台  "}) {
            w.RzEdit4->setText(refused);
            w.Button1Click();
        }
        QCOMPARE(fixture.dialogs().Texts(),
                 (QStringList{"请输入相册名称", "请输入相册名称", "该分类名称已经存在,请重新输入!",
                              "该分类名称已经存在,请重新输入!", "该分类名称已经存在,请重新输入!",
                              "该分类名称已经存在,请重新输入!"}));
        w.RzEdit4->setText("  婚纱'相册 ");
        w.Button1Click();
        w.RzEdit4->setText("挂历");
        w.Button1Click();
        Tick(w, "精修相册");
        Tick(w, "电子相册");
        w.Button2Click();
        QCOMPARE(Listed(w), (QStringList{"放大摆台", "婚纱'相册", "挂历"}));
        QVERIFY(w.xclist->item(0)->checkState() == Qt::Unchecked);

        // Closing without saving keeps the library as it was.
        w.exitButton()->click();
        QCOMPARE(Library(), (QStringList{"精修相册", "放大摆台", "电子相册"}));

        w.Button3Click();
        QCOMPARE(Library(), (QStringList{"放大摆台", "婚纱'相册", "挂历"}));

        // An empty list empties the library.
        settings::Tfrmset empty(nullptr, state);
        empty.setAttribute(Qt::WA_DeleteOnClose, false);
        empty.show();
        for (int i = 0; i < empty.xclist->count(); ++i)
            empty.xclist->item(i)->setCheckState(Qt::Checked);
        empty.Button2Click();
        empty.Button3Click();
        QVERIFY(Library().isEmpty());
    }

    void enterInATextFieldPressesNoButton_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("newAlbum");
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("footer, a name typed") << 0 << "挂历" << QStringList() << QStringList();
        QTest::newRow("footer, no name") << 0 << "" << QStringList() << QStringList();
        QTest::newRow("ratio") << 1 << "挂历" << QStringList() << QStringList();
        QTest::newRow("start page") << 2 << "" << QStringList() << QStringList();
        QTest::newRow("new album: added once")
            << 3 << "挂历" << QStringList{"挂历"} << QStringList();
        QTest::newRow("new album, empty")
            << 3 << "" << QStringList() << QStringList{"请输入相册名称"};
    }
    void enterInATextFieldPressesNoButton() {
        QFETCH(int, field);
        QFETCH(QString, newAlbum);
        QFETCH(QStringList, added);
        QFETCH(QStringList, messages);
        RuntimeFixture fixture;
        workspace::WorkspaceState state;
        settings::Tfrmset w(nullptr, state);
        w.setAttribute(Qt::WA_DeleteOnClose, false);
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QLineEdit* const fields[] = {w.RzEdit1, w.RzEdit5, w.RzEdit6, w.RzEdit4};
        w.RzEdit4->setText(newAlbum);
        fields[field]->setFocus();
        QTest::keyClick(fields[field], Qt::Key_Return);
        QCoreApplication::processEvents();
        QCOMPARE(Listed(w), QStringList({"精修相册", "放大摆台", "电子相册"}) + added);
        QCOMPARE(fixture.dialogs().Texts(), messages);
        QVERIFY(w.isVisible());
    }

    void plainHttpStartPageIsPointedOut_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("noted");
        QTest::newRow("empty") << "" << false;
        QTest::newRow("https") << "https://select.example.com/djclientlogin.htm" << false;
        QTest::newRow("HTTPS") << "HTTPS://select.example.com/" << false;
        QTest::newRow("http") << "http://192.168.1.20:8080/djclientlogin.htm" << true;
        QTest::newRow("refused anyway") << "file:///etc/passwd" << false;
    }
    void plainHttpStartPageIsPointedOut() {
        QFETCH(QString, typed);
        QFETCH(bool, noted);
        RuntimeFixture fixture;
        data::Execute("insert into SysSet values('startpage', 'http://old.example.com/')");
        workspace::WorkspaceState state;
        settings::Tfrmset w(nullptr, state);
        w.setAttribute(Qt::WA_DeleteOnClose, false);
        w.show();
        QVERIFY(w.Label9->isVisible());  // the stored address is pointed out on opening
        w.RzEdit6->setText(typed);
        QCOMPARE(w.Label9->isVisible(), noted);
        if (noted) QVERIFY(w.Label9->text().contains("https://"));
        QVERIFY(fixture.dialogs().shown.empty());
    }

    void failedSaveChangesNothing() {
        RuntimeFixture fixture;
        testing_support::FailInsertsInto("xclib");
        workspace::WorkspaceState state;
        settings::Tfrmset w(nullptr, state);
        w.setAttribute(Qt::WA_DeleteOnClose, false);
        w.show();
        w.RzEdit1->setText("新的页脚");
        w.RzEdit5->setText("90");
        w.RzCheckBox1->setChecked(true);
        w.Button3Click();
        QCOMPARE(fixture.dialogs().Texts(), QStringList{"保存失败"});
        QVERIFY(w.isVisible());
        QCOMPARE(Setting("printinfo"), QString("请核对以上选片信息，确认无误后签字。"));
        QCOMPARE(Setting("widthsalerote"), QString("75"));
        QCOMPARE(Setting("qhkh"), QString("否"));
        QCOMPARE(Library(), (QStringList{"精修相册", "放大摆台", "电子相册"}));
        QCOMPARE(state.widescreenRatio, 100);
    }

    void startPageAddress_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("taken");
        QTest::newRow("empty: local page") << "" << true;
        QTest::newRow("https") << "https://select.example.com/djclientlogin.htm" << true;
        QTest::newRow("http with port") << "http://192.168.1.20:8080/djclientlogin.htm" << true;
        QTest::newRow("no scheme") << "select.example.com" << false;
        QTest::newRow("file") << "file:///etc/passwd" << false;
        QTest::newRow("no host") << "https://" << false;
    }
    void startPageAddress() {
        QFETCH(QString, typed);
        QFETCH(bool, taken);
        RuntimeFixture fixture;
        workspace::WorkspaceState state;
        settings::Tfrmset w(nullptr, state);
        w.setAttribute(Qt::WA_DeleteOnClose, false);
        w.show();
        w.RzEdit6->setText(typed);
        w.Button3Click();
        QCOMPARE(fixture.dialogs().Texts().join(""),
                 taken ? QString("保存成功")
                       : QString("在线首页地址必须是以http://或https://开头的网址"));
        QCOMPARE(Setting("startpage"), taken ? typed : QString());
    }

    void passwordChangeRefusals_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("old");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("cleared");
        QTest::newRow("case counts") << "Abc"
                                     << "abc"
                                     << "x"
                                     << "x"
                                     << "旧密码错误！" << false;
        QTest::newRow("old checked first") << "Abc"
                                           << ""
                                           << "x"
                                           << "y"
                                           << "旧密码错误！" << false;
        QTest::newRow("entries differ") << ""
                                        << ""
                                        << "new1"
                                        << "new2"
                                        << "两次输入密码不一致,请重新输入!" << true;
    }
    void passwordChangeRefusals() {
        QFETCH(QString, stored);
        QFETCH(QString, old);
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(QString, message);
        QFETCH(bool, cleared);
        RuntimeFixture fixture;
        SetPassword(stored);
        settings::Tsetpass w(nullptr);
        w.setAttribute(Qt::WA_DeleteOnClose, false);
        w.show();
        w.oldpass->setText(old);
        w.MEPass1->setText(first);
        w.MEPass2->setText(second);
        w.Image1Click();
        QCOMPARE(fixture.dialogs().Texts(), QStringList{message});
        QVERIFY(w.isVisible());
        QCOMPARE(w.oldpass->text(), old);
        QCOMPARE(w.MEPass1->text(), cleared ? QString() : first);
        QCOMPARE(w.MEPass2->text(), cleared ? QString() : second);
        QCOMPARE(data::LookupValue("usertable", "password", "username='admin'"), stored);
    }

    void passwordChangeStoresTheNewPassword() {
        RuntimeFixture fixture;
        auto* w = new settings::Tsetpass(nullptr);
        QPointer<settings::Tsetpass> alive(w);
        w->show();
        QCOMPARE(w->Image2->objectName(), QString("Image2"));
        QCOMPARE(w->Label1->text(), QString("修改密码"));
        // The new password comes first in the tab order, the old one last.
        QApplication::setActiveWindow(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
        QVERIFY(w->MEPass1->hasFocus());
        QTest::keyClick(w->MEPass1, Qt::Key_Return);
        QVERIFY(w->MEPass2->hasFocus());
        QTest::keyClick(w->MEPass2, Qt::Key_Return);
        QVERIFY(w->oldpass->hasFocus());
        QTest::keyClick(w->oldpass, Qt::Key_Return);
        QVERIFY(w->MEPass1->hasFocus());
        QCOMPARE(w->MEPass1->echoMode(), QLineEdit::Password);

        // The initial empty password lets an empty old-password field through.
        w->MEPass1->setText("it's 影楼'");
        w->MEPass2->setText("it's 影楼'");
        w->Image1Click();
        QCOMPARE(fixture.dialogs().Texts(), QStringList{"密码已修改"});
        QCOMPARE(data::LookupValue("usertable", "password", "username='admin'"),
                 QString("it's 影楼'"));
        QTRY_VERIFY(alive.isNull());
    }

    void emptyNewPasswordNeedsAYes_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("Cancel") << false;
        QTest::newRow("Yes") << true;
    }
    void emptyNewPasswordNeedsAYes() {
        QFETCH(bool, yes);
        RuntimeFixture fixture;
        SetPassword("old");
        fixture.dialogs().answers = {yes ? widgets::Answer::Yes : widgets::Answer::Closed};
        settings::Tsetpass w(nullptr);
        w.setAttribute(Qt::WA_DeleteOnClose, false);
        w.show();
        w.oldpass->setText("old");
        w.Image1Click();
        QCOMPARE(fixture.dialogs().Texts("warning"),
                 QStringList{"您没有输入的密码为空，确定要把该用户的密码设为空吗?"});
        QCOMPARE(data::LookupValue("usertable", "password", "username='admin'"),
                 yes ? QString() : QString("old"));
        QCOMPARE(fixture.dialogs().Texts("message"),
                 yes ? QStringList{"密码已修改"} : QStringList());
        QCOMPARE(w.isVisible(), !yes);
    }

    void passwordChangeWithoutItsRow() {
        RuntimeFixture fixture;
        data::Execute("delete from usertable");
        settings::Tsetpass w(nullptr);
        w.setAttribute(Qt::WA_DeleteOnClose, false);
        w.show();
        w.MEPass1->setText("a");
        w.MEPass2->setText("a");
        w.Image1Click();
        bool refused = false;
        try {
            settings::StoreAdminPassword("a");  // no row to change: not a success
        } catch (const data::DbError&) {
            refused = true;
        }
        QVERIFY(refused);
        data::CloseConnection();
        w.Image1Click();
        QCOMPARE(fixture.dialogs().Texts(),
                 (QStringList{"不存在该用户或此帐号未启用！", "数据库错误！"}));
        QVERIFY(w.isVisible());
    }
};

QTEST_MAIN(TestSettings)
#include "test_settings.moc"
