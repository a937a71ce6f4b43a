// verimond-bench switch / step: the workspace window itself, offscreen at 1920 x 1080 (or the
// --screen and --scale given) on a runtime folder of its own, timed through the handlers the
// customer's clicks and keys run.

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QScreen>
#include <QSlider>
#include <QTextStream>
#include <QThreadPool>
#include <map>

#include "app/tfrmps.h"
#include "bench/bench_common.h"
#include "bench/bench_runtime.h"
#include "customers/customer_records.h"
#include "data/connection.h"
#include "data/errors.h"
#include "data/records.h"
#include "data/schema.h"
#include "images/demo_photo.h"
#include "images/image_decoder.h"
#include "images/picture_drawing.h"
#include "widgets/theme.h"
#include "workspace/picture_cache.h"
#include "workspace/sample_strip.h"
#include "workspace/sample_viewer.h"
#include "workspace/workspace_queries.h"

namespace bench {
namespace {

const QString kPhotoCache = QStringLiteral("/tmp/verimond-bench-photos");
const QString kLargePlaceholder = QStringLiteral("photo/nophoto.jpg");
constexpr int kStepPhotos = 6;

// The workspace as the program shows it; it opens function.dll of the current directory.
std::unique_ptr<app::Tfrmps> OpenWorkspace(QTextStream& err) {
    widgets::ApplyTheme(*static_cast<QApplication*>(QCoreApplication::instance()));
    auto workspace = std::make_unique<app::Tfrmps>();
    workspace->resize(1920, 1080);
    workspace->show();
    QCoreApplication::processEvents();
    if (!data::IsConnected()) {
        err << "the workspace could not open function.dll\n";
        return nullptr;
    }
    return workspace;
}

// The screen the workspace laid itself out on.
QString ScreenSize(const QWidget& window) {
    const QSize size = window.screen() ? window.screen()->geometry().size() : QSize();
    return QString::number(size.width()) + "x" + QString::number(size.height());
}

// Lets drawings started in the background finish and the window repaint, so that the next
// timing starts from a quiet process.
void Settle() {
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
}

int IndexOfCustomer(const app::Tfrmps& workspace, const QString& id) {
    return workspace.Rzcbcustomerid->findText(id, Qt::MatchExactly);
}

// As a choice in the drop-down does.
void Choose(app::Tfrmps& workspace, int index) {
    workspace.Rzcbcustomer->setCurrentIndex(index);
    workspace.RzcbcustomerChange();
}

// Medians of named parts, printed in the order they were first timed.
class Parts {
  public:
    void Add(const QString& name, double ms) {
        if (!times_.count(name)) order_ << name;
        times_[name].push_back(ms);
    }
    void Print(QTextStream& out, const QString& heading) const {
        out << heading << ":";
        for (const QString& name : order_)
            out << " " << name << "_ms=" << Ms(Median(times_.at(name)));
        out << "\n";
    }

  private:
    QStringList order_;
    std::map<QString, std::vector<double>> times_;
};

// The same statements the switch runs, one by one, for the customer now shown, to see
// where a switch spends its time. Each part's figure is taken on its own.
void TimeSwitchParts(app::Tfrmps& workspace, Parts& parts) {
    const QString id = workspace.State().customerId;
    auto query = [](const QString& sql) { data::QueryRows(sql); };
    parts.Add("photopath",
              TimeMs([&] { data::LookupValue("customer", "photopath", "customerid=" + id); }));
    parts.Add("statistics", TimeMs([&] { workspace.ShowStatistics(); }));
    parts.Add("stat_samples", TimeMs([&] {
                  query("select count(1) as shumu  from photoinfo where customerid=" + id);
              }));
    parts.Add("stat_picked", TimeMs([&] {
                  query(
                      "select count(1) as shumu  from  photoinfo where id in(select photoid from "
                      "xcphoto where customerid=" +
                      id + ") and  customerid=" + id);
              }));
    parts.Add("stat_albums", TimeMs([&] {
                  query("select xcmc,count(photoid) as shumu  from xcphoto where customerid=" + id +
                        " group by xcmc");
              }));
    parts.Add("stat_total", TimeMs([&] {
                  query("select count(photoid) as shumu  from xcphoto where customerid=" + id);
              }));
    parts.Add("count_samples", TimeMs([&] {
                  workspace::CountAtLeastOne(
                      "select count(*) as picinfocount from  V_photoinfo where customerid=" + id,
                      "picinfocount");
              }));
    // The switch first moves the track bar to 0, and that fills the strip too.
    parts.Add("strip_page_at_0",
              TimeMs([&] { workspace.ShowSamplePage(0, workspace.State().currentSampleId); }));
    parts.Add("strip_page_at_1",
              TimeMs([&] { workspace.ShowSamplePage(1, workspace.State().currentSampleId); }));
    QString picks;
    parts.Add("count_picks", TimeMs([&] {
                  picks = workspace::CountAtLeastOne(
                      "select count(*) as picinfocountzc from V_xcphotoall where customerid=" + id,
                      "picinfocountzc");
              }));
    parts.Add("album_grid", TimeMs([&] { workspace.ResetAlbumScroll(picks.toInt()); }));
    parts.Add("album_tabs", TimeMs([&] { workspace.FillAlbumTabs(); }));
    workspace.pictureCache().Clear();
    Settle();
    parts.Add("large_view", TimeMs([&] { workspace.ShowSample(1); }));
    Settle();
    // Inside large_view: the placeholder drawn fitted (the photo files do not exist) and
    // the queries of the sample's information and of its neighbours' files.
    images::DrawOptions options;
    options.size = workspace.viewer()->Showimg->size();
    options.margin = workspace.viewer()->Showimg->parentWidget()->palette().color(QPalette::Window);
    parts.Add("placeholder_draw", TimeMs([&] {
                  images::DrawPictureFitted(workspace.State().currentSampleFile, kLargePlaceholder,
                                            options);
              }));
    const qint64 sample = workspace.State().currentSampleId;
    parts.Add("sample_row", TimeMs([&] {
                  query("select * from V_photoinfo where customerid=" + id +
                        " and id=" + QString::number(sample));
              }));
    parts.Add("sample_info", TimeMs([&] {
                  workspace::LoadSampleInfo(id, sample, workspace.State().customerPhotoPath,
                                            workspace::kNotePrompt);
              }));
    parts.Add("neighbour_files", TimeMs([&] {
                  const int d = workspace::DisplayNumberOf(id, sample);
                  workspace::FileOfDisplayNumber(id, d + 1);
                  workspace::FileOfDisplayNumber(id, d - 1);
              }));
}

// Six 24-megapixel photos, made once: writing them takes longer than the whole benchmark.
bool EnsurePhotos(const QString& folder, QTextStream& err) {
    QDir dir(folder);
    if (!dir.entryList({"*.jpg"}, QDir::Files).isEmpty()) return true;
    if (!dir.mkpath(QStringLiteral("."))) return false;
    err << "writing " << kStepPhotos << " photos of 6000 x 4000 into " << folder << "\n";
    for (int seed = 1; seed <= kStepPhotos; ++seed) {
        const QImage photo =
            images::MakeDemoPhoto(6000, 4000, seed, QStringLiteral("样片 %1").arg(seed));
        const QString file =
            dir.filePath(QStringLiteral("IMG_%1.jpg").arg(seed, 4, 10, QLatin1Char('0')));
        if (!images::SaveJpeg(photo, file)) return false;
    }
    return true;
}

}  // namespace

int RunSwitch(const QStringList& args) {
    QTextStream err(stderr);
    const QStringList positional = PositionalArgs(args, {"--repeat", "--other"});
    int repeat = 0;
    if (positional.size() != 2 || !PositiveOption(args, "--repeat", 20, &repeat)) {
        err << "usage: verimond-bench switch DBFILE|SERVER.ini CUSTOMERID [--other ID] "
               "[--repeat N]\n";
        return 2;
    }
    if (!QFileInfo(positional[0]).isFile()) {
        err << "no such database file: " << positional[0] << "\n";
        return 1;
    }
    RuntimeFolder runtime;
    if (!runtime.ok() || !runtime.UseDatabase(positional[0])) {
        err << "cannot prepare a runtime folder\n";
        return 1;
    }
    try {
        std::unique_ptr<app::Tfrmps> workspace = OpenWorkspace(err);
        if (!workspace) return 1;
        const int first = IndexOfCustomer(*workspace, positional[1]);
        if (first < 0) {
            err << "no open customer " << positional[1] << "\n";
            return 1;
        }
        // The other customer: as given, or the next one in the drop-down.
        const QString otherId = Option(args, "--other");
        const int count = workspace->Rzcbcustomer->count();
        const int second = !otherId.isEmpty() ? IndexOfCustomer(*workspace, otherId)
                                              : (first + 1 < count ? first + 1 : first - 1);
        if (second < 0 || second == first) {
            err << "need a second open customer to switch to\n";
            return 1;
        }
        Choose(*workspace, second);
        Settle();
        std::vector<double> change, paint;
        Parts parts;
        int fillsPerSwitch = 0;
        // How many times one switch fills the strip (each move of the track bar does).
        int fills = 0;
        QObject::connect(workspace->strip(), &workspace::SampleStrip::positionChanged,
                         [&fills] { ++fills; });
        for (int i = 0; i < repeat; ++i) {
            // Every run draws the large view afresh: nothing of the previous visit to this
            // customer is left in the picture cache.
            workspace->pictureCache().Clear();
            Settle();
            workspace->Rzcbcustomer->setCurrentIndex(i % 2 ? second : first);
            fills = 0;
            change.push_back(TimeMs([&] { workspace->RzcbcustomerChange(); }));
            fillsPerSwitch = fills;
            paint.push_back(TimeMs([] { QCoreApplication::processEvents(); }));
            Settle();
            TimeSwitchParts(*workspace, parts);
        }
        QTextStream out(stdout);
        out << "median_ms=" << Ms(Median(change)) << " paint_ms=" << Ms(Median(paint))
            << " customers=" << positional[1] << "," << workspace->Rzcbcustomerid->itemText(second)
            << " samples=" << workspace->strip()->Maximum() << " strip_fills=" << fillsPerSwitch
            << " large_view=placeholder screen=" << ScreenSize(*workspace) << " runs=" << repeat
            << "\n";
        parts.Print(out, "parts");
    } catch (const data::VerimondError& e) {
        err << e.text() << "\n";
        return 1;
    }
    return 0;
}

int RunStep(const QStringList& args) {
    QTextStream err(stderr);
    const QStringList positional = PositionalArgs(args, {"--repeat", "--customer"});
    int repeat = 0;
    if (positional.size() > 1 || !PositiveOption(args, "--repeat", 20, &repeat)) {
        err << "usage: verimond-bench step [FOLDER_OR_DB] [--customer ID] [--repeat N] "
               "[--no-prefetch]\n";
        return 2;
    }
    // A database file is used as it is (its samples' photos must exist); a folder is
    // imported as one customer, after six 24-megapixel photos are written into it if it
    // holds no JPEG yet.
    const QString source = positional.isEmpty() ? kPhotoCache : positional[0];
    const bool fromDatabase = QFileInfo(source).isFile();
    if (!fromDatabase && !EnsurePhotos(source, err)) {
        err << "cannot write the photos into " << source << "\n";
        return 1;
    }
    RuntimeFolder runtime;
    if (!runtime.ok()) {
        err << "cannot prepare a runtime folder\n";
        return 1;
    }
    const bool prefetch = !Flag(args, "--no-prefetch");
    try {
        QString customerId = Option(args, "--customer");
        if (fromDatabase) {
            if (!runtime.LinkDatabase(source)) {
                err << "cannot link " << source << "\n";
                return 1;
            }
        } else {
            QString error;
            const QString db = runtime.file(QString::fromLatin1(data::kDatabaseFileName));
            if (!data::CreateDatabase(db, &error) ||
                data::OpenConnection(db) != data::OpenResult::Opened) {
                err << "cannot create a database: " << error << "\n";
                return 1;
            }
            const customers::CreatedCustomer created = customers::CreateCustomer(
                {QStringLiteral("步进测试"), QFileInfo(source).absoluteFilePath(), QString()},
                customers::ImportOptions());
            customerId = QString::number(created.id);
        }
        std::unique_ptr<app::Tfrmps> workspace = OpenWorkspace(err);
        if (!workspace) return 1;
        const int index = customerId.isEmpty() ? 0 : IndexOfCustomer(*workspace, customerId);
        if (index < 0 || index >= workspace->Rzcbcustomer->count()) {
            err << "no such open customer\n";
            return 1;
        }
        workspace->pictureCache().SetEnabled(prefetch);
        Choose(*workspace, index);
        Settle();
        const QString id = workspace->State().customerId;
        const int samples = workspace->strip()->Maximum();
        if (samples < 2) {
            err << "the customer needs at least two samples\n";
            return 1;
        }
        QLabel* view = workspace->viewer()->Showimg;
        std::vector<double> step, handler, decode;
        int hits = 0, wrong = 0;
        for (int i = 0; i < repeat; ++i) {
            const int from = 1 + i % (samples - 1);
            // Show `from` as a click on the first cell after moving the strip there, then
            // let its neighbours' drawing ahead finish, as it does while the customer looks.
            workspace->strip()->SetPosition(from);
            workspace->ShowSample(1);
            Settle();
            // Timed: the Right-arrow handler, up to its return (the picture is then on the
            // label), plus the event processing that repaints the window.
            double inHandler = 0;
            const int hitsBefore = workspace->pictureCache().hits();
            step.push_back(TimeMs([&] {
                inHandler = TimeMs([&] { workspace->Image25Click(); });
                QCoreApplication::processEvents();
            }));
            handler.push_back(inHandler);
            hits += workspace->pictureCache().hits() - hitsBefore;
            if (workspace::DisplayNumberOf(id, workspace->State().currentSampleId) != from + 1 ||
                view->pixmap().isNull())
                ++wrong;
            Settle();
            // Baseline, same file and size: the scaled decode alone.
            const QString file = workspace->State().currentSampleFile;
            const QSize box = view->size();
            bool decoded = false;
            const qreal scale = view->devicePixelRatio();
            decode.push_back(
                TimeMs([&] { decoded = images::DecodeForFit(file, box, {}, scale).ok(); }));
            if (!decoded) {
                err << "cannot decode " << file << " (the samples' photo files must exist)\n";
                return 1;
            }
        }
        if (wrong) {
            err << wrong << " steps did not show the next sample\n";
            return 1;
        }
        const double stepMs = Median(step), decodeMs = Median(decode);
        QTextStream(stdout) << "median_ms=" << Ms(stepMs) << " step_ms=" << Ms(stepMs)
                            << " handler_ms=" << Ms(Median(handler))
                            << " decode_ms=" << Ms(decodeMs)
                            << " ratio=" << QString::number(stepMs / decodeMs, 'f', 2)
                            << " prefetch=" << (prefetch ? "on" : "off") << " cache_hits=" << hits
                            << " view=" << view->width() << "x" << view->height()
                            << " screen=" << ScreenSize(*workspace)
                            << " scale=" << view->devicePixelRatio() << " samples=" << samples
                            << " runs=" << repeat << "\n";
    } catch (const data::VerimondError& e) {
        err << e.text() << "\n";
        return 1;
    }
    return 0;
}

}  // namespace bench
