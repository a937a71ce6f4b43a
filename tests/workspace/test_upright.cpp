// Photos in the workspace as the camera held them: the strip, the large view, the rotation
// buttons, the full-screen viewer's zoom and rotation, the setting switched off and on in
// the settings window, and thumbnails made again by a re-import.

#include <QApplication>
#include <QTimer>
#include <QTransform>
#include <QtTest>

#include "customers/customer_records.h"
#include "customers/photo_import.h"
#include "data/connection.h"
#include "data/records.h"
#include "images/fitting.h"
#include "images/thumbnail.h"
#include "settings/tfrmset.h"
#include "support/oriented_photos.h"
#include "support/workspace_fixture.h"
#include "workspace/picture_cache.h"
#include "workspace/sample_strip.h"
#include "workspace/sample_viewer.h"
#include "workspace/tfrmfull.h"

using namespace testing_support;
using workspace::TFrmfull;

namespace {

// Portrait shots stored on their side (orientations 6 and 8), and one landscape shot.
const QSize kPortrait(600, 900);
const QSize kLandscape(900, 600);

struct UprightFixture : WorkspaceFixture {
    TFrmfull viewer;
    QString customer;
    explicit UprightFixture(bool orientationOn = true) {
        workspace().SetFullScreenViewer(&viewer);
        WriteOrientedPhoto(file("shoot/1.jpg"), kPortrait, 6);
        WriteOrientedPhoto(file("shoot/2.jpg"), kLandscape, 1);
        WriteOrientedPhoto(file("shoot/3.jpg"), kPortrait, 8);
        if (!orientationOn) SetOrientation(false);
        const auto created =
            customers::CreateCustomer({"竖拍", file("shoot"), QString()},
                                      customers::ImportOptionsFromSettings(".jpg,", false));
        customer = QString::number(created.id);
        workspace().FillCustomerList();
    }
    static void SetOrientation(bool on) {
        data::Execute(QStringLiteral("insert into SysSet(itemname,itemvalue) values("
                                     "'cameraorientation','") +
                      (on ? "是" : "否") +
                      "') on conflict(itemname) do update set itemvalue=excluded.itemvalue");
    }
    QLabel* large() { return LargeView(workspace()); }
};

QImage Shown(const QLabel* label) {
    return label->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
}

QRect Placed(QSize frame, QSize photo) {
    const images::Placement p =
        images::FitPicture(frame.width(), frame.height(), photo.width(), photo.height());
    return QRect(p.x, p.y, p.w, p.h);
}

QImage TurnedBack(const QImage& image, int clockwiseTurns) {
    return image.transformed(QTransform().rotate(-90.0 * clockwiseTurns));
}

QByteArray StoredThumbnail(const QString& customer, const QString& name) {
    return data::QueryRows("select photofile from photoinfo where customerid=" + customer +
                           " and filename like '%/" + name + "'")
        .front()
        .value("photofile")
        .toByteArray();
}

QString UprightThumbnail(const QByteArray& bmp, QSize upright) {
    const QImage thumbnail = QImage::fromData(bmp, "BMP");
    return QuartersUprightIn(thumbnail, Placed(thumbnail.size(), upright));
}

}  // namespace

class TestUpright : public QObject {
    Q_OBJECT

  private slots:
    void stripAndLargeViewShowTheUprightPicture() {
        UprightFixture f;
        f.choose(f.customer);
        app::Tfrmps& w = f.workspace();
        QCOMPARE(UprightThumbnail(StoredThumbnail(f.customer, "1.jpg"), kPortrait), QString());
        const QImage cell = Shown(f.control<QLabel>("disimg", 1));
        QCOMPARE(QuartersUprightIn(cell, Placed(cell.size(), kPortrait)), QString());
        // Fitted on the upright size: a portrait picture in the middle of the wide view.
        const QRect photo = Placed(f.large()->size(), kPortrait);
        QVERIFY(photo.height() == f.large()->height() && photo.width() < f.large()->width());
        QTRY_VERIFY(!w.pictureCache().waiting());
        QCOMPARE(QuartersUprightIn(Shown(f.large()), photo), QString());
        QCOMPARE(w.State().zoomPercent, photo.width() * 100 / kPortrait.width());

        // Stepping onto a neighbour drawn ahead: still upright.
        w.Image25Click();
        w.Image25Click();
        QVERIFY(w.pictureCache().hits() > 0);
        QTRY_VERIFY(!w.pictureCache().waiting());
        QCOMPARE(QuartersUprightIn(Shown(f.large()), Placed(f.large()->size(), kPortrait)),
                 QString());
    }

    void rotationButtonsTurnFromUpright() {
        UprightFixture f;
        f.choose(f.customer);
        app::Tfrmps& w = f.workspace();
        const struct {
            bool clockwise;
            int turns;  // clockwise from upright after the click
        } clicks[] = {{true, 1}, {true, 2}, {false, 1}, {false, 0}, {false, 3}};
        for (const auto& click : clicks) {
            w.Image5Click(click.clockwise);
            QTRY_VERIFY(!w.pictureCache().waiting());
            const QSize shown = click.turns % 2 ? kPortrait.transposed() : kPortrait;
            const QRect photo = Placed(f.large()->size(), shown);
            QCOMPARE(QuartersUpright(TurnedBack(Shown(f.large()).copy(photo), click.turns)),
                     QString());
        }
    }

    void viewerZoomsAndTurnsTheUprightPicture() {
        UprightFixture f;
        f.choose(f.customer);
        TFrmfull& v = f.viewer;
        v.ShowOver(&f.workspace());
        QTRY_VERIFY(!f.workspace().pictureCache().waiting());
        const QRect fitted = Placed(v.imgfull->size(), kPortrait);
        QCOMPARE(QuartersUprightIn(Shown(v.imgfull), fitted), QString());
        QCOMPARE(v.labrate->text(), QString::number(fitted.width() * 100 / kPortrait.width()));

        f.workspace().State().zoomPercent = 50;
        v.SpeedButton4Click(TFrmfull::Tool::ZoomIn);
        QTRY_VERIFY(!v.zoomPending());
        QCOMPARE(v.imgfull->size(), QSize(360, 540));
        QCOMPARE(QuartersUpright(v.imgfull->grab().toImage()), QString());
        v.SpeedButton4Click(TFrmfull::Tool::RotateClockwise);
        QTRY_VERIFY(!v.zoomPending());
        QCOMPARE(v.imgfull->size(), QSize(540, 360));
        QCOMPARE(QuartersUpright(TurnedBack(v.imgfull->grab().toImage(), 1)), QString());
    }

    // Switched off in the settings window, the large view shows the pixels as stored at
    // once, neighbours included; switched on again, upright.
    void settingAppliesAtOnce() {
        UprightFixture f;
        f.choose(f.customer);
        app::Tfrmps& w = f.workspace();
        w.State().adminLoggedIn = true;
        const auto setInWindow = [&](bool on) {
            QTimer::singleShot(0, [on] {
                auto* window = qobject_cast<settings::Tfrmset*>(QApplication::activeModalWidget());
                QVERIFY(window);
                QVERIFY(window->RzCheckBox2->isChecked() != on);
                window->RzCheckBox2->setChecked(on);
                window->Button3Click();
            });
            w.SpeedButton4Click();
        };
        setInWindow(false);
        QCOMPARE(data::LookupValue("SysSet", "itemvalue", "itemname='cameraorientation'"),
                 QString("否"));
        QCOMPARE(w.State().cameraOrientation, false);
        // The file holds 900 x 600 pixels: now fitted as a landscape picture, on its side.
        // Turned a quarter clockwise (orientation 6), or counter-clockwise (8), it is upright.
        const QRect stored = Placed(f.large()->size(), kPortrait.transposed());
        QTRY_VERIFY(!w.pictureCache().waiting());
        QCOMPARE(QuartersUpright(TurnedBack(Shown(f.large()).copy(stored), -1)), QString());
        w.Image25Click();
        w.Image25Click();  // the third photo, drawn ahead as stored
        QTRY_VERIFY(!w.pictureCache().waiting());
        QCOMPARE(QuartersUpright(TurnedBack(Shown(f.large()).copy(stored), 1)), QString());

        setInWindow(true);
        QTRY_VERIFY(!w.pictureCache().waiting());
        QCOMPARE(QuartersUprightIn(Shown(f.large()), Placed(f.large()->size(), kPortrait)),
                 QString());
        // Thumbnails change only when they are made again.
        QCOMPARE(UprightThumbnail(StoredThumbnail(f.customer, "3.jpg"), kPortrait), QString());
    }

    // Thumbnails made on their side (the setting off, or before it existed) come upright
    // when the customer is imported again; those of untagged photos are left as stored.
    void reimportMakesTurnedThumbnailsAgain() {
        UprightFixture f(false);
        const qint64 id = f.customer.toLongLong();
        QVERIFY(!UprightThumbnail(StoredThumbnail(f.customer, "1.jpg"), kPortrait).isEmpty());
        const QByteArray landscape = StoredThumbnail(f.customer, "2.jpg");
        // An edited landscape photo keeps the thumbnail it had.
        f.writePhoto("shoot/2.jpg", 300, 200);
        WriteOrientedPhoto(f.file("shoot/4.jpg"), kPortrait, 6);

        UprightFixture::SetOrientation(true);
        const auto options = customers::ImportOptionsFromSettings(".jpg,", false);
        auto result = customers::ReimportCustomer(id, f.file("shoot"), options);
        QVERIFY(result);
        QCOMPARE(result->added, 1);
        QCOMPARE(result->remade, 2);
        for (const char* name : {"1.jpg", "3.jpg", "4.jpg"})
            QCOMPARE(UprightThumbnail(StoredThumbnail(f.customer, name), kPortrait), QString());
        QCOMPARE(StoredThumbnail(f.customer, "2.jpg"), landscape);

        result = customers::ReimportCustomer(id, f.file("shoot"), options);
        QCOMPARE(result->added, 0);
        QCOMPARE(result->remade, 0);  // nothing differs any more

        // Staff asking for all of them: the edited photo's thumbnail too; a photo gone
        // missing keeps the thumbnail stored.
        QFile::remove(f.file("shoot/3.jpg"));
        const QByteArray third = StoredThumbnail(f.customer, "3.jpg");
        const customers::ThumbnailsResult all = customers::RemakeThumbnails(id, options);
        QCOMPARE(all.samples, 4);
        QCOMPARE(all.remade, 1);
        QCOMPARE(all.unchanged, 2);
        QCOMPARE(all.kept, QStringList{f.file("shoot/3.jpg")});
        QCOMPARE(StoredThumbnail(f.customer, "3.jpg"), third);
        QVERIFY(StoredThumbnail(f.customer, "2.jpg") != landscape);
    }
};

QTEST_MAIN(TestUpright)
#include "test_upright.moc"
