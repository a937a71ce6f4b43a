// verimond-bench make-db / page / album-page / pick: a studio-sized database (100,000 samples
// with real thumbnails), the two page fills that read it, the sample strip and the album
// grid, and the workspace's changes to it.

#include <QFileInfo>
#include <QPixmap>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <map>

#include "bench/bench_common.h"
#include "bench/bench_runtime.h"
#include "data/connection.h"
#include "data/errors.h"
#include "data/records.h"
#include "data/schema.h"
#include "images/demo_photo.h"
#include "images/picture_drawing.h"
#include "images/thumbnail.h"
#include "workspace/undo_history.h"
#include "workspace/workspace_operations.h"
#include "workspace/workspace_queries.h"
#include "workspace/workspace_state.h"

namespace bench {
namespace {

constexpr int kDistinctThumbnails = 16;
const QString kStripPlaceholder = QStringLiteral("photo/Thumbnails_nophoto.jpg");
const QString kAlbumPlaceholder = QStringLiteral("photo/nophoto.jpg");

// Real thumbnails of demo photos, landscape and portrait, made once and stored many times:
// drawing 100,000 of them would only measure the drawing.
std::vector<QByteArray> MakeThumbnails() {
    images::DrawOptions options;
    options.size = QSize(images::kThumbnailWidth, images::kThumbnailHeight);
    options.margin = images::kThumbnailMargin;
    std::vector<QByteArray> thumbnails;
    for (int seed = 1; seed <= kDistinctThumbnails; ++seed) {
        const bool portrait = seed % 3 == 0;
        const QImage photo = images::MakeDemoPhoto(portrait ? 400 : 600, portrait ? 600 : 400, seed,
                                                   QStringLiteral("样片 %1").arg(seed));
        thumbnails.push_back(
            images::EncodeBmp24(images::DrawImageFitted(photo, photo.size(), options)));
    }
    return thumbnails;
}

void Exec(QSqlQuery& query) {
    if (!query.exec()) throw data::DbError(query.lastError().text());
}

QSqlQuery Prepared(const QString& sql) {
    QSqlQuery query(data::Connection());
    if (!query.prepare(sql)) throw data::DbError(query.lastError().text());
    return query;
}

// Album of the k-th of `picks` picks: three fifths in the first album, so one album
// fills more than a grid page, the rest in the other two.
int AlbumOfPick(int k, int picks) {
    if (k < picks * 3 / 5) return 0;
    return k < picks * 17 / 20 ? 1 : 2;
}

bool OpenOurs(const QString& argument, QTextStream& err) {
    const data::DatabaseTarget target = BenchDatabase(argument);
    const data::OpenResult opened = data::OpenDatabase(target);
    if (opened == data::OpenResult::Opened) return true;
    err << "cannot open " << argument << ": " << data::OpenFailureReason(opened, target) << "\n";
    return false;
}

int CountOf(const QString& sql) {
    const data::Rows rows = data::QueryRows(sql);
    return rows.empty() ? 0 : rows.front().value(0).toInt();
}

// Display numbers a customer moves the strip to, within its samples.
std::vector<int> StripStarts(int samples) {
    std::vector<int> starts;
    for (int start : {1, 100, 250, 489, 37, 411, 173, 302})
        starts.push_back(std::min(start, std::max(1, samples - 11)));
    return starts;
}

}  // namespace

int RunMakeDb(const QStringList& args) {
    QTextStream err(stderr);
    const QStringList positional = PositionalArgs(args, {"--customers", "--samples", "--picks"});
    int customers = 0, samples = 0, picks = 0;
    if (positional.size() != 1 || !PositiveOption(args, "--customers", 200, &customers) ||
        !PositiveOption(args, "--samples", 500, &samples) ||
        !PositiveOption(args, "--picks", 50, &picks) || picks > samples) {
        err << "usage: verimond-bench make-db DBFILE|SERVER.ini [--customers 200] [--samples 500] "
               "[--picks 50]\n";
        return 2;
    }
    const QString file = positional[0];
    QElapsedTimer timer;
    timer.start();
    QString error;
    // A file must not exist yet; a server database must be empty.
    if (!data::CreateDatabase(BenchDatabase(file), &error)) {
        err << error << "\n";
        return 1;
    }
    if (!OpenOurs(file, err)) return 1;
    const std::vector<QByteArray> thumbnails = MakeThumbnails();
    try {
        QSqlQuery customer = Prepared(
            "insert into customer(customername, photopath, staus, note) values(?, ?, '正常', '')");
        QSqlQuery sample = Prepared(
            "insert into photoinfo(customerid, odrnum, filename, photofile) values(?, ?, ?, ?)");
        QSqlQuery albums = Prepared(
            "insert into customerxc(customerid, xcmc) select ?, xcmc from xclib order by id");
        QSqlQuery pick = Prepared("insert into xcphoto(customerid, photoid, xcmc) values(?, ?, ?)");
        QStringList albumNames;
        for (const auto& row : data::QueryRows("select xcmc from xclib order by id"))
            albumNames << data::TextOf(row, "xcmc");
        if (albumNames.size() < 3) throw data::DbError("the album library has fewer than 3 albums");

        std::vector<qint64> sampleIds(samples);
        for (int c = 1; c <= customers; ++c) {
            data::Transaction transaction;
            const QString name = QStringLiteral("客户%1").arg(c, 4, 10, QLatin1Char('0'));
            const QString folder = QStringLiteral("/studio/shoots/") + name;
            customer.bindValue(0, name);
            customer.bindValue(1, folder);
            Exec(customer);
            const qint64 id = customer.lastInsertId().toLongLong();
            for (int s = 0; s < samples; ++s) {
                sample.bindValue(0, id);
                sample.bindValue(1, s + 1);
                sample.bindValue(
                    2, folder + QStringLiteral("/IMG_%1.jpg").arg(s + 1, 4, 10, QLatin1Char('0')));
                sample.bindValue(3, thumbnails[(c + s) % thumbnails.size()]);
                Exec(sample);
                sampleIds[s] = sample.lastInsertId().toLongLong();
            }
            albums.bindValue(0, id);
            Exec(albums);
            // Distinct samples spread over the shoot; every third pick of the smaller
            // albums takes a sample the first album has already, so some are picked twice.
            const int firstAlbumPicks = picks * 3 / 5;
            for (int k = 0; k < picks; ++k) {
                const int album = AlbumOfPick(k, picks);
                const int again = firstAlbumPicks > 0 ? k % firstAlbumPicks : 0;
                const int which = (album != 0 && k % 3 == 0) ? again : k;
                pick.bindValue(0, id);
                pick.bindValue(1, sampleIds[(which * 7 + c) % samples]);
                pick.bindValue(2, albumNames[album]);
                Exec(pick);
            }
            transaction.commit();
        }
    } catch (const data::VerimondError& e) {
        err << e.text() << "\n";
        return 1;
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    const qint64 bytes = data::ConnectedDatabaseBytes();
    data::CloseConnection();
    QTextStream(stdout) << "customers=" << customers << " samples=" << qint64(customers) * samples
                        << " picks=" << qint64(customers) * picks
                        << " elapsed_s=" << QString::number(seconds, 'f', 1)
                        << " size_mb=" << QString::number(bytes / 1048576.0, 'f', 1) << "\n";
    return 0;
}

// The strip's page fill as the workspace does it: twelve rows, then each thumbnail decoded
// and made a pixmap. The bare query alone is the baseline.
int RunPage(const QStringList& args) {
    QTextStream err(stderr);
    const QStringList positional = PositionalArgs(args, {"--repeat"});
    int repeat = 0;
    if (positional.size() != 2 || !PositiveOption(args, "--repeat", 50, &repeat)) {
        err << "usage: verimond-bench page DBFILE|SERVER.ini CUSTOMERID [--repeat N]\n";
        return 2;
    }
    if (!OpenOurs(positional[0], err)) return 1;
    const QString id = QString::number(positional[1].toLongLong());
    try {
        const int samples = CountOf("select count(*) from photoinfo where customerid=" + id);
        if (samples == 0) {
            err << "customer " << id << " has no samples\n";
            return 1;
        }
        const std::vector<int> starts = StripStarts(samples);
        const QString condition = workspace::SampleCondition(id);
        std::vector<double> full, bare;
        std::map<int, std::vector<double>> byStart;
        size_t rows = 0;
        for (int i = 0; i < repeat; ++i) {
            const int start = starts[i % starts.size()];
            bare.push_back(TimeMs([&] {
                workspace::LoadSamplePage("V_photoinfo", "filename", "id", condition, start);
            }));
            full.push_back(TimeMs([&] {
                const std::vector<workspace::StripCell> cells =
                    workspace::LoadSamplePage("V_photoinfo", "filename", "id", condition, start);
                for (const workspace::StripCell& cell : cells) {
                    const QPixmap pixmap = QPixmap::fromImage(
                        images::ShowThumbnail(cell.thumbnail, kStripPlaceholder));
                    if (pixmap.isNull()) throw data::VerimondError("empty thumbnail");
                }
                rows = cells.size();
            }));
            byStart[start].push_back(full.back());
        }
        QTextStream out(stdout);
        out << "median_ms=" << Ms(Median(full)) << " query_ms=" << Ms(Median(bare))
            << " samples=" << samples << " rows=" << rows << " runs=" << repeat << "\n";
        // The cost depends on where the page starts; one median per start shows how.
        out << "by_start:";
        for (const auto& [start, times] : byStart) out << " " << start << "=" << Ms(Median(times));
        out << "\n";
    } catch (const data::VerimondError& e) {
        err << e.text() << "\n";
        return 1;
    }
    return 0;
}

// The album grid's fill: up to 18 picks of an album (or of all albums) from a display number
// on, each thumbnail decoded and made a pixmap; the bare query is the baseline.
int RunAlbumPage(const QStringList& args) {
    QTextStream err(stderr);
    const QStringList positional = PositionalArgs(args, {"--repeat"});
    int repeat = 0;
    if (positional.size() != 2 || !PositiveOption(args, "--repeat", 50, &repeat)) {
        err << "usage: verimond-bench album-page DBFILE|SERVER.ini CUSTOMERID [--repeat N]\n";
        return 2;
    }
    if (!OpenOurs(positional[0], err)) return 1;
    const QString id = QString::number(positional[1].toLongLong());
    try {
        const data::Rows biggest =
            data::QueryRows("select xcmc, count(*) as n from xcphoto where customerid=" + id +
                            " group by xcmc order by n desc, xcmc limit 1");
        if (biggest.empty()) {
            err << "customer " << id << " has no picks\n";
            return 1;
        }
        const QString album = data::TextOf(biggest.front(), "xcmc");
        const int albumPicks = biggest.front().value("n").toInt();
        const int allPicks = CountOf("select count(*) from xcphoto where customerid=" + id);

        // The grid starts at the track bar's distance from its end: 0 first, then onwards.
        auto sqlOf = [&](const QString& name, int start) {
            return name != workspace::kAllAlbums
                       ? "select *  from V_xcphoto where customerid=" + id + " and xcmc='" +
                             data::SqlQuote(name) + "' and disid >=" + QString::number(start) +
                             " limit 18"
                       : "select *  from V_xcphotoall where customerid=" + id +
                             "  and disid >=" + QString::number(start) + " limit 18";
        };
        auto fill = [&](const QString& sql) {
            const data::Rows rows = data::QueryRows(sql);
            for (const auto& row : rows) {
                const QPixmap pixmap = QPixmap::fromImage(
                    images::ShowThumbnail(row.value("photofile").toByteArray(), kAlbumPlaceholder));
                if (pixmap.isNull()) throw data::VerimondError("empty thumbnail");
            }
            return rows.size();
        };
        auto startsOf = [](int count) {
            return std::vector<int>{0, 1, count / 3, count / 2, std::max(0, count - 18)};
        };
        const std::vector<int> albumStarts = startsOf(albumPicks), allStarts = startsOf(allPicks);
        std::vector<double> albumFull, albumBare, allFull, allBare;
        size_t albumRows = 0;
        for (int i = 0; i < repeat; ++i) {
            const QString one = sqlOf(album, albumStarts[i % albumStarts.size()]);
            const QString all = sqlOf(workspace::kAllAlbums, allStarts[i % allStarts.size()]);
            albumBare.push_back(TimeMs([&] { data::QueryRows(one); }));
            albumFull.push_back(TimeMs([&] { albumRows = std::max(albumRows, fill(one)); }));
            allBare.push_back(TimeMs([&] { data::QueryRows(all); }));
            allFull.push_back(TimeMs([&] { fill(all); }));
        }
        QTextStream(stdout) << "median_ms=" << Ms(Median(albumFull))
                            << " query_ms=" << Ms(Median(albumBare))
                            << " all_ms=" << Ms(Median(allFull))
                            << " all_query_ms=" << Ms(Median(allBare)) << " album=" << album
                            << " album_picks=" << albumPicks << " all_picks=" << allPicks
                            << " max_rows=" << albumRows << " runs=" << repeat << "\n";
    } catch (const data::VerimondError& e) {
        err << e.text() << "\n";
        return 1;
    }
    return 0;
}

int RunPick(const QStringList& args) {
    QTextStream err(stderr);
    const QStringList positional = PositionalArgs(args, {"--repeat"});
    int repeat = 0;
    if (positional.size() != 2 || !PositiveOption(args, "--repeat", 50, &repeat)) {
        err << "usage: verimond-bench pick DBFILE|SERVER.ini CUSTOMERID [--repeat N]\n";
        return 2;
    }
    if (!OpenOurs(positional[0], err)) return 1;
    const QString id = QString::number(positional[1].toLongLong());
    try {
        const data::Rows albums = data::QueryRows(
            "select xcmc from customerxc where customerid=" + id + " order by id limit 1");
        const qint64 sample = workspace::SampleOfDisplayNumber(id, 1);
        if (albums.empty() || sample == 0) {
            err << "customer " << id << " needs a sample and an album\n";
            return 1;
        }
        const QString album = data::TextOf(albums.front(), "xcmc");
        const QString quoted = "'" + data::SqlQuote(album) + "'";
        const QString photo = QString::number(sample);
        // The statements as the window ran them before they became operations: each on its
        // own, the album's rename and deletion in a transaction of their own.
        auto plainPick = [&] {
            data::Execute("insert into xcphoto(customerid,photoid,xcmc) values(" + id + "," +
                          photo + "," + quoted + ")");
        };
        auto plainRemove = [&] {
            data::Execute(
                "delete from xcphoto  where id=( select id from xcphoto where customerid=" + id +
                " and xcmc=" + quoted + " and photoid=" + photo + " limit 1)");
        };
        auto plainNote = [&](const QString& text) {
            data::Execute("update photoinfo set zzyq='" + data::SqlQuote(text) +
                          "' where customerid=" + id + " and id=" + photo);
        };
        auto plainAlbum = [&] {
            data::Execute("insert into customerxc(customerid,xcmc) values(" + id + ",'测试')");
            {
                data::Transaction transaction;
                for (const char* table : {"customerxc", "xcphoto"})
                    data::Execute(QString("update ") + table +
                                  " set xcmc='测试2' where customerid=" + id + " and xcmc='测试'");
                transaction.commit();
            }
            data::Transaction transaction;
            for (const char* table : {"customerxc", "xcphoto"})
                data::Execute(QString("delete from  ") + table + " where customerid=" + id +
                              " and xcmc='测试2'");
            transaction.commit();
        };
        auto albumOperations = [&] {
            workspace::AddAlbum(id, "测试");
            workspace::RenameAlbum(id, "测试", "测试2");
            workspace::DeleteAlbum(id, "测试2");
        };
        std::vector<double> pick, remove, note, albumCycle, plainPickMs, plainRemoveMs, plainNoteMs,
            plainAlbumMs;
        for (int i = 0; i < repeat; ++i) {
            // Interleaved, each first every other run.
            auto operations = [&] {
                pick.push_back(TimeMs([&] { workspace::PickSample(id, sample, album); }));
                remove.push_back(TimeMs([&] { workspace::RemovePick(id, sample, album); }));
                note.push_back(TimeMs([&] { workspace::StoreNote(id, sample, "加急"); }));
                albumCycle.push_back(TimeMs(albumOperations));
            };
            auto statements = [&] {
                plainPickMs.push_back(TimeMs(plainPick));
                plainRemoveMs.push_back(TimeMs(plainRemove));
                plainNoteMs.push_back(TimeMs([&] { plainNote("加急"); }));
                plainAlbumMs.push_back(TimeMs(plainAlbum));
            };
            if (i % 2) {
                statements();
                operations();
            } else {
                operations();
                statements();
            }
        }
        plainNote(QString());
        // Fractions of a millisecond: two decimals.
        auto ms = [](const std::vector<double>& times) {
            return QString::number(Median(times), 'f', 2);
        };
        QTextStream(stdout) << "median_ms=" << ms(pick) << " remove_ms=" << ms(remove)
                            << " note_ms=" << ms(note) << " album_ms=" << ms(albumCycle)
                            << " plain_pick_ms=" << ms(plainPickMs)
                            << " plain_remove_ms=" << ms(plainRemoveMs)
                            << " plain_note_ms=" << ms(plainNoteMs)
                            << " plain_album_ms=" << ms(plainAlbumMs) << " album=" << album
                            << " runs=" << repeat << "\n";
    } catch (const data::VerimondError& e) {
        err << e.text() << "\n";
        return 1;
    }
    return 0;
}

int RunUndoAlbum(const QStringList& args) {
    QTextStream err(stderr);
    const QStringList positional = PositionalArgs(args, {"--repeat", "--picks"});
    int repeat = 0;
    int picks = 0;
    if (positional.size() != 2 || !PositiveOption(args, "--repeat", 20, &repeat) ||
        !PositiveOption(args, "--picks", 500, &picks)) {
        err << "usage: verimond-bench undo-album DBFILE|SERVER.ini CUSTOMERID [--picks 500] "
               "[--repeat N]\n";
        return 2;
    }
    if (!OpenOurs(positional[0], err)) return 1;
    const QString id = QString::number(positional[1].toLongLong());
    const QString album = QStringLiteral("撤销测试");
    try {
        const data::Rows samples =
            data::QueryRows("select id from photoinfo where customerid=" + id + " order by id");
        if (samples.empty() || workspace::AddAlbum(id, album) != workspace::AlbumChange::Done) {
            err << "customer " << id << " needs samples and no album named " << album << "\n";
            return 1;
        }
        // The album's picks, the customer's samples in turn.
        {
            data::Transaction transaction;
            for (int i = 0; i < picks; ++i)
                data::Execute("insert into xcphoto(customerid,photoid,xcmc) values(" + id + "," +
                              samples[i % samples.size()].value(0).toString() + ",'" +
                              data::SqlQuote(album) + "')");
            transaction.commit();
        }
        std::vector<double> deleteMs, undoMs;
        workspace::UndoHistory history;
        for (int i = 0; i < repeat; ++i) {
            deleteMs.push_back(TimeMs([&] {
                workspace::UndoStep step;
                workspace::DeleteAlbum(id, album, &step);
                history.Record(std::move(step));
            }));
            bool undone = false;
            undoMs.push_back(TimeMs([&] { undone = history.UndoLast().undone; }));
            if (!undone || workspace::AlbumPickCount(id, album) != picks) {
                err << "the undo did not bring the album back with its " << picks << " picks\n";
                return 1;
            }
        }
        workspace::DeleteAlbum(id, album);
        QTextStream(stdout) << "median_ms=" << QString::number(Median(undoMs), 'f', 2)
                            << " delete_ms=" << QString::number(Median(deleteMs), 'f', 2)
                            << " picks=" << picks << " runs=" << repeat << "\n";
    } catch (const data::VerimondError& e) {
        err << e.text() << "\n";
        return 1;
    }
    return 0;
}

}  // namespace bench
