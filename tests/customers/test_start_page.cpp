// The start page of the customer window: local copy by default, the online page only when
// set up and only when it arrives in time with the expected title.

#include <QTcpServer>
#include <QTcpSocket>
#include <QTextBrowser>
#include <QtTest>

#include "customers/start_page.h"
#include "customers/tfrmmain.h"
#include "data/connection.h"
#include "support/runtime_fixture.h"

using customers::StartPage;
using testing_support::RuntimeFixture;

namespace {

// A one-page web server on a free local port. With `silent` it accepts and never answers.
class PageServer : public QObject {
  public:
    PageServer(const QByteArray& body, const QByteArray& contentType, bool silent = false) {
        QObject::connect(&server_, &QTcpServer::newConnection, this, [=] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                ++requests;
                if (silent) {
                    held_ << socket;
                    continue;
                }
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [=] {
                    socket->readAll();
                    socket->write("HTTP/1.1 200 OK\r\nContent-Type: " + contentType +
                                  "\r\nContent-Length: " + QByteArray::number(body.size()) +
                                  "\r\nConnection: close\r\n\r\n" + body);
                    socket->disconnectFromHost();
                });
            }
        });
        server_.listen(QHostAddress::LocalHost);
    }
    QString address() const {
        return QString("http://127.0.0.1:%1/djclientlogin.htm").arg(server_.serverPort());
    }
    int requests = 0;

  private:
    QTcpServer server_;
    QList<QTcpSocket*> held_;
};

QByteArray Page(const QString& title, const QString& text) {
    return ("<html><head><title>" + title + "</title></head><body><p>" + text +
            "</p></body></html>")
        .toUtf8();
}

}  // namespace

class TestStartPage : public QObject {
    Q_OBJECT

  private slots:
    void noAddressMeansNoNetwork() {
        RuntimeFixture fixture;
        // The setting is missing in a new database; an empty one counts the same.
        for (const char* setting : {"", "insert into SysSet values('startpage','  ')"}) {
            if (*setting) data::Execute(setting);
            customers::Tfrmmain desk(nullptr, {});
            desk.show();
            QVERIFY(!desk.startPage()->askedNetwork());
            QCOMPARE(desk.startPage()->shown(), StartPage::Shown::Local);
            QCOMPARE(desk.cwb1->documentTitle(), StartPage::ExpectedTitle());
        }
    }

    void onlinePageIsShownOnlyWithTheExpectedTitle_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<bool>("online");
        QTest::newRow("expected title") << Page(StartPage::ExpectedTitle(), "在线页面")
                                        << QByteArray("text/html; charset=utf-8") << true;
        QStringEncoder gbk("GBK");
        QTest::newRow("expected title in GBK")
            << QByteArray(
                   gbk.encode(QString::fromUtf8(Page(StartPage::ExpectedTitle(), "在线页面"))))
            << QByteArray("text/html; charset=gbk") << true;
        QTest::newRow("another title (a captive portal)")
            << Page("登录上网", "请先登录") << QByteArray("text/html") << false;
    }

    void onlinePageIsShownOnlyWithTheExpectedTitle() {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, contentType);
        QFETCH(bool, online);
        RuntimeFixture fixture;
        PageServer server(body, contentType);
        QTextBrowser view;
        StartPage page(&view, nullptr);
        QSignalSpy settled(&page, &StartPage::settled);
        page.Navigate(server.address(), 10000);
        // The window never waits: the local copy is there at once.
        QCOMPARE(page.shown(), StartPage::Shown::Local);
        QVERIFY(settled.wait(15000));
        QCOMPARE(server.requests, 1);
        QCOMPARE(page.shown(), online ? StartPage::Shown::Online : StartPage::Shown::Local);
        QCOMPARE(view.documentTitle(), StartPage::ExpectedTitle());
        QCOMPARE(view.toPlainText().contains("在线页面"), online);
    }

    void onlinePageLoadsNothingBesidesItself_data() {
        QTest::addColumn<QString>("source");  // %1: the runtime folder
        QTest::newRow("a local file") << "file://%1/secret.png";
        QTest::newRow("an absolute path") << "%1/secret.png";
        QTest::newRow("beside the local copy") << "secret.png";
    }
    void onlinePageLoadsNothingBesidesItself() {
        QFETCH(QString, source);
        RuntimeFixture fixture;
        QImage secret(400, 300, QImage::Format_RGB32);
        secret.fill(Qt::red);
        QVERIFY(secret.save(fixture.file("secret.png")));
        const QString html = "<html><head><title>" + StartPage::ExpectedTitle() +
                             "</title></head><body><img src=\"" +
                             source.arg(QFileInfo(fixture.file("secret.png")).absolutePath()) +
                             "\"><p>在线页面</p></body></html>";
        PageServer server(html.toUtf8(), "text/html; charset=utf-8");
        QTextBrowser view;
        view.resize(500, 400);
        StartPage page(&view, nullptr);
        QSignalSpy settled(&page, &StartPage::settled);
        page.Navigate(server.address(), 10000);
        QVERIFY(settled.wait(15000));
        QCOMPARE(page.shown(), StartPage::Shown::Online);
        // Laid out, the page is one line of text: the picture was not read.
        QVERIFY2(view.document()->size().height() < 150,
                 qPrintable(QString::number(view.document()->size().height())));

        // Its links open in the desktop's browser, and only web addresses do.
        emit view.anchorClicked(QUrl::fromLocalFile(fixture.file("secret.png")));
        emit view.anchorClicked(QUrl("https://select.example.com/help"));
        QCOMPARE(fixture.dialogs().opened, QList<QUrl>{QUrl("https://select.example.com/help")});
    }

    void silentOrAbsentServerFallsBackOnce() {
        RuntimeFixture fixture;
        PageServer silent(QByteArray(), QByteArray(), true);
        QTextBrowser view;
        StartPage page(&view, nullptr);
        QSignalSpy settled(&page, &StartPage::settled);
        page.Navigate(silent.address(), 300);
        QVERIFY(settled.wait(15000));
        QCOMPARE(page.shown(), StartPage::Shown::Local);
        QTest::qWait(500);
        QCOMPARE(silent.requests, 1);  // asked once, never again
        QCOMPARE(settled.count(), 1);

        // Nobody listening on the port at all.
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();
        StartPage refused(&view, nullptr);
        QSignalSpy refusedSettled(&refused, &StartPage::settled);
        refused.Navigate(QString("http://127.0.0.1:%1/djclientlogin.htm").arg(port), 3000);
        QVERIFY(refusedSettled.wait(15000));
        QCOMPARE(refused.shown(), StartPage::Shown::Local);
    }

    void missingLocalCopyShowsANoteAndStops() {
        RuntimeFixture fixture;
        QVERIFY(QFile::remove(fixture.file("djclientlogin.htm")));
        QTextBrowser view;
        StartPage page(&view, nullptr);
        page.Navigate(QString());
        QCOMPARE(page.shown(), StartPage::Shown::LocalMissing);
        QVERIFY(view.toPlainText().contains("djclientlogin.htm"));
        QVERIFY(!page.askedNetwork());
    }

    void titleAndDecoding() {
        QCOMPARE(customers::HtmlTitle("<html><head><title>甲</title></head></html>"),
                 QString("甲"));
        QCOMPARE(customers::HtmlTitle("<p>没有标题</p>"), QString());
        QStringEncoder gbk("GBK");
        const QByteArray bytes = gbk.encode(QString("<title>乙</title>"));
        QCOMPARE(customers::DecodePage(bytes, "text/html; charset=GBK"),
                 QString("<title>乙</title>"));
        QCOMPARE(customers::DecodePage(QString("<title>丙</title>").toUtf8(), "text/html"),
                 QString("<title>丙</title>"));
    }
};

QTEST_MAIN(TestStartPage)
#include "test_start_page.moc"
