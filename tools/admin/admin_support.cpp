#include "tools/admin/admin_support.h"

#include <QDir>

#include "data/records.h"
#include "tools/admin/admin_commands.h"

namespace admin {

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
    Err() << "用法:\n";
    for (const Command& command : Commands())
        Err() << "  verimond-admin " << command.name << ' ' << QString::fromUtf8(command.usage)
              << '\n';
    Err().flush();
    return 2;
}

QString DatabaseIn(const QString& folder) {
    return QDir(folder.isEmpty() ? QDir::currentPath() : folder)
        .absoluteFilePath(data::kDatabaseFileName);
}

QString OpenFailureText(data::OpenResult result, const QString& path) {
    return data::OpenFailureReason(result, path);
}

bool OpenOrReport(const QString& database) {
    const data::OpenResult opened = data::OpenConnection(database);
    if (opened == data::OpenResult::Opened) return true;
    Fail(OpenFailureText(opened, database));
    return false;
}

bool TakeOption(QStringList& args, const QString& name, QString* value, bool* missingValue) {
    const int at = args.indexOf(name);
    if (at < 0) return false;
    if (at + 1 >= args.size()) {
        *missingValue = true;
        args.removeAt(at);
        return false;
    }
    *value = args.at(at + 1);
    args.remove(at, 2);
    return true;
}

bool TakeFlag(QStringList& args, const QString& name) { return args.removeAll(name) > 0; }

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

}  // namespace admin
