// verimond-bench switch / step: the workspace window itself, offscreen at 1920 x 1080 (or the
// --screen and --scale given) on a runtime folder of its own, timed through the handlers the
// customer's clicks and keys run.

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QScreen>
#include <QSlider>
#include <QTextStream>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <map>
#include <thread>

#include "app/tfrmps.h"
#include "bench/bench_common.h"
#include "bench/bench_runtime.h"
#include "customers/customer_records.h"
#include "customers/preview_building.h"
#include "data/connection.h"
#include "data/errors.h"
#include "data/records.h"
#include "data/schema.h"
#include "images/demo_photo.h"
#include "images/image_decoder.h"
#include "images/picture_drawing.h"
#include "images/preview_store.h"
#include "widgets/theme.h"
#include "workspace/compare_view.h"
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
    // Previews built in the background would change what is timed; `step --building`
    // switches it on again on purpose.
    workspace->SetBuildingPreviews(false);
    return workspace;
}

// The screen the workspace laid itself out on.
QString ScreenSize(const QWidget& window) {
    const QSize size = window.screen() ? window.screen()->geometry().size() : QSize();
    return QString::number(size.width()) + "x" + QString::number(size.height());
}

// Lets drawings started in the background finish and the window repaint, so that the next
// timing starts from a quiet process.
void Settle(app::Tfrmps& workspace) {
    // The neighbours are drawn ahead once the picture shown has arrived.
    do {
        QThreadPool::globalInstance()->waitForDone();
        workspace.pictureCache().pool().waitForDone();
        QCoreApplication::processEvents();
    } while (workspace.pictureCache().waiting() ||
             workspace.pictureCache().pool().activeThreadCount() > 0);
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
    Settle(workspace);
    parts.Add("large_view", TimeMs([&] { workspace.ShowSample(1); }));
    Settle(workspace);
    // Inside large_view: the placeholder drawn fitted (the photo files do not exist) and
    // the queries of the sample's information and of its neighbours' files.
    const images::DrawOptions options = workspace.viewer()->ScreenOptions();
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

// Fifty 24-megapixel photos for holding the arrow key: ten distinct ones (every third one
// portrait) copied under running names, so that each file is decoded in full.
bool EnsureHoldPhotos(const QString& folder, int count, QTextStream& err) {
    if (QDir(folder).entryList({"*.jpg"}, QDir::Files).size() >= count) return true;
    err << "writing " << count << " photos of 24 megapixels into " << folder << "\n";
    return WriteBenchPhotos(folder, count, 10);
}

// A new database in the runtime folder, connected, with the photos of folder imported as
// one customer: its id, or empty once it said why not.
QString ImportIntoNewDatabase(const RuntimeFolder& runtime, const QString& folder,
                              const QString& name, QTextStream& err) {
    QString error;
    const QString db = runtime.file(QString::fromLatin1(data::kDatabaseFileName));
    if (!data::CreateDatabase(db, &error) || data::OpenConnection(db) != data::OpenResult::Opened) {
        err << "cannot create a database: " << error << "\n";
        return QString();
    }
    const customers::CreatedCustomer created = customers::CreateCustomer(
        {name, QFileInfo(folder).absoluteFilePath(), QString()}, customers::ImportOptions());
    return QString::number(created.id);
}

QImage AsShown(const QPixmap& pixmap) {
    return pixmap.toImage().convertToFormat(QImage::Format_RGB32);
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
        Settle(*workspace);
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
            Settle(*workspace);
            workspace->Rzcbcustomer->setCurrentIndex(i % 2 ? second : first);
            fills = 0;
            change.push_back(TimeMs([&] { workspace->RzcbcustomerChange(); }));
            fillsPerSwitch = fills;
            paint.push_back(TimeMs([] { QCoreApplication::processEvents(); }));
            Settle(*workspace);
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
    const QStringList positional =
        PositionalArgs(args, {"--repeat", "--customer", "--building", "--pause"});
    int repeat = 0;
    const int pauseMs = Option(args, "--pause", "0").toInt();
    if (positional.size() > 1 || !PositiveOption(args, "--repeat", 20, &repeat) || pauseMs < 0) {
        err << "usage: verimond-bench step [FOLDER_OR_DB] [--customer ID] [--repeat N] "
               "[--no-prefetch] [--previews] [--building FOLDER] [--pause MS]\n";
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
    const bool withPreviews = Flag(args, "--previews");
    try {
        QString customerId = Option(args, "--customer");
        if (fromDatabase) {
            if (!runtime.LinkDatabase(source)) {
                err << "cannot link " << source << "\n";
                return 1;
            }
        } else {
            customerId = ImportIntoNewDatabase(runtime, source, QStringLiteral("步进测试"), err);
            if (customerId.isEmpty()) return 1;
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
        Settle(*workspace);
        const QString id = workspace->State().customerId;
        // Another folder's previews built in the background meanwhile, as after an import.
        const QString building = Option(args, "--building");
        int built = 0;
        if (!building.isEmpty()) {
            workspace->SetBuildingPreviews(true);
            QStringList photos;
            for (const QFileInfo& photo :
                 QDir(building).entryInfoList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name))
                photos << photo.absoluteFilePath();
            QObject::connect(workspace->previewBuilder(), &customers::PreviewBuilder::progress,
                             [&built](qint64, int done, int) { built = done; });
            workspace->previewBuilder()->Queue(0, photos, images::Orientation::AsTaken);
        }
        // The customer's previews for this screen, built before the steps.
        double previewsMs = -1;
        if (withPreviews && workspace->State().previews)
            previewsMs = TimeMs([&] {
                customers::BuildPreviews(*workspace->State().previews,
                                         customers::SamplePhotoFiles(id.toLongLong()),
                                         images::Orientation::AsTaken);
            });
        const int samples = workspace->strip()->Maximum();
        if (samples < 2) {
            err << "the customer needs at least two samples\n";
            return 1;
        }
        QLabel* view = workspace->findChild<QLabel*>(QStringLiteral("Showimg"));
        std::vector<double> step, handler, decode;
        int hits = 0, wrong = 0;
        for (int i = 0; i < repeat; ++i) {
            const int from = 1 + i % (samples - 1);
            // Show `from` as a click on the first cell after moving the strip there, then
            // let its neighbours' drawing ahead finish, as it does while the customer looks.
            workspace->strip()->SetPosition(from);
            workspace->ShowSample(1);
            Settle(*workspace);
            // The customer looks at the picture for a while: long enough for the background
            // building to take up its work again before the key.
            if (pauseMs > 0) {
                QEventLoop loop;
                QTimer::singleShot(pauseMs, &loop, &QEventLoop::quit);
                loop.exec();
            }
            // Timed: the Right-arrow handler and the event processing that repaints the
            // window, up to the picture on the label.
            double inHandler = 0;
            const int hitsBefore = workspace->pictureCache().hits();
            step.push_back(TimeMs([&] {
                inHandler = TimeMs([&] { workspace->Image25Click(); });
                QCoreApplication::processEvents();
                // A picture not drawn ahead arrives from the background.
                while (workspace->pictureCache().waiting())
                    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            }));
            handler.push_back(inHandler);
            hits += workspace->pictureCache().hits() - hitsBefore;
            if (workspace::DisplayNumberOf(id, workspace->State().currentSampleId) != from + 1 ||
                view->pixmap().isNull())
                ++wrong;
            Settle(*workspace);
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
                            << " previews=" << (withPreviews ? "on" : "off")
                            << " view=" << view->width() << "x" << view->height()
                            << " screen=" << ScreenSize(*workspace)
                            << " scale=" << view->devicePixelRatio() << " samples=" << samples
                            << " runs=" << repeat;
        if (previewsMs >= 0) QTextStream(stdout) << " previews_built_ms=" << Ms(previewsMs);
        if (!building.isEmpty())
            QTextStream(stdout) << " building=" << building << " built_meanwhile=" << built;
        QTextStream(stdout) << "\n";
    } catch (const data::VerimondError& e) {
        err << e.text() << "\n";
        return 1;
    }
    return 0;
}

int RunCompare(const QStringList& args) {
    QTextStream err(stderr);
    const QStringList positional = PositionalArgs(args, {"--repeat"});
    int repeat = 0;
    if (positional.size() > 1 || !PositiveOption(args, "--repeat", 10, &repeat)) {
        err << "usage: verimond-bench compare [FOLDER] [--repeat N]\n";
        return 2;
    }
    const QString source = positional.isEmpty() ? kPhotoCache : positional[0];
    if (!EnsurePhotos(source, err)) {
        err << "cannot write the photos into " << source << "\n";
        return 1;
    }
    RuntimeFolder runtime;
    if (!runtime.ok()) {
        err << "cannot prepare a runtime folder\n";
        return 1;
    }
    try {
        const QString customerId =
            ImportIntoNewDatabase(runtime, source, QStringLiteral("对比测试"), err);
        if (customerId.isEmpty()) return 1;
        std::unique_ptr<app::Tfrmps> workspace = OpenWorkspace(err);
        if (!workspace) return 1;
        Choose(*workspace, IndexOfCustomer(*workspace, customerId));
        Settle(*workspace);
        if (!workspace->State().previews) {
            err << "no preview store\n";
            return 1;
        }
        customers::BuildPreviews(*workspace->State().previews,
                                 customers::SamplePhotoFiles(customerId.toLongLong()),
                                 images::Orientation::AsTaken);
        const int samples = workspace->strip()->Maximum();
        if (samples < 5) {
            err << "the customer needs at least five samples\n";
            return 1;
        }
        workspace::CompareView* view = workspace->compareView();
        const auto waitForPanes = [&] {
            QCoreApplication::processEvents();
            while (!view->allDrawn())
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        };
        const auto settlePanes = [&] {
            view->pool().waitForDone();
            QCoreApplication::processEvents();
            Settle(*workspace);
        };
        const auto show = [&](int displayNumber) {
            workspace->strip()->SetPosition(displayNumber);
            workspace->ShowSample(1);
            Settle(*workspace);
        };
        std::vector<double> step, open, openAll, replace;
        int wrong = 0;
        for (int i = 0; i < repeat; ++i) {
            const int from = 1 + i % (samples - 4);
            // Baseline: one step of the large view, as `step` times it.
            show(from);
            step.push_back(TimeMs([&] {
                workspace->Image25Click();
                QCoreApplication::processEvents();
                while (workspace->pictureCache().waiting())
                    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            }));
            // The sample shown plus three cells Ctrl+clicked at once.
            show(from);
            openAll.push_back(TimeMs([&] {
                for (int cell = 2; cell <= 4; ++cell) workspace->disimgCtrlClick(cell);
                waitForPanes();
            }));
            workspace->CloseCompare();
            settlePanes();
            // The fourth pane joining three that are up: every pane drawn at its new size.
            show(from);
            for (int cell = 2; cell <= 3; ++cell) workspace->disimgCtrlClick(cell);
            waitForPanes();
            settlePanes();
            open.push_back(TimeMs([&] {
                workspace->disimgCtrlClick(4);
                waitForPanes();
            }));
            settlePanes();
            // The candidate (the fourth) replaced by the next sample; the others stay.
            replace.push_back(TimeMs([&] {
                workspace->Image25Click();
                waitForPanes();
            }));
            if (view->paneCount() != 4 ||
                workspace::DisplayNumberOf(customerId, workspace->compareSet().candidateSample()) !=
                    from + 4)
                ++wrong;
            workspace->CloseCompare();
            settlePanes();
        }
        if (wrong) {
            err << wrong << " runs did not compare the samples asked for\n";
            return 1;
        }
        const double stepMs = Median(step);
        QTextStream(stdout) << "open_ms=" << Ms(Median(open))
                            << " open_at_once_ms=" << Ms(Median(openAll))
                            << " replace_ms=" << Ms(Median(replace)) << " step_ms=" << Ms(stepMs)
                            << " pane=" << view->PictureOf(0)->width() << "x"
                            << view->PictureOf(0)->height() << " view=" << view->width() << "x"
                            << view->height() << " screen=" << ScreenSize(*workspace)
                            << " previews=on"
                            << " samples=" << samples << " runs=" << repeat << "\n";
    } catch (const data::VerimondError& e) {
        err << e.text() << "\n";
        return 1;
    }
    return 0;
}

int RunHold(const QStringList& args) {
    QTextStream err(stderr);
    const QStringList positional =
        PositionalArgs(args, {"--repeat", "--interval", "--samples", "--budget"});
    int repeat = 0, interval = 0, samples = 0, budget = 0;
    if (positional.size() > 1 || !PositiveOption(args, "--repeat", 5, &repeat) ||
        !PositiveOption(args, "--interval", 40, &interval) ||
        !PositiveOption(args, "--samples", 50, &samples) ||
        !PositiveOption(args, "--budget", 16, &budget) || samples < 2) {
        err << "usage: verimond-bench hold [FOLDER] [--samples 50] [--interval 40] [--repeat N] "
               "[--budget 16]\n";
        return 2;
    }
    const QString folder =
        positional.isEmpty() ? QStringLiteral("/tmp/verimond-bench-hold-photos") : positional[0];
    if (!EnsureHoldPhotos(folder, samples, err)) {
        err << "cannot write the photos into " << folder << "\n";
        return 1;
    }
    RuntimeFolder runtime;
    if (!runtime.ok()) {
        err << "cannot prepare a runtime folder\n";
        return 1;
    }
    try {
        const QString customerId =
            ImportIntoNewDatabase(runtime, folder, QStringLiteral("按住方向键"), err);
        if (customerId.isEmpty()) return 1;
        std::unique_ptr<app::Tfrmps> workspace = OpenWorkspace(err);
        if (!workspace) return 1;
        const int index = IndexOfCustomer(*workspace, customerId);
        if (index < 0) {
            err << "the customer was not imported\n";
            return 1;
        }
        Choose(*workspace, index);
        Settle(*workspace);
        const int count = workspace->strip()->Maximum();
        if (count < samples) {
            err << "the customer has " << count << " samples, " << samples << " wanted\n";
            return 1;
        }
        workspace->activateWindow();
        QCoreApplication::processEvents();
        if (!workspace->isActiveWindow()) {
            err << "the workspace does not take the keyboard\n";
            return 1;
        }
        QLabel* view = workspace->findChild<QLabel*>(QStringLiteral("Showimg"));

        // The last sample as the large view shows it, and the baseline: one scaled decode.
        const QString lastFile = workspace::FileOfDisplayNumber(customerId, samples);
        images::DrawOptions options;
        options.size = view->size();
        options.margin = view->parentWidget()->palette().color(QPalette::Window);
        options.widescreen = workspace->viewer()->WidescreenCorrection();
        options.widescreenRatio = workspace->State().widescreenRatio;
        options.orientation = workspace->State().cameraOrientation ? images::Orientation::AsTaken
                                                                   : images::Orientation::AsStored;
        options.devicePixelRatio = view->devicePixelRatio();
        const QImage expected = images::DrawPictureFitted(lastFile, kLargePlaceholder, options)
                                    .canvas.convertToFormat(QImage::Format_RGB32);
        std::vector<double> decode;
        for (int i = 0; i < 3; ++i)
            decode.push_back(TimeMs([&] {
                images::DecodeForFit(lastFile, view->size(), {}, view->devicePixelRatio());
            }));

        const int presses = samples - 1;
        std::vector<double> pressMs, handlerMs, runMaxMs, lastShownMs;
        int late = 0, wrong = 0;
        // Decodes of samples passed over that stopped half-way, and all that decoded.
        const int abandonedBefore = workspace->pictureCache().abandoned();
        const int drawingsBefore = workspace->pictureCache().drawings();
        for (int r = 0; r < repeat; ++r) {
            // From the first sample with nothing drawn ahead.
            workspace->strip()->SetPosition(1);
            workspace->ShowSample(1);
            Settle(*workspace);
            workspace->pictureCache().Clear();
            Settle(*workspace);

            // The keyboard repeats on its own clock whatever the window is doing: a thread
            // posts each press at its time; the press is handled when the window gets to it.
            using Clock = std::chrono::steady_clock;
            const Clock::time_point start = Clock::now() + std::chrono::milliseconds(20);
            std::vector<Clock::time_point> made(presses), received(presses), handled(presses);
            std::atomic<int> done{0};
            auto sinceStart = [&](Clock::time_point t) {
                return std::chrono::duration<double, std::milli>(t - start).count();
            };
            QThread* keyboard = QThread::create([&] {
                for (int k = 0; k < presses; ++k) {
                    std::this_thread::sleep_until(start + std::chrono::milliseconds(k * interval));
                    made[k] = Clock::now();
                    QMetaObject::invokeMethod(
                        qApp,
                        [&, k] {
                            received[k] = Clock::now();
                            QWidget* target = QApplication::focusWidget()
                                                  ? QApplication::focusWidget()
                                                  : workspace.get();
                            QKeyEvent press(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier,
                                            QString(), k > 0);
                            QApplication::sendEvent(target, &press);
                            handled[k] = Clock::now();
                            ++done;
                        },
                        Qt::QueuedConnection);
                }
            });
            keyboard->start();
            qint64 seenKey = view->pixmap().cacheKey();
            Clock::time_point shownAt{};
            const Clock::time_point giveUp = start + std::chrono::seconds(60);
            QTimer wake;  // the wait below never outlasts the give-up time by much
            wake.start(100);
            while (Clock::now() < giveUp) {
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
                if (done.load() < presses) continue;
                const qint64 key = view->pixmap().cacheKey();
                if (key == seenKey) continue;
                seenKey = key;
                if (AsShown(view->pixmap()) == expected) {
                    shownAt = Clock::now();
                    break;
                }
            }
            keyboard->wait();
            delete keyboard;
            if (shownAt == Clock::time_point{}) {
                err << "the last sample was never shown\n";
                return 1;
            }
            double worst = 0;
            for (int k = 0; k < presses; ++k) {
                const double ms = sinceStart(handled[k]) - sinceStart(made[k]);
                pressMs.push_back(ms);
                handlerMs.push_back(sinceStart(handled[k]) - sinceStart(received[k]));
                worst = std::max(worst, ms);
                if (ms > budget) ++late;
            }
            runMaxMs.push_back(worst);
            lastShownMs.push_back(sinceStart(shownAt) - sinceStart(made[presses - 1]));
            // The strip and the information box are on the last sample.
            if (workspace->State().currentSampleFile != lastFile ||
                !workspace->findChild<QLabel*>(QStringLiteral("lblfilepath"))
                     ->text()
                     .endsWith(QFileInfo(lastFile).fileName()))
                ++wrong;
            Settle(*workspace);
        }
        if (wrong) {
            err << wrong << " runs did not end on the last sample\n";
            return 1;
        }
        std::vector<double> sorted = pressMs;
        std::sort(sorted.begin(), sorted.end());
        const double p99 = sorted[std::min(sorted.size() - 1, sorted.size() * 99 / 100)];
        const double lastMs = Median(lastShownMs), decodeMs = Median(decode);
        QTextStream(stdout) << "median_ms=" << Ms(lastMs) << " last_shown_ms=" << Ms(lastMs)
                            << " decode_ms=" << Ms(decodeMs)
                            << " ratio=" << QString::number(lastMs / decodeMs, 'f', 2)
                            << " press_median_ms=" << Ms(Median(pressMs))
                            << " press_p99_ms=" << Ms(p99) << " press_max_ms=" << Ms(sorted.back())
                            << " handler_median_ms=" << Ms(Median(handlerMs))
                            << " run_max_median_ms=" << Ms(Median(runMaxMs)) << " presses_over_"
                            << budget << "ms=" << late << "/" << pressMs.size() << " stopped="
                            << workspace->pictureCache().abandoned() - abandonedBefore << "/"
                            << workspace->pictureCache().drawings() - drawingsBefore
                            << " interval_ms=" << interval << " samples=" << samples
                            << " view=" << view->width() << "x" << view->height()
                            << " screen=" << ScreenSize(*workspace) << " runs=" << repeat << "\n";
    } catch (const data::VerimondError& e) {
        err << e.text() << "\n";
        return 1;
    }
    return 0;
}

}  // namespace bench
