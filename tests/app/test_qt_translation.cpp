// Qt's own texts that the staff meet (the folder chooser, a text field's right-click
// menu, the print preview) come in Chinese.

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QtTest>
#include <memory>

#include "app/qt_translation.h"

class TestQtTranslation : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QVERIFY2(QFile::exists(app::QtTranslationFile()),
                 qPrintable(app::QtTranslationFile() + " is missing (qt6-translations-l10n)"));
        QVERIFY(app::InstallQtTranslation());
    }

    void textFieldMenu() {
        QLineEdit edit;
        const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
        QStringList texts;
        for (const QAction* action : menu->actions())
            if (!action->isSeparator()) texts << action->text();
        QVERIFY(texts.size() >= 5);
        for (const QString& text : texts)
            QVERIFY2(text.contains(QRegularExpression("\\p{Han}")), qPrintable(texts.join(" | ")));
    }

    void dialogTexts_data() {
        QTest::addColumn<QString>("context");
        QTest::addColumn<QString>("source");
        QTest::newRow("folder chooser: look in") << "QFileDialog"
                                                 << "Look in:";
        QTest::newRow("folder chooser: directory") << "QFileDialog"
                                                   << "Directory:";
        QTest::newRow("folder chooser: choose") << "QFileDialog"
                                                << "&Choose";
        QTest::newRow("buttons: cancel") << "QPlatformTheme"
                                         << "Cancel";
        QTest::newRow("print preview") << "QPrintPreviewDialog"
                                       << "Print Preview";
    }
    void dialogTexts() {
        QFETCH(QString, context);
        QFETCH(QString, source);
        const QString text = QCoreApplication::translate(context.toLatin1().constData(),
                                                         source.toLatin1().constData());
        QVERIFY2(text.contains(QRegularExpression("\\p{Han}")), qPrintable(text));
    }
};

QTEST_MAIN(TestQtTranslation)
#include "test_qt_translation.moc"
