// The output window as the staff use it: opening from the workspace, its defaults, and
// each button end to end with scripted dialogs.

#include <QApplication>
#include <QClipboard>
#include <QPointer>
#include <QTimer>
#include <QtTest>

#include "output/folder_export.h"
#include "output/tfrmout.h"
#include "output_fixture.h"
#include "support/workspace_fixture.h"
#include "widgets/tfrmpb.h"

using testing_support::FileDigest;
using testing_support::OutputFixture;

namespace {

struct Window {
    Window(OutputFixture& fixture, const QString& customerId) {
        state.customerId = customerId;
        state.customerPhotoPath = fixture.photoPath(customerId);
        window = std::make_unique<output::Tfrmout>(nullptr, state, [] { return false; });
    }
    workspace::WorkspaceState state;
    std::unique_ptr<output::Tfrmout> window;
};

// A customer with two photos: a.jpg picked into 精修相册, b.jpg into 放大摆台.
QString TwoPicks(OutputFixture& fixture, const QString& name = "甲") {
    const QString id = fixture.addCustomer(name, {{"a.jpg", 96, 64}, {"b.jpg", 96, 64}});
    fixture.pick(id, 1, "精修相册");
    fixture.pick(id, 2, "放大摆台");
    return id;
}

QString StagedMark() { return data::LookupValue("print", "count(*)", "xcmc='earlier'"); }

void StageEarlierRow() {
    data::AppendRow("print", {{"xcmc", "earlier"}, {"filepath", "/x.jpg"}, {"customerid", 99}});
}

}  // namespace

class TestOutputWindow : public QObject {
    Q_OBJECT

  private slots:
    void opensFromTheWorkspaceWithDefaults() {
        testing_support::WorkspaceFixture fixture;
        fixture.workspace().SpeedButton3Click();
        QCOMPARE(fixture.dialogs().Texts("message"), QStringList({"请先选择客户！"}));

        const QString id = fixture.addCustomer("甲", 2);
        fixture.choose(id);
        QPointer<output::Tfrmout> seen;
        bool looked = false;
        QTimer::singleShot(0, [&] {
            auto* window = qobject_cast<output::Tfrmout*>(QApplication::activeModalWidget());
            QVERIFY(window);
            seen = window;
            QCOMPARE(window->windowTitle(), QString("输出结果"));
            QCOMPARE(window->titleLabel()->text(), QString("打印或导出选片结果"));
            for (QCheckBox* box : {window->rcb1, window->rcb2, window->rcb3, window->rcb4})
                QVERIFY(box->isChecked());
            QVERIFY(window->RzRadioButton1->isChecked() && !window->RzRadioButton2->isChecked());
            QCOMPARE(window->cbalbum->itemText(0), QString("全部"));
            QCOMPARE(window->cbalbum->count(), 1 + data::QueryRows("select * from xclib").size());
            looked = true;
            window->exitButton()->click();
        });
        fixture.workspace().SpeedButton3Click();
        QVERIFY(looked);
        QVERIFY(seen.isNull());  // closed and gone
    }

    void folderExport() {
        OutputFixture fixture;
        const QString id = TwoPicks(fixture);
        Window w(fixture, id);
        auto& dialogs = fixture.dialogs();

        // Cancelling the folder dialog ends without a word and stages nothing.
        StageEarlierRow();
        w.window->Button3Click();
        QCOMPARE(dialogs.Texts("folder"), QStringList({"选择输出路径"}));
        QCOMPARE(dialogs.Texts("message"), QStringList());
        QCOMPARE(StagedMark(), QString("1"));

        const QString out = fixture.file("导出");
        QDir().mkpath(out);
        w.window->rcb2->setChecked(false);
        dialogs.folders << out;
        w.window->Button3Click();
        QCOMPARE(dialogs.Texts("message"), QStringList({"导出成功"}));
        QVERIFY(QFile::exists(out + "/1-a.jpg") && QFile::exists(out + "/2-b.jpg"));
        QVERIFY(QFile::exists(out + "/样片说明.txt"));

        // Again into the same folder: asked per target, No keeps it; a missing source is
        // asked about and No stops the export without a closing message.
        QVERIFY(QFile::remove(fixture.photoPath(id) + "/b.jpg"));
        dialogs.shown.clear();
        dialogs.folders << out;
        dialogs.answers = {widgets::Answer::No, widgets::Answer::No};
        w.window->Button3Click();
        QCOMPARE(dialogs.Texts("question"),
                 QStringList({"文件" + out + "/1-a.jpg已经存在,是否覆盖?",
                              "要复制的文件" + fixture.photoPath(id) + "/b.jpg不存在,是否继续?"}));
        QCOMPARE(dialogs.Texts("message"), QStringList());
        for (QWidget* widget : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<widgets::Tfrmpb*>(widget));  // the notice is gone
    }

    void defaultFolder() {
        OutputFixture fixture;
        const QString id = TwoPicks(fixture, "王女士");
        Window w(fixture, id);
        w.window->RzRadioButton2->setChecked(true);
        w.window->Button3Click();
        QCOMPARE(fixture.dialogs().Texts("folder"), QStringList());
        QCOMPARE(fixture.dialogs().Texts("message"), QStringList({"导出成功"}));
        // Beside the photo folder, which is named after the customer here; never inside it.
        QVERIFY(QFile::exists(fixture.file("shoots/王女士-选片/1-精修相册-a.jpg")));
        QVERIFY(!QFile::exists(fixture.photoPath(id) + "/王女士"));

        // A photo folder beside which no folder can be made.
        QFile blocker(fixture.file("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        w.state.customerPhotoPath = fixture.file("blocker/样片");
        StageEarlierRow();
        fixture.dialogs().shown.clear();
        w.window->Button3Click();
        QCOMPARE(fixture.dialogs().Texts("message"),
                 QStringList({"未知原因导致创建文件夹失败,请尝试手工选择目录"}));
        QCOMPARE(StagedMark(), QString("1"));
    }

    // The window's export keeps the same rules as the script's: not into the photo folder,
    // not while another export writes into the folder.
    void folderExportRefusals() {
        OutputFixture fixture;
        const QString id = TwoPicks(fixture);
        Window w(fixture, id);
        auto& dialogs = fixture.dialogs();
        const QString inside = fixture.photoPath(id) + "/精修";
        QDir().mkpath(inside);
        dialogs.folders << inside;
        w.window->Button3Click();
        QCOMPARE(dialogs.Texts("message"),
                 QStringList({"导出文件夹" + inside + "在客户的样片文件夹" + fixture.photoPath(id) +
                              "里,以后更新目录时导出的照片会被当成新样片导入,"
                              "请选择样片文件夹以外的文件夹"}));
        QCOMPARE(QDir(inside).entryList(QDir::Files | QDir::Hidden), QStringList());

        const QString out = fixture.file("导出");
        QDir().mkpath(out);
        dialogs.shown.clear();
        dialogs.folders << out;
        {
            const output::ExportFolderLock other(out);
            w.window->Button3Click();
        }
        QCOMPARE(dialogs.Texts("message"),
                 QStringList({"另一个导出正在写入文件夹" + out + ",请等它完成后再导出"}));
        QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    void spreadsheet() {
        OutputFixture fixture;
        const QString id = TwoPicks(fixture);
        Window w(fixture, id);
        auto& dialogs = fixture.dialogs();
        w.window->Button4Click();  // cancelled
        QCOMPARE(dialogs.Texts("save"), QStringList({"导出结果到excel文件"}));
        QVERIFY(dialogs.opened.isEmpty());

        const QString path = fixture.file("选片单");  // the suffix is added
        dialogs.saveFiles << path;
        w.window->Button4Click();
        QCOMPARE(dialogs.opened, QList<QUrl>({QUrl::fromLocalFile(path + ".xlsx")}));
        QCOMPARE(dialogs.Texts("message"), QStringList());

        // No program for it: the staff are told where the file is. An existing file is
        // replaced only on Yes.
        dialogs.canOpen = false;
        const QByteArray before = FileDigest(path + ".xlsx");
        dialogs.saveFiles << path + ".xlsx" << path + ".xlsx";
        dialogs.answers = {widgets::Answer::Closed, widgets::Answer::Yes};
        w.window->Button4Click();
        QCOMPARE(FileDigest(path + ".xlsx"), before);
        w.window->Button4Click();
        QCOMPARE(dialogs.Texts("message"),
                 QStringList({"没有找到能打开电子表格的程序,文件已保存在:" + path + ".xlsx"}));

        // A file that cannot be made: the reason is given, and nothing was staged for it.
        StageEarlierRow();
        dialogs.saveFiles << fixture.file("nowhere/x.xlsx");
        w.window->Button4Click();
        QCOMPARE(dialogs.Texts("message").last(),
                 "链接EXCEL服务失败！(文件夹不存在):" + fixture.file("nowhere/x.xlsx"));
        QCOMPARE(StagedMark(), QString("1"));
    }

    void printing() {
        OutputFixture fixture;
        const QString id = TwoPicks(fixture);
        Window w(fixture, id);
        auto& dialogs = fixture.dialogs();
        StageEarlierRow();
        w.window->Button2Click();
        QCOMPARE(dialogs.Texts("message").size(), 1);
        QVERIFY(dialogs.Texts("message")[0].startsWith("没有找到默认打印机"));
        QCOMPARE(StagedMark(), QString("1"));  // nothing staged for a printer that is not there

        dialogs.hasPrinter = true;
        dialogs.printedPdf = fixture.file("printed.pdf");
        w.window->Button2Click();
        QCOMPARE(dialogs.Texts("message").size(), 1);
        const QString text = testing_support::PdfPages(dialogs.printedPdf).join("").simplified();
        QVERIFY2(text.contains("客户 甲 选片单") && text.contains("放大摆台"), qPrintable(text));
        // The job carries the list's name, for the queue and as the printed file's title.
        QCOMPARE(dialogs.Texts("print").last(), QString("客户 甲 选片单"));
        const QString info = testing_support::RunTool("pdfinfo", {dialogs.printedPdf});
        QVERIFY2(info.contains(QRegularExpression("Title: +客户 甲 选片单\n")), qPrintable(info));

        // A queue that does not take the job is reported with its reason.
        dialogs.printRefusal = "打印机暂停接收新的打印任务";
        w.window->Button2Click();
        QCOMPARE(dialogs.Texts("message").last(),
                 QString("打印失败(打印机暂停接收新的打印任务),请检查打印机。"));
    }

    void previewIsNotDisturbedByLaterStaging() {
        OutputFixture fixture;
        const QString a = TwoPicks(fixture, "甲");
        const QString b = fixture.addCustomer("乙", {{"z.jpg", 96, 64}});
        fixture.pick(b, 1, "电子相册");
        Window w(fixture, a);
        auto& dialogs = fixture.dialogs();
        dialogs.previewPdf = fixture.file("preview.pdf");
        dialogs.duringPreview = [&] {
            output::StageSelection(fixture.customer(b), output::PathForm::Relative,
                                   output::StagedPictures::None);
        };
        w.window->Button1Click();
        QCOMPARE(dialogs.Texts("preview").size(), 1);
        const QString text = testing_support::PdfPages(dialogs.previewPdf).join("").simplified();
        QVERIFY2(text.contains("客户 甲 选片单") && text.contains("共 2 个") &&
                     text.contains("精修相册") && !text.contains("电子相册"),
                 qPrintable(text));
    }

    void pdfFile() {
        OutputFixture fixture;
        const QString id = TwoPicks(fixture);
        Window w(fixture, id);
        auto& dialogs = fixture.dialogs();
        dialogs.saveFiles << fixture.file("list");
        w.window->rcb1->setChecked(false);
        w.window->btnpdfClick();
        QCOMPARE(dialogs.Texts("save"), QStringList({"导出PDF"}));
        QCOMPARE(dialogs.Texts("message"),
                 QStringList({"选片单已保存到:" + fixture.file("list.pdf")}));
        QCOMPARE(testing_support::PdfPages(fixture.file("list.pdf")).size(), 1);
    }

    void copyFileNames() {
        OutputFixture fixture;
        const QString id = fixture.addCustomer(
            "甲", {{"IMG_0012.JPG", 96, 64}, {"IMG_0045.JPG", 96, 64}, {"IMG_0050.JPG", 96, 64}});
        Window empty(fixture, id);
        empty.window->btncopynamesClick();
        QCOMPARE(fixture.dialogs().Texts("message"), QStringList({"没有入选的照片"}));

        fixture.pick(id, 2, "精修相册");
        fixture.pick(id, 1, "放大摆台");
        fixture.pick(id, 2, "放大摆台");
        Window w(fixture, id);
        w.window->cbalbum->setCurrentText("放大摆台");
        w.window->btncopynamesClick();
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("IMG_0012, IMG_0045"));
        w.window->cbalbum->setCurrentText("全部");
        w.window->btncopynamesClick();
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("IMG_0045, IMG_0012"));
        QCOMPARE(fixture.dialogs().Texts("message").last(), QString("已复制2个文件名到剪贴板"));
    }
};

QTEST_MAIN(TestOutputWindow)
#include "test_output_window.moc"
