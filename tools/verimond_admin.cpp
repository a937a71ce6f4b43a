// verimond-admin: database and customer chores for staff and scripts. Each command
// lives in tools/admin/; this file only dispatches.
//
// The database is function.dll in the current directory (init and demo take a
// folder), as for the program itself.

#include <QGuiApplication>

#include "app/memory_reuse.h"
#include "app/qt_translation.h"
#include "app/runtime_folder.h"
#include "data/errors.h"
#include "tools/admin/admin_commands.h"
#include "tools/admin/admin_support.h"

namespace admin {

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = {
        {"init", "[FOLDER]", RunInit},
        {"import", "--name NAME --folder DIR [--subfolders] [--types .jpg,.jpeg,.bmp]", RunImport},
        {"demo", "[FOLDER]", RunDemo},
        {"backup", "", RunBackup},
        {"restore", "FILE", RunRestore},
        {"database", "[FOLDER]", RunDatabase},
        {"compact", "", RunCompact},
        {"copy-to-server", "[FILE]", RunCopyToServer},
        {"settings",
         "[--printinfo TEXT] [--lock-without-login 是|否] [--ratio 50..200] [--startpage URL] "
         "[--camera-orientation 是|否] [--preview-budget 100..1000000]",
         RunSettings},
        {"password", "--new PASSWORD", RunPassword},
        {"list", "[--name TEXT] [--status 全部|正常|关闭]", RunList},
        {"status", "--id ID", RunStatus},
        {"delete", "--id ID", RunDelete},
        {"shuffle", "--id ID", RunShuffle},
        {"reimport", "--id ID [--subfolders] [--types .jpg,.jpeg,.bmp]", RunReimport},
        {"export",
         "--id ID (--folder DIR [--overwrite | --add] [--no-album-name] [--no-source-name] "
         "[--no-notes] | --xlsx FILE | --pdf FILE [--no-pictures])",
         RunExport},
        {"thumbnails", "--id ID", RunThumbnails},
        {"previews", "--id ID [--screen WxH]", RunPreviews},
    };
    return commands;
}

}  // namespace admin

namespace {

bool IsHelp(const QString& arg) {
    return arg == QLatin1String("--help") || arg == QLatin1String("-h");
}

}  // namespace

int main(int argc, char** argv) {
    app::KeepFreedMemoryForReuse();
    // Fonts for the demo captions need a GUI application; no window is ever shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app::NameRuntimeFolder();
    QGuiApplication application(argc, argv);
    // Qt's own texts in the messages (a driver's, a file's) are Chinese like the tool's.
    app::InstallQtTranslation();
    QStringList args = application.arguments().mid(1);
    if (args.isEmpty()) return admin::Usage();
    const QString name = args.takeFirst();
    // "--help" right after a command asks for help too, rather than naming a folder.
    if (IsHelp(name) || (!args.isEmpty() && IsHelp(args.first()))) return admin::Help();
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
