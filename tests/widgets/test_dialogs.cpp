// The boxes on screen: each one counts as open while it is up, so timers hold back,
// and closing it gives the keyboard back to the window it was opened over.

#include <QApplication>
#include <QMessageBox>
#include <QtTest>
#include <functional>

#include "widgets/dialogs.h"

using widgets::Answer;
using widgets::Dialogs;
using widgets::ScreenDialogs;

class TestDialogs : public QObject {
    Q_OBJECT

  private slots:
    void boxesCountAsOpenUntilClosed_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("message") << 0;
        QTest::newRow("question") << 1;
        QTest::newRow("error") << 2;
    }
    void boxesCountAsOpenUntilClosed() {
        QFETCH(int, kind);
        QWidget owner;
        owner.resize(400, 300);
        owner.show();
        QVERIFY(QTest::qWaitForWindowActive(&owner));
        QVERIFY(!Dialogs::AnyOpen());
        bool openWhileShown = false;
        QWidget* boxOwner = nullptr;
        QTimer::singleShot(0, [&] {
            openWhileShown = Dialogs::AnyOpen();
            QWidget* box = QApplication::activeModalWidget();
            QVERIFY(box);
            boxOwner = box->parentWidget();
            QTest::keyClick(box, Qt::Key_Escape);
        });
        ScreenDialogs dialogs;
        if (kind == 0) dialogs.Message(&owner, "消息");
        if (kind == 1) QCOMPARE(dialogs.Question(&owner, "问题?"), Answer::No);
        if (kind == 2) dialogs.Error(&owner, "出错");
        QVERIFY(openWhileShown);
        QCOMPARE(boxOwner, &owner);
        QVERIFY(!Dialogs::AnyOpen());
        QTRY_COMPARE(QApplication::activeWindow(), &owner);
    }
};

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
