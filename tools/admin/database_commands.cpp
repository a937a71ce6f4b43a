// Database commands: a new empty database, and the demo customer with its photos.

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

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

}  // namespace

int RunInit(QStringList args) {
    if (args.size() > 1) return Usage();
    const QString folder = args.value(0);
    if (!folder.isEmpty() && !QDir().mkpath(folder))
        return Fail(QStringLiteral("无法创建文件夹: %1").arg(folder));
    const data::DatabaseTarget database = DatabaseIn(folder);
    QString error;
    if (!data::CreateDatabase(database, &error)) return Fail(error);
    Out() << data::DescribeTarget(database) << Qt::endl;
    return 0;
}

int RunDemo(QStringList args) {
    if (args.size() > 1) return Usage();
    const QString folder = QDir(args.value(0, QDir::currentPath())).absolutePath();
    if (!QDir().mkpath(folder)) return Fail(QStringLiteral("无法创建文件夹: %1").arg(folder));
    // The folder is a runtime folder: its photo/ placeholders stand in for the damaged file.
    QDir::setCurrent(folder);
    const data::DatabaseTarget database = DatabaseIn(folder);
    if (!database.problem.isEmpty()) return Fail(database.problem);
    // A new database where there is none yet: no file, or an empty server database.
    const bool missing = database.engine == data::Engine::Embedded
                             ? !QFileInfo::exists(database.file)
                             : data::OpenDatabase(database) == data::OpenResult::Empty;
    data::CloseConnection();
    if (missing) {
        QString error;
        if (!data::CreateDatabase(database, &error)) return Fail(error);
    }

    const QString photos = QDir(folder).filePath(QStringLiteral("样片/演示客户"));
    if (!QDir().mkpath(photos)) return Fail(QStringLiteral("无法创建文件夹: %1").arg(photos));
    // A shoot as it arrives from the camera: mostly landscape and portrait frames,
    // a square crop, a small web copy, three full-size 24-megapixel files and one
    // file that is damaged.
    const std::vector<DemoPhoto> set = {
        {3000, 2000}, {2000, 3000}, {3000, 2000}, {2400, 2400}, {3000, 2000}, {2000, 3000},
        {6000, 4000}, {3000, 2000}, {640, 427},   {2000, 3000}, {4000, 6000}, {3000, 2000},
        {2000, 3000}, {6000, 4000}, {3000, 2000}, {2400, 2400}, {2000, 3000}, {3000, 2000},
    };
    int number = 0;
    for (const DemoPhoto& photo : set) {
        ++number;
        const QString file = QDir(photos).filePath(
            QStringLiteral("IMG_%1.jpg").arg(number, 4, 10, QLatin1Char('0')));
        if (QFileInfo::exists(file)) continue;
        const QImage image =
            images::MakeDemoPhoto(photo.width, photo.height, number,
                                  QStringLiteral("样片 %1").arg(number, 2, 10, QLatin1Char('0')));
        if (!images::SaveJpeg(image, file))
            return Fail(QStringLiteral("无法写入文件: %1").arg(file));
    }
    const QString damaged = QDir(photos).filePath(
        QStringLiteral("IMG_%1.jpg").arg(number + 1, 4, 10, QLatin1Char('0')));
    QSaveFile broken(damaged);
    if (!broken.open(QIODevice::WriteOnly) ||
        broken.write("\xff\xd8 this file was cut short\n") < 0 || !broken.commit())
        return Fail(QStringLiteral("无法写入文件: %1").arg(damaged));

    if (!OpenOrReport(database)) return 1;
    if (!data::LookupValue(QStringLiteral("customer"), QStringLiteral("customerid"),
                           QStringLiteral("customername='演示客户'"))
             .isEmpty())
        return Fail(QStringLiteral("数据库中已有演示客户: %1").arg(data::DescribeTarget(database)));
    data::CloseConnection();

    return ImportNewCustomer(database,
                             {QStringLiteral("演示客户"), photos, QStringLiteral("演示用的样片")},
                             customers::AcceptedTypesList(true, true, false), false);
}

}  // namespace admin
