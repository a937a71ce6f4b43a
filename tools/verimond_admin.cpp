// verimond-admin: database and customer chores for staff and scripts. Each command
// lives in tools/admin/; this file only dispatches.
//
// The database is function.dll in the current directory (init and demo take a
// folder), as for the program itself.

#include <QGuiApplication>

#include "data/errors.h"
#include "tools/admin/admin_commands.h"
#include "tools/admin/admin_support.h"

namespace admin {

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = {
        {"init", "[FOLDER]", RunInit},
        {"import", "--name NAME --folder DIR [--subfolders] [--types .jpg,.jpeg,.bmp]", RunImport},
        {"demo", "[FOLDER]", RunDemo},
        {"export",
         "--id ID (--folder DIR [--no-album-name] [--no-source-name] [--no-notes] | --xlsx FILE "
         "| --pdf FILE [--no-pictures])",
         RunExport},
    };
    return commands;
}

}  // namespace admin

int main(int argc, char** argv) {
    // Fonts for the demo captions need a GUI application; no window is ever shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QStringList args = application.arguments().mid(1);
    if (args.isEmpty()) return admin::Usage();
    const QString name = args.takeFirst();
    for (const admin::Command& command : admin::Commands()) {
        if (name != QLatin1String(command.name)) continue;
        try {
            return command.run(args);
        } catch (const data::VerimondError& error) {
            return admin::Fail(error.text());
        }
    }
    return admin::Usage();
}
