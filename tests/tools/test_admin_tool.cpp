// verimond-admin as staff and scripts use it: its results and its refusals.

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QtTest>

#include "data/connection.h"
#include "data/records.h"
#include "support/admin_process.h"
#include "support/file_access.h"
#include "support/oriented_photos.h"
#include "support/runtime_fixture.h"

using testing_support::FileDigest;
using testing_support::RuntimeFixture;

namespace {

using Result = testing_support::AdminResult;
using testing_support::Admin;

// How files came to be in a folder while a command ran, as inotify saw it.
class FolderWatch {
  public:
    explicit FolderWatch(const QString& folder)
        : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)),
          watch_(inotify_add_watch(fd_, QFile::encodeName(folder).constData(),
                                   IN_MODIFY | IN_MOVED_TO | IN_CLOSE_WRITE)) {}
    ~FolderWatch() { close(fd_); }
    bool ok() const { return fd_ >= 0 && watch_ >= 0; }

    // Names that were written to under their own name before a complete file was renamed
    // into them (what happens to the file after it arrived is not counted).
    QStringList writtenInPlace(const QRegularExpression& names) {
        QStringList found;
        QSet<QString> arrived;
        alignas(inotify_event) char buffer[64 * 1024];
        for (;;) {
            const ssize_t length = read(fd_, buffer, sizeof buffer);
            if (length <= 0) break;
            for (ssize_t at = 0; at < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                const QString name = event->len ? QFile::decodeName(event->name) : QString();
                // A complete file arrives by a rename, or by a link of a file written
                // unnamed: either way its name never sees a write before it is whole.
                if (names.match(name).hasMatch()) {
                    if (event->mask & IN_MOVED_TO)
                        arrived.insert(name);
                    else if ((event->mask & (IN_MODIFY | IN_CLOSE_WRITE)) &&
                             !arrived.contains(name) && !found.contains(name))
                        found << name;
                }
                at += sizeof(inotify_event) + event->len;
            }
        }
        return found;
    }

  private:
    int fd_;
    int watch_;
};

}  // namespace

class TestAdminTool : public QObject {
    Q_OBJECT

  private slots:
    void initCreatesOnceAndNeverOverwrites() {
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        QCOMPARE(Admin({"init", fixture.file("store")}).exitCode, 0);
        const QString db = fixture.file("store/function.dll");
        QCOMPARE(data::OpenConnection(db), data::OpenResult::Opened);
        QCOMPARE(data::QueryRows("select * from SysSet").size(), size_t(4));
        data::CloseConnection();
        const QByteArray before = testing_support::FileDigest(db);
        const Result again = Admin({"init", fixture.file("store")});
        QVERIFY(again.exitCode != 0);
        QVERIFY(!again.err.isEmpty());
        QCOMPARE(testing_support::FileDigest(db), before);
    }

    void importCreatesTheCustomer() {
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        QCOMPARE(Admin({"init"}).exitCode, 0);
        fixture.writePhoto("shoot/1.jpg", 300, 200);
        fixture.writePhoto("shoot/2.bmp", 300, 200);
        fixture.writePhoto("shoot/sub/3.jpg", 300, 200);
        const Result result =
            Admin({"import", "--name", "陈女士", "--folder", fixture.file("shoot"), "--subfolders",
                   "--types", ".jpg,.bmp"});
        QCOMPARE(result.exitCode, 0);
        QVERIFY2(QRegularExpression("^id=\\d+ samples=3\\n$").match(result.out).hasMatch(),
                 qPrintable(result.out));
        QCOMPARE(data::OpenConnection(fixture.file("function.dll")), data::OpenResult::Opened);
        QCOMPARE(data::LookupValue("customer", "photopath", "customername='陈女士'"),
                 fixture.file("shoot"));
        QCOMPARE(data::LookupValue("customerxc", "count(*)", "1=1"),
                 data::LookupValue("xclib", "count(*)", "1=1"));
    }

    // A folder typed with a trailing slash is stored without it, so the list shows the
    // photos' paths below it.
    void importStoresTheFolderNormalised() {
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        QCOMPARE(Admin({"init"}).exitCode, 0);
        fixture.writePhoto("王/1.jpg", 60, 40);
        QCOMPARE(Admin({"import", "--name", "王", "--folder", fixture.file("王") + "/"}).exitCode,
                 0);
        QCOMPARE(data::OpenConnection(fixture.file("function.dll")), data::OpenResult::Opened);
        QCOMPARE(data::LookupValue("customer", "photopath", "1=1"), fixture.file("王"));
        QCOMPARE(data::LookupValue("photoinfo", "filename", "1=1"), fixture.file("王/1.jpg"));
        data::AppendRow("xcphoto",
                        {{"customerid", 1},
                         {"photoid", data::LookupValue("photoinfo", "id", "1=1").toInt()},
                         {"xcmc", "精修相册"}});
        data::CloseConnection();
        const Result pdf = Admin({"export", "--id", "1", "--pdf", "list.pdf", "--no-pictures"});
        QCOMPARE(pdf.exitCode, 0);
        QProcess text;
        text.start("pdftotext", {"-layout", "list.pdf", "-"});
        QVERIFY(text.waitForFinished(60000));
        const QString pages = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY2(pages.contains("1.jpg") && !pages.contains(fixture.file("王/1.jpg")),
                 qPrintable(pages));
    }

    // Hostile things in a sample folder under the real command: a pipe named like a photo,
    // links in a loop and out of the folder, a folder it may not read. The import ends and
    // says what it left out.
    void hostileFolderUnderTheRealCommand() {
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        QCOMPARE(Admin({"init"}).exitCode, 0);
        fixture.writePhoto("shoot/a.jpg", 60, 40);
        fixture.writePhoto("shoot/locked/b.jpg", 60, 40);
        fixture.writePhoto("elsewhere/c.jpg", 60, 40);
        const QString shoot = fixture.file("shoot");
        QCOMPARE(mkfifo(QFile::encodeName(shoot + "/pipe.jpg").constData(), 0644), 0);
        QVERIFY(QFile::link(".", shoot + "/again"));
        QVERIFY(QFile::link("..", shoot + "/up"));
        QVERIFY(QFile::setPermissions(shoot + "/locked", QFileDevice::Permissions()));
        // The tool must be able to use the database as an ordinary account would.
        QProcess admin;
        const QStringList command = testing_support::WithOrdinaryFileAccess(
            VERIMOND_ADMIN_PATH,
            {"import", "--name", "甲", "--folder", shoot, "--subfolders", "--types", ".jpg"});
        admin.start(command.first(), command.mid(1));
        QVERIFY(admin.waitForFinished(300000));
        QFile::setPermissions(shoot + "/locked", QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                     QFileDevice::ExeOwner);
        const QString err = QString::fromUtf8(admin.readAllStandardError());
        QCOMPARE(admin.exitCode(), 0);
        QVERIFY2(QString::fromUtf8(admin.readAllStandardOutput()).endsWith(" samples=1\n"),
                 qPrintable(err));
        QVERIFY2(
            err.contains("有1个文件夹无法打开,其中的照片没有导入:\n" + shoot +
                         "/locked (没有权限)") &&
                err.contains("有1个子文件夹是指向样片文件夹以外的链接,没有导入:\n" + shoot + "/up"),
            qPrintable(err));
    }

    void refusals_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("withDatabase");
        QTest::newRow("no command") << QStringList{} << true;
        QTest::newRow("unknown command") << QStringList{"frobnicate"} << true;
        QTest::newRow("no name") << QStringList{"import", "--folder", "."} << true;
        QTest::newRow("no folder") << QStringList{"import", "--name", "甲"} << true;
        QTest::newRow("missing folder")
            << QStringList{"import", "--name", "甲", "--folder", "nowhere"} << true;
        QTest::newRow("bad type") << QStringList{"import", "--name",  "甲",  "--folder",
                                                 ".",      "--types", ".gif"}
                                  << true;
        // An unset variable in a script would make a customer without samples.
        QTest::newRow("no type") << QStringList{"import", "--name",  "甲", "--folder",
                                                ".",      "--types", ""}
                                 << true;
        QTest::newRow("commas for types")
            << QStringList{"import", "--name", "甲", "--folder", ".", "--types", ","} << true;
        QTest::newRow("no database")
            << QStringList{"import", "--name", "甲", "--folder", "."} << false;
        QTest::newRow("restore of a file that is not a backup")
            << QStringList{"restore", "icon/ztflag.bmp"} << true;
        QTest::newRow("backup without a database") << QStringList{"backup"} << false;
    }
    void refusals() {
        QFETCH(QStringList, args);
        QFETCH(bool, withDatabase);
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        if (withDatabase) QCOMPARE(Admin({"init"}).exitCode, 0);
        const Result result = Admin(args);
        QVERIFY(result.exitCode != 0);
        QVERIFY(!result.err.isEmpty());
        QVERIFY(result.out.isEmpty());
        if (withDatabase) {
            QCOMPARE(data::OpenConnection(fixture.file("function.dll")), data::OpenResult::Opened);
            QCOMPARE(data::QueryRows("select * from customer").size(), size_t(0));
        } else {
            QVERIFY(!QFile::exists(fixture.file("function.dll")));
        }
    }

    void backupThenRestore() {
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        QCOMPARE(Admin({"init"}).exitCode, 0);
        const Result backup = Admin({"backup"});
        QVERIFY2(backup.exitCode == 0, qPrintable(backup.err));
        const QStringList copies = QDir(fixture.file("backup")).entryList({"function-*.dll"});
        QCOMPARE(copies.size(), 1);
        QVERIFY(backup.out.contains(copies.first()));

        QCOMPARE(Admin({"import", "--name", "甲", "--folder", fixture.path()}).exitCode, 0);
        const Result restore = Admin({"restore", "backup/" + copies.first()});
        QVERIFY2(restore.exitCode == 0, qPrintable(restore.err));
        QCOMPARE(data::OpenConnection(fixture.file("function.dll")), data::OpenResult::Opened);
        QCOMPARE(data::QueryRows("select * from customer").size(), size_t(0));
    }

    void helpListsTheCommands_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("--help") << QStringList{"--help"};
        QTest::newRow("-h") << QStringList{"-h"};
        QTest::newRow("after a command") << QStringList{"init", "--help"};
    }
    void helpListsTheCommands() {
        QFETCH(QStringList, args);
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        const Result result = Admin(args);
        QCOMPARE(result.exitCode, 0);
        for (const char* command : {"init", "import", "demo"})
            QVERIFY2(result.out.contains(QString("verimond-admin %1 ").arg(command)),
                     qPrintable(result.out));
        // Asking for help makes nothing: no database, no folder named after the option.
        QVERIFY(!QFile::exists(fixture.file("function.dll")));
        QVERIFY(!QFile::exists(fixture.file("--help")));
    }

    void deskCommandsForScripts() {
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        QCOMPARE(Admin({"init"}).exitCode, 0);
        for (int i = 1; i <= 3; ++i) fixture.writePhoto(QString("甲/%1.jpg").arg(i), 60, 40);
        fixture.writePhoto("乙/1.jpg", 60, 40);
        QCOMPARE(Admin({"import", "--name", "甲客户", "--folder", fixture.file("甲")}).exitCode, 0);
        QCOMPARE(Admin({"import", "--name", "乙's", "--folder", fixture.file("乙")}).exitCode, 0);
        // A script run twice does not make the customer twice.
        const Result again = Admin({"import", "--name", "甲客户", "--folder", fixture.file("甲")});
        QCOMPARE(again.exitCode, 1);
        QVERIFY(again.err.contains("已有名为甲客户的客户"));

        const QRegularExpression line(
            "^(\\d+)\t([^\t]+)\t\\d{4}-\\d\\d-\\d\\d [0-9:]{8}\t(正常|关闭)$");
        const QStringList listed = Admin({"list"}).out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(listed.size(), 2);
        for (const QString& row : listed) QVERIFY2(line.match(row).hasMatch(), qPrintable(row));
        QCOMPARE(listed[0].section('\t', 1, 1), QString("甲客户"));
        QCOMPARE(listed[1].section('\t', 1, 1), QString("乙's"));
        const QString first = listed[0].section('\t', 0, 0);
        const QString second = listed[1].section('\t', 0, 0);

        QCOMPARE(Admin({"status", "--id", first}).out, "id=" + first + " status=关闭\n");
        QCOMPARE(Admin({"list", "--status", "关闭"}).out.count('\n'), 1);
        QCOMPARE(Admin({"list", "--status", "正常", "--name", "'"}).out.section('\t', 1, 1),
                 QString("乙's"));
        QCOMPARE(Admin({"status", "--id", first}).out, "id=" + first + " status=正常\n");

        QCOMPARE(Admin({"shuffle", "--id", first}).out, "id=" + first + " shuffled=3\n");
        fixture.writePhoto("甲/4.jpg", 60, 40);
        fixture.writePhoto("甲/5.bmp", 60, 40);
        QCOMPARE(Admin({"reimport", "--id", first, "--types", ".jpg,.bmp"}).out,
                 "id=" + first + " added=2 remade=0\n");
        QCOMPARE(Admin({"reimport", "--id", first}).out, "id=" + first + " added=0 remade=0\n");
        QCOMPARE(Admin({"delete", "--id", second}).out,
                 "id=" + second + " deleted samples=1 albums=3 picks=0\n");

        QCOMPARE(data::OpenConnection(fixture.file("function.dll")), data::OpenResult::Opened);
        QStringList order;
        for (const auto& row : data::QueryRows(
                 "select odrnum from photoinfo where customerid=" + first + " order by odrnum"))
            order << row.value(0).toString();
        QCOMPARE(order, (QStringList{"1", "1", "2", "2", "3"}));
        QCOMPARE(data::LookupValue("customer", "count(*)", "1=1"), QString("1"));
        QCOMPARE(data::LookupValue("customerxc", "count(*)", "customerid=" + second), QString("0"));
    }

    // Thumbnails made on their side come upright when staff ask; a photo gone missing
    // keeps its stored thumbnail and is named.
    void thumbnailsMadeAgain() {
        using namespace testing_support;
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        QCOMPARE(Admin({"init"}).exitCode, 0);
        const QSize portrait(60, 90);
        WriteOrientedPhoto(fixture.file("甲/1.jpg"), portrait, 6);
        WriteOrientedPhoto(fixture.file("甲/2.jpg"), QSize(90, 60), 1);
        QCOMPARE(Admin({"settings", "--camera-orientation", "否"}).exitCode, 0);
        QCOMPARE(Admin({"import", "--name", "甲", "--folder", fixture.file("甲")}).out,
                 QString("id=1 samples=2\n"));
        const auto thumbnail = [&] {
            data::OpenConnection(fixture.file("function.dll"));
            const QImage image =
                QImage::fromData(data::QueryRows("select photofile from photoinfo where id=1")
                                     .front()
                                     .value("photofile")
                                     .toByteArray(),
                                 "BMP");
            data::CloseConnection();
            // Upright, 53 x 80 in the middle of 105 x 80.
            return QuartersUprightIn(image, QRect(26, 0, 53, 80));
        };
        QVERIFY(!thumbnail().isEmpty());

        QCOMPARE(Admin({"settings", "--camera-orientation", "是"}).exitCode, 0);
        const Result made = Admin({"thumbnails", "--id", "1"});
        QCOMPARE(made.exitCode, 0);
        QCOMPARE(made.out, QString("id=1 samples=2 remade=1 unchanged=1 kept=0\n"));
        QCOMPARE(thumbnail(), QString());

        QFile::remove(fixture.file("甲/1.jpg"));
        const Result kept = Admin({"thumbnails", "--id", "1"});
        QCOMPARE(kept.out, QString("id=1 samples=2 remade=0 unchanged=1 kept=1\n"));
        QVERIFY2(kept.err.contains(fixture.file("甲/1.jpg")), qPrintable(kept.err));
        QCOMPARE(thumbnail(), QString());
    }

    // A customer's previews built into the runtime folder's store ahead of the visit, fitted
    // to the screen the program recorded or the one given; a photo gone missing is named.
    void previewsBuiltForACustomer() {
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        QCOMPARE(Admin({"init"}).exitCode, 0);
        for (int i = 1; i <= 12; ++i) fixture.writePhoto(QString("甲/%1.jpg").arg(i), 640, 480);
        QCOMPARE(Admin({"import", "--name", "甲", "--folder", fixture.file("甲")}).exitCode, 0);
        const auto previews = [&] {
            QList<QSize> sizes;
            QDirIterator it(fixture.file("previews"), {"*.jpg"}, QDir::Files,
                            QDirIterator::Subdirectories);
            while (it.hasNext()) sizes << QImage(it.next()).size();
            return sizes;
        };

        const Result made = Admin({"previews", "--id", "1", "--screen", "320x240"});
        QVERIFY2(made.exitCode == 0, qPrintable(made.err));
        // Not a terminal: a line per tenth, then what was done.
        const QStringList lines = made.out.split('\n', Qt::SkipEmptyParts);
        QVERIFY2(lines.size() >= 4 && lines.size() <= 12, qPrintable(made.out));
        QCOMPARE(lines[lines.size() - 2], QString("预览 12/12"));
        QCOMPARE(lines.last(), QString("id=1 photos=12 made=12 already=0 failed=0"));
        QCOMPARE(previews(), QList<QSize>(12, QSize(320, 240)));

        // The screen the program recorded; the previews for the other screen stay.
        QFile screen(fixture.file("previews/screen.txt"));
        QVERIFY(screen.open(QIODevice::WriteOnly));
        screen.write("160x120\n");
        screen.close();
        QFile::remove(fixture.file("甲/3.jpg"));
        const Result recorded = Admin({"previews", "--id", "1"});
        QCOMPARE(recorded.exitCode, 0);
        QVERIFY2(recorded.out.endsWith("id=1 photos=12 made=11 already=0 failed=1\n"),
                 qPrintable(recorded.out));
        QVERIFY2(recorded.err.contains(fixture.file("甲/3.jpg")), qPrintable(recorded.err));
        QCOMPARE(previews().count(QSize(160, 120)), 11);

        QVERIFY(Admin({"previews", "--id", "1", "--screen", "320x240"})
                    .out.endsWith("id=1 photos=12 made=0 already=11 failed=1\n"));
    }

    void deskCommandRefusals_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("status without id") << QStringList{"status"} << 2;
        QTest::newRow("id not a number") << QStringList{"delete", "--id", "1 or 1=1"} << 2;
        QTest::newRow("id of nobody") << QStringList{"delete", "--id", "999"} << 1;
        QTest::newRow("shuffle of nobody") << QStringList{"shuffle", "--id", "999"} << 1;
        QTest::newRow("reimport of nobody") << QStringList{"reimport", "--id", "999"} << 1;
        QTest::newRow("thumbnails of nobody") << QStringList{"thumbnails", "--id", "999"} << 1;
        QTest::newRow("thumbnails without id") << QStringList{"thumbnails"} << 2;
        QTest::newRow("previews of nobody") << QStringList{"previews", "--id", "999"} << 1;
        QTest::newRow("previews without id") << QStringList{"previews"} << 2;
        QTest::newRow("previews, bad screen")
            << QStringList{"previews", "--id", "1", "--screen", "wide"} << 1;
        QTest::newRow("reimport, bad type")
            << QStringList{"reimport", "--id", "1", "--types", ".png"} << 1;
        QTest::newRow("reimport, no type")
            << QStringList{"reimport", "--id", "1", "--types", ""} << 1;
        QTest::newRow("unknown status") << QStringList{"list", "--status", "暂停"} << 1;
        QTest::newRow("stray argument") << QStringList{"list", "extra"} << 2;
        QTest::newRow("import, blank name")
            << QStringList{"import", "--name", "  ", "--folder", "."} << 1;
        QTest::newRow("import, name too long")
            << QStringList{"import", "--name", QString(51, QChar(u'名')), "--folder", "."} << 1;
    }

    void deskCommandRefusals() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        QCOMPARE(Admin({"init"}).exitCode, 0);
        fixture.writePhoto("甲/1.jpg", 60, 40);
        QCOMPARE(Admin({"import", "--name", "甲", "--folder", fixture.file("甲")}).exitCode, 0);
        const QByteArray before = Admin({"list"}).out.toUtf8();
        const Result result = Admin(args);
        QCOMPARE(result.exitCode, exitCode);
        QVERIFY(!result.err.isEmpty());
        QVERIFY(result.out.isEmpty());
        QCOMPARE(Admin({"list"}).out.toUtf8(), before);
        QCOMPARE(data::OpenConnection(fixture.file("function.dll")), data::OpenResult::Opened);
        QCOMPARE(data::LookupValue("photoinfo", "count(*)", "1=1"), QString("1"));
    }

    // A run cut short must never leave a half file under a name the next run keeps or
    // refuses: the database and the photos only ever arrive by a rename.
    void filesAppearOnlyWhenComplete() {
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        const QString photos = fixture.file("样片/演示客户");
        QVERIFY(QDir().mkpath(photos));
        FolderWatch top(fixture.path());
        FolderWatch shoot(photos);
        QVERIFY(top.ok() && shoot.ok());
        const Result result = Admin({"demo", fixture.path()});
        QVERIFY2(result.exitCode == 0, qPrintable(result.err));
        QCOMPARE(top.writtenInPlace(QRegularExpression("^function\\.dll$")), QStringList());
        QCOMPARE(shoot.writtenInPlace(QRegularExpression("^IMG_\\d+\\.jpg$")), QStringList());
        QVERIFY(QFile::exists(fixture.file("样片/演示客户/IMG_0001.jpg")));
        // Nothing of the building is left behind.
        const QStringList left =
            QDir(fixture.path()).entryList({"*.tmp*"}, QDir::Files | QDir::Hidden) +
            QDir(photos).entryList({"*.tmp*", ".*"}, QDir::Files | QDir::Hidden);
        QCOMPARE(left, QStringList());
    }

    void refusedDatabaseSaysWhy_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("says");
        QTest::newRow("not ours") << "text"
                                  << "不是本程序的数据库文件";
        QTest::newRow("newer release") << "newer"
                                       << "新版本";
        QTest::newRow("cut-off copy") << "cut"
                                      << "不完整";
    }
    void refusedDatabaseSaysWhy() {
        QFETCH(QString, kind);
        QFETCH(QString, says);
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        const QString db = fixture.file("function.dll");
        QCOMPARE(Admin({"init"}).exitCode, 0);
        if (kind == "newer") {
            QCOMPARE(data::OpenConnection(db), data::OpenResult::Opened);
            data::Execute("pragma user_version = 99");
            data::CloseConnection();
        } else {
            QFile file(db);
            QVERIFY(file.open(QIODevice::ReadWrite));
            if (kind == "text") {
                QVERIFY(file.resize(0));
                file.write("a spreadsheet, perhaps\n");
            } else {
                QVERIFY(file.resize(file.size() / 2));
            }
        }
        const QByteArray before = testing_support::FileDigest(db);
        const Result result = Admin({"import", "--name", "甲", "--folder", fixture.path()});
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.err.contains(says) && result.err.contains(db), qPrintable(result.err));
        QCOMPARE(testing_support::FileDigest(db), before);
    }

    // A runtime folder made from anywhere (an installed tool, a script's folder) is
    // complete: the program starts in it, and nothing prints Qt's complaints outside a
    // desktop session.
    void madeFolderStarts_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("customers");
        QTest::newRow("init") << "init" << 0;
        QTest::newRow("demo") << "demo" << 1;
    }
    void madeFolderStarts() {
        QFETCH(QString, command);
        QFETCH(int, customers);
        QTemporaryDir elsewhere;
        QTemporaryDir made;
        const QString folder = made.filePath("影楼/新的 文件夹");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("XDG_RUNTIME_DIR");
        environment.insert("TMPDIR", made.path());
        const QString previous = QDir::currentPath();
        QDir::setCurrent(elsewhere.path());
        const Result result = Admin({command, folder}, environment);
        QDir::setCurrent(previous);
        QVERIFY2(result.exitCode == 0, qPrintable(result.err));
        QCOMPARE(result.err, QString());
        QVERIFY(QDir(elsewhere.path()).isEmpty());
        for (const char* file :
             {"icon/ztflag.bmp", "photo/Thumbnails_nophoto.jpg", "help.html", "djclientlogin.htm"})
            QCOMPARE(FileDigest(QDir(folder).filePath(file)),
                     FileDigest(QStringLiteral(VERIMOND_RESOURCES_DIR "/") + file));

        const Result shown = testing_support::StartProgram(folder, environment);
        QCOMPARE(shown.exitCode, 0);
        QCOMPARE(shown.out, QString("verimond: shown in %1, customers: %2\n")
                                .arg(QDir(folder).canonicalPath())
                                .arg(customers));
        QVERIFY2(!shown.err.contains("XDG_RUNTIME_DIR"), qPrintable(shown.err));
    }

    // A demo that fails half-way takes back what it made, and leaves what was there.
    void failedDemoLeavesNothing_data() {
        QTest::addColumn<QString>("blocker");
        QTest::newRow("photos' parent is a file") << "样片";
        QTest::newRow("photos' folder is a file") << "样片/演示客户";
    }
    void failedDemoLeavesNothing() {
        QFETCH(QString, blocker);
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkpath(QFileInfo(blocker).path()));
        QFile block(folder.filePath(blocker));
        QVERIFY(block.open(QIODevice::WriteOnly) && block.write("kept\n") == 5);
        block.close();
        const Result result = Admin({"demo", folder.path()});
        QCOMPARE(result.exitCode, 1);
        QVERIFY(!result.err.isEmpty());
        QStringList left;
        QDirIterator it(folder.path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) left << QDir(folder.path()).relativeFilePath(it.next());
        left.sort();
        QStringList expected = {blocker};
        if (blocker.contains('/')) expected.prepend(QFileInfo(blocker).path());
        QCOMPARE(left, expected);
    }

    void demoMakesTheDemoCustomer() {
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        const Result result = Admin({"demo", fixture.path()});
        QVERIFY2(result.exitCode == 0, qPrintable(result.err));
        QCOMPARE(data::OpenConnection(fixture.file("function.dll")), data::OpenResult::Opened);
        const QString id = data::LookupValue("customer", "customerid", "customername='演示客户'");
        QVERIFY(!id.isEmpty());
        const int samples = data::LookupValue("photoinfo", "count(*)", "customerid=" + id).toInt();
        QVERIFY(samples >= 10);
        QVERIFY(result.out.contains(QString("samples=%1").arg(samples)));
        // A second run refuses rather than making a second demo customer.
        data::CloseConnection();
        QVERIFY(Admin({"demo", fixture.path()}).exitCode != 0);
    }
};

QTEST_GUILESS_MAIN(TestAdminTool)
#include "test_admin_tool.moc"
