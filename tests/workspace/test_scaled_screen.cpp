// The workspace on a 3840 x 2160 screen scaled to 200 %: the layout is that of a
// 1920 x 1080 screen, and photos are decoded and drawn on the device pixels.

#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QtTest>

#include "customers/customer_records.h"
#include "customers/photo_import.h"
#include "customers/preview_building.h"
#include "images/picture_drawing.h"
#include "images/preview_store.h"
#include "support/workspace_fixture.h"
#include "workspace/picture_cache.h"
#include "workspace/sample_strip.h"
#include "workspace/sample_viewer.h"
#include "workspace/tfrmfull.h"

using testing_support::LargeView;
using testing_support::WorkspaceFixture;
using workspace::TFrmfull;

namespace {

QImage Checkerboard(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    return image;
}

struct ScaledFixture : WorkspaceFixture {
    TFrmfull viewer;
    ScaledFixture() { workspace().SetFullScreenViewer(&viewer); }
    // A customer of photos written into folder by write(path) for each of names.
    QString customerOf(const QString& folder, const QStringList& names,
                       const std::function<void(const QString&)>& write) {
        for (const QString& name : names) write(file(folder + "/" + name));
        customers::ImportOptions options;
        options.acceptedTypes = ".jpg,.bmp,";
        const auto created = customers::CreateCustomer({folder, file(folder), QString()}, options);
        workspace().FillCustomerList();
        return QString::number(created.id);
    }
};

}  // namespace

class TestScaledScreen : public QObject {
    Q_OBJECT

  private slots:
    void layoutIsLogicalAndPicturesAreDevicePixels() {
        ScaledFixture f;
        app::Tfrmps& w = f.workspace();
        QCOMPARE(w.devicePixelRatio(), 2.0);
        QLabel* large = LargeView(w);
        const QSize view = large->size();
        // A photo of exactly the view's device pixels: every pixel of it reaches the screen.
        const QString id = f.customerOf("board", {"1.bmp", "2.bmp"}, [&](const QString& path) {
            QDir().mkpath(QFileInfo(path).absolutePath());
            QVERIFY(Checkerboard(view * 2).save(path, "BMP"));
        });
        f.choose(id);
        QCOMPARE(large->size(), view);
        QTRY_VERIFY(!w.pictureCache().waiting());
        const QPixmap shown = large->pixmap();
        QCOMPARE(shown.size(), view * 2);
        QCOMPARE(shown.devicePixelRatio(), 2.0);
        QCOMPARE(w.State().zoomPercent, 50);  // logical, as on any screen
        const QImage screenshot = large->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QImage photo = Checkerboard(view * 2);
        photo.setDevicePixelRatio(2);
        QCOMPARE(screenshot, photo);

        // The neighbour drawn ahead is drawn for the same device pixels.
        w.Image25Click();
        QVERIFY(w.pictureCache().hits() > 0);
        QTRY_VERIFY(!w.pictureCache().waiting());
        QCOMPARE(large->pixmap().size(), view * 2);

        // The strip's cells hold device pixels of their logical size.
        QLabel* cell = f.control<QLabel>("disimg", 1);
        QCOMPARE(cell->pixmap().devicePixelRatio(), 2.0);
        QCOMPARE(cell->pixmap().size(), images::DeviceSize(QSize(105, 80), 2.0));
    }

    void cellsAreDrawnSharpFromPreviews() {
        ScaledFixture f;
        app::Tfrmps& w = f.workspace();
        // A photo of exactly a cell's device pixels, in squares of one pixel: the cell drawn
        // on its device pixels shows them, the stored 105 x 80 thumbnail blown up is grey.
        const QString id = f.customerOf("fine", {"1.bmp", "2.bmp"}, [&](const QString& path) {
            QDir().mkpath(QFileInfo(path).absolutePath());
            QVERIFY(Checkerboard(images::DeviceSize(QSize(105, 80), 2.0)).save(path, "BMP"));
        });
        const auto contrast = [](const QPixmap& pixmap) {
            const QImage image = pixmap.toImage().convertToFormat(QImage::Format_RGB32);
            qint64 sum = 0, pairs = 0;
            for (int y = image.height() / 4; y < image.height() * 3 / 4; ++y)
                for (int x = image.width() / 4; x < image.width() * 3 / 4; ++x, ++pairs)
                    sum += qAbs(qGray(image.pixel(x, y)) - qGray(image.pixel(x + 1, y)));
            return pairs ? sum / pairs : 0;
        };
        f.choose(id);
        QLabel* cell = f.control<QLabel>("disimg", 1);
        QVERIFY2(contrast(cell->pixmap()) < 40, "the stored thumbnail shows the squares");

        QVERIFY(w.State().previews);
        const customers::PreviewsResult built = customers::BuildPreviews(
            *w.State().previews, customers::SamplePhotoFiles(id.toLongLong()),
            images::Orientation::AsTaken);
        QCOMPARE(built.made + built.already, 2);  // the background may have been first
        w.ShowSamplePage(1, w.State().currentSampleId);
        QTRY_VERIFY(contrast(cell->pixmap()) > 100);
        QCOMPARE(cell->pixmap().devicePixelRatio(), 2.0);
        QCOMPARE(cell->pixmap().size(), images::DeviceSize(QSize(105, 80), 2.0));
    }

    void viewerZoomDecodesForDevicePixels() {
        ScaledFixture f;
        const QString id = f.customerOf("big", {"1.jpg"}, [&](const QString& path) {
            f.writePhoto(QDir(f.path()).relativeFilePath(path), 2000, 1600);
        });
        f.choose(id);
        TFrmfull& v = f.viewer;
        v.ShowOver(&f.workspace());
        QTRY_VERIFY(!f.workspace().pictureCache().waiting());
        QCOMPARE(v.imgfull->pixmap().devicePixelRatio(), 2.0);
        f.workspace().State().zoomPercent = 40;
        v.SpeedButton4Click(TFrmfull::Tool::ZoomIn);
        QTRY_VERIFY(!v.zoomPending());
        // 50 % is 1000 x 800 logical pixels, 2000 x 1600 on the device: the whole photo,
        // where a logical decode would have taken half of it.
        QCOMPARE(v.imgfull->size(), QSize(1000, 800));
        QCOMPARE(v.imgfull->zoomedPixels(), QSize(2000, 1600));
        v.SpeedButton4Click(TFrmfull::Tool::ZoomOut);
        QTRY_VERIFY(!v.zoomPending());
        v.SpeedButton4Click(TFrmfull::Tool::ZoomOut);
        QTRY_VERIFY(!v.zoomPending());
        QCOMPARE(v.imgfull->size(), QSize(600, 480));
        QCOMPARE(v.imgfull->zoomedPixels(), QSize(2000, 1600));  // 1/2 would not cover 1200
        v.SpeedButton4Click(TFrmfull::Tool::ZoomOut);
        QTRY_VERIFY(!v.zoomPending());
        QCOMPARE(v.imgfull->size(), QSize(400, 320));
        QCOMPARE(v.imgfull->zoomedPixels(), QSize(1000, 800));
    }
};

int main(int argc, char** argv) {
    // A 4K TV with the desktop at 200 %, before the application exists.
    const QString config =
        QDir::temp().filePath(QStringLiteral("verimond-test-4k-screen-%1.json").arg(getpid()));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 1;
    file.write(R"({"screens": [{"name": "tv", "x": 0, "y": 0, "width": 3840, "height": 2160,
                   "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    file.close();
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toLocal8Bit());
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TestScaledScreen test;
    const int failed = QTest::qExec(&test, argc, argv);
    QFile::remove(config);
    return failed;
}

#include "test_scaled_screen.moc"
