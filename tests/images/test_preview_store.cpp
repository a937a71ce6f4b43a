// The preview store: previews fitted to the station's screen and upright as the setting says,
// found only while the photo is unchanged, dropped least recently shown first, and a store
// folder or preview file that is gone or damaged is never a failure.

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QtTest>

#include "images/fitting.h"
#include "images/preview_store.h"
#include "support/oriented_photos.h"
#include "support/runtime_fixture.h"

using images::FoundPreview;
using images::Orientation;
using images::PreviewStore;
using Outcome = images::PreviewStore::Outcome;
using namespace testing_support;

namespace {

const QSize kScreen(320, 240);

QSize Fitted(QSize photo, QSize screen = kScreen) {
    const images::Placement p =
        images::FitPicture(screen.width(), screen.height(), photo.width(), photo.height());
    return QSize(p.w, p.h);
}

void SetModified(const QString& file, const QDateTime& when) {
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(when, QFileDevice::FileModificationTime));
}

}  // namespace

class PreviewStoreTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { QDir(store_).removeRecursively(); }

    void builtPreviewIsFoundFittedAndUpright_data() {
        QTest::addColumn<QSize>("upright");
        QTest::addColumn<int>("tag");
        QTest::addColumn<Orientation>("orientation");
        QTest::addColumn<QSize>("shown");  // the photo as this orientation shows it
        QTest::addColumn<bool>("quartersUpright");
        QTest::newRow("landscape")
            << QSize(1200, 900) << 1 << Orientation::AsTaken << QSize(1200, 900) << true;
        QTest::newRow("portrait by tag, as taken")
            << QSize(600, 900) << 6 << Orientation::AsTaken << QSize(600, 900) << true;
        QTest::newRow("portrait by tag, as stored")
            << QSize(600, 900) << 6 << Orientation::AsStored << QSize(900, 600) << false;
        QTest::newRow("smaller than the screen, never enlarged")
            << QSize(160, 120) << 1 << Orientation::AsTaken << QSize(160, 120) << true;
    }
    void builtPreviewIsFoundFittedAndUpright() {
        QFETCH(QSize, upright);
        QFETCH(int, tag);
        QFETCH(Orientation, orientation);
        QFETCH(QSize, shown);
        QFETCH(bool, quartersUpright);
        const QString photo = WriteOrientedPhoto(fixture_.file("photo.jpg"), upright, tag);
        PreviewStore store(store_, kScreen);
        QVERIFY(!store.Find(photo, orientation));

        const PreviewStore::Built built = store.Build(photo, orientation);
        QCOMPARE(built.outcome, Outcome::Made);
        QVERIFY(built.bytes > 0);
        const std::optional<FoundPreview> found = store.Find(photo, orientation);
        QVERIFY(found);
        QVERIFY2(found->file.startsWith(store_ + '/'), qPrintable(found->file));
        QCOMPARE(found->originalSize, shown);
        QCOMPARE(found->size, Fitted(shown));
        const QImage preview(found->file);
        QCOMPARE(preview.size(), found->size);
        QCOMPARE(QuartersUpright(preview).isEmpty(), quartersUpright);
        QCOMPARE(QFileInfo(found->file).size(), built.bytes);
        QCOMPARE(store.Build(photo, orientation).outcome, Outcome::AlreadyThere);

        // The other orientation has a preview of its own.
        const Orientation other =
            orientation == Orientation::AsTaken ? Orientation::AsStored : Orientation::AsTaken;
        QVERIFY(!store.Has(photo, other));
        QCOMPARE(store.Build(photo, other).outcome, Outcome::Made);
        QVERIFY(store.Find(photo, other)->file != found->file);
        QVERIFY(store.Find(photo, orientation));

        // Another screen has its own previews as well.
        QVERIFY(!PreviewStore(store_, QSize(640, 480)).Has(photo, orientation));
    }

    void storedPictureIsFittedToTheScreen() {
        const QString photo = fixture_.writePhoto("whole.jpg", 800, 600);
        PreviewStore store(store_, kScreen);
        QVERIFY(
            store.Store(photo, Orientation::AsTaken, ColourfulImage(800, 600), QSize(800, 600)));
        const std::optional<FoundPreview> found = store.Find(photo, Orientation::AsTaken);
        QVERIFY(found);
        QCOMPARE(found->size, Fitted(QSize(800, 600)));
        QCOMPARE(QImage(found->file).size(), found->size);
    }

    void changedPhotoIsNeverFoundFromItsStalePreview_data() {
        QTest::addColumn<QString>("change");
        QTest::newRow("rewritten at another size") << "size";
        QTest::newRow("same bytes, touched") << "time";
        QTest::newRow("removed") << "removed";
    }
    void changedPhotoIsNeverFoundFromItsStalePreview() {
        QFETCH(QString, change);
        const QString photo = fixture_.writePhoto("changing.jpg", 640, 480);
        SetModified(photo, QDateTime::currentDateTime().addSecs(-600));
        PreviewStore store(store_, kScreen);
        QCOMPARE(store.Build(photo, Orientation::AsTaken).outcome, Outcome::Made);
        QVERIFY(store.Find(photo, Orientation::AsTaken));

        if (change == "size")
            fixture_.writePhoto("changing.jpg", 480, 640);
        else if (change == "time")
            SetModified(photo, QDateTime::currentDateTime());
        else
            QVERIFY(QFile::remove(photo));
        QVERIFY(!store.Find(photo, Orientation::AsTaken));
        QVERIFY(!store.Has(photo, Orientation::AsTaken));
        if (change == "removed") {
            QCOMPARE(store.Build(photo, Orientation::AsTaken).outcome, Outcome::Failed);
            return;
        }
        QCOMPARE(store.Build(photo, Orientation::AsTaken).outcome, Outcome::Made);
        const std::optional<FoundPreview> found = store.Find(photo, Orientation::AsTaken);
        QVERIFY(found);
        QCOMPARE(found->originalSize, change == "size" ? QSize(480, 640) : QSize(640, 480));
    }

    void budgetDropsTheLeastRecentlyShownFirst() {
        PreviewStore store(store_, kScreen);
        QStringList photos, files;
        QList<qint64> sizes;
        const QDateTime now = QDateTime::currentDateTime();
        for (int i = 0; i < 4; ++i) {
            photos << fixture_.writePhoto(QString("p%1.jpg").arg(i), 640 + 16 * i, 480);
            const PreviewStore::Built built = store.Build(photos.last(), Orientation::AsTaken);
            QCOMPARE(built.outcome, Outcome::Made);
            files << store.Find(photos.last(), Orientation::AsTaken)->file;
            sizes << built.bytes;
            // Shown in the order 0, 1, 2, 3, minutes apart.
            SetModified(files.last(), now.addSecs(-600 + 60 * i));
        }
        const qint64 total = sizes[0] + sizes[1] + sizes[2] + sizes[3];
        QCOMPARE(store.UsedBytes(), total);
        QCOMPARE(store.Trim(), 0);  // within the default budget

        // Showing photo 0 again makes 1 and 2 the least recently shown.
        QVERIFY(store.Find(photos[0], Orientation::AsTaken));
        // A budget whose trim keeps 0 and 3 but not 3 with 2.
        qint64 budget = sizes[0] + sizes[3];
        while (budget - budget / 32 < sizes[0] + sizes[3]) ++budget;
        QVERIFY(budget - budget / 32 < total - sizes[1] - sizes[2] + qMin(sizes[1], sizes[2]));
        store.SetBudget(budget);
        QCOMPARE(store.KeptAfterTrim(), budget - budget / 32);
        QCOMPARE(store.Trim(), 2);
        QVERIFY(store.Find(photos[0], Orientation::AsTaken));
        QVERIFY(!store.Find(photos[1], Orientation::AsTaken));
        QVERIFY(!store.Find(photos[2], Orientation::AsTaken));
        QVERIFY(store.Find(photos[3], Orientation::AsTaken));
        QCOMPARE(store.UsedBytes(), sizes[0] + sizes[3]);
        QVERIFY(!QFileInfo::exists(files[1]) && !QFileInfo::exists(files[2]));
    }

    void runningTotalFollowsWritesAndDrops() {
        PreviewStore store(store_, kScreen);
        QCOMPARE(store.UsedBytes(), 0);
        const QString photo = fixture_.writePhoto("a.jpg", 640, 480);
        const qint64 bytes = store.Build(photo, Orientation::AsTaken).bytes;
        QCOMPARE(store.UsedBytes(), bytes);
        const qint64 more = store.Build(photo, Orientation::AsStored).bytes;
        QCOMPARE(store.UsedBytes(), bytes + more);
        // Another store on the same folder (another program) sees them at its first count.
        QCOMPARE(PreviewStore(store_, kScreen).UsedBytes(), bytes + more);
    }

    void deletedStoreFolderIsMadeAgainByTheNextPreview() {
        const QString photo = fixture_.writePhoto("again.jpg", 640, 480);
        PreviewStore store(store_, kScreen);
        QCOMPARE(store.Build(photo, Orientation::AsTaken).outcome, Outcome::Made);
        QVERIFY(QDir(store_).removeRecursively());
        QVERIFY(!store.Find(photo, Orientation::AsTaken));
        QCOMPARE(store.Build(photo, Orientation::AsTaken).outcome, Outcome::Made);
        QVERIFY(store.Find(photo, Orientation::AsTaken));
        QCOMPARE(store.Trim(), 0);
    }

    void damagedPreviewIsNotFoundAndMadeAgain_data() {
        QTest::addColumn<QByteArray>("damage");  // how the file is left
        QTest::newRow("cut short") << QByteArray("half");
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("not ours") << QByteArray("GIF89a, not a preview at all");
    }
    void damagedPreviewIsNotFoundAndMadeAgain() {
        QFETCH(QByteArray, damage);
        const QString photo = fixture_.writePhoto("damaged.jpg", 640, 480);
        PreviewStore store(store_, kScreen);
        QCOMPARE(store.Build(photo, Orientation::AsTaken).outcome, Outcome::Made);
        const QString file = store.Find(photo, Orientation::AsTaken)->file;
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadWrite));
        if (damage == "half")
            QVERIFY(f.resize(f.size() / 2));
        else {
            QVERIFY(f.resize(0));
            f.write(damage);
        }
        f.close();

        QVERIFY(!store.Find(photo, Orientation::AsTaken));
        QVERIFY(!QFileInfo::exists(file));
        QCOMPARE(store.Build(photo, Orientation::AsTaken).outcome, Outcome::Made);
        QVERIFY(store.Find(photo, Orientation::AsTaken));
    }

    void unreadablePhotoFailsAndAbandonedDecodeLeavesNothing() {
        PreviewStore store(store_, kScreen);
        QFile text(fixture_.file("notes.jpg"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("not a picture");
        text.close();
        const PreviewStore::Built failed = store.Build(text.fileName(), Orientation::AsTaken);
        QCOMPARE(failed.outcome, Outcome::Failed);
        QVERIFY(!failed.error.isEmpty());
        QVERIFY(!store.Has(text.fileName(), Orientation::AsTaken));

        const QString photo = fixture_.writePhoto("wanted.jpg", 1600, 1200);
        QCOMPARE(store.Build(photo, Orientation::AsTaken, [] { return false; }).outcome,
                 Outcome::Abandoned);
        QVERIFY(!store.Has(photo, Orientation::AsTaken));
        QCOMPARE(store.UsedBytes(), 0);
    }

    void recordedScreen_data() {
        QTest::addColumn<QByteArray>("content");  // null: nothing recorded
        QTest::addColumn<QSize>("screen");
        QTest::newRow("nothing recorded") << QByteArray() << images::kDefaultPreviewScreen;
        QTest::newRow("recorded") << QByteArray("2560x1440\n") << QSize(2560, 1440);
        QTest::newRow("damaged") << QByteArray("wide") << images::kDefaultPreviewScreen;
        QTest::newRow("absurd") << QByteArray("0x1080") << images::kDefaultPreviewScreen;
    }
    void recordedScreen() {
        QFETCH(QByteArray, content);
        QFETCH(QSize, screen);
        if (!content.isNull()) {
            QVERIFY(QDir().mkpath(store_));
            QFile f(store_ + "/screen.txt");
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        QCOMPARE(images::RecordedPreviewScreen(store_), screen);
        images::RecordPreviewScreen(store_, QSize(3840, 2160));
        QCOMPARE(images::RecordedPreviewScreen(store_), QSize(3840, 2160));
    }

  private:
    RuntimeFixture fixture_{RuntimeFixture::Database::None};
    const QString store_ = fixture_.file("previews");
};

QTEST_GUILESS_MAIN(PreviewStoreTest)
#include "test_preview_store.moc"
