// Building customers' previews: a customer's photo files in display order, at once for a
// script, and in the background of the program on idle threads that give way to browsing.

#include <sched.h>

#include <QElapsedTimer>
#include <QSemaphore>
#include <QSignalSpy>
#include <QtTest>
#include <atomic>

#include "customers/photo_import.h"
#include "customers/preview_building.h"
#include "data/connection.h"
#include "support/runtime_fixture.h"

using customers::PreviewBuilder;
using customers::PreviewsResult;
using images::Orientation;
using images::PreviewStore;
using testing_support::RuntimeFixture;

namespace {

const QSize kScreen(320, 240);

QStringList WritePhotos(RuntimeFixture& fixture, const QString& folder, int count) {
    QStringList photos;
    for (int i = 0; i < count; ++i)
        photos << fixture.writePhoto(QString("%1/p%2.jpg").arg(folder).arg(i), 800 + 8 * i, 600);
    return photos;
}

}  // namespace

class PreviewBuildingTest : public QObject {
    Q_OBJECT

  private slots:
    void samplePhotoFilesComeInDisplayOrderOnce() {
        RuntimeFixture fixture;
        const QStringList photos = WritePhotos(fixture, "shoot", 3);
        WritePhotos(fixture, "other", 1);
        QCOMPARE(customers::ImportFolder("1", fixture.file("shoot"), {}).added, 3);
        QCOMPARE(customers::ImportFolder("2", fixture.file("other"), {}).added, 1);
        // Shown last to first, and the first photo a second time.
        data::Execute("update photoinfo set odrnum=10-odrnum where customerid=1");
        data::Execute(
            "insert into photoinfo(customerid,odrnum,filename,photofile) select customerid,"
            "100,filename,photofile from photoinfo where customerid=1 and odrnum=9");
        QCOMPARE(customers::SamplePhotoFiles(1), QStringList({photos[2], photos[1], photos[0]}));
        QCOMPARE(customers::SamplePhotoFiles(3), QStringList());
    }

    void buildPreviewsBuildsTheMissingOnesAndCountsFailures() {
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        QStringList photos = WritePhotos(fixture, "shoot", 5);
        photos.insert(2, fixture.file("shoot/gone.jpg"));
        QFile text(fixture.file("shoot/notes.jpg"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("not a picture");
        text.close();
        photos << text.fileName();
        PreviewStore store(fixture.file("previews"), kScreen);
        QVERIFY(store.Build(photos[0], Orientation::AsTaken).outcome ==
                PreviewStore::Outcome::Made);

        QList<int> dones;
        const Qt::HANDLE caller = QThread::currentThreadId();
        bool elsewhere = false;
        const PreviewsResult result = customers::BuildPreviews(
            store, photos, Orientation::AsTaken, [&](int done, int total, const QString&) {
                QCOMPARE(total, 7);
                elsewhere |= QThread::currentThreadId() != caller;
                dones << done;
            });
        QVERIFY(!elsewhere);
        QCOMPARE(result.photos, 7);
        QCOMPARE(result.made, 4);
        QCOMPARE(result.already, 1);
        QCOMPARE(result.failed, QStringList({photos[2], photos[6]}));
        QCOMPARE(result.skipped, 0);
        QVERIFY(std::is_sorted(dones.begin(), dones.end()));
        QCOMPARE(dones.last(), 7);
        for (const QString& photo : {photos[0], photos[1], photos[3], photos[4], photos[5]})
            QVERIFY(store.Find(photo, Orientation::AsTaken));

        const PreviewsResult again = customers::BuildPreviews(store, photos, Orientation::AsTaken);
        QCOMPARE(again.made, 0);
        QCOMPARE(again.already, 5);
    }

    void buildingStopsWhenTheStoreIsFullOfTheSetsOwnPreviews() {
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        const QStringList photos = WritePhotos(fixture, "shoot", 8);
        PreviewStore measure(fixture.file("measure"), kScreen);
        const qint64 one = measure.Build(photos[0], Orientation::AsTaken).bytes;
        // Room for about three previews.
        PreviewStore store(fixture.file("previews"), kScreen, one * 7 / 2);
        const PreviewsResult result = customers::BuildPreviews(store, photos, Orientation::AsTaken);
        QVERIFY2(result.skipped > 0, qPrintable(QString::number(result.made)));
        QCOMPARE(result.made + result.skipped, 8);
        QVERIFY(result.failed.isEmpty());
        // Every preview made is still there: none pushed out another of the set.
        int there = 0;
        for (const QString& photo : photos) there += store.Has(photo, Orientation::AsTaken);
        QCOMPARE(there, result.made);
        QVERIFY(store.UsedBytes() <= store.budget());
    }

    void builderBuildsInTheBackgroundOnIdleThreads() {
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        const QStringList first = WritePhotos(fixture, "first", 4);
        const QStringList second = WritePhotos(fixture, "second", 3);
        auto store = std::make_shared<PreviewStore>(fixture.file("previews"), kScreen);
        std::atomic<int> asked{0}, notIdle{0};
        PreviewBuilder builder(store);
        builder.SetDecodeHook([&](const QString&) {
            ++asked;
            if (sched_getscheduler(0) != SCHED_IDLE) ++notIdle;
        });
        QSignalSpy progress(&builder, &PreviewBuilder::progress);
        QSignalSpy finished(&builder, &PreviewBuilder::finished);
        builder.Queue(7, first, Orientation::AsTaken);
        builder.Queue(8, second, Orientation::AsStored);
        builder.Queue(9, {}, Orientation::AsTaken);  // a customer without samples
        QVERIFY(builder.busy());
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 3, 30000);
        QVERIFY(!builder.busy());
        finished.removeIf([](const QList<QVariant>& f) { return f[0].toLongLong() == 9; });

        // In queue order, each with all its photos.
        QCOMPARE(finished[0][0].toLongLong(), 7);
        QCOMPARE(finished[1][0].toLongLong(), 8);
        QCOMPARE(finished[0][1].value<PreviewsResult>().made, 4);
        QCOMPARE(finished[1][1].value<PreviewsResult>().made, 3);
        QCOMPARE(progress.first(), QVariantList({7, 0, 4}));
        QCOMPARE(progress.last(), QVariantList({8, 3, 3}));
        QVERIFY(progress.contains(QVariantList({7, 4, 4})));
        for (const QString& photo : first) QVERIFY(store->Find(photo, Orientation::AsTaken));
        for (const QString& photo : second) QVERIFY(store->Find(photo, Orientation::AsStored));
        QVERIFY(asked.load() > 0);
        QCOMPARE(notIdle.load(), 0);
    }

    void aStepAbandonsTheDecodeInFlightUntilBrowsingRests() {
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        const QStringList photos = WritePhotos(fixture, "shoot", 3);
        auto store = std::make_shared<PreviewStore>(fixture.file("previews"), kScreen);
        QSemaphore decoding, stepped;
        std::atomic<bool> held{false};
        PreviewBuilder builder(store);
        // The first decode waits half-way until the customer has taken a step.
        builder.SetDecodeHook([&](const QString&) {
            if (held.exchange(true)) return;
            decoding.release();
            stepped.acquire();
        });
        QSignalSpy finished(&builder, &PreviewBuilder::finished);
        builder.Queue(1, photos, Orientation::AsTaken);
        QVERIFY(decoding.tryAcquire(1, 30000));
        builder.Browsing();
        QElapsedTimer sinceStep;
        sinceStep.start();
        stepped.release();

        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 30000);
        const PreviewsResult result = finished[0][1].value<PreviewsResult>();
        QVERIFY(result.abandoned >= 1);
        QCOMPARE(result.made, 3);
        QVERIFY(result.failed.isEmpty());
        // The abandoned photo was taken up only once browsing had rested.
        QVERIFY2(sinceStep.elapsed() >= 1400, qPrintable(QString::number(sinceStep.elapsed())));
    }

    void destroyingTheBuilderStopsIt() {
        RuntimeFixture fixture(RuntimeFixture::Database::None);
        const QStringList photos = WritePhotos(fixture, "shoot", 6);
        auto store = std::make_shared<PreviewStore>(fixture.file("previews"), kScreen);
        {
            PreviewBuilder builder(store);
            builder.Browsing();  // resting: nothing is started before it goes
            builder.Queue(1, photos, Orientation::AsTaken);
        }
        for (const QString& photo : photos) QVERIFY(!store->Has(photo, Orientation::AsTaken));
    }
};

QTEST_GUILESS_MAIN(PreviewBuildingTest)
#include "test_preview_building.moc"
