// Database commands: a new empty database, and the demo customer with its photos.

#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>

#include "data/file_names.h"
#include "data/records.h"
#include "data/schema.h"
#include "images/demo_photo.h"
#include "tools/admin/admin_commands.h"
#include "tools/admin/admin_support.h"

namespace admin {
namespace {

struct DemoPhoto {
    int width;
    int height;
};

// Writes the photos folder lacks, each arriving whole under its name; made (when given)
// learns each one.
bool WriteDemoFiles(const QString& folder, MadePaths* made, QString* error) {
    // A shoot as it arrives from the camera: mostly landscape and portrait frames,
    // a square crop, a small web copy, three full-size 24-megapixel files and one
    // file that is damaged.
    const std::vector<DemoPhoto> set = {
        {3000, 2000}, {2000, 3000}, {3000, 2000}, {2400, 2400}, {3000, 2000}, {2000, 3000},
        {6000, 4000}, {3000, 2000}, {640, 427},   {2000, 3000}, {4000, 6000}, {3000, 2000},
        {2000, 3000}, {6000, 4000}, {3000, 2000}, {2400, 2400}, {2000, 3000}, {3000, 2000},
    };
    const auto name = [&](int number) {
        return QDir(folder).filePath(
            QStringLiteral("IMG_%1.jpg").arg(number, 4, 10, QLatin1Char('0')));
    };
    int number = 0;
    for (const DemoPhoto& photo : set) {
        const QString file = name(++number);
        if (QFileInfo::exists(file)) continue;
        const QImage image =
            images::MakeDemoPhoto(photo.width, photo.height, number,
                                  QStringLiteral("样片 %1").arg(number, 2, 10, QLatin1Char('0')));
        if (!images::SaveJpeg(image, file)) {
            *error = QStringLiteral("无法写入文件: %1").arg(file);
            return false;
        }
        if (made) made->Add(file);
    }
    const QString damaged = name(number + 1);
    if (QFileInfo::exists(damaged)) return true;
    QSaveFile broken(damaged);
    if (!broken.open(QIODevice::WriteOnly) ||
        broken.write("\xff\xd8 this file was cut short\n") < 0 || !broken.commit()) {
        *error = QStringLiteral("无法写入文件: %1").arg(damaged);
        return false;
    }
    if (made) made->Add(damaged);
    return true;
}

// The demo customer's photos in folder: a new folder is filled under a hidden name and
// arrives whole; one left by an earlier run gets the photos it lacks.
bool WriteDemoPhotos(const QString& folder, MadePaths& made, QString* error) {
    if (QFileInfo::exists(folder)) return WriteDemoFiles(folder, &made, error);
    const QFileInfo info(folder);
    if (!made.MakeFolder(info.absolutePath(), error)) return false;
    QTemporaryDir staging(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                          QStringLiteral("-XXXXXX"));
    if (!staging.isValid()) {
        *error = QStringLiteral("无法创建文件夹: %1 (%2)").arg(folder, staging.errorString());
        return false;
    }
    // The hidden name is private; the photos folder is shared like any folder the user makes.
    ::chmod(QFile::encodeName(staging.path()).constData(), data::NewFileMode(0777));
    if (!WriteDemoFiles(staging.path(), nullptr, error)) return false;
    if (!QDir().rename(staging.path(), folder)) {
        *error = QStringLiteral("无法创建文件夹: %1").arg(folder);
        return false;
    }
    staging.setAutoRemove(false);
    made.Add(folder);
    return true;
}

}  // namespace

int RunInit(QStringList args) {
    if (args.size() > 1) return Usage();
    const QString folder = QDir(args.value(0, QDir::currentPath())).absolutePath();
    // The pictures and pages come first and the database last, so that a folder with a
    // database is one the program can start in.
    MadePaths made;
    QString error;
    if (!made.MakeFolder(folder, &error) || !made.CopyResources(folder, &error)) return Fail(error);
    const data::DatabaseTarget database = DatabaseIn(folder);
    if (!data::CreateDatabase(database, &error)) return Fail(error);
    made.Keep();
    Out() << data::DescribeTarget(database) << Qt::endl;
    return 0;
}

int RunDemo(QStringList args) {
    if (args.size() > 1) return Usage();
    const QString folder = QDir(args.value(0, QDir::currentPath())).absolutePath();
    MadePaths made;
    QString error;
    if (!made.MakeFolder(folder, &error) || !made.CopyResources(folder, &error)) return Fail(error);
    // The folder is a runtime folder now: its photo/ placeholders stand in for the damaged file.
    QDir::setCurrent(folder);
    const data::DatabaseTarget database = DatabaseIn(folder);
    if (!database.problem.isEmpty()) return Fail(database.problem);
    const bool embedded = database.engine == data::Engine::Embedded;
    // A new database where there is none yet: no file, or an empty server database.
    const data::OpenResult opened = embedded && !QFileInfo::exists(database.file)
                                        ? data::OpenResult::Empty
                                        : data::OpenDatabase(database);
    const bool missing = opened == data::OpenResult::Empty;
    if (opened == data::OpenResult::Opened &&
        !data::LookupValue(QStringLiteral("customer"), QStringLiteral("customerid"),
                           QStringLiteral("customername='演示客户'"))
             .isEmpty()) {
        data::CloseConnection();
        return Fail(QStringLiteral("数据库中已有演示客户: %1").arg(data::DescribeTarget(database)));
    }
    data::CloseConnection();
    if (!missing && opened != data::OpenResult::Opened) {
        OpenOrReport(database);
        return 1;
    }

    const QString photos = QDir(folder).filePath(QStringLiteral("样片/演示客户"));
    if (!WriteDemoPhotos(photos, made, &error)) return Fail(error);
    const customers::NewCustomer customer{QStringLiteral("演示客户"), photos,
                                          QStringLiteral("演示用的样片")};
    const QString types = customers::AcceptedTypesList(true, true, false);

    if (!embedded || !missing) {
        // A server database is made in one transaction and filled in another.
        if (missing && !data::CreateDatabase(database, &error)) return Fail(error);
        const int code = ImportNewCustomer(database, customer, types, false);
        if (code == 0) made.Keep();
        return code;
    }
    // A new file is made and filled in a private folder beside, and arrives whole: a run
    // cut short never leaves a database without the demo customer.
    QTemporaryDir staging(QDir(folder).filePath(QStringLiteral(".function.dll.demo-XXXXXX")));
    if (!staging.isValid())
        return Fail(QStringLiteral("无法创建文件夹: %1 (%2)").arg(folder, staging.errorString()));
    data::DatabaseTarget staged = database;
    staged.file = staging.filePath(QFileInfo(database.file).fileName());
    if (!data::CreateDatabase(staged, &error)) return Fail(error);
    const int code = ImportNewCustomer(staged, customer, types, false);
    if (code != 0) return code;
    if (QFileInfo::exists(staged.file + QStringLiteral("-wal")))
        return Fail(QStringLiteral("数据库没有完整关闭: %1").arg(staged.file));
    // Never replaces a file that appeared meanwhile.
    if (!QFile::rename(staged.file, database.file))
        return Fail(QFileInfo::exists(database.file)
                        ? QStringLiteral("文件已存在,不会覆盖: %1").arg(database.file)
                        : QStringLiteral("无法写入文件: %1").arg(database.file));
    made.Keep();
    return 0;
}

}  // namespace admin
