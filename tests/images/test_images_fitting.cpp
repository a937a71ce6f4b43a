// The fitting rule: where a photo lands in the large view and in a thumbnail cell, and the
// zoom percent shown beside it.

#include <QRect>
#include <QtTest>

#include "images/fitting.h"

using images::Placement;

class FittingTest : public QObject {
    Q_OBJECT
  private slots:
    void fitsAndZooms_data();
    void fitsAndZooms();
    void nothingDecodedLeavesEmptyPlacement();
};

void FittingTest::fitsAndZooms_data() {
    QTest::addColumn<QSize>("frame");
    QTest::addColumn<QSize>("original");
    QTest::addColumn<int>("widescreen");  // ratio percent; 0 when off
    QTest::addColumn<QRect>("expected");
    QTest::addColumn<int>("zoom");

    const QSize view(1000, 600);
    QTest::newRow("panorama, width decides")
        << view << QSize(4000, 1000) << 0 << QRect(0, 175, 1000, 250) << 25;
    QTest::newRow("landscape, height decides")
        << view << QSize(4000, 3000) << 0 << QRect(100, 0, 800, 600) << 20;
    QTest::newRow("portrait") << view << QSize(3000, 4000) << 0 << QRect(275, 0, 450, 600) << 15;
    QTest::newRow("only taller than the frame")
        << view << QSize(900, 1200) << 0 << QRect(275, 0, 450, 600) << 50;
    QTest::newRow("equal ratios take the height branch")
        << QSize(800, 600) << QSize(1600, 1200) << 0 << QRect(0, 0, 800, 600) << 50;
    QTest::newRow("small photo centred, never enlarged")
        << view << QSize(200, 100) << 0 << QRect(400, 250, 200, 100) << 100;
    QTest::newRow("small photo widescreen")
        << view << QSize(200, 100) << 75 << QRect(425, 250, 150, 100) << 75;
    QTest::newRow("photo exactly the frame") << view << view << 0 << QRect(0, 0, 1000, 600) << 100;

    const QSize cell(105, 80);
    QTest::newRow("thumb landscape") << cell << QSize(3000, 2000) << 0 << QRect(0, 5, 105, 70) << 3;
    QTest::newRow("thumb portrait") << cell << QSize(2000, 3000) << 0 << QRect(26, 0, 53, 80) << 2;
    QTest::newRow("thumb small photo")
        << cell << QSize(100, 50) << 0 << QRect(2, 15, 100, 50) << 100;
    QTest::newRow("thumb 4:3 truncates")
        << cell << QSize(1600, 1200) << 0 << QRect(0, 1, 105, 78) << 6;
    QTest::newRow("thumb same ratio")
        << cell << QSize(2100, 1600) << 0 << QRect(0, 0, 105, 80) << 5;
    QTest::newRow("thumb widescreen")
        << cell << QSize(3000, 2000) << 75 << QRect(13, 5, 78, 70) << 2;
}

void FittingTest::fitsAndZooms() {
    QFETCH(QSize, frame);
    QFETCH(QSize, original);
    QFETCH(int, widescreen);
    QFETCH(QRect, expected);
    QFETCH(int, zoom);

    Placement p =
        images::FitPicture(frame.width(), frame.height(), original.width(), original.height());
    if (widescreen) p = images::ApplyWidescreen(p, widescreen);
    QCOMPARE(QRect(p.x, p.y, p.w, p.h), expected);
    QCOMPARE(images::ZoomPercent(p.w, original.width()), zoom);
}

// An undecodable file reports 0 x 0; the margins must then cover the whole frame.
void FittingTest::nothingDecodedLeavesEmptyPlacement() {
    const Placement p = images::FitPicture(105, 80, 0, 0);
    QCOMPARE(p.w, 0);
    QCOMPARE(p.h, 0);
}

QTEST_MAIN(FittingTest)
#include "test_images_fitting.moc"
