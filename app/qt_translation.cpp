#include "app/qt_translation.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLoggingCategory>
#include <QTranslator>

namespace app {
namespace {

Q_LOGGING_CATEGORY(lcTranslation, "verimond.app.translation")

}  // namespace

QString QtTranslationFile() {
    // The studio sees Chinese whatever the desktop's language is.
    return QDir(QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        .filePath(QStringLiteral("qtbase_zh_CN.qm"));
}

bool InstallQtTranslation() {
    // Lives as long as the application.
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QtTranslationFile())) {
        qCWarning(lcTranslation, "Qt's Chinese texts cannot be read: %s",
                  qPrintable(QtTranslationFile()));
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

}  // namespace app
