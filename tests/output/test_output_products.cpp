// The three products on real files: the folder of copies with its notes, the .xlsx read
// back by openpyxl, and the printed list as PDF read back by poppler.

#include <sys/stat.h>

#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include "output/folder_export.h"
#include "output/selection_list.h"
#include "output/spreadsheet.h"
#include "output_fixture.h"

using testing_support::FileDigest;
using testing_support::OutputFixture;
using testing_support::ReadAll;

namespace {

// Answers from a script and records what was asked.
class ScriptedQuestions : public output::ExportQuestions {
  public:
    bool GoOnPastMissing(const QString& source) override {
        asked << "missing " + source;
        return goOn;
    }
    bool Overwrite(const QString& newPath) override {
        asked << "exists " + newPath;
        return replace;
    }
    void Progress(int done, int total, const QString&) override {
        progress << QString("%1/%2").arg(done).arg(total);
    }
    bool goOn = true;
    bool replace = true;
    QStringList asked;
    QStringList progress;
};

QStringList NotesLines(const QString& folder) {
    QStringDecoder decoder("GB18030");
    QString text = decoder.decode(ReadAll(folder + "/样片说明.txt"));
    if (text.isEmpty()) return {};
    Q_ASSERT(text.endsWith("\r\n"));
    text.chop(2);
    return text.split("\r\n");
}

QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

}  // namespace

class TestOutputProducts : public QObject {
    Q_OBJECT

  private slots:
    void folderExportCopiesAndNotes() {
        OutputFixture fixture;
        const QString a = fixture.addCustomer(
            "甲", {{"IMG_0012.jpg", 96, 64}, {"IMG_0045.jpg", 64, 96}, {"IMG_0050.jpg", 96, 64}});
        fixture.pick(a, 2, "放大摆台");
        fixture.pick(a, 1, "精修相册");
        fixture.pick(a, 2, "精修相册");
        fixture.setNote(a, 2, "做封面");
        const QString out = fixture.file("导出");
        QDir().mkpath(out);
        ScriptedQuestions questions;
        const output::ExportResult result =
            output::ExportToFolder(fixture.customer(a), out, {}, questions);
        QVERIFY(result.ok());
        QVERIFY(questions.asked.isEmpty());
        QCOMPARE(questions.progress, QStringList({"1/3", "2/3", "3/3"}));
        QCOMPARE(output::ClosingMessage(result), QString("导出成功"));
        QCOMPARE(FilesIn(out),
                 QStringList({"1-放大摆台-IMG_0045.jpg", "2-精修相册-IMG_0012.jpg",
                              "3-精修相册-IMG_0045.jpg", "文件名列表.txt", "样片说明.txt"}));
        const QString photos = fixture.photoPath(a);
        QCOMPARE(FileDigest(out + "/3-精修相册-IMG_0045.jpg"),
                 FileDigest(photos + "/IMG_0045.jpg"));
        QCOMPARE(NotesLines(out),
                 QStringList({"1   放大摆台   " + out + "/1-放大摆台-IMG_0045.jpg   做封面",
                              "2   精修相册   " + out + "/2-精修相册-IMG_0012.jpg   ",
                              "3   精修相册   " + out + "/3-精修相册-IMG_0045.jpg   做封面"}));
        QCOMPARE(ReadAll(out + "/文件名列表.txt"),
                 output::EncodeNotesText({"放大摆台: IMG_0045", "精修相册: IMG_0012, IMG_0045"}));

        // Without the notes option, only the copies are written.
        const QString bare = fixture.file("bare");
        QDir().mkpath(bare);
        output::ExportOptions options;
        options.writeNotes = false;
        options.naming = {false, false};
        output::ExportToFolder(fixture.customer(a), bare, options, questions);
        QCOMPARE(FilesIn(bare), QStringList({"1.jpg", "2.jpg", "3.jpg"}));
    }

    void numbersStayGaplessAfterAKeptFile() {
        OutputFixture fixture;
        const QString a = fixture.addCustomer("甲", {{"a.jpg", 96, 64}, {"b.jpg", 96, 64}});
        fixture.pick(a, 1, "精修相册");
        fixture.pick(a, 2, "精修相册");
        const QString out = fixture.file("导出");
        QDir().mkpath(out);
        QFile existing(out + "/1-精修相册-a.jpg");
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.write("kept");
        existing.close();
        ScriptedQuestions questions;
        questions.replace = false;
        const output::ExportResult result =
            output::ExportToFolder(fixture.customer(a), out, {}, questions);
        QCOMPARE(questions.asked, QStringList({"exists " + out + "/1-精修相册-a.jpg"}));
        QCOMPARE(result.kept, QStringList({out + "/1-精修相册-a.jpg"}));
        QCOMPARE(ReadAll(out + "/1-精修相册-a.jpg"), QByteArray("kept"));
        // The next copy takes the number the kept one would have used.
        QCOMPARE(result.copied, QStringList({out + "/1-精修相册-b.jpg"}));
        QCOMPARE(NotesLines(out), QStringList({"1   精修相册   " + out + "/1-精修相册-b.jpg   "}));

        // A second export into the same folder asks about each target; Yes replaces them.
        ScriptedQuestions again;
        const output::ExportResult replaced =
            output::ExportToFolder(fixture.customer(a), out, {}, again);
        QCOMPARE(again.asked.size(), 1);  // 1-精修相册-a.jpg; 2-精修相册-b.jpg is new
        QCOMPARE(replaced.copied.size(), 2);
        QCOMPARE(FileDigest(out + "/1-精修相册-a.jpg"),
                 FileDigest(fixture.photoPath(a) + "/a.jpg"));
    }

    void missingSource() {
        OutputFixture fixture;
        const QString a =
            fixture.addCustomer("甲", {{"a.jpg", 96, 64}, {"b.jpg", 96, 64}, {"c.jpg", 96, 64}});
        for (int n = 1; n <= 3; ++n) fixture.pick(a, n, "精修相册");
        const QString missing = fixture.photoPath(a) + "/b.jpg";
        QVERIFY(QFile::remove(missing));

        // Yes: the pick is passed over and uses no number.
        const QString yes = fixture.file("yes");
        QDir().mkpath(yes);
        ScriptedQuestions goOn;
        const output::ExportResult passed =
            output::ExportToFolder(fixture.customer(a), yes, {}, goOn);
        QCOMPARE(goOn.asked, QStringList({"missing " + missing}));
        QCOMPARE(passed.missing, QStringList({missing}));
        QCOMPARE(NotesLines(yes), QStringList({"1   精修相册   " + yes + "/1-精修相册-a.jpg   ",
                                               "2   精修相册   " + yes + "/2-精修相册-c.jpg   "}));

        // No: the export stops at once; what was copied stays, no notes are written.
        const QString no = fixture.file("no");
        QDir().mkpath(no);
        ScriptedQuestions stop;
        stop.goOn = false;
        const output::ExportResult stopped =
            output::ExportToFolder(fixture.customer(a), no, {}, stop);
        QVERIFY(stopped.stopped);
        QCOMPARE(FilesIn(no), QStringList({"1-精修相册-a.jpg"}));
    }

    void emptySelectionWritesEmptyNotes() {
        OutputFixture fixture;
        const QString a = fixture.addCustomer("甲", {{"a.jpg", 96, 64}});
        const QString out = fixture.file("导出");
        QDir().mkpath(out);
        ScriptedQuestions questions;
        const output::ExportResult result =
            output::ExportToFolder(fixture.customer(a), out, {}, questions);
        QCOMPARE(output::ClosingMessage(result), QString("导出成功"));
        QCOMPARE(FilesIn(out), QStringList({"文件名列表.txt", "样片说明.txt"}));
        QCOMPARE(QFileInfo(out + "/样片说明.txt").size(), 0);
    }

    void failedCopyIsNotClaimed() {
        OutputFixture fixture;
        const QString a = fixture.addCustomer("甲", {{"a.jpg", 96, 64}, {"b.jpg", 96, 64}});
        // An album name longer than a file name may be: its copy is refused by the disk.
        const QString tooLong = QString(100, QChar(0x5a5a));
        fixture.pick(a, 1, tooLong);
        fixture.pick(a, 2, "精修相册");
        // A folder in the way of a copy's name.
        const QString out = fixture.file("导出");
        QDir().mkpath(out + "/2-精修相册-b.jpg");
        fixture.pick(a, 2, "精修相册");
        ScriptedQuestions questions;
        const output::ExportResult result =
            output::ExportToFolder(fixture.customer(a), out, {}, questions);
        QVERIFY(!result.ok());
        QCOMPARE(result.failures.size(), size_t(2));
        QCOMPARE(result.failures[0].reason, QString("文件名太长"));
        QCOMPARE(result.failures[1].reason, QString("同名的文件夹已存在"));
        // The failed pick used no number: the next one is 1, its repeat tries 2 (the folder,
        // replaced on Yes, fails) and is not claimed either.
        QCOMPARE(result.copied, QStringList({out + "/1-精修相册-b.jpg"}));
        QCOMPARE(NotesLines(out), QStringList({"1   精修相册   " + out + "/1-精修相册-b.jpg   "}));
        const QString message = output::ClosingMessage(result);
        QVERIFY2(message.startsWith("导出完成,已复制1个文件,以下2个文件复制失败:"),
                 qPrintable(message));
        // Nothing half-written is left behind.
        for (const QString& name : FilesIn(out)) QVERIFY2(!name.startsWith("."), qPrintable(name));
    }

    // Something that is no regular file under a photo's name is refused at once: a pipe
    // would keep the export waiting for ever.
    void sourcesThatAreNotFiles_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("pipe") << "pipe";
        QTest::newRow("link to a pipe") << "link";
        QTest::newRow("folder") << "folder";
    }
    void sourcesThatAreNotFiles() {
        QFETCH(QString, kind);
        OutputFixture fixture;
        const QString a = fixture.addCustomer("甲", {{"a.jpg", 96, 64}, {"b.jpg", 96, 64}});
        fixture.pick(a, 1, "精修相册");
        fixture.pick(a, 2, "精修相册");
        const QString photo = fixture.photoPath(a) + "/a.jpg";
        QVERIFY(QFile::remove(photo));
        if (kind == "pipe") {
            QCOMPARE(mkfifo(QFile::encodeName(photo).constData(), 0644), 0);
        } else if (kind == "link") {
            QCOMPARE(mkfifo(QFile::encodeName(fixture.file("pipe")).constData(), 0644), 0);
            QVERIFY(QFile::link(fixture.file("pipe"), photo));
        } else {
            QVERIFY(QDir().mkpath(photo));
        }
        const QString out = fixture.file("导出");
        QDir().mkpath(out);
        ScriptedQuestions questions;
        const output::ExportResult result =
            output::ExportToFolder(fixture.customer(a), out, {}, questions);
        QCOMPARE(result.failures.size(), size_t(1));
        QCOMPARE(result.failures[0].source, photo);
        QCOMPARE(result.failures[0].reason, QString("源文件不是普通文件"));
        QCOMPARE(result.copied, QStringList({out + "/1-精修相册-b.jpg"}));
    }

    // Half-written copies of an export that was killed are removed by the next; files that
    // only look alike stay.
    void leftoversOfAKilledExportAreRemoved() {
        OutputFixture fixture;
        const QString a = fixture.addCustomer("甲", {{"a.jpg", 96, 64}});
        fixture.pick(a, 1, "精修相册");
        const QString out = fixture.file("导出");
        QDir().mkpath(out + "/.verimond-Dir123");
        // A spreadsheet being written into the same folder keeps its temporary file.
        for (const char* name :
             {".verimond-k7Qx2a", ".verimond-export-Zp09aB", ".verimond-export.lock",
              ".verimond-notes", ".verimond-abc", ".verimond-xlsx-Ab12Cd"}) {
            QFile file(out + "/" + name);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("half");
        }
        QVERIFY(QFile::link(fixture.photoPath(a) + "/a.jpg", out + "/.verimond-Link12"));
        ScriptedQuestions questions;
        const output::ExportResult result =
            output::ExportToFolder(fixture.customer(a), out, {}, questions);
        QVERIFY(result.ok());
        QCOMPARE(FilesIn(out), QStringList({".verimond-Link12", ".verimond-abc", ".verimond-notes",
                                            ".verimond-xlsx-Ab12Cd", "1-精修相册-a.jpg",
                                            "文件名列表.txt", "样片说明.txt"}));
        QVERIFY(QFileInfo(out + "/.verimond-Dir123").isDir());
    }

    // The copies must never land in the customer's photo folder, where a re-import with
    // subfolders would take them for new samples.
    void exportFolderInsideThePhotoFolder_data() {
        QTest::addColumn<QString>("folder");  // below the photo folder; "@" a link into it
        QTest::addColumn<bool>("refused");
        QTest::newRow("the photo folder") << "" << true;
        QTest::newRow("a folder inside") << "/王女士" << true;
        QTest::newRow("a deeper new folder") << "/a/b" << true;
        QTest::newRow("a link into it") << "@" << true;
        QTest::newRow("beside it") << "/../导出" << false;
    }
    void exportFolderInsideThePhotoFolder() {
        QFETCH(QString, folder);
        QFETCH(bool, refused);
        OutputFixture fixture;
        const QString a = fixture.addCustomer("王女士", {{"a.jpg", 96, 64}});
        fixture.pick(a, 1, "精修相册");
        const QString photos = fixture.photoPath(a);
        QString target = photos + folder;
        if (folder == "@") {
            target = fixture.file("link");
            QVERIFY(QFile::link(photos, target));
        }
        QDir().mkpath(target);
        ScriptedQuestions questions;
        const output::ExportResult result =
            output::ExportToFolder(fixture.customer(a), target, {}, questions);
        QCOMPARE(QFile::exists(target + "/1-精修相册-a.jpg"), !refused);
        if (refused)
            QCOMPARE(
                output::ClosingMessage(result),
                "导出文件夹" + target + "在客户的样片文件夹" + photos +
                    "里,以后更新目录时导出的照片会被当成新样片导入,请选择样片文件夹以外的文件夹");
        else
            QCOMPARE(output::ClosingMessage(result), QString("导出成功"));
    }

    void defaultFolderLiesBesideThePhotoFolder() {
        OutputFixture fixture;
        // The photo folder named after the customer, as studios often do, and one that is not.
        const QString named = fixture.addCustomer("王女士", {{"a.jpg", 96, 64}});
        QCOMPARE(output::DefaultExportFolder(fixture.customer(named)),
                 fixture.file("shoots/王女士-选片"));
        const QString other = fixture.addCustomer("0501", {{"a.jpg", 96, 64}});
        data::Execute("update customer set customername='李先生' where customerid=" + other);
        QCOMPARE(output::DefaultExportFolder(fixture.customer(other)),
                 fixture.file("shoots/李先生"));
        // A folder stored with a trailing slash before folders were normalised.
        data::Execute("update customer set photopath=photopath || '/' where customerid=" + other);
        QCOMPARE(output::DefaultExportFolder(fixture.customer(other)),
                 fixture.file("shoots/李先生"));
    }

    // A second export into a folder at the same time is refused, without waiting.
    void oneExportAtATimePerFolder() {
        OutputFixture fixture;
        const QString a = fixture.addCustomer("甲", {{"a.jpg", 96, 64}});
        fixture.pick(a, 1, "精修相册");
        const QString out = fixture.file("导出");
        QDir().mkpath(out);
        ScriptedQuestions questions;
        {
            const output::ExportFolderLock other(out);
            QVERIFY(other.isHeld());
            const output::ExportResult busy =
                output::ExportToFolder(fixture.customer(a), out, {}, questions);
            QCOMPARE(output::ClosingMessage(busy),
                     "另一个导出正在写入文件夹" + out + ",请等它完成后再导出");
            QCOMPARE(FilesIn(out), QStringList({".verimond-export.lock"}));
        }
        // Each export removes its lock file when it is done.
        QCOMPARE(FilesIn(out), QStringList());
        QVERIFY(output::ExportToFolder(fixture.customer(a), out, {}, questions).ok());
        QCOMPARE(FilesIn(out), QStringList({"1-精修相册-a.jpg", "文件名列表.txt", "样片说明.txt"}));
    }

    // A folder that holds an earlier export: refused, or added to with the numbers going
    // on and the text files describing both exports.
    void earlierExportRefusedOrAddedTo() {
        OutputFixture fixture;
        const QString a = fixture.addCustomer("甲", {{"a.jpg", 96, 64}, {"b.jpg", 96, 64}});
        fixture.pick(a, 1, "精修相册");
        fixture.pick(a, 2, "放大摆台");
        const QString out = fixture.file("导出");
        QDir().mkpath(out);
        ScriptedQuestions questions;
        QVERIFY(output::ExportToFolder(fixture.customer(a), out, {}, questions).ok());
        QFile other(out + "/客户要求.doc");  // not the export's: no number
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.close();
        const QStringList first = FilesIn(out);

        output::ExportOptions refuse;
        refuse.earlier = output::EarlierExport::Refuse;
        const output::ExportResult refused =
            output::ExportToFolder(fixture.customer(a), out, refuse, questions);
        QCOMPARE(refused.earlier, QStringList({"1-精修相册-a.jpg", "2-放大摆台-b.jpg",
                                               "文件名列表.txt", "样片说明.txt"}));
        QCOMPARE(
            output::ClosingMessage(refused),
            "文件夹" + out +
                "中已有以前导出的文件(1-精修相册-a.jpg、2-放大摆台-b.jpg、文件名列表.txt等4个),"
                "没有导出");
        QCOMPARE(FilesIn(out), first);
        QVERIFY(questions.asked.isEmpty());

        output::ExportOptions add;
        add.earlier = output::EarlierExport::Add;
        add.naming.albumName = false;
        const output::ExportResult added =
            output::ExportToFolder(fixture.customer(a), out, add, questions);
        QVERIFY(added.ok());
        QCOMPARE(added.copied, QStringList({out + "/3-a.jpg", out + "/4-b.jpg"}));
        QVERIFY(questions.asked.isEmpty());
        QCOMPARE(NotesLines(out), QStringList({"1   精修相册   " + out + "/1-精修相册-a.jpg   ",
                                               "2   放大摆台   " + out + "/2-放大摆台-b.jpg   ",
                                               "3   精修相册   " + out + "/3-a.jpg   ",
                                               "4   放大摆台   " + out + "/4-b.jpg   "}));
        QCOMPARE(
            ReadAll(out + "/文件名列表.txt"),
            output::EncodeNotesText({"精修相册: a", "放大摆台: b", "精修相册: a", "放大摆台: b"}));
    }

    void spreadsheetReadBack() {
        OutputFixture fixture;
        const QString a = fixture.addCustomer("甲", {{"0012.jpg", 96, 64}, {"2.jpg", 96, 64}});
        fixture.pick(a, 1, "0012");
        fixture.pick(a, 2, "精修相册");
        fixture.setNote(a, 2, "2-3");
        const QString path = fixture.file("选片单.xlsx");
        QString reason;
        QCOMPARE(output::ExportSpreadsheet(fixture.customer(a), path, &reason), 2);
        const QString script = R"(
import json, sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]
print(json.dumps([[{"v": c.value, "t": c.data_type, "f": c.number_format} for c in row]
                  for row in ws.iter_rows()]))
print(openpyxl.load_workbook(sys.argv[1], read_only=True).worksheets[0].calculate_dimension())
)";
        int exitCode = 0;
        const QString out =
            testing_support::RunTool("/usr/bin/python3", {"-c", script, path}, &exitCode);
        QCOMPARE(exitCode, 0);
        // The sheet declares just the cells written, not every column there could be.
        QCOMPARE(out.section('\n', 1, 1), QString("A1:D3"));
        const QJsonArray rows = QJsonDocument::fromJson(out.section('\n', 0, 0).toUtf8()).array();
        const QString photos = fixture.photoPath(a);
        const QList<QStringList> expected = {{"序号", "相册名称", "图片地址", "要求备注"},
                                             {"1", "0012", photos + "/0012.jpg", ""},
                                             {"2", "精修相册", photos + "/2.jpg", "2-3"}};
        QCOMPARE(rows.size(), expected.size());
        for (int r = 0; r < rows.size(); ++r) {
            const QJsonArray cells = rows[r].toArray();
            QCOMPARE(cells.size(), 4);
            for (int c = 0; c < 4; ++c) {
                const QJsonObject cell = cells[c].toObject();
                QCOMPARE(cell["v"].toString(), expected[r][c]);
                QCOMPARE(cell["f"].toString(), QString("@"));
                if (!expected[r][c].isEmpty()) QCOMPARE(cell["t"].toString(), QString("s"));
            }
        }
        // Readable like any new file of the user's, not private to the program.
        QFile plain(fixture.file("plain.txt"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        QCOMPARE(QFileInfo(path).permissions(), QFileInfo(plain.fileName()).permissions());

        // A folder that does not exist cannot take the file: no file, a reason.
        QCOMPARE(
            output::ExportSpreadsheet(fixture.customer(a), fixture.file("nowhere/x.xlsx"), &reason),
            -1);
        QVERIFY(!reason.isEmpty());
    }

    void pagination_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("pictures");
        QTest::addColumn<QList<int>>("perPage");
        QTest::newRow("no rows") << 0 << true << QList<int>{0};
        QTest::newRow("first page full") << 11 << true << QList<int>{11};
        QTest::newRow("one more") << 12 << true << QList<int>{11, 1};
        QTest::newRow("three pages") << 36 << true << QList<int>{11, 12, 12, 1};
        QTest::newRow("compact") << 48 << false << QList<int>{48};
        QTest::newRow("compact, two pages") << 100 << false << QList<int>{48, 52};
    }
    void pagination() {
        QFETCH(int, rows);
        QFETCH(bool, pictures);
        QFETCH(QList<int>, perPage);
        const auto pages = output::PaginateList(rows, pictures);
        QList<int> counts;
        int next = 0;
        for (const output::ListPage& page : pages) {
            QCOMPARE(page.firstRow, next);
            next += page.rowCount;
            counts << page.rowCount;
        }
        QCOMPARE(counts, perPage);
    }

    void listAsPdf() {
        OutputFixture fixture;
        std::vector<OutputFixture::Photo> photos;
        for (int n = 1; n <= 12; ++n)
            photos.push_back({QString("IMG_%1.jpg").arg(n, 4, 10, QChar('0')), 300, 200});
        const QString a = fixture.addCustomer("王女士", photos);
        for (int n = 1; n <= 12; ++n) fixture.pick(a, n, "精修相册");
        fixture.setNote(a, 1, "做封面");
        data::UpdateValue("SysSet", "itemvalue", "'谢谢惠顾'", "itemname='printinfo'");

        const output::SelectionList list = output::LoadSelectionList(fixture.customer(a), true);
        QCOMPARE(list.rows.at(0).path, QString("IMG_0001.jpg"));
        const QString pdf = fixture.file("list.pdf");
        QString reason;
        QVERIFY2(output::WriteSelectionListPdf(list, pdf, &reason), qPrintable(reason));
        const QStringList pages = testing_support::PdfPages(pdf);
        QCOMPARE(pages.size(), 2);
        const auto simplified = [](QString s) { return s.simplified(); };
        const QString first = simplified(pages[0]);
        const QString second = simplified(pages[1]);
        QVERIFY2(first.contains("客户 王女士 选片单"), qPrintable(first));
        QVERIFY(first.contains("文件夹路径:" + fixture.photoPath(a)));
        QVERIFY(first.contains("共 12 个"));
        QVERIFY(first.contains("做封面"));
        QVERIFY(first.contains("谢谢惠顾") && second.contains("谢谢惠顾"));
        QVERIFY(first.contains("第 1 页") && second.contains("第 2 页"));
        QVERIFY(!second.contains("选片单"));
        for (const QString& header : {"序号", "相册名称", "文件地址", "照片小样", "要求/备注"})
            QVERIFY(first.contains(header) && second.contains(header));
        QVERIFY(second.contains("IMG_0012.jpg") && !first.contains("IMG_0012.jpg"));

        // The pictures are in their cells: the first row's picture cell is the photo's red.
        int exitCode = 0;
        testing_support::RunTool(
            "pdftoppm", {"-png", "-r", "50", "-f", "1", "-l", "1", pdf, fixture.file("page")},
            &exitCode);
        QCOMPARE(exitCode, 0);
        const QImage page(fixture.file("page-1.png"));
        QVERIFY(!page.isNull());
        const double pxPerMm = page.width() / 210.0;
        // First row: band from 10 + 18.8 + 7.4 mm; picture at 106.4 + 10 mm, 20 mm high.
        const QPoint inPicture(int((10 + 106.4 + 13.6) * pxPerMm), int((36.2 + 10) * pxPerMm));
        const QColor colour = page.pixelColor(inPicture);
        QVERIFY2(colour.red() > 150 && colour.green() < 100, qPrintable(QColor(colour).name()));

        // Compact rows: all twelve on one page, the picture column empty.
        const output::SelectionList compact = output::LoadSelectionList(fixture.customer(a), false);
        QVERIFY(compact.rows.at(0).picture.isNull());
        QVERIFY(output::WriteSelectionListPdf(compact, pdf, &reason));
        QCOMPARE(testing_support::PdfPages(pdf).size(), 1);
    }

    void longNameStaysOnThePage() {
        OutputFixture fixture;
        // As long as the customer window allows (50 characters), less one.
        const QString name = QString("新娘王小姐与新郎李先生婚纱照套餐").repeated(4).left(49);
        const QString a = fixture.addCustomer(name, {{"a.jpg", 96, 64}});
        fixture.pick(a, 1, "精修相册");
        const output::SelectionList list = output::LoadSelectionList(fixture.customer(a), false);
        const QString pdf = fixture.file("long.pdf");
        QString reason;
        QVERIFY2(output::WriteSelectionListPdf(list, pdf, &reason), qPrintable(reason));
        // Text off the paper is not in the page's text.
        const QString text = testing_support::PdfPages(pdf).at(0).simplified();
        QVERIFY2(text.contains("客户 " + name + " 选片单"), qPrintable(text));
    }

    void emptyListIsOnePage() {
        OutputFixture fixture;
        const QString a = fixture.addCustomer("甲", {{"a.jpg", 96, 64}});
        data::UpdateValue("SysSet", "itemvalue", "''", "itemname='printinfo'");
        const output::SelectionList list = output::LoadSelectionList(fixture.customer(a), true);
        const QString pdf = fixture.file("empty.pdf");
        QString reason;
        QVERIFY(output::WriteSelectionListPdf(list, pdf, &reason));
        const QStringList pages = testing_support::PdfPages(pdf);
        QCOMPARE(pages.size(), 1);
        const QString text = pages[0].simplified();
        QVERIFY2(text.contains("客户 甲 选片单") && text.contains("共 0 个") &&
                     text.contains("照片小样") && text.contains("第 1 页"),
                 qPrintable(text));
    }
};

QTEST_MAIN(TestOutputProducts)
#include "test_output_products.moc"
