// Browsing a customer's samples: the switch, the strip, the large view and its tools.

#include <QCloseEvent>
#include <QFile>
#include <QSemaphore>
#include <QThreadPool>
#include <QtTest>

#include "customers/customer_records.h"
#include "data/connection.h"
#include "data/records.h"
#include "images/demo_photo.h"
#include "images/fitting.h"
#include "images/picture_drawing.h"
#include "support/runtime_fixture.h"
#include "support/workspace_fixture.h"
#include "widgets/handler_guard.h"
#include "workspace/album_panel.h"
#include "workspace/picture_cache.h"
#include "workspace/sample_strip.h"
#include "workspace/sample_viewer.h"
#include "workspace/workspace_queries.h"

using testing_support::LargeView;
using testing_support::WorkspaceFixture;
using widgets::Answer;
using workspace::kNotePrompt;

namespace {

// Display numbers of the strip's filled cells, in cell order; hidden cells must be empty.
QList<int> StripNumbers(WorkspaceFixture& f) {
    QList<int> numbers;
    const auto& strip = *f.workspace().strip();
    for (int cell = 1; cell <= workspace::kStripCells; ++cell) {
        if (strip.SampleIdAt(cell).isEmpty()) {
            if (f.control<QLabel>("disimg", cell)->isVisible()) return {-1};
            continue;
        }
        numbers << workspace::DisplayNumberOf(f.workspace().State().customerId,
                                              strip.SampleIdAt(cell).toLongLong());
    }
    return numbers;
}

QList<int> Range(int from, int to) {
    QList<int> values;
    for (int i = from; i <= to; ++i) values << i;
    return values;
}

QList<bool> Markers(WorkspaceFixture& f, int cells) {
    QList<bool> shown;
    for (int cell = 1; cell <= cells; ++cell)
        shown << f.control<QLabel>("diszt", cell)->isVisible();
    return shown;
}

int BlueFrame(WorkspaceFixture& f) {
    for (int cell = 1; cell <= workspace::kStripCells; ++cell)
        if (f.control<QFrame>("dissp", cell)->palette().color(QPalette::Window) ==
            QColor(0, 0, 255))
            return cell;
    return 0;
}

QImage Shown(QLabel* label) {
    return label->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
}

const QList<QColor> kColours{Qt::red,  Qt::blue,    Qt::green, Qt::yellow,
                             Qt::cyan, Qt::magenta, Qt::white, Qt::black};
constexpr QSize kLargePhoto(3000, 2000);

// A customer whose samples are each of one colour of kColours, so that every picture can be
// told apart; the second is larger than the view.
QString ColouredCustomer(WorkspaceFixture& f, const QString& name, int samples) {
    const QString folder = f.file("shoots/" + name);
    QDir().mkpath(folder);
    for (int i = 0; i < samples; ++i) {
        QImage photo(i == 1 ? kLargePhoto : QSize(96, 64), QImage::Format_RGB32);
        photo.fill(kColours[i]);
        photo.save(QStringLiteral("%1/%2.jpg").arg(folder).arg(i + 1, 3, 10, QLatin1Char('0')),
                   "JPEG", 95);
    }
    const customers::CreatedCustomer created =
        customers::CreateCustomer({name, folder, QString()}, customers::ImportOptions());
    f.workspace().FillCustomerList();
    return QString::number(created.id);
}

bool Near(QColor a, QColor b) {
    return qAbs(a.red() - b.red()) < 40 && qAbs(a.green() - b.green()) < 40 &&
           qAbs(a.blue() - b.blue()) < 40;
}

QColor CentreOf(const QImage& image) {
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

// Every thread of the pool kept busy until opened: drawings queue up behind it.
class BusyPool {
  public:
    explicit BusyPool(QThreadPool& pool) : threads_(pool.maxThreadCount()) {
        for (int i = 0; i < threads_; ++i)
            pool.start([gate = gate_] {
                gate->started.release();
                gate->open.acquire();
            });
        gate_->started.acquire(threads_);
    }
    ~BusyPool() { gate_->open.release(threads_); }

  private:
    struct Gate {
        QSemaphore started;
        QSemaphore open;
    };
    int threads_;
    std::shared_ptr<Gate> gate_ = std::make_shared<Gate>();
};

// What the large view shows once the sample on screen is drawn as a step would draw it.
QImage DrawnAlone(app::Tfrmps& w) {
    images::DrawOptions options;
    options.size = LargeView(w)->size();
    options.margin =
        testing_support::ControlNamed<QFrame>(&w, "RzPanel9")->palette().color(QPalette::Window);
    options.widescreenRatio = w.State().widescreenRatio;
    return images::DrawPictureFitted(w.State().currentSampleFile, "photo/nophoto.jpg", options)
        .canvas.convertToFormat(QImage::Format_RGB32);
}

}  // namespace

class TestBrowsing : public QObject {
    Q_OBJECT

  private slots:
    void thirtySamplesPageAndStop() {
        WorkspaceFixture f;
        const QString id = f.addCustomer("三十张", 30);
        f.choose(id);
        QSlider* bar = f.control<QSlider>("sbar1");
        QCOMPARE(bar->minimum(), 1);
        QCOMPARE(bar->maximum(), 30);
        QVERIFY(bar->isEnabled());
        QCOMPARE(StripNumbers(f), Range(1, 12));
        QCOMPARE(f.currentDisplayNumber(), 1);
        QCOMPARE(BlueFrame(f), 1);
        bar->setValue(25);
        QCOMPARE(StripNumbers(f), Range(25, 30));
        for (int i = 0; i < 10; ++i) f.workspace().scrarr2Click();
        QCOMPARE(bar->value(), 30);
        QCOMPARE(StripNumbers(f), QList<int>{30});
        f.workspace().scrarr1Click();
        QCOMPARE(bar->value(), 29);
    }

    void oneSampleAndNoSamples() {
        WorkspaceFixture f;
        const QString one = f.addCustomer("一张", 1);
        const QString none = f.addCustomer("没有样片", 0);
        f.choose(one);
        QSlider* bar = f.control<QSlider>("sbar1");
        QCOMPARE(qMakePair(bar->minimum(), bar->maximum()), qMakePair(1, 1));
        f.workspace().scrarr1Click();
        f.workspace().scrarr2Click();
        QCOMPARE(bar->value(), 1);
        QCOMPARE(StripNumbers(f), QList<int>{1});
        const qint64 shownBefore = f.workspace().State().currentSampleId;

        f.choose(none);
        QCOMPARE(qMakePair(bar->minimum(), bar->maximum()), qMakePair(1, 1));
        QCOMPARE(StripNumbers(f), QList<int>{});
        QVERIFY(f.workspace().State().currentSampleFile.isEmpty());
        QVERIFY(!LargeView(f.workspace())->pixmap().isNull());  // the placeholder
        QCOMPARE(f.workspace().State().currentSampleId, shownBefore);
        // Stepping has no sample to start from: the conversion error, and nothing else.
        widgets::GuardHandler(&f.workspace(), [&] { f.workspace().Image25Click(); });
        QCOMPARE(f.dialogs().Texts("error"), QStringList{"'' is not a valid integer value."});
        // Auto-browse stops instead of repeating that error every three seconds.
        f.workspace().Image26Click();
        f.workspace().tim6Timer();
        QVERIFY(!f.control<QTimer>("tim6")->isActive());
        QCOMPARE(f.dialogs().Texts("error").size(), 1);
    }

    void markersAndBlueFrameFollowTheData() {
        WorkspaceFixture f;
        const QString id = f.addCustomer("标记", 4);
        f.pick(id, f.sampleAt(id, 2), "精修相册");
        f.pick(id, f.sampleAt(id, 2), "放大摆台");
        f.pick(id, f.sampleAt(id, 4), "精修相册");
        f.choose(id);
        QCOMPARE(Markers(f, 4), (QList<bool>{false, true, false, true}));
        f.workspace().disimgClick(3);
        QCOMPARE(BlueFrame(f), 3);
        QCOMPARE(f.workspace().strip()->Position(), 1);  // a click does not move the strip
        f.workspace().ShowSamplePage(1, f.workspace().State().currentSampleId);
        QCOMPARE(BlueFrame(f), 3);
        // The next step goes on from the clicked sample.
        f.workspace().Image25Click();
        QCOMPARE(f.currentDisplayNumber(), 4);
        QCOMPARE(StripNumbers(f), QList<int>{4});
    }

    void previousAndNextStopAtTheEnds() {
        WorkspaceFixture f;
        const QString id = f.addCustomer("两头", 3);
        f.choose(id);
        f.workspace().Image24Click();
        QCOMPARE(f.currentDisplayNumber(), 1);
        f.workspace().Image25Click();
        f.workspace().Image25Click();
        QCOMPARE(f.currentDisplayNumber(), 3);
        QCOMPARE(f.workspace().strip()->Position(), 3);
        f.workspace().Image25Click();
        QCOMPARE(f.currentDisplayNumber(), 3);
        f.workspace().Image24Click();
        QCOMPARE(f.currentDisplayNumber(), 2);
        QVERIFY(f.dialogs().shown.empty());
    }

    void autoBrowseStopsAtTheLastSample() {
        WorkspaceFixture f;
        const QString id = f.addCustomer("自动", 8);
        f.choose(id);
        f.workspace().strip()->SetPosition(5);
        f.workspace().ShowSample(1);
        f.workspace().Image26Click();
        QTimer* timer = f.control<QTimer>("tim6");
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 3000);
        QList<int> seen;
        for (int i = 0; i < 3; ++i) {
            f.workspace().tim6Timer();
            seen << f.currentDisplayNumber();
        }
        QCOMPARE(seen, (QList<int>{6, 7, 8}));
        QVERIFY(timer->isActive());
        f.workspace().tim6Timer();
        QVERIFY(!timer->isActive());
        QCOMPARE(f.currentDisplayNumber(), 8);
    }

    void rotationReturnsUpright() {
        WorkspaceFixture f;
        const QString id = f.addCustomer("旋转", 1);
        f.choose(id);
        app::Tfrmps& w = f.workspace();
        QTRY_VERIFY(!w.pictureCache().waiting());
        const QImage upright = Shown(LargeView(w));
        QList<int> angles;
        for (int i = 0; i < 4; ++i) {
            w.Image5Click(true);
            angles << w.State().rotationAngle;
        }
        QCOMPARE(angles, (QList<int>{90, 180, 270, 0}));
        QTRY_VERIFY(!w.pictureCache().waiting());
        QCOMPARE(Shown(LargeView(w)), upright);
        w.Image5Click(true);
        QTRY_VERIFY(!w.pictureCache().waiting());
        // A landscape photo turned a quarter stands upright: taller than wide on screen.
        const QImage turned = Shown(LargeView(w));
        const QRgb margin = turned.pixel(0, 0);
        int left = 0;
        while (left < turned.width() && turned.pixel(left, turned.height() / 2) == margin) ++left;
        QVERIFY(left > turned.width() / 4);
        w.Image5Click(false);
        QCOMPARE(w.State().rotationAngle, 0);
        QTRY_VERIFY(!w.pictureCache().waiting());
        QCOMPARE(Shown(LargeView(w)), upright);
        w.Image5Click(false);
        QCOMPARE(w.State().rotationAngle, -90);
        w.ShowSample(1);
        QCOMPARE(w.State().rotationAngle, 0);
    }

    void widescreenBoxStoresItsSetting() {
        WorkspaceFixture f;
        QCheckBox* box = f.control<QCheckBox>("rzcbwidthsale");
        auto stored = [] {
            return data::LookupValue("SysSet", "itemvalue", "itemname='openwidthsale'");
        };
        box->click();  // before any sample: only stored
        QCOMPARE(stored(), QString("是"));
        const QString id = f.addCustomer("宽屏", 1);
        f.choose(id);
        QTRY_VERIFY(!f.workspace().pictureCache().waiting());
        const QImage narrowed = Shown(LargeView(f.workspace()));
        box->click();
        QCOMPARE(stored(), QString("否"));
        QTRY_VERIFY(!f.workspace().pictureCache().waiting());
        QVERIFY(Shown(LargeView(f.workspace())) != narrowed);
        QVERIFY(f.dialogs().shown.empty());
    }

    void notes() {
        WorkspaceFixture f;
        const QString id = f.addCustomer("备注", 2);
        f.choose(id);
        app::Tfrmps& w = f.workspace();
        QLineEdit* box = f.control<QLineEdit>("rezzyq");
        auto stored = [&] {
            return data::QueryRows("select zzyq from photoinfo where id=" +
                                   QString::number(w.State().currentSampleId))
                .front()
                .value("zzyq");
        };
        QCOMPARE(box->placeholderText(), kNotePrompt);
        QCOMPARE(box->text(), QString());
        QVERIFY(stored().isNull());
        box->setText("加急 O'Neil 版");
        w.SpeedButton5Click();
        QCOMPARE(stored().toString(), QString("加急 O'Neil 版"));
        w.Image25Click();
        w.Image24Click();
        QCOMPARE(box->text(), QString("加急 O'Neil 版"));
        box->setText("   ");
        w.SpeedButton5Click();
        QCOMPARE(stored().toString(), QString("   "));
        w.ShowSample(1);
        QCOMPARE(box->text(), QString());  // blanks show as the prompt
        w.SpeedButton5Click();             // an empty box clears the note
        QCOMPARE(stored().toString(), QString(""));
        QVERIFY(!stored().isNull());
        box->setText(kNotePrompt);  // the prompt typed in is no note either
        w.SpeedButton5Click();
        QCOMPARE(stored().toString(), QString(""));
        QCOMPARE(box->text(), QString());

        // A stored note shown trimmed and left alone is not written back trimmed.
        data::Execute("update photoinfo set zzyq='  加急  ' where id=" +
                      QString::number(w.State().currentSampleId));
        w.ShowSample(1);
        QCOMPARE(box->text(), QString("加急"));
        w.Image25Click();
        w.Image24Click();
        QCOMPARE(stored().toString(), QString("  加急  "));
    }

    // After a step with the focus in the note box, typing starts a new note.
    void promptNeverBecomesText() {
        WorkspaceFixture f;
        const QString id = f.addCustomer("提示", 3);
        f.choose(id);
        app::Tfrmps& w = f.workspace();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QLineEdit* box = f.control<QLineEdit>("rezzyq");
        box->setFocus();
        QVERIFY(box->hasFocus());
        w.Image25Click();
        QCOMPARE(box->text(), QString());
        QTest::keyClicks(box, "A4");
        QCOMPARE(box->text(), QString("A4"));
        w.SpeedButton5Click();
        QCOMPARE(data::LookupValue("photoinfo", "zzyq", "id=" + QString::number(f.sampleAt(id, 2))),
                 QString("A4"));
    }

    // A note typed and not saved is saved for its own sample, whichever way the
    // customer leaves it.
    void unsavedNoteIsSavedOnLeaving_data() {
        QTest::addColumn<QString>("way");
        for (const char* way : {"next", "strip cell", "auto-browse", "album cell", "pick",
                                "customer switch", "exit button", "window closed"})
            QTest::newRow(way) << QString(way);
    }
    void unsavedNoteIsSavedOnLeaving() {
        QFETCH(QString, way);
        WorkspaceFixture f;
        const QString id = f.addCustomer("离开", 4);
        const QString other = f.addCustomer("下一位", 1);
        f.pick(id, f.sampleAt(id, 3), "精修相册");
        f.choose(id);
        app::Tfrmps& w = f.workspace();
        const qint64 first = w.State().currentSampleId;
        QTest::keyClicks(f.control<QLineEdit>("rezzyq"), "A4 O'Neil");
        if (way == "next") {
            w.Image25Click();
        } else if (way == "strip cell") {
            w.disimgClick(2);
        } else if (way == "auto-browse") {
            w.Image26Click();
            w.tim6Timer();
        } else if (way == "album cell") {
            w.ShowAlbumSample(1);
        } else if (way == "pick") {
            w.albums()->ActivateAlbum(1);
            w.SpeedButton1Click();
        } else if (way == "customer switch") {
            f.choose(other);
        } else if (way == "exit button") {
            w.sbtnexitClick();
        } else {
            QCloseEvent close;
            QApplication::sendEvent(&w, &close);
        }
        QCOMPARE(data::LookupValue("photoinfo", "zzyq", "id=" + QString::number(first)),
                 QString("A4 O'Neil"));
        QVERIFY(f.dialogs().shown.empty());
        if (way != "exit button" && way != "window closed") {
            QVERIFY(w.State().currentSampleId != first);
            const QLineEdit* box = f.control<QLineEdit>("rezzyq");
            QCOMPARE(box->text(), QString());  // the next sample's own note
        }
    }

    // The timer holds back while a box is open, and the question's sample is the one
    // that was shown when it was asked.
    void autoBrowseHoldsWhileABoxIsOpen() {
        WorkspaceFixture f;
        const QString id = f.addCustomer("定格", 6);
        f.choose(id);
        app::Tfrmps& w = f.workspace();
        w.strip()->SetPosition(2);
        w.ShowSample(1);
        const qint64 asked = w.State().currentSampleId;
        const qint64 third = f.sampleAt(id, 3);
        w.Image26Click();
        f.dialogs().whileOpen = [&] {
            w.tim6Timer();
            w.tim6Timer();
        };
        w.delphotoClick();
        f.dialogs().whileOpen = nullptr;
        QVERIFY(data::LookupValue("photoinfo", "id", "id=" + QString::number(asked)).isEmpty());
        QCOMPARE(data::LookupValue("photoinfo", "count(*)", "customerid=" + id), QString("5"));
        QCOMPARE(w.State().currentSampleId, third);  // the sample that followed
        QVERIFY(f.control<QTimer>("tim6")->isActive());
        w.tim6Timer();  // and on it goes once the box is closed
        QCOMPARE(f.currentDisplayNumber(), 3);
    }

    void noteLimitCountsGbkBytes() {
        WorkspaceFixture f;
        QLineEdit* box = f.control<QLineEdit>("rezzyq");
        const QValidator* limit = box->validator();
        QVERIFY(limit);
        int cursor = 0;
        QString fits = QString(75, QChar(0x6837)), over = QString(76, QChar(0x6837));
        QString letters = QString(150, 'a'), tooMany = QString(151, 'a');
        QCOMPARE(limit->validate(fits, cursor), QValidator::Acceptable);
        QCOMPARE(limit->validate(over, cursor), QValidator::Invalid);
        QCOMPARE(limit->validate(letters, cursor), QValidator::Acceptable);
        QCOMPARE(limit->validate(tooMany, cursor), QValidator::Invalid);
    }

    void deletingSamples() {
        WorkspaceFixture f;
        const QString id = f.addCustomer("删除", 5);
        f.pick(id, f.sampleAt(id, 3), "精修相册");
        f.pick(id, f.sampleAt(id, 3), "放大摆台");
        f.pick(id, f.sampleAt(id, 4), "精修相册");
        f.choose(id);
        app::Tfrmps& w = f.workspace();
        const qint64 fourth = f.sampleAt(id, 4);
        w.strip()->SetPosition(3);
        w.ShowSample(1);
        QVERIFY(w.Label1->text().startsWith("样片总数:5   入选:2 "));

        f.dialogs().answers = {Answer::No, Answer::Closed};
        w.delphotoClick();
        w.delphotoClick();
        QCOMPARE(data::QueryRows("select * from photoinfo").size(), size_t(5));

        w.delphotoClick();  // Yes
        QCOMPARE(f.dialogs().Texts("question").last(),
                 QString("删除样片将同时从已入选此样片的相册中删除,确定要删除吗?"));
        QCOMPARE(w.strip()->Maximum(), 4);
        QCOMPARE(w.State().currentSampleId, fourth);  // the sample that followed
        QCOMPARE(StripNumbers(f), Range(3, 4));
        QCOMPARE(data::QueryRows("select * from xcphoto").size(), size_t(1));
        QVERIFY(w.Label1->text().startsWith("样片总数:4   入选:1"));

        // Deleting the last sample moves the strip to the new last one.
        w.strip()->SetPosition(4);
        w.ShowSample(1);
        w.delphotoClick();
        QCOMPARE(w.strip()->Maximum(), 3);
        QCOMPARE(w.strip()->Position(), 3);
        QCOMPARE(f.currentDisplayNumber(), 3);

        // With the strip at the start, it is refilled from the first sample.
        w.strip()->SetPosition(1);
        w.ShowSample(2);
        w.delphotoClick();
        QCOMPARE(StripNumbers(f), Range(1, 2));
        QCOMPARE(f.currentDisplayNumber(), 1);
    }

    void keyboardStepsOutsideTextBoxes() {
        WorkspaceFixture f;
        const QString id = f.addCustomer("键盘", 3);
        f.choose(id);
        app::Tfrmps& w = f.workspace();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.strip()->setFocus();
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &w,
                        Qt::Key_Right);
        QCOMPARE(f.currentDisplayNumber(), 2);
        f.control<QLineEdit>("rezzyq")->setFocus();
        QTest::keyClick(f.control<QLineEdit>("rezzyq"), Qt::Key_Right);
        QCOMPARE(f.currentDisplayNumber(), 2);
        w.strip()->setFocus();
        QTest::keyClick(w.strip(), Qt::Key_Left);
        QCOMPARE(f.currentDisplayNumber(), 1);
    }

    void neighboursAreDrawnAheadAndRecheckedOnDisk() {
        WorkspaceFixture f;
        const QString id = f.addCustomer("预读", 3);
        f.choose(id);
        app::Tfrmps& w = f.workspace();
        QTRY_VERIFY(!w.pictureCache().waiting());
        const int hits = w.pictureCache().hits();
        w.Image25Click();
        QCOMPARE(w.pictureCache().hits(), hits + 1);
        // The same picture as drawing it without the cache.
        images::DrawOptions options;
        options.size = LargeView(w)->size();
        options.margin = f.control<QFrame>("RzPanel9")->palette().color(QPalette::Window);
        options.widescreenRatio = w.State().widescreenRatio;
        const QImage direct =
            images::DrawPictureFitted(w.State().currentSampleFile, "photo/nophoto.jpg", options)
                .canvas.convertToFormat(QImage::Format_RGB32);
        QTRY_COMPARE(Shown(LargeView(w)), direct);

        // Sample 3 was drawn ahead; change it on disk, and the step must draw it anew.
        const QString third =
            data::LookupValue("photoinfo", "filename", "id=" + QString::number(f.sampleAt(id, 3)));
        QFile::remove(third);
        QImage blue(96, 64, QImage::Format_RGB32);
        blue.fill(Qt::blue);
        QVERIFY(blue.save(third, "JPEG"));
        QFile touched(third);
        QVERIFY(touched.open(QIODevice::ReadWrite));
        touched.setFileTime(QDateTime::currentDateTime().addSecs(5),
                            QFileDevice::FileModificationTime);
        touched.close();
        const int before = w.pictureCache().hits();
        w.Image25Click();
        QCOMPARE(w.pictureCache().hits(), before);
        QTRY_VERIFY(!w.pictureCache().waiting());
        const QImage shown = Shown(LargeView(w));
        const QColor centre = shown.pixelColor(shown.width() / 2, shown.height() / 2);
        QVERIFY2(centre.blue() > 200 && centre.red() < 60, qPrintable(centre.name()));
    }

    // Holding the arrow key: every press moves the strip and the information box at once,
    // and of the samples passed over only the last is drawn (with its neighbour ahead).
    void onlyTheNewestPictureIsDrawnAndShown() {
        WorkspaceFixture f;
        const QString id = ColouredCustomer(f, "连按", 8);
        f.choose(id);
        app::Tfrmps& w = f.workspace();
        QTRY_VERIFY(!w.pictureCache().waiting());
        QTRY_COMPARE(w.pictureCache().pool().activeThreadCount(), 0);
        QSignalSpy shown(&w.pictureCache(), &workspace::PictureCache::pictureReady);
        const int drawings = w.pictureCache().drawings();
        {
            const BusyPool busy(w.pictureCache().pool());
            for (int i = 0; i < 7; ++i) w.Image25Click();
            QCOMPARE(f.currentDisplayNumber(), 8);
            QCOMPARE(testing_support::ControlNamed<QLabel>(&w, "lblfilepath")->text(),
                     QString("文件地址:008.jpg"));
            QCOMPARE(BlueFrame(f), 1);
            QVERIFY(w.pictureCache().waiting());
        }
        QTRY_VERIFY(!w.pictureCache().waiting());
        QTRY_COMPARE(w.pictureCache().pool().activeThreadCount(), 0);
        QCOMPARE(w.pictureCache().drawings() - drawings, 2);
        QCOMPARE(shown.size(), 1);
        QVERIFY(Near(CentreOf(Shown(LargeView(w))), kColours[7]));
        QCOMPARE(Shown(LargeView(w)), DrawnAlone(w));
    }

    // A drawing under way when the customer moves on finishes unseen; the neighbour it
    // now is stays drawn for the step back.
    void aPictureLeftWhileDrawnIsNotShown() {
        WorkspaceFixture f;
        const QString id = ColouredCustomer(f, "离开中", 4);
        f.choose(id);
        app::Tfrmps& w = f.workspace();
        QTRY_VERIFY(!w.pictureCache().waiting());
        QTRY_COMPARE(w.pictureCache().pool().activeThreadCount(), 0);
        w.pictureCache().Clear();
        QSemaphore started, proceed;
        w.pictureCache().SetBeforeDrawing([&](const QString& file) {
            if (file.endsWith("002.jpg")) {
                started.release();
                proceed.acquire();
            }
        });
        QSignalSpy shown(&w.pictureCache(), &workspace::PictureCache::pictureReady);
        w.Image25Click();
        QVERIFY(started.tryAcquire(1, 5000));
        w.Image25Click();
        QTRY_VERIFY(!w.pictureCache().waiting());
        QVERIFY(Near(CentreOf(Shown(LargeView(w))), kColours[2]));
        proceed.release();
        QTRY_COMPARE(w.pictureCache().pool().activeThreadCount(), 0);
        QTest::qWait(20);  // the finished drawing reaches the window's thread
        QCOMPARE(shown.size(), 1);
        QVERIFY(Near(CentreOf(Shown(LargeView(w))), kColours[2]));
        QMutex lock;
        QStringList drawn;
        w.pictureCache().SetBeforeDrawing([&](const QString& file) {
            const QMutexLocker locked(&lock);
            drawn << QFileInfo(file).fileName();
        });
        const int hits = w.pictureCache().hits();
        w.Image24Click();  // back onto it: kept, shown at once and not drawn again
        QCOMPARE(w.pictureCache().hits(), hits + 1);
        QVERIFY(!w.pictureCache().waiting());
        QVERIFY(Near(CentreOf(Shown(LargeView(w))), kColours[1]));
        QTRY_COMPARE(w.pictureCache().pool().activeThreadCount(), 0);
        w.pictureCache().SetBeforeDrawing(nullptr);
        QVERIFY2(!drawn.contains("002.jpg"), qPrintable(drawn.join(' ')));
    }

    // A drawing under way stops half-way when the screen's wish passes it over or it is
    // forgotten, and its thread is free at once; a neighbour drawn ahead goes on whatever is
    // wished meanwhile and is kept. Nothing stopped is ever handed over.
    void aDrawingPassedOverStopsHalfWay_data() {
        QTest::addColumn<bool>("drawnAhead");  // Prefetch, not Want
        QTest::addColumn<QString>("then");     // "want" another picture, "nothing" or "clear"
        QTest::addColumn<bool>("stops");
        QTest::newRow("wish passed over") << false << "want" << true;
        QTest::newRow("wish withdrawn") << false << "nothing" << true;
        QTest::newRow("wish forgotten") << false << "clear" << true;
        QTest::newRow("drawn ahead, another wished") << true << "want" << false;
        QTest::newRow("drawn ahead, nothing wished") << true << "nothing" << false;
        QTest::newRow("drawn ahead, forgotten") << true << "clear" << true;
    }
    void aDrawingPassedOverStopsHalfWay() {
        QFETCH(bool, drawnAhead);
        QFETCH(QString, then);
        QFETCH(bool, stops);
        testing_support::RuntimeFixture f(testing_support::RuntimeFixture::Database::None);
        const QString big = f.file("big.jpg"), small = f.file("small.jpg");
        QVERIFY(images::SaveJpeg(images::MakeDemoPhoto(3000, 2000, 3, QString()), big));
        QImage green(96, 64, QImage::Format_RGB32);
        green.fill(Qt::green);
        QVERIFY(green.save(small, "JPEG"));
        images::DrawOptions options;
        options.size = QSize(800, 600);
        options.margin = Qt::gray;
        const QString placeholder = QStringLiteral("photo/nophoto.jpg");

        workspace::PictureCache cache;
        QSemaphore started, proceed;
        cache.SetBeforeDrawing([&](const QString& file) {
            if (file != big) return;
            started.release();
            proceed.acquire();
        });
        QSignalSpy handed(&cache, &workspace::PictureCache::pictureReady);
        if (drawnAhead)
            cache.Prefetch(big, placeholder, options);
        else
            QVERIFY(!cache.Want(big, placeholder, options));
        QVERIFY(started.tryAcquire(1, 10000));
        if (then == "want") QVERIFY(!cache.Want(small, placeholder, options));
        if (then == "nothing") cache.WantNothing();
        if (then == "clear") cache.Clear();
        proceed.release();
        QTRY_COMPARE(cache.pool().activeThreadCount(), 0);
        QCOMPARE(cache.abandoned(), stops ? 1 : 0);
        QCoreApplication::processEvents();  // what the threads finished reaches the cache
        QVERIFY(!cache.waiting());
        QCOMPARE(handed.size(), then == "want" ? 1 : 0);
        if (then == "want") QCOMPARE(handed[0][0].value<workspace::FittedPicture>().file, small);
        cache.SetBeforeDrawing(nullptr);
        const bool kept = cache.Want(big, placeholder, options).has_value();
        QCOMPARE(kept, !stops && then != "clear");
    }

    // While the picture is on its way the large view shows the sample's stored thumbnail
    // scaled up to where the photo will be, and everything around it is of that sample.
    void theThumbnailStandsInUntilThePictureArrives() {
        WorkspaceFixture f;
        const QString id = ColouredCustomer(f, "缩略图", 3);
        f.choose(id);
        app::Tfrmps& w = f.workspace();
        QLabel* view = LargeView(w);
        QTRY_VERIFY(!w.pictureCache().waiting());
        QTRY_COMPARE(w.pictureCache().pool().activeThreadCount(), 0);
        w.pictureCache().Clear();
        images::DrawOptions options;
        options.size = view->size();
        const std::optional<int> zoom = images::FittedZoomPercent(kLargePhoto, options);
        const images::Placement p = images::FitPicture(view->width(), view->height(),
                                                       kLargePhoto.width(), kLargePhoto.height());
        {
            const BusyPool busy(w.pictureCache().pool());
            w.Image25Click();
            QVERIFY(w.pictureCache().waiting());
            const QImage interim = Shown(view);
            QCOMPARE(interim.size(), view->size());
            QVERIFY(Near(CentreOf(interim), kColours[1]));
            QVERIFY(Near(interim.pixelColor(p.x + 8, p.y + 8), kColours[1]));
            const QColor margin = testing_support::ControlNamed<QFrame>(&w, "RzPanel9")
                                      ->palette()
                                      .color(QPalette::Window);
            const QPoint outside =
                p.x > 2 ? QPoint(p.x - 2, view->height() / 2) : QPoint(view->width() / 2, p.y - 2);
            QCOMPARE(interim.pixelColor(outside), margin);
            QVERIFY(zoom && *zoom < 100);
            QCOMPARE(w.State().zoomPercent, *zoom);
            QCOMPARE(testing_support::ControlNamed<QLabel>(&w, "lblfilepath")->text(),
                     QString("文件地址:002.jpg"));
            QCOMPARE(StripNumbers(f).value(0), 2);
            QCOMPARE(BlueFrame(f), 1);
        }
        QTRY_VERIFY(!w.pictureCache().waiting());
        QCOMPARE(Shown(view), DrawnAlone(w));
        QCOMPARE(w.State().zoomPercent, *zoom);
    }

    // A photo that cannot be decoded shows the placeholder stretched over the view, and
    // why is logged; with the placeholder gone too, the error box says so.
    void anUnreadablePhotoShowsThePlaceholder_data() {
        QTest::addColumn<bool>("placeholderGone");
        QTest::newRow("placeholder") << false;
        QTest::newRow("placeholder gone too") << true;
    }
    void anUnreadablePhotoShowsThePlaceholder() {
        QFETCH(bool, placeholderGone);
        WorkspaceFixture f;
        const QString id = f.addCustomer("坏文件", 2);
        QFile broken(f.file("shoots/坏文件/002.jpg"));
        QVERIFY(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
        broken.write(QByteArray("\xff\xd8\xff\xe0") + " not a photo");
        broken.close();
        if (placeholderGone) QVERIFY(QFile::remove(f.file("photo/nophoto.jpg")));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("picture not drawn as asked:.*002\\.jpg"));
        f.choose(id);
        app::Tfrmps& w = f.workspace();
        w.Image25Click();
        QTRY_VERIFY(!w.pictureCache().waiting());
        QCOMPARE(f.currentDisplayNumber(), 2);
        QLabel* view = LargeView(w);
        if (placeholderGone) {
            QTRY_COMPARE(f.dialogs().Texts("error"),
                         QStringList{"无法读取图片文件: photo/nophoto.jpg."});
        } else {
            QVERIFY(view->hasScaledContents());
            QCOMPARE(Shown(view),
                     QImage(f.file("photo/nophoto.jpg")).convertToFormat(QImage::Format_RGB32));
            QVERIFY(f.dialogs().shown.empty());
        }
    }

    void switchAndRefreshAfterManagement() {
        WorkspaceFixture f;
        const QString first = f.addCustomer("第一位", 2);
        const QString second = f.addCustomer("第二位", 3);
        f.choose(second);
        app::Tfrmps& w = f.workspace();
        QCOMPARE(w.State().customerId, second);
        QCOMPARE(w.State().customerPhotoPath, f.file("shoots/第二位"));
        QCOMPARE(f.control<QLabel>("lblfilepath")->text(), QString("文件地址:001.jpg"));
        const QTabBar* tabs = f.control<QTabBar>("rpczctypelist");
        QCOMPARE(tabs->count(), 4);  // 全部 and the three default albums
        data::Execute("update customer set staus='关闭' where customerid=" + second);
        w.RefreshCustomersAfterManagement();
        QCOMPARE(w.State().customerId, first);
        QCOMPARE(w.Rzcbcustomer->currentText(), QString("第一位"));
        QCOMPARE(w.Rzcbcustomer->count(), 1);
    }

    // On a 1366 x 768 screen all twelve cells fit the strip, and a long statistics line
    // wraps within its place instead of running under the staff buttons.
    void smallScreenShowsTheWholeStripAndLine() {
        WorkspaceFixture f;
        const QString id = f.addCustomer("小屏幕", 14);
        const QStringList albums{"精修相册",     "放大摆台",   "电子相册",
                                 "婚纱外景精选", "全家福合影", "儿童成长纪念册"};
        for (int i = 3; i < albums.size(); ++i)
            data::Execute("insert into customerxc(customerid,xcmc) values(" + id + ",'" +
                          albums[i] + "')");
        for (int i = 0; i < albums.size(); ++i)
            for (int n = 0; n <= i; ++n) f.pick(id, f.sampleAt(id, n + 1), albums[i]);
        app::Tfrmps& w = f.workspace();
        w.resize(1366, 768);
        f.choose(id);

        const auto& strip = *w.strip();
        QCOMPARE(StripNumbers(f), Range(1, 12));
        for (int i = 0; i < workspace::kStripCells; ++i) {
            const QFrame* frame = f.control<QFrame>("dissp", i + 1);
            const QLabel* image = f.control<QLabel>("disimg", i + 1);
            QVERIFY(frame->isVisible());
            QVERIFY2(strip.rect().contains(frame->geometry()), qPrintable(QString::number(i)));
            QVERIFY(frame->geometry().contains(image->geometry()));
            QVERIFY(frame->geometry().contains(f.control<QLabel>("diszt", i + 1)->geometry()));
            const QSize shown = image->pixmap().size();
            QVERIFY(shown.width() <= image->width() && shown.height() <= image->height());
            QVERIFY(qAbs(shown.width() * 80 - shown.height() * 105) <= 105);  // aspect kept
        }
        QVERIFY(f.control<QLabel>("diszt", 6)->isVisible());

        QLabel* line = w.Label1;
        QCOMPARE(line->text(), workspace::ComposeStatistics(id));
        QVERIFY(line->wordWrap());
        QVERIFY(line->heightForWidth(line->width()) <= line->height());
        QVERIFY(line->geometry().right() < w.SpeedButton2->geometry().left());
        QVERIFY(line->geometry().bottom() <= line->parentWidget()->height());
    }

    void statisticsLine() {
        testing_support::RuntimeFixture fixture;
        QCOMPARE(workspace::ComposeStatistics(""), QString());
        QList<qint64> samples;
        for (int i = 0; i < 120; ++i)
            samples << data::AppendRow("photoinfo",
                                       {{"customerid", 9}, {"odrnum", i + 1}, {"filename", "x"}});
        QCOMPARE(workspace::ComposeStatistics("9"), QString("样片总数:120   入选:0"));
        auto pick = [](qint64 sample, const QString& album) {
            data::AppendRow("xcphoto", {{"customerid", 9}, {"photoid", sample}, {"xcmc", album}});
        };
        for (int i = 0; i < 20; ++i) pick(samples[i], "婚纱");
        for (int i = 0; i < 18; ++i) pick(samples[i < 3 ? i : i + 17], "外景");  // 3 also in 婚纱
        const QString line = workspace::ComposeStatistics("9");
        const QString wedding = "婚纱:20  ", outdoor = "外景:18  ";
        QVERIFY(line == "样片总数:120   入选:35    其中" + outdoor + wedding + "   共:38" ||
                line == "样片总数:120   入选:35    其中" + wedding + outdoor + "   共:38");
        QCOMPARE(workspace::ComposeStatistics("10"), QString("样片总数:0   入选:0"));
    }
};

QTEST_MAIN(TestBrowsing)
#include "test_browsing.moc"
