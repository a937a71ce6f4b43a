#include "support/runtime_fixture.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include "data/connection.h"
#include "data/schema.h"
#include "support/server_run.h"

namespace testing_support {
namespace {

void CopyTree(const QString& from, const QString& to) {
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(source);
        if (it.fileInfo().isDir())
            QDir().mkpath(target);
        else
            QFile::copy(source, target);
    }
}

}  // namespace

RuntimeFixture::RuntimeFixture(Database database) {
    if (!dir_.isValid()) qFatal("cannot make a temporary folder");
    CopyTree(QStringLiteral(VERIMOND_RESOURCES_DIR), dir_.path());
    previousDir_ = QDir::currentPath();
    QDir::setCurrent(dir_.path());
    auto dialogs = std::make_unique<ScriptedDialogs>();
    dialogs_ = dialogs.get();
    widgets::Dialogs::Install(std::move(dialogs));
    if (database == Database::Fresh) {
        if (ServerRun()) {
            server_ = CreateServerDatabase();
            WriteServerSetting(path(), server_);
        }
        QString error;
        if (!data::CreateDatabase(this->database(), &error))
            qFatal("cannot create the test database: %s", qPrintable(error));
        if (!reopen()) qFatal("cannot open the test database");
    }
}

bool RuntimeFixture::reopen() {
    data::CloseConnection();
    const data::DatabaseTarget target = database();
    const data::OpenResult opened = data::OpenDatabase(target);
    if (opened == data::OpenResult::Opened) return true;
    qWarning("%s", qPrintable(data::OpenFailureReason(opened, target)));
    return false;
}

RuntimeFixture::~RuntimeFixture() {
    data::CloseConnection();
    if (onServer()) DropServerDatabase(server_);
    widgets::Dialogs::Install(std::make_unique<widgets::ScreenDialogs>());
    QDir::setCurrent(previousDir_);
}

QString RuntimeFixture::writePhoto(const QString& relative, int width, int height,
                                   const char* format) {
    const QString path = file(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImageWriter writer(path, format);
    if (!format) writer.setFormat(QFileInfo(path).suffix().toLower() == "bmp" ? "bmp" : "jpeg");
    writer.setQuality(90);
    if (!writer.write(ColourfulImage(width, height)))
        qFatal("cannot write %s: %s", qPrintable(path), qPrintable(writer.errorString()));
    return path;
}

QByteArray FileDigest(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QByteArray();
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

QStringList CustomerNamesIn(const QString& databaseFile) {
    QStringList names;
    const QString connection = QStringLiteral("customer-names");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(databaseFile);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        QSqlQuery query(db);
        if (!db.open() || !query.exec(QStringLiteral("select customername from customer")))
            names << QStringLiteral("?");
        while (query.next()) names << query.value(0).toString();
    }
    QSqlDatabase::removeDatabase(connection);
    names.sort();
    return names;
}

QImage ColourfulImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int r = 200 + (x * 55) / std::max(1, width);
            const int b = 20 + (y * 60) / std::max(1, height);
            line[x] = qRgb(r, 30, b);
        }
    }
    return image;
}

}  // namespace testing_support
