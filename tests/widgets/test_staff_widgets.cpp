// Pieces the staff windows share: long work that takes no input, the busy notice's
// lines, the hand-over of print jobs, and readable tooltips.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QToolTip>
#include <QtTest>

#include "widgets/busy_scope.h"
#include "widgets/print_queue.h"
#include "widgets/tfrmpb.h"
#include "widgets/theme.h"

namespace {

// WCAG's relative luminance and contrast ratio.
double Luminance(const QColor& colour) {
    const auto channel = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

double Contrast(const QColor& a, const QColor& b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

}  // namespace

class TestStaffWidgets : public QObject {
    Q_OBJECT

  private slots:
    void inputMadeDuringTheWorkIsDropped() {
        QWidget window;
        auto* name = new QLineEdit(&window);
        auto* add = new QPushButton(QStringLiteral("增加"), &window);
        add->move(0, 40);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        int clicks = 0;
        connect(add, &QPushButton::clicked, [&clicks] { ++clicks; });
        {
            widgets::BusyScope busy(&window);
            busy.Progress(1, 2, QStringLiteral("a.jpg"));
            // A key and a double click that are still waiting when the work ends.
            QCoreApplication::postEvent(
                name, new QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x"));
            const QPointF centre = QRectF(add->rect()).center();
            for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                      QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease})
                QCoreApplication::postEvent(
                    add, new QMouseEvent(
                             type, centre, add->mapToGlobal(centre), Qt::LeftButton,
                             type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                             Qt::NoModifier));
            busy.Finish();
        }
        QCoreApplication::processEvents();
        QCOMPARE(name->text(), QString());
        QCOMPARE(clicks, 0);
        QVERIFY(!widgets::BusyScope::Active());

        // Afterwards input is taken again.
        QTest::keyClick(name, Qt::Key_Y);
        QCOMPARE(name->text(), QString("y"));
    }

    void noticeBreaksOnlyAfterItsCommas_data() {
        QTest::addColumn<int>("pixels");
        for (int pixels : {11, 12, 14, 16, 18})
            QTest::newRow(qPrintable(QString("%1 px").arg(pixels))) << pixels;
    }
    void noticeBreaksOnlyAfterItsCommas() {
        QFETCH(int, pixels);
        QWidget main;
        widgets::Tfrmpb notice(&main);
        QLabel* text = notice.findChildren<QLabel*>().first();
        QCOMPARE(text->text(), widgets::Tfrmpb::NoticeText());
        QFont font = text->font();
        font.setPixelSize(pixels);
        const QFontMetrics metrics(font);
        const int width = 249;  // the notice's panel less its margins
        const QStringList lines = widgets::Tfrmpb::NoticeLines(metrics, width);
        QCOMPARE(lines.join(QString()), widgets::Tfrmpb::NoticeText());
        for (int i = 0; i < lines.size(); ++i) {
            QVERIFY2(metrics.horizontalAdvance(lines[i]) <= width, qPrintable(lines[i]));
            if (i + 1 < lines.size()) QVERIFY2(lines[i].endsWith(','), qPrintable(lines[i]));
        }
    }

    void aJobThePrintSystemDoesNotTakeComesBackWithItsReason() {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();
        qputenv("CUPS_SERVER", QByteArray("127.0.0.1:") + QByteArray::number(port));
        QTemporaryDir folder;
        QFile pdf(folder.filePath("list.pdf"));
        QVERIFY(pdf.open(QIODevice::WriteOnly));
        pdf.write("%PDF-1.4\n%%EOF\n");
        pdf.close();
        const widgets::QueueAnswer answer =
            widgets::SubmitToPrintQueue("studio", pdf.fileName(), QStringLiteral("客户 甲 选片单"));
        qunsetenv("CUPS_SERVER");
        QCOMPARE(answer.jobId, 0);
        QVERIFY(!answer.reason.isEmpty());
    }

    // Last: the theme stays on the application.
    void tooltipsAreReadable() {
        widgets::ApplyTheme(*qApp);
        QWidget window;
        window.resize(300, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QToolTip::showText(window.mapToGlobal(QPoint(20, 20)), QStringLiteral("系统初始密码为空"),
                           &window);
        QWidget* tip = nullptr;
        QTRY_VERIFY((tip = [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->objectName() == QLatin1String("qtooltip_label") && w->isVisible()) return w;
            return static_cast<QWidget*>(nullptr);
        }()));
        const QImage image = tip->grab().toImage();
        const QColor background = image.pixelColor(3, image.height() / 2);
        double best = 1;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                best = std::max(best, Contrast(background, image.pixelColor(x, y)));
        QVERIFY2(best >= 7, qPrintable(QString("%1 on %2: %3")
                                           .arg(background.name())
                                           .arg(image.pixelColor(0, 0).name())
                                           .arg(best)));
    }
};

QTEST_MAIN(TestStaffWidgets)
#include "test_staff_widgets.moc"
