// verimond-bench desk / desk-create: the customer window on the studio-sized database
// (opening it with the whole list, a name filter, deleting a customer of 500 samples),
// and creating a customer from a folder of photos through the window, against
// verimond-admin import of the same folder.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include "bench/bench_common.h"
#include "bench/bench_runtime.h"
#include "customers/customer_list.h"
#include "customers/customer_records.h"
#include "customers/photo_import.h"
#include "customers/tfrmmain.h"
#include "data/connection.h"
#include "data/errors.h"
#include "data/records.h"
#include "data/schema.h"
#include "widgets/atedit.h"
#include "widgets/dialogs.h"
#include "widgets/theme.h"

namespace bench {
namespace {

// The window's questions are answered Yes, so the delete goes ahead; messages are counted.
class YesDialogs : public widgets::Dialogs {
  public:
    void Message(QWidget*, const QString& text) override { messages << text; }
    widgets::Answer Question(QWidget*, const QString&) override { return widgets::Answer::Yes; }
    bool Warning(QWidget*, const QString&) override { return true; }
    void Error(QWidget*, const QString& text) override { messages << text; }
    QString ChooseFolder(QWidget*, const QString&, const QString&) override { return QString(); }
    bool OpenDocument(const QUrl&) override { return false; }
    QString ChooseSaveFile(QWidget*, const QString&, const QString&, const QString&) override {
        return QString();
    }
    void PrintPreview(QWidget*, const QString&, const widgets::PagePainter&) override {}
    widgets::PrintResult PrintOnDefaultPrinter(QWidget*, const QString&,
                                               const widgets::PagePainter&, QString*) override {
        return widgets::PrintResult::NoPrinter;
    }
    QStringList messages;
};

YesDialogs* InstallYesDialogs() {
    auto dialogs = std::make_unique<YesDialogs>();
    YesDialogs* raw = dialogs.get();
    widgets::Dialogs::Install(std::move(dialogs));
    return raw;
}

int CountOf(const QString& sql) {
    const data::Rows rows = data::QueryRows(sql);
    return rows.empty() ? 0 : rows.front().value(0).toInt();
}

// A copy of customer `source` (its samples with their thumbnails, the default albums and
// 50 picks) under the name `name`, in one transaction; returns its id.
qint64 CopyCustomer(qint64 source, const QString& name) {
    data::Transaction transaction;
    const qint64 id = data::AppendRow(QStringLiteral("customer"),
                                      {{QStringLiteral("customername"), name},
                                       {QStringLiteral("photopath"), QStringLiteral("/bench")},
                                       {QStringLiteral("staus"), QStringLiteral("正常")}});
    const QString to = QString::number(id);
    const QString from = QString::number(source);
    data::Execute(QStringLiteral("insert into photoinfo(customerid,odrnum,filename,photofile) "
                                 "select ") +
                  to +
                  QStringLiteral(", odrnum, filename, photofile from photoinfo where "
                                 "customerid=") +
                  from);
    data::Execute(QStringLiteral("insert into customerxc(customerid,xcmc) select ") + to +
                  QStringLiteral(", xcmc from xclib order by id"));
    data::Execute(QStringLiteral("insert into xcphoto(customerid,photoid,xcmc) select ") + to +
                  QStringLiteral(", id, '精修相册' from photoinfo where customerid=") + to +
                  QStringLiteral(" order by id limit 50"));
    transaction.commit();
    return id;
}

bool SelectRow(customers::Tfrmmain& desk, qint64 id) {
    for (int i = 0; i < desk.Listmatch->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = desk.Listmatch->topLevelItem(i);
        if (row->text(customers::Tfrmmain::kIdColumn) == QString::number(id)) {
            desk.Listmatch->setCurrentItem(row);
            row->setSelected(true);
            return true;
        }
    }
    return false;
}

QString AdminPath(const QStringList& args) {
    return Option(args, "--admin",
                  QDir(QCoreApplication::applicationDirPath())
                      .absoluteFilePath(QStringLiteral("../runtime/verimond-admin")));
}

}  // namespace

int RunDesk(const QStringList& args) {
    QTextStream out(stdout), err(stderr);
    const QStringList positional = PositionalArgs(args, {"--repeat", "--filter"});
    int repeat = 0;
    if (positional.size() != 1 || !PositiveOption(args, "--repeat", 20, &repeat)) {
        err << "usage: verimond-bench desk DBFILE [--repeat N] [--filter TEXT]\n";
        return 2;
    }
    const QString filter = Option(args, "--filter", QStringLiteral("015"));
    widgets::ApplyTheme(*static_cast<QApplication*>(QCoreApplication::instance()));
    RuntimeFolder runtime;
    if (!runtime.ok() || !runtime.LinkDatabase(positional[0]) ||
        data::OpenConnection(runtime.file(QString::fromLatin1(data::kDatabaseFileName))) !=
            data::OpenResult::Opened) {
        err << "cannot open " << positional[0] << " as a database of ours\n";
        return 1;
    }
    YesDialogs* dialogs = InstallYesDialogs();
    try {
        const int customers = CountOf(QStringLiteral("select count(*) from customer"));
        // The customer copied for the delete: the one with the most samples.
        const data::Rows biggest = data::QueryRows(
            QStringLiteral("select customerid, count(*) as n from photoinfo group by customerid "
                           "order by n desc limit 1"));
        if (customers == 0 || biggest.empty()) {
            err << "the database has no customers with samples; make it with make-db\n";
            return 1;
        }
        const qint64 source = biggest.front().value(0).toLongLong();
        const int samples = biggest.front().value(1).toInt();

        std::vector<double> open, paint, query, listAll, filtered;
        int listed = 0, matched = 0;
        for (int i = 0; i < repeat; ++i) {
            // Opening: the window made and shown, its list filled (FormShow).
            customers::Tfrmmain* desk = nullptr;
            open.push_back(TimeMs([&] {
                desk = new customers::Tfrmmain(nullptr, {});
                desk->setAttribute(Qt::WA_DeleteOnClose, false);
                desk->show();
            }));
            paint.push_back(TimeMs([] { QCoreApplication::processEvents(); }));
            listed = desk->Listmatch->topLevelItemCount();
            query.push_back(
                TimeMs([&] { customers::ListCustomers(QString(), QStringLiteral("全部")); }));
            listAll.push_back(TimeMs([&] { desk->Image3Click(); }));
            desk->cxname->setText(filter);
            filtered.push_back(TimeMs([&] { desk->Image3Click(); }));
            matched = desk->Listmatch->topLevelItemCount();
            delete desk;
        }

        std::vector<double> remove, copy;
        const int deletes = std::max(3, repeat / 4);
        for (int i = 0; i < deletes; ++i) {
            qint64 id = -1;
            copy.push_back(TimeMs([&] { id = CopyCustomer(source, QStringLiteral("删除测试")); }));
            customers::Tfrmmain desk(nullptr, {});
            desk.setAttribute(Qt::WA_DeleteOnClose, false);
            desk.show();
            QCoreApplication::processEvents();
            if (!SelectRow(desk, id)) {
                err << "the copied customer is not listed\n";
                return 1;
            }
            // The 删除 click: the question (answered at once), the delete, the list refilled.
            remove.push_back(TimeMs([&] { desk.Image5Click(); }));
            if (CountOf(QStringLiteral("select count(*) from photoinfo where customerid=") +
                        QString::number(id)) != 0) {
                err << "the delete left samples behind\n";
                return 1;
            }
        }
        if (!dialogs->messages.isEmpty())
            err << "messages: " << dialogs->messages.join(" | ") << "\n";
        out << "customers=" << customers << " listed=" << listed << " open_ms=" << Ms(Median(open))
            << " paint_ms=" << Ms(Median(paint)) << " query_ms=" << Ms(Median(query))
            << " list_ms=" << Ms(Median(listAll)) << " filter=" << filter << " matched=" << matched
            << " filter_ms=" << Ms(Median(filtered)) << "\n";
        out << "delete: samples=" << samples << " runs=" << deletes
            << " delete_ms=" << Ms(Median(remove)) << " copy_ms=" << Ms(Median(copy)) << "\n";
    } catch (const data::VerimondError& error) {
        err << "failed: " << error.text() << "\n";
        return 1;
    }
    return 0;
}

int RunDeskCreate(const QStringList& args) {
    QTextStream out(stdout), err(stderr);
    const QStringList positional = PositionalArgs(args, {"--repeat", "--admin"});
    int repeat = 0;
    if (positional.size() != 1 || !PositiveOption(args, "--repeat", 3, &repeat)) {
        err << "usage: verimond-bench desk-create FOLDER [--repeat N] [--admin PATH] "
               "[--write-only]\n";
        return 2;
    }
    const QString folder = QFileInfo(positional[0]).absoluteFilePath();
    const QString admin = AdminPath(args);
    const bool writeOnly = Flag(args, "--write-only");
    if (!writeOnly && !QFileInfo(admin).isExecutable()) {
        err << "no verimond-admin at " << admin << " (give --admin PATH)\n";
        return 2;
    }
    widgets::ApplyTheme(*static_cast<QApplication*>(QCoreApplication::instance()));

    int samples = 0;
    // The add button of the window, offscreen, busy notice included, on a fresh database.
    const auto throughWindow = [&]() -> double {
        RuntimeFolder runtime;
        QString error;
        const QString db = runtime.file(QString::fromLatin1(data::kDatabaseFileName));
        if (!runtime.ok() || !data::CreateDatabase(db, &error) ||
            data::OpenConnection(db) != data::OpenResult::Opened)
            qFatal("cannot create a database: %s", qPrintable(error));
        YesDialogs* dialogs = InstallYesDialogs();
        customers::Tfrmmain desk(nullptr, {});
        desk.setAttribute(Qt::WA_DeleteOnClose, false);
        desk.show();
        QCoreApplication::processEvents();
        desk.cusname->setText(QStringLiteral("导入测试"));
        desk.foldername->setText(folder);
        desk.cbfileype3->setChecked(true);
        desk.cbfileype1Click();
        const double ms = TimeMs([&] { desk.Image2Click(); });
        if (dialogs->messages.value(0) != QStringLiteral("保存成功"))
            qFatal("the window did not save: %s", qPrintable(dialogs->messages.join(" | ")));
        samples = CountOf(QStringLiteral("select count(*) from photoinfo"));
        return ms;
    };
    // verimond-admin import as a script runs it: a process of its own, on a fresh database.
    const auto throughAdmin = [&]() -> double {
        QTemporaryDir dir;
        QProcess init;
        init.setWorkingDirectory(dir.path());
        init.start(admin, {QStringLiteral("init")});
        if (!init.waitForFinished(-1) || init.exitCode() != 0) qFatal("verimond-admin init failed");
        QProcess import;
        import.setWorkingDirectory(dir.path());
        const double ms = TimeMs([&] {
            import.start(admin, {QStringLiteral("import"), QStringLiteral("--name"),
                                 QStringLiteral("导入测试"), QStringLiteral("--folder"), folder,
                                 QStringLiteral("--types"), QStringLiteral(".jpg,.jpeg,.bmp")});
            import.waitForFinished(-1);
        });
        if (import.exitCode() != 0)
            qFatal("verimond-admin import failed: %s", import.readAllStandardError().constData());
        return ms;
    };

    std::vector<double> window, script;
    for (int i = 0; i < repeat && !writeOnly; ++i) {
        // Interleaved, each first in turn, so a busier moment of the machine hits both.
        if (i % 2 == 0) {
            window.push_back(throughWindow());
            script.push_back(throughAdmin());
        } else {
            script.push_back(throughAdmin());
            window.push_back(throughWindow());
        }
    }

    // The write transaction alone: thumbnails made once, then written into fresh databases.
    // Timed twice: as the program runs (the commit then also runs SQLite's automatic
    // checkpoint, which copies the new pages into the file after the write lock is
    // released), and with the automatic checkpoint off, which leaves the span the write
    // lock is held: from BEGIN to the end of COMMIT.
    std::vector<double> write, locked;
    {
        RuntimeFolder runtime;
        QString error;
        const QString db = runtime.file(QStringLiteral("prepare.dll"));
        if (!runtime.ok() || !data::CreateDatabase(db, &error) ||
            data::OpenConnection(db) != data::OpenResult::Opened)
            qFatal("cannot create a database: %s", qPrintable(error));
        const customers::ImportOptions options = customers::ImportOptionsFromSettings(
            customers::AcceptedTypesList(true, true, true), false);
        const customers::PreparedImport prepared =
            customers::PrepareImport(QString(), folder, options);
        if (writeOnly) samples = static_cast<int>(prepared.samples.size());
        data::CloseConnection();
        for (int i = 0; i < 2 * std::max(5, repeat); ++i) {
            const bool checkpoint = i % 2 == 0;
            const QString file = runtime.file(QStringLiteral("write%1.dll").arg(i));
            if (!data::CreateDatabase(file, &error) ||
                data::OpenConnection(file) != data::OpenResult::Opened)
                qFatal("cannot create a database: %s", qPrintable(error));
            if (!checkpoint) data::Execute(QStringLiteral("pragma wal_autocheckpoint=0"));
            customers::PreparedImport copy = prepared;  // copied before the clock starts
            (checkpoint ? write : locked).push_back(TimeMs([&] {
                customers::WriteNewCustomer({QStringLiteral("导入测试"), folder, QString()},
                                            std::move(copy));
            }));
            data::CloseConnection();
            QFile::remove(file);
        }
    }

    out << "samples=" << samples;
    if (!writeOnly) {
        const double windowMs = Median(window);
        const double adminMs = Median(script);
        out << " runs=" << repeat << " window_ms=" << Ms(windowMs) << " admin_ms=" << Ms(adminMs)
            << " ratio=" << QString::number(adminMs > 0 ? windowMs / adminMs : 0, 'f', 3);
    }
    out << " write_ms=" << Ms(Median(write)) << " locked_ms=" << Ms(Median(locked)) << "\n";
    return 0;
}

}  // namespace bench
