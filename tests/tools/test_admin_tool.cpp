// verimond-admin as staff and scripts use it: its results and its refusals.

#include <sys/inotify.h>
#include <unistd.h>

#include <QProcess>
#include <QtTest>

#include "data/connection.h"
#include "data/records.h"
#include "support/runtime_fixture.h"

using testing_support::RuntimeFixture;

namespace {

struct Result {
    int exitCode;
    QString out;
    QString err;
};

Result Admin(const QStringList& args) {
    QProcess process;
    process.start(VERIMOND_ADMIN_PATH, args);
    if (!process.waitForFinished(300000)) return {-1, {}, "timed out"};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

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
        QTest::newRow("no database")
            << QStringList{"import", "--name", "甲", "--folder", "."} << false;
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
