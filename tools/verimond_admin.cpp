// verimond-admin: database and customer chores for staff and scripts.
//
//   verimond-admin init [FOLDER]
//   verimond-admin import --name NAME --folder DIR [--subfolders] [--types .jpg,.jpeg,.bmp]
//   verimond-admin demo [FOLDER]
//
// The database is function.dll in FOLDER (default: the current directory), as for
// the program itself.

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextStream>

#include "customers/customer_records.h"
#include "data/connection.h"
#include "data/errors.h"
#include "data/records.h"
#include "data/schema.h"
#include "images/demo_photo.h"

namespace {

QTextStream& Out() {
    static QTextStream out(stdout);
    return out;
}
QTextStream& Err() {
    static QTextStream err(stderr);
    return err;
}

int Fail(const QString& text) {
    Err() << "verimond-admin: " << text << Qt::endl;
    return 1;
}

int Usage() {
    Err() << "用法:\n"
             "  verimond-admin init [FOLDER]\n"
             "  verimond-admin import --name NAME --folder DIR [--subfolders] [--types "
             ".jpg,.jpeg,.bmp]\n"
             "  verimond-admin demo [FOLDER]\n";
    return 2;
}

QString DatabaseIn(const QString& folder) {
    return QDir(folder.isEmpty() ? QDir::currentPath() : folder)
        .absoluteFilePath(data::kDatabaseFileName);
}

QString OpenFailureText(data::OpenResult result, const QString& path) {
    switch (result) {
        case data::OpenResult::Missing:
            return QStringLiteral("找不到数据库文件: %1").arg(path);
        case data::OpenResult::NotOurs:
            return QStringLiteral("不是本程序的数据库文件: %1").arg(path);
        default:
            return QStringLiteral("无法打开数据库文件: %1").arg(path);
    }
}

// Reads the accepted types as the type boxes would build them.
bool ParseTypes(const QString& text, QString* list) {
    bool jpg = false, jpeg = false, bmp = false;
    for (const QString& raw : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString type = raw.trimmed().toLower();
        if (type == QLatin1String(".jpg"))
            jpg = true;
        else if (type == QLatin1String(".jpeg"))
            jpeg = true;
        else if (type == QLatin1String(".bmp"))
            bmp = true;
        else
            return false;
    }
    *list = customers::AcceptedTypesList(jpg, jpeg, bmp);
    return true;
}

customers::ImportOptions OptionsFromSettings(const QString& types, bool subfolders) {
    customers::ImportOptions options;
    options.acceptedTypes = types;
    options.includeSubfolders = subfolders;
    // New thumbnails follow the widescreen setting, as when staff import in the program.
    options.widescreen =
        data::LookupValue(QStringLiteral("SysSet"), QStringLiteral("itemvalue"),
                          QStringLiteral("itemname='openwidthsale'")) == QStringLiteral("是");
    bool ok = false;
    const int ratio = data::LookupValue(QStringLiteral("SysSet"), QStringLiteral("itemvalue"),
                                        QStringLiteral("itemname='widthsalerote'"))
                          .toInt(&ok);
    options.widescreenRatio = ok ? ratio : 100;
    return options;
}

int Import(const QString& database, const customers::NewCustomer& customer,
           const customers::ImportOptions& baseOptions, bool useSettings) {
    const data::OpenResult opened = data::OpenConnection(database);
    if (opened != data::OpenResult::Opened) return Fail(OpenFailureText(opened, database));
    customers::ImportOptions options = baseOptions;
    if (useSettings)
        options = OptionsFromSettings(baseOptions.acceptedTypes, baseOptions.includeSubfolders);
    const customers::CreatedCustomer created = customers::CreateCustomer(customer, options);
    Out() << "id=" << created.id << " samples=" << created.samples << Qt::endl;
    data::CloseConnection();
    return 0;
}

int RunInit(const QStringList& args) {
    if (args.size() > 1) return Usage();
    const QString folder = args.value(0);
    if (!folder.isEmpty() && !QDir().mkpath(folder))
        return Fail(QStringLiteral("无法创建文件夹: %1").arg(folder));
    const QString path = DatabaseIn(folder);
    QString error;
    if (!data::CreateDatabase(path, &error)) return Fail(error);
    Out() << path << Qt::endl;
    return 0;
}

int RunImport(QStringList args) {
    QString name, folder, types = QStringLiteral(".jpg,.jpeg");
    bool subfolders = false, hasName = false;
    while (!args.isEmpty()) {
        const QString option = args.takeFirst();
        if (option == QLatin1String("--subfolders")) {
            subfolders = true;
        } else if (option == QLatin1String("--name") && !args.isEmpty()) {
            name = args.takeFirst();
            hasName = true;
        } else if (option == QLatin1String("--folder") && !args.isEmpty()) {
            folder = args.takeFirst();
        } else if (option == QLatin1String("--types") && !args.isEmpty()) {
            types = args.takeFirst();
        } else {
            return Usage();
        }
    }
    if (!hasName || name.trimmed().isEmpty())
        return Fail(QStringLiteral("请用 --name 给出客户名称"));
    if (folder.isEmpty()) return Fail(QStringLiteral("请用 --folder 给出样片文件夹"));
    const QFileInfo info(folder);
    if (!info.isDir()) return Fail(QStringLiteral("样片文件夹不存在: %1").arg(folder));
    QString list;
    if (!ParseTypes(types, &list))
        return Fail(QStringLiteral("不支持的文件类型: %1 (可用 .jpg,.jpeg,.bmp)").arg(types));

    customers::ImportOptions options;
    options.acceptedTypes = list;
    options.includeSubfolders = subfolders;
    return Import(DatabaseIn(QString()), {name, info.absoluteFilePath(), QString()}, options, true);
}

struct DemoPhoto {
    int width;
    int height;
};

int RunDemo(const QStringList& args) {
    if (args.size() > 1) return Usage();
    const QString folder = QDir(args.value(0, QDir::currentPath())).absolutePath();
    if (!QDir().mkpath(folder)) return Fail(QStringLiteral("无法创建文件夹: %1").arg(folder));
    // The folder is a runtime folder: its photo/ placeholders stand in for the damaged file.
    QDir::setCurrent(folder);
    const QString database = DatabaseIn(folder);
    if (!QFileInfo::exists(database)) {
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
    QFile broken(damaged);
    if (!broken.open(QIODevice::WriteOnly) ||
        broken.write("\xff\xd8 this file was cut short\n") < 0)
        return Fail(QStringLiteral("无法写入文件: %1").arg(damaged));
    broken.close();

    const data::OpenResult opened = data::OpenConnection(database);
    if (opened != data::OpenResult::Opened) return Fail(OpenFailureText(opened, database));
    if (!data::LookupValue(QStringLiteral("customer"), QStringLiteral("customerid"),
                           QStringLiteral("customername='演示客户'"))
             .isEmpty())
        return Fail(QStringLiteral("数据库中已有演示客户: %1").arg(database));
    data::CloseConnection();

    customers::ImportOptions options;
    options.acceptedTypes = customers::AcceptedTypesList(true, true, false);
    return Import(database, {QStringLiteral("演示客户"), photos, QStringLiteral("演示用的样片")},
                  options, true);
}

}  // namespace

int main(int argc, char** argv) {
    // Fonts for the demo captions need a GUI application; no window is ever shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QStringList args = application.arguments().mid(1);
    if (args.isEmpty()) return Usage();
    const QString command = args.takeFirst();
    try {
        if (command == QLatin1String("init")) return RunInit(args);
        if (command == QLatin1String("import")) return RunImport(args);
        if (command == QLatin1String("demo")) return RunDemo(args);
    } catch (const data::VerimondError& error) {
        return Fail(error.text());
    }
    return Usage();
}
