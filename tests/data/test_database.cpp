// The database file, the connection and the record helpers.

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>
#include <atomic>
#include <thread>

#include "data/connection.h"
#include "data/database_setting.h"
#include "data/errors.h"
#include "data/file_names.h"
#include "data/file_system.h"
#include "data/log.h"
#include "data/records.h"
#include "data/schema.h"
#include "data/sql_dialect.h"
#include "support/admin_process.h"
#include "support/log_capture.h"
#include "support/runtime_fixture.h"
#include "support/server_run.h"

using namespace data;
using testing_support::RuntimeFixture;

namespace {

qint64 AddSample(int customer, double odrnum, const QString& file = QStringLiteral("/p/x.jpg")) {
    return AppendRow(QStringLiteral("photoinfo"), {{QStringLiteral("customerid"), customer},
                                                   {QStringLiteral("odrnum"), odrnum},
                                                   {QStringLiteral("filename"), file}});
}

qint64 AddPick(int customer, qint64 photo, const QString& album) {
    return AppendRow(QStringLiteral("xcphoto"), {{QStringLiteral("customerid"), customer},
                                                 {QStringLiteral("photoid"), photo},
                                                 {QStringLiteral("xcmc"), album}});
}

// The ids of a view's rows for one condition, in the order the view returns them,
// checked against their display numbers 1..n.
QList<qint64> IdsInDisplayOrder(const QString& view, const QString& condition,
                                const QString& idColumn = QStringLiteral("id")) {
    QList<qint64> ids;
    int expected = 1;
    for (const auto& row : QueryRows(QStringLiteral("select * from ") + view +
                                     QStringLiteral(" where ") + condition)) {
        if (row.value(QStringLiteral("disid")).toInt() != expected++) return {-1};
        ids << row.value(idColumn).toLongLong();
    }
    return ids;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// A setting as a Windows editor may save it: UTF-16 in either byte order, with or
// without the byte-order mark.
QByteArray Utf16(const QString& text, QStringConverter::Encoding order, bool mark) {
    QStringEncoder encoder(
        order, mark ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
    return encoder(text);
}

// Root reads every file: an unreadable one is shown to an ordinary account.
constexpr uid_t kNobody = 65534;

testing_support::AdminResult AdminAsNobody(const QStringList& args) {
    QProcess process;
    process.setChildProcessModifier([] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(127);
    });
    process.start(testing_support::AdminForAnyAccount(), args);
    if (!process.waitForFinished(300000)) return {-1, {}, "timed out"};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The database file and its journal files, "-" for one that does not exist. The -shm is
// only an index that readers mark as they go; that it stays is what counts.
QStringList Digests(const QString& path) {
    QStringList digests;
    for (const QString suffix : {"", "-wal", "-journal"})
        digests << (QFile::exists(path + suffix)
                        ? QString::fromLatin1(testing_support::FileDigest(path + suffix).toHex())
                        : QStringLiteral("-"));
    digests << (QFile::exists(path + "-shm") ? QStringLiteral("shm") : QStringLiteral("-"));
    return digests;
}

}  // namespace

class TestDatabase : public QObject {
    Q_OBJECT

  private slots:
    void newDatabaseHasSettingsAndAdmin() {
        RuntimeFixture fixture;
        QCOMPARE(LookupValue("SysSet", "itemvalue", "itemname='widthsalerote'"), QString("75"));
        QCOMPARE(LookupValue("sysset", "itemvalue", "itemname='openwidthsale'"), QString("否"));
        QCOMPARE(LookupValue("SysSet", "itemvalue", "itemname='qhkh'"), QString("否"));
        QVERIFY(!LookupValue("SysSet", "itemvalue", "itemname='printinfo'").isEmpty());
        QCOMPARE(QueryRows("select * from SysSet").size(), size_t(4));
        const Rows admin = QueryRows("select password From usertable where username='admin'");
        QCOMPARE(admin.size(), size_t(1));
        QCOMPARE(TextOf(admin.front(), "password"), QString());
    }

    void newCustomerGetsDateAndIdsGrow() {
        RuntimeFixture fixture;
        const qint64 first = AppendRow("customer", {{"customername", "甲"}, {"staus", "正常"}});
        const qint64 second = AppendRow("customer", {{"customername", "乙"}, {"staus", "正常"}});
        QVERIFY(first > 0 && second > first);
        const QString date =
            LookupValue("customer", "adddate", "customerid=" + QString::number(first));
        const QDateTime made = QDateTime::fromString(date, "yyyy-MM-dd HH:mm:ss");
        QVERIFY2(made.isValid(), qPrintable(date));
        // The station's local time, whatever the time zone of a server.
        QVERIFY2(qAbs(made.secsTo(QDateTime::currentDateTime())) < 120, qPrintable(date));
        // Keys are never reused, even after the newest row is deleted.
        Execute("delete from customer where customerid=" + QString::number(second));
        QVERIFY(AppendRow("customer", {{"customername", "丙"}}) > second);
    }

    void createRefusesExistingFile() {
        VERIMOND_EMBEDDED_FILE_ONLY();
        RuntimeFixture fixture;
        const QString path = fixture.file(kDatabaseFileName);
        const QByteArray before = testing_support::FileDigest(path);
        QString error;
        QVERIFY(!CreateDatabase(path, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(testing_support::FileDigest(path), before);
    }

    // A new database holds the administrator password: it is its owner's alone, or in a
    // folder shared through its group, the group's too; never other accounts'. Built under
    // a private temporary name, it still gets the group's access where the folder is shared.
    void newDatabaseIsKeptFromOtherAccounts_data() {
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<int>("expected");
        QTest::newRow("private folder") << 0755 << 0600;
        QTest::newRow("folder shared through its group") << 02775 << 0660;
    }
    void newDatabaseIsKeptFromOtherAccounts() {
        QFETCH(int, folderMode);
        QFETCH(int, expected);
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        QCOMPARE(::chmod(QFile::encodeName(fixture.path()).constData(), mode_t(folderMode)), 0);
        const mode_t previous = ::umask(022);
        const QString path = fixture.file(kDatabaseFileName);
        QString error;
        const bool created = CreateDatabase(path, &error);
        ::umask(previous);
        QVERIFY2(created, qPrintable(error));
        struct stat st;
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
        QCOMPARE(QString::number(st.st_mode & 07777, 8), QString::number(expected, 8));
    }

    // A log whose database is gone would be played into a new file of that name.
    void newDatabaseIsNotMadeBesideAnOrphanLog() {
        VERIMOND_EMBEDDED_FILE_ONLY();
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        const QString path = fixture.file(kDatabaseFileName);
        WriteFile(path + "-wal", QByteArray(8192, 'w'));
        QString error;
        QVERIFY(!CreateDatabase(path, &error));
        QVERIFY2(error.contains(path + "-wal"), qPrintable(error));
        QVERIFY(!QFile::exists(path));
    }

    // Every refusal says why, and leaves the file and its journal files exactly as they were.
    void openTellsWhyAFileIsRefused_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("expected");
        QTest::newRow("text file") << "text" << int(OpenResult::NotOurs);
        QTest::newRow("empty file") << "empty" << int(OpenResult::NotOurs);
        QTest::newRow("someone else's sqlite") << "foreign" << int(OpenResult::NotOurs);
        QTest::newRow("someone else's sqlite with a pending wal")
            << "foreign-wal" << int(OpenResult::NotOurs);
        QTest::newRow("ours from a newer release") << "newer" << int(OpenResult::Newer);
        QTest::newRow("ours from a newer release, pending wal")
            << "newer-wal" << int(OpenResult::Newer);
        QTest::newRow("ours cut within the header") << "cut-header" << int(OpenResult::Damaged);
        QTest::newRow("ours cut after a page") << "cut-page" << int(OpenResult::Damaged);
        QTest::newRow("ours cut in half") << "cut-half" << int(OpenResult::Damaged);
    }
    void openTellsWhyAFileIsRefused() {
        VERIMOND_EMBEDDED_FILE_ONLY();
        QFETCH(QString, kind);
        QFETCH(int, expected);
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        const QString path = fixture.file(kDatabaseFileName);
        if (kind == "text") {
            WriteFile(path, "not a database at all\n");
        } else if (kind == "empty") {
            WriteFile(path, QByteArray());
        } else if (kind.startsWith("foreign") || kind.startsWith("newer")) {
            // A copy taken while its writer still had changes in the -wal, as after a crash.
            const QString source = fixture.file("source.db");
            if (kind.startsWith("newer")) {
                QString error;
                QVERIFY2(CreateDatabase(source, &error), qPrintable(error));
            }
            {
                QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "writer");
                db.setDatabaseName(source);
                QVERIFY(db.open());
                QSqlQuery query(db);
                QVERIFY(query.exec("pragma journal_mode = wal"));
                QVERIFY(query.exec("pragma wal_autocheckpoint = 0"));
                if (kind.startsWith("foreign")) {
                    QVERIFY(query.exec("create table t(a)"));
                    QVERIFY(query.exec("insert into t values('x')"));
                } else {
                    QVERIFY(query.exec("pragma user_version = 99"));
                }
                const bool pending = kind.endsWith("-wal");
                if (!pending) QVERIFY(query.exec("pragma wal_checkpoint(truncate)"));
                QVERIFY(QFile::copy(source, path));
                if (pending) {
                    QVERIFY(QFile::copy(source + "-wal", path + "-wal"));
                    QVERIFY(QFile::copy(source + "-shm", path + "-shm"));
                }
                query.finish();
                db.close();
            }
            QSqlDatabase::removeDatabase("writer");
            QCOMPARE(QFile::exists(path + "-wal"), kind.endsWith("-wal"));
        } else {
            // A real file of ours with a few pages of thumbnails, copied only in part.
            const QString source = fixture.file("source.db");
            QString error;
            QVERIFY2(CreateDatabase(source, &error), qPrintable(error));
            QCOMPARE(OpenConnection(source), OpenResult::Opened);
            for (int i = 0; i < 20; ++i)
                AppendRow("photoinfo",
                          {{"customerid", 1}, {"odrnum", i}, {"photofile", QByteArray(8000, 'x')}});
            CloseConnection();
            const QByteArray whole = ReadFile(source);
            QVERIFY(whole.size() > 16 * 4096);
            const int cut = kind == "cut-header" ? 80
                            : kind == "cut-page" ? 4096
                                                 : whole.size() / 2;
            WriteFile(path, whole.left(cut));
        }

        const QStringList before = Digests(path);
        QCOMPARE(int(OpenConnection(path)), expected);
        QVERIFY(!IsConnected());
        QCOMPARE(Digests(path), before);
        QVERIFY(!OpenFailureReason(OpenResult(expected), path).isEmpty());
    }

    void settingFileChoosesTheDatabase_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("server");
        QTest::addColumn<QString>("problem");  // a part of the problem text, "" for none
        QTest::addColumn<QString>("address");  // user@host:port/name password
        QTest::newRow("no setting") << "" << false << ""
                                    << "";
        QTest::newRow("other sections only") << "[window]\nsize=big\n"
                                             << false << ""
                                             << "";
        QTest::newRow("the embedded file named") << "[database]\nengine=sqlite\n"
                                                 << false << ""
                                                 << "";
        QTest::newRow("server")
            << "# studio\n[Database]\n engine = PostgreSQL \nhost=10.0.0.5\nport=6543\n"
               "name=studio\nuser=desk\npassword=\"p#w; x \"\n[other]\nhost=ignored\n"
            << true << ""
            << "desk@10.0.0.5:6543/studio p#w; x ";
        QTest::newRow("server with defaults") << "\xEF\xBB\xBF[database]\nengine=postgresql\n"
                                              << true << ""
                                              << "verimond@localhost:5432/verimond ";
        QTest::newRow("server details without engine") << "[database]\nhost=10.0.0.5\n"
                                                       << false << "engine=postgresql"
                                                       << "";
        QTest::newRow("misspelt name") << "[database]\nengine=postgresql\nhots=10.0.0.5\n"
                                       << false << "hots"
                                       << "";
        QTest::newRow("port not a number") << "[database]\nengine=postgresql\nport=54x\n"
                                           << false << "端口"
                                           << "";
        QTest::newRow("port out of range") << "[database]\nengine=postgresql\nport=70000\n"
                                           << false << "端口"
                                           << "";
        QTest::newRow("unknown engine") << "[database]\nengine=mysql\n"
                                        << false << "mysql"
                                        << "";
        QTest::newRow("line without value") << "[database]\nengine=postgresql\nhost\n"
                                            << false << "第3行"
                                            << "";
        QTest::newRow("empty user") << "[database]\nengine=postgresql\nuser=\n"
                                    << false << "user"
                                    << "";
    }
    void settingFileChoosesTheDatabase() {
        QFETCH(QString, text);
        QFETCH(bool, server);
        QFETCH(QString, problem);
        QFETCH(QString, address);
        const DatabaseTarget target = ParseDatabaseSetting(text, "/studio/desk");
        QCOMPARE(target.engine == Engine::Server, server);
        QCOMPARE(target.file, QString("/studio/desk/function.dll"));
        if (problem.isEmpty()) {
            QVERIFY2(target.problem.isEmpty(), qPrintable(target.problem));
        } else {
            QVERIFY2(target.problem.contains(problem) &&
                         target.problem.contains("/studio/desk/verimond.ini"),
                     qPrintable(target.problem));
        }
        if (server) {
            const ServerAddress& a = target.server;
            QCOMPARE(
                QString("%1@%2:%3/%4 %5").arg(a.user, a.host).arg(a.port).arg(a.name, a.password),
                address);
            // Written back, the setting reads the same.
            const DatabaseTarget again = ParseDatabaseSetting(ServerSettingText(a), "/x");
            QVERIFY(again.problem.isEmpty());
            QCOMPARE(again.server.password, a.password);
            QCOMPARE(again.server.host, a.host);
            QCOMPARE(again.server.port, a.port);
        }
    }

    // A setting that cannot be used is reported, and the file beside it is not used instead:
    // a station quietly on its own file would split the studio's customers.
    void brokenSettingIsNotReplacedByTheFile() {
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        QString error;
        QVERIFY2(CreateDatabase(fixture.file(kDatabaseFileName), &error), qPrintable(error));
        QFile setting(fixture.file(kSettingFileName));
        QVERIFY(setting.open(QIODevice::WriteOnly));
        setting.write("[database]\nengine=postgres\n");
        setting.close();
        const DatabaseTarget target = DatabaseOfFolder(fixture.path());
        QCOMPARE(OpenDatabase(target), OpenResult::BadSetting);
        QVERIFY(!IsConnected());
        QVERIFY2(OpenFailureReason(OpenResult::BadSetting, target).contains("engine=postgres"),
                 qPrintable(OpenFailureReason(OpenResult::BadSetting, target)));
    }

    // The setting is judged from its bytes: what is not UTF-8 text, or holds two
    // [database] sections, is refused with the reason rather than read as no setting.
    void settingBytesAreJudged_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("problem");  // a part of the problem text, "" for none
        const QString server = "[database]\r\nengine=postgresql\r\nhost=10.0.0.5\r\n";
        QTest::newRow("UTF-8 with mark, Windows lines") << "\xEF\xBB\xBF" + server.toUtf8() << "";
        QTest::newRow("GBK comment") << "# \xB7\xFE\xCE\xF1\xC6\xF7\n" + server.toUtf8() << "";
        QTest::newRow("UTF-16 LE with mark")
            << Utf16(server, QStringConverter::Utf16LE, true) << "UTF-16";
        QTest::newRow("UTF-16 BE with mark")
            << Utf16(server, QStringConverter::Utf16BE, true) << "UTF-16";
        QTest::newRow("UTF-16 LE without mark")
            << Utf16(server, QStringConverter::Utf16LE, false) << "UTF-16";
        QTest::newRow("UTF-16 BE without mark")
            << Utf16(server, QStringConverter::Utf16BE, false) << "UTF-16";
        QTest::newRow("NUL-led") << QByteArray(4, '\0') + server.toUtf8() << "NUL";
        QTest::newRow("binary") << QByteArray("\xFF\xD8\xFF\xE0\0\x10JFIF\0\x01\x01", 13) << "NUL";
        QTest::newRow("control bytes") << server.toUtf8() + "user=\x1B[0m\n"
                                       << "第4行有控制字符";
        QTest::newRow("GBK password") << server.toUtf8() + "password=\xC3\xDC\xC2\xEB\n"
                                      << "第4行不是 UTF-8";
        QTest::newRow("two [database] sections")
            << server.toUtf8() + "[other]\n[ Database ]\nhost=10.0.0.6\n"
            << "第5行是第二个 [database]";
    }
    void settingBytesAreJudged() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, problem);
        const DatabaseTarget target = ReadDatabaseSetting(bytes, "/studio/desk");
        if (problem.isEmpty()) {
            QVERIFY2(target.problem.isEmpty(), qPrintable(target.problem));
            QCOMPARE(target.engine, Engine::Server);
            QCOMPARE(target.server.host, QString("10.0.0.5"));
        } else {
            QVERIFY2(target.problem.startsWith("/studio/desk/verimond.ini: ") &&
                         target.problem.contains(problem),
                     qPrintable(target.problem));
        }
    }

    // Whatever lies under the name verimond.ini, the program and every command either use
    // it or say why not: none waits on it, and none falls back to a function.dll beside it.
    void unusableSettingFileIsRefused_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("problem");
        QTest::newRow("UTF-16 LE with mark") << "utf16le"
                                             << "UTF-16";
        QTest::newRow("UTF-16 BE without mark") << "utf16be"
                                                << "UTF-16";
        QTest::newRow("NUL-led") << "nul"
                                 << "NUL";
        QTest::newRow("two [database] sections") << "twice"
                                                 << "第二个 [database]";
        QTest::newRow("link to nothing") << "dangling"
                                         << "/nowhere/verimond.ini";
        QTest::newRow("FIFO") << "fifo"
                              << "FIFO";
        QTest::newRow("folder") << "folder"
                                << "文件夹";
        QTest::newRow("unreadable") << "unreadable"
                                    << "没有读取权限";
        QTest::newRow("too large") << "large"
                                   << "太大";
    }
    void unusableSettingFileIsRefused() {
        QFETCH(QString, kind);
        QFETCH(QString, problem);
        if (testing_support::ServerRun()) QSKIP("about the setting file; the same in both runs");
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        const QString setting = fixture.file(kSettingFileName);
        const QString server = "[database]\nengine=postgresql\n";
        if (kind == "utf16le")
            WriteFile(setting, Utf16(server, QStringConverter::Utf16LE, true));
        else if (kind == "utf16be")
            WriteFile(setting, Utf16(server, QStringConverter::Utf16BE, false));
        else if (kind == "nul")
            WriteFile(setting, QByteArray(1, '\0') + server.toUtf8());
        else if (kind == "twice")
            WriteFile(setting, (server + "host=a\n[database]\nhost=b\n").toUtf8());
        else if (kind == "dangling")
            QVERIFY(QFile::link("/nowhere/verimond.ini", setting));
        else if (kind == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(setting).constData(), 0600), 0);
        else if (kind == "folder")
            QVERIFY(QDir().mkdir(setting));
        else if (kind == "large")
            WriteFile(setting, server.toUtf8() + QByteArray(100 * 1024, '#'));
        if (kind == "unreadable") {
            WriteFile(setting, server.toUtf8());
            QVERIFY(QFile::setPermissions(setting, {}));
            QVERIFY(QFile::setPermissions(fixture.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                              QFile::ExeOwner | QFile::ExeGroup |
                                                              QFile::ExeOther));
        }
        const bool asNobody = kind == "unreadable" && ::geteuid() == 0;
        DatabaseTarget target;
        {
            if (asNobody) QCOMPARE(::seteuid(kNobody), 0);
            const auto back = qScopeGuard([&] {
                if (asNobody) QCOMPARE(::seteuid(0), 0);
            });
            target = DatabaseOfFolder(fixture.path());
        }
        QVERIFY2(target.problem.startsWith(setting + ": ") && target.problem.contains(problem),
                 qPrintable(target.problem));
        QCOMPARE(OpenDatabase(target), OpenResult::BadSetting);
        // The launcher's question, a command that reads, and one that would make a file.
        for (const QStringList& command :
             {QStringList{"database"}, QStringList{"list"}, QStringList{"init"}}) {
            const testing_support::AdminResult run =
                asNobody ? AdminAsNobody(command) : testing_support::Admin(command);
            QVERIFY2(run.exitCode == 1 && run.err.contains(setting) && run.err.contains(problem),
                     qPrintable(command.first() + ": " + run.err));
            QVERIFY2(!QFile::exists(fixture.file(kDatabaseFileName)), qPrintable(command.first()));
        }
    }

    // A password that every account of the computer can read is told to the staff; the
    // setting is used all the same.
    void settingOthersCanReadIsTold_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("password");
        QTest::addColumn<bool>("told");
        QTest::newRow("0644 with password") << 0644 << true << true;
        QTest::newRow("0600 with password") << 0600 << true << false;
        QTest::newRow("0640 with password, for a group") << 0640 << true << false;
        QTest::newRow("0644 without password") << 0644 << false << false;
    }
    void settingOthersCanReadIsTold() {
        QFETCH(int, mode);
        QFETCH(bool, password);
        QFETCH(bool, told);
        if (testing_support::ServerRun()) QSKIP("about the setting file; the same in both runs");
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        const QString setting = fixture.file(kSettingFileName);
        WriteFile(setting, QByteArray("[database]\nengine=postgresql\nhost=127.0.0.1\nport=1\n") +
                               (password ? "password=secret\n" : ""));
        QCOMPARE(::chmod(QFile::encodeName(setting).constData(), mode_t(mode)), 0);
        // A private folder keeps every file in it from others, whatever its mode.
        QVERIFY(DatabaseOfFolder(fixture.path()).warning.isEmpty());
        QCOMPARE(::chmod(QFile::encodeName(fixture.path()).constData(), 0755), 0);

        const DatabaseTarget target = DatabaseOfFolder(fixture.path());
        QVERIFY2(target.problem.isEmpty(), qPrintable(target.problem));
        QCOMPARE(target.engine, Engine::Server);
        QCOMPARE(!target.warning.isEmpty(), told);
        if (!told) return;
        QVERIFY2(target.warning.contains(setting) && target.warning.contains("chmod 600"),
                 qPrintable(target.warning));
        const testing_support::AdminResult run = testing_support::Admin({"database"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QString("engine=postgresql\nserver=verimond@127.0.0.1:1/verimond\n"));
        QVERIFY2(run.err.contains(target.warning), qPrintable(run.err));
    }

    void fileSystemTypes_data() {
        QTest::addColumn<quint64>("type");
        QTest::addColumn<QString>("mount");
        QTest::addColumn<bool>("network");
        QTest::newRow("nfs") << quint64(0x6969) << "nfs4" << true;
        QTest::newRow("smb/cifs") << quint64(0xFF534D42) << "cifs" << true;
        QTest::newRow("smb2") << quint64(0xFE534D42) << "smb3" << true;
        QTest::newRow("old smbfs") << quint64(0x517B) << "smbfs" << true;
        QTest::newRow("ceph") << quint64(0x00C36400) << "ceph" << true;
        QTest::newRow("sshfs") << quint64(0x65735546) << "fuse.sshfs" << true;
        QTest::newRow("a share mounted by the desktop")
            << quint64(0x65735546) << "fuse.gvfsd-fuse" << true;
        QTest::newRow("fuse of unknown kind") << quint64(0x65735546) << "" << true;
        QTest::newRow("ntfs disk through fuse") << quint64(0x65735546) << "fuseblk" << false;
        QTest::newRow("ext4") << quint64(0xEF53) << "ext4" << false;
        QTest::newRow("btrfs") << quint64(0x9123683E) << "btrfs" << false;
        QTest::newRow("tmpfs") << quint64(0x01021994) << "tmpfs" << false;
    }
    void fileSystemTypes() {
        QFETCH(quint64, type);
        QFETCH(QString, mount);
        QFETCH(bool, network);
        QCOMPARE(IsNetworkFileSystemType(type, mount), network);
    }

    void mountOfAPath() {
        const QString mounts =
            "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
            "30 22 0:40 / /mnt/nas rw shared:5 - nfs4 nas:/export rw\n"
            "31 30 0:41 / /mnt/nas/fuse rw - fuse.sshfs user@host: rw\n"
            "32 22 0:42 / /mnt/my\\040photos rw - cifs //nas/photos rw\n"
            "33 22 0:43 / /mnt/nasa rw - ext4 /dev/sdb1 rw\n"
            "34 22 0:44 / /mnt/nasa rw - cifs //nas/other rw\n";
        QCOMPARE(MountTypeOf("/mnt/nas/studio", mounts), QString("nfs4"));
        QCOMPARE(MountTypeOf("/mnt/nas", mounts), QString("nfs4"));
        QCOMPARE(MountTypeOf("/mnt/nas/fuse/x", mounts), QString("fuse.sshfs"));
        QCOMPARE(MountTypeOf("/mnt/my photos/a", mounts), QString("cifs"));
        QCOMPARE(MountTypeOf("/mnt/nasa/b", mounts), QString("cifs"));  // mounted over
        QCOMPARE(MountTypeOf("/home/studio", mounts), QString("ext4"));
        // This machine's temporary folder is no network folder.
        QVERIFY(!IsOnNetworkFileSystem(QDir::tempPath()));
    }

    // WAL's shared memory is not shared between computers: on a network folder the file is
    // made and opened with the rollback journal, also when it arrives there in WAL.
    void networkFolderKeepsTheRollbackJournal() {
        VERIMOND_EMBEDDED_FILE_ONLY();
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        const auto journal = [] {
            return TextOf(QueryRows("pragma journal_mode").front(), "journal_mode");
        };
        const QString local = fixture.file("local.dll");
        const QString shared = fixture.file(kDatabaseFileName);
        QString error;
        QVERIFY2(CreateDatabase(local, &error), qPrintable(error));
        QCOMPARE(OpenConnection(local), OpenResult::Opened);
        QCOMPARE(journal(), QString("wal"));
        QVERIFY(!ConnectedOnNetworkFolder());
        CloseConnection();

        SetNetworkFolderProbeForTesting([](const QString&) { return true; });
        const auto restore = qScopeGuard([] { SetNetworkFolderProbeForTesting({}); });
        QVERIFY2(CreateDatabase(shared, &error), qPrintable(error));
        for (const QString& file : {shared, local}) {
            QCOMPARE(OpenConnection(file), OpenResult::Opened);
            QVERIFY(ConnectedOnNetworkFolder());
            QCOMPARE(journal(), QString("delete"));
            AppendRow("xclib", {{"xcmc", "样"}});
            QVERIFY(!QFile::exists(file + "-wal"));
            CloseConnection();
        }
    }

    // Text reaches the store as typed: quotes doubled, backslashes plain characters.
    void quotedTextKeepsEveryCharacter() {
        RuntimeFixture fixture;
        const QString text = "C:\\照片\\'新'\\ 100% _x_ \\\\";
        UpdateValue("SysSet", "itemvalue", "'" + SqlQuote(text) + "'", "itemname='printinfo'");
        QCOMPARE(LookupValue("SysSet", "itemvalue", "itemname='printinfo'"), text);
        QVERIFY(ValueExists("SysSet", "itemvalue", text, QString()));
    }

    // Two stations pick at the same moment: every pick is kept and numbered.
    void picksAtTheSameMomentAreAllKept() {
        RuntimeFixture fixture;
        const qint64 sample = AddSample(1, 1);
        const QString insert = "insert into xcphoto(customerid,photoid,xcmc) values(1," +
                               QString::number(sample) + ",'精修')";
        constexpr int kPicks = 150;
        const DatabaseTarget target = fixture.database();
        std::atomic<int> failures{0};
        std::atomic_bool go{false};
        QSemaphore ready;
        QString lastError;
        std::thread other([&] {
            {
                QSqlDatabase db = testing_support::OpenOtherStation(target, "other-station");
                QSqlQuery query(db);
                ready.release();
                while (!go) std::this_thread::yield();
                for (int i = 0; i < kPicks; ++i)
                    if (!query.exec(insert)) {
                        ++failures;
                        lastError = query.lastError().text();
                    }
                query.finish();
                db.close();
            }
            QSqlDatabase::removeDatabase("other-station");
        });
        ready.acquire();
        go = true;
        for (int i = 0; i < kPicks; ++i) Execute(insert);
        other.join();
        QVERIFY2(failures == 0, qPrintable(lastError));
        QCOMPARE(LookupValue("xcphoto", "count(*)", "customerid=1"), QString::number(2 * kPicks));
        const QList<qint64> numbered =
            IdsInDisplayOrder("V_xcphoto", "customerid=1 and xcmc='精修'");
        QCOMPARE(numbered.size(), 2 * kPicks);
        QVERIFY(std::is_sorted(numbered.begin(), numbered.end()));
    }

    // Another station sees a transaction's work whole, once committed, or not at all.
    void anotherStationSeesAllOrNothing() {
        RuntimeFixture fixture;
        QSqlDatabase other = testing_support::OpenOtherStation(fixture.database(), "station");
        QVERIFY(other.isOpen());
        const auto seen = [&] {
            QSqlQuery query(other);
            if (!query.exec("select count(*) from customer") || !query.next()) return -1;
            return query.value(0).toInt();
        };
        {
            Transaction transaction;
            const qint64 id = AppendRow("customer", {{"customername", "甲"}});
            Execute("insert into customerxc(customerid,xcmc)  select " + QString::number(id) +
                    ", xcmc from xclib order by id");
            QCOMPARE(seen(), 0);
            transaction.commit();
        }
        QCOMPARE(seen(), 1);
        {
            Transaction transaction;
            AppendRow("customer", {{"customername", "乙"}});
        }
        QCOMPARE(seen(), 1);
        other.close();
        other = QSqlDatabase();
        QSqlDatabase::removeDatabase("station");
    }

    // A file another station keeps locked past the busy timeout ends the statement with the
    // message the staff understand, not the engine's English; afterwards it goes through.
    void lockedFileEndsWithAMessage() {
        VERIMOND_EMBEDDED_FILE_ONLY();
        RuntimeFixture fixture;
        Execute("pragma busy_timeout = 200");  // the test need not wait the full 5 s
        QSqlDatabase other = testing_support::OpenOtherStation(fixture.database(), "station");
        QVERIFY(other.isOpen());
        QSqlQuery held(other);
        QVERIFY2(held.exec("begin exclusive"), qPrintable(held.lastError().text()));
        QString text;
        try {
            Execute("update usertable set password='y' where username='admin'");
        } catch (const DbError& error) {
            text = error.text();
        }
        QCOMPARE(text, QString("另一台电脑正在修改同样的数据,请稍后再试"));
        QVERIFY(held.exec("rollback"));
        Execute("update usertable set password='y' where username='admin'");
        QCOMPARE(LookupValue("usertable", "password", "username='admin'"), QString("y"));
        held = QSqlQuery();
        other.close();
        other = QSqlDatabase();
        QSqlDatabase::removeDatabase("station");
    }

    void refusalsAreToldApart() {
        const QString path = "/x/function.dll";
        QSet<QString> reasons;
        for (OpenResult result : {OpenResult::Missing, OpenResult::NotOurs, OpenResult::Newer,
                                  OpenResult::Damaged, OpenResult::Failed, OpenResult::Busy}) {
            const QString reason = OpenFailureReason(result, path);
            QVERIFY2(reason.contains(path), qPrintable(reason));
            reasons.insert(reason);
        }
        QCOMPARE(reasons.size(), 6);
        QVERIFY(OpenFailureReason(OpenResult::Newer, path).contains("新版本"));
        QVERIFY(OpenFailureReason(OpenResult::Damaged, path).contains("不完整"));
    }

    void olderFileIsUpgradedOnOpening() {
        VERIMOND_EMBEDDED_FILE_ONLY();
        RuntimeFixture fixture;
        const qint64 sample = AddSample(1, 1);
        Execute("drop view V_photoinfo");
        Execute("pragma user_version = 1");
        CloseConnection();
        QCOMPARE(OpenConnection(fixture.file(kDatabaseFileName)), OpenResult::Opened);
        QCOMPARE(LookupValue("V_photoinfo", "id", "customerid=1 and disid=1"),
                 QString::number(sample));
        QCOMPARE(QueryRows("pragma user_version").front().value(0).toInt(), kSchemaVersion);
        // A file from a newer release is left alone.
        Execute("pragma user_version = 99");
        CloseConnection();
        QCOMPARE(OpenConnection(fixture.file(kDatabaseFileName)), OpenResult::Newer);
    }

    void missingFileIsNotCreated() {
        VERIMOND_EMBEDDED_FILE_ONLY();
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        const QString path = fixture.file(kDatabaseFileName);
        QCOMPARE(OpenConnection(path), OpenResult::Missing);
        QVERIFY(!QFile::exists(path));
        QVERIFY_THROWS_EXCEPTION(DbError, QueryRows("select 1"));
    }

    void sqlQuote_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("quoted");
        QTest::newRow("name") << "O'Brien"
                              << "O''Brien";
        QTest::newRow("two quotes") << "''"
                                    << "''''";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("chinese") << "精修'相册"
                                 << "精修''相册";
    }
    void sqlQuote() {
        QFETCH(QString, text);
        QFETCH(QString, quoted);
        QCOMPARE(SqlQuote(text), quoted);
    }

    void helpersOnMissingAndNullValues() {
        RuntimeFixture fixture;
        QCOMPARE(LookupValue("SysSet", "itemvalue", "itemname='nosuchkey'"), QString());
        const qint64 id = AppendRow("customer", {{"customername", "甲"}});
        QCOMPARE(LookupValue("customer", "note", "customerid=" + QString::number(id)), QString());
        UpdateValue("SysSet", "itemvalue", "'x'", "itemname='nosuchkey'");
        QCOMPARE(QueryRows("select * from SysSet").size(), size_t(4));
        UpdateValue("SysSet", "itemvalue", "'" + SqlQuote("页脚'文字") + "'",
                    "itemname='printinfo'");
        QCOMPARE(LookupValue("SysSet", "itemvalue", "itemname='printinfo'"), QString("页脚'文字"));
        // An unknown column is the engine's error, carried to the caller.
        QVERIFY_THROWS_EXCEPTION(DbError, LookupValue("SysSet", "nosuch", "1=1"));
    }

    void valueExistsTestsOneCustomersPaths() {
        RuntimeFixture fixture;
        const QString quoted = "/studio/O'Brien/a.jpg";
        const qint64 first = AddSample(1, 1, quoted);
        AddSample(2, 1, "/studio/b.jpg");
        QVERIFY(ValueExists("photoinfo", "customerid=1 and filename", quoted, QString()));
        QVERIFY(!ValueExists("photoinfo", "customerid=2 and filename", quoted, QString()));
        QVERIFY(!ValueExists("photoinfo", "filename", quoted, QString::number(first)));
        QVERIFY(ValueExists("photoinfo", "filename", "/studio/b.jpg", QString::number(first)));
        for (int i = 0; i < 2000; ++i)
            ValueExists("photoinfo", "customerid=1 and filename", "/x" + QString::number(i), {});
        Execute("delete from photoinfo");  // would fail with a statement still reading
    }

    void strToInt() {
        QCOMPARE(StrToInt("75"), 75);
        QCOMPARE(StrToInt("-3"), -3);
        try {
            StrToInt("");
            QFAIL("no error");
        } catch (const ConversionError& e) {
            QCOMPARE(e.text(), QString("'' is not a valid integer value"));
        }
        QVERIFY_THROWS_EXCEPTION(ConversionError, StrToInt("7a"));
    }

    void extensionOf_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("extension");
        QTest::newRow("plain") << "a.jpg"
                               << ".jpg";
        QTest::newRow("upper") << "b.JPEG"
                               << ".JPEG";
        QTest::newRow("two dots") << "a.jpg.txt"
                                  << ".txt";
        QTest::newRow("only extension") << ".jpg"
                                        << ".jpg";
        QTest::newRow("trailing dot") << "photo."
                                      << ".";
        QTest::newRow("no dot") << "README"
                                << "";
        QTest::newRow("leading dots") << "..jpg"
                                      << ".jpg";
        QTest::newRow("chinese") << "样片.一.bmp"
                                 << ".bmp";
    }
    void extensionOf() {
        QFETCH(QString, name);
        QFETCH(QString, extension);
        QCOMPARE(ExtensionOf(name), extension);
    }

    void samplesAreNumberedInOrder() {
        RuntimeFixture fixture;
        // A re-import repeats order numbers; ties go by id, fractions sort between.
        const qint64 a = AddSample(1, 1), b = AddSample(1, 2), c = AddSample(1, 3);
        const qint64 other = AddSample(2, 1);
        const qint64 d = AddSample(1, 1), e = AddSample(1, 2);
        const qint64 f = AddSample(1, 0.5);
        const QList<qint64> order{f, a, d, b, e, c};
        QCOMPARE(IdsInDisplayOrder("V_photoinfo", "customerid=1"), order);
        QCOMPARE(IdsInDisplayOrder("V_photoinfo", "customerid=2"), QList<qint64>{other});
        // The same order on every query, and from any display number on.
        QCOMPARE(IdsInDisplayOrder("V_photoinfo", "customerid=1"), order);
        const Rows tail = QueryRows(
            "select id, disid from V_photoinfo where disid >=4 and "
            "customerid=1 limit 12");
        QCOMPARE(tail.size(), size_t(3));
        QCOMPARE(tail[0].value("id").toLongLong(), b);
        QCOMPARE(LookupValue("V_photoinfo", "disid", "customerid=1 and id=" + QString::number(c)),
                 QString("6"));
        // Deleting closes the gap at once.
        Execute("delete from photoinfo where id=" + QString::number(d));
        QCOMPARE(IdsInDisplayOrder("V_photoinfo", "customerid=1"), (QList<qint64>{f, a, b, e, c}));
    }

    void picksAreNumberedPerAlbumAndPerCustomer() {
        RuntimeFixture fixture;
        const qint64 s1 = AddSample(1, 1, "/p/1.jpg"), s2 = AddSample(1, 2, "/p/2.jpg");
        const qint64 s3 = AddSample(2, 1, "/p/3.jpg");
        const qint64 p1 = AddPick(1, s1, "精修");
        const qint64 p2 = AddPick(1, s2, "放大");
        const qint64 p3 = AddPick(1, s1, "精修");  // the same sample twice
        const qint64 p4 = AddPick(2, s3, "精修");
        const qint64 p5 = AddPick(1, s2, "精修");
        QCOMPARE(IdsInDisplayOrder("V_xcphoto", "customerid=1 and xcmc='精修'"),
                 (QList<qint64>{p1, p3, p5}));
        QCOMPARE(IdsInDisplayOrder("V_xcphoto", "customerid=1 and xcmc='放大'"), QList<qint64>{p2});
        QCOMPARE(IdsInDisplayOrder("V_xcphoto", "customerid=2 and xcmc='精修'"), QList<qint64>{p4});
        QCOMPARE(IdsInDisplayOrder("V_xcphotoall", "customerid=1"),
                 (QList<qint64>{p1, p2, p3, p5}));
        // Rows carry the sample's file and note.
        Execute("update photoinfo set zzyq='加急' where id=" + QString::number(s2));
        const Rows all =
            QueryRows("select * from V_xcphotoall where customerid=1 and disid>=2 limit 18");
        QCOMPARE(all.size(), size_t(3));
        QCOMPARE(TextOf(all[0], "filename"), QString("/p/2.jpg"));
        QCOMPARE(TextOf(all[0], "zzyq"), QString("加急"));
        QCOMPARE(all[0].value("photoid").toLongLong(), s2);
        // Removing one of two repeated picks renumbers the rest without a gap.
        Execute(
            "delete from xcphoto where id=(select id from xcphoto where customerid=1 and "
            "photoid=" +
            QString::number(s1) + " and xcmc='精修' limit 1)");
        QCOMPARE(IdsInDisplayOrder("V_xcphoto", "customerid=1 and xcmc='精修'"),
                 (QList<qint64>{p3, p5}));
    }

    void sampleQueriesOfTheWorkspaceRun() {
        RuntimeFixture fixture;
        const qint64 s1 = AddSample(7, 1), s2 = AddSample(7, 2);
        AddPick(7, s2, "a");
        AddPick(7, s2, "b");
        const QString condition = " customerid=7";
        const Rows rows = QueryRows(
            "select photofile,filename,id,(select count(1) from xcphoto where" + condition +
            " and photoid=V_photoinfo.id) as isel,'' as fs  from V_photoinfo where disid >=1 and" +
            condition + " limit 12");
        QCOMPARE(rows.size(), size_t(2));
        QCOMPARE(rows[0].value("id").toLongLong(), s1);
        QCOMPARE(rows[0].value("isel").toInt(), 0);
        QCOMPARE(rows[1].value("isel").toInt(), 2);
        const Rows counts = QueryRows(
            "select xcmc,count(photoid) as shumu from xcphoto where "
            "customerid=7 group by xcmc");
        QCOMPARE(counts.size(), size_t(2));
    }

    // A refused statement goes to the caller as before and to the log with the statement;
    // where it may carry the administrator password, its literals stay out of the log.
    void failedStatementIsLoggedWithIt_data() {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("logged");
        QTest::newRow("execute") << "execute"
                                 << "insert into nosuchtable values('页脚')"
                                 << "insert into nosuchtable values('页脚')";
        QTest::newRow("rows") << "rows"
                              << "select nosuch from SysSet where itemname='printinfo'"
                              << "select nosuch from SysSet where itemname='printinfo'";
        QTest::newRow("count") << "count"
                               << "update SysSet set nosuch=1"
                               << "update SysSet set nosuch=1";
        QTest::newRow("password") << "execute"
                                  << "update usertable set password='秘''密' where nosuch='admin'"
                                  << "update usertable set password='…' where nosuch='…'";
        QTest::newRow("password read")
            << "rows"
            << "select * from usertable where password='秘密' and nosuch=1"
            << "select * from usertable where password='…' and nosuch=1";
    }
    void failedStatementIsLoggedWithIt() {
        QFETCH(QString, call);
        QFETCH(QString, statement);
        QFETCH(QString, logged);
        RuntimeFixture fixture;
        testing_support::LogCapture log("verimond.data");
        QString thrown;
        try {
            if (call == "execute") Execute(statement);
            if (call == "rows") QueryRows(statement);
            if (call == "count") ExecuteCount(statement);
        } catch (const DbError& error) {
            thrown = error.text();
        }
        QVERIFY(!thrown.isEmpty());
        QCOMPARE(log.warnings().size(), 1);
        const QString warning = log.warnings().first();
        QVERIFY2(warning.endsWith("statement: " + logged), qPrintable(warning));
        // The server adds the statement's line to its words; their first line says why.
        QVERIFY2(warning.contains(thrown.section('\n', 0, 0)), qPrintable(warning));
        QVERIFY2(!warning.contains("秘"), qPrintable(warning));
    }

    // The engine's words may quote the refused value; a password in them is not logged.
    void passwordQuotedByTheEngineIsNotLogged() {
        testing_support::LogCapture log("verimond.data");
        LogFailedStatement(
            "invalid input syntax for type integer: \"秘'密\"\n"
            "LINE 1: update usertable set password='秘''密' wher...",
            "update usertable set password='秘''密' where username='admin'");
        QCOMPARE(log.warnings(),
                 QStringList{"statement failed: invalid input syntax for type integer: \"…\" | "
                             "statement: update usertable set password='…' where username='…'"});
        QCOMPARE(StatementForLog("update SysSet set itemvalue='页脚' where itemname='printinfo'"),
                 QString("update SysSet set itemvalue='页脚' where itemname='printinfo'"));
    }

    void transactionRollsBackUnlessCommitted() {
        RuntimeFixture fixture;
        {
            Transaction transaction;
            AppendRow("xclib", {{"xcmc", "临时"}});
        }
        QCOMPARE(LookupValue("xclib", "xcmc", "xcmc='临时'"), QString());
        try {
            Transaction transaction;
            AppendRow("xclib", {{"xcmc", "临时"}});
            Execute("insert into nosuchtable values(1)");
            transaction.commit();
        } catch (const DbError&) {
        }
        QCOMPARE(LookupValue("xclib", "xcmc", "xcmc='临时'"), QString());
        {
            Transaction transaction;
            AppendRow("xclib", {{"xcmc", "保留"}});
            transaction.commit();
        }
        QCOMPARE(LookupValue("xclib", "xcmc", "xcmc='保留'"), QString("保留"));
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "test_database.moc"
