// Program entry: the application titled "Verimond", the workspace as main window,
// and the full-screen viewer kept hidden until it is opened.
//
// VERIMOND_QUIT_AFTER_SHOW=1 is for the package check only: once the workspace has
// been shown, the program prints the folder it runs in and the number of customers
// in the drop-down on stdout, and closes the workspace as the exit button would.

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QIcon>
#include <QMessageBox>
#include <QScreen>
#include <QSessionManager>
#include <QTimer>
#include <cstdio>
#include <exception>

#include "app/memory_reuse.h"
#include "app/qt_translation.h"
#include "app/runtime_folder.h"
#include "app/termination_signals.h"
#include "app/tfrmps.h"
#include "data/connection.h"
#include "widgets/handler_guard.h"
#include "widgets/theme.h"
#include "workspace/tfrmfull.h"

namespace {

// Every size drawn for the desktop; the task bar and the window switcher take the one
// they show.
QIcon ProgramIcon() {
    QIcon icon;
    for (int side : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/verimond/%1x%1/apps/verimond.png").arg(side),
                     QSize(side, side));
    return icon;
}

}  // namespace

int main(int argc, char** argv) {
    app::KeepFreedMemoryForReuse();
    app::NameRuntimeFolder();
    QApplication application(argc, argv);
    app::InstallQtTranslation();
    QApplication::setApplicationName(QStringLiteral("Verimond"));
    QApplication::setApplicationDisplayName(QStringLiteral("Verimond"));
    QApplication::setWindowIcon(ProgramIcon());
    // Ties the windows to verimond.desktop, so desktops show its name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("verimond"));
    widgets::ApplyTheme(application);

    // The session ending (or the terminal closing) closes the program as its exit
    // button does: the note being typed is saved and the database closed. Leaving
    // every event loop also ends a question that is open at that moment.
    app::Tfrmps* running = nullptr;
    bool terminating = false;
    app::TerminationSignals termination([&running, &terminating] {
        terminating = true;
        if (running) running->sbtnexitClick();
        QCoreApplication::exit(0);
    });

    int code = 1;
    try {
        app::Tfrmps workspace;
        workspace::TFrmfull viewer;
        workspace.SetFullScreenViewer(&viewer);
        running = &workspace;
        QObject::connect(&application, &QGuiApplication::commitDataRequest, &workspace,
                         [&workspace](QSessionManager&) {
                             widgets::GuardHandler(workspace.BoxParent(),
                                                   [&] { workspace.SavePendingNote(); });
                         });
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            workspace.setGeometry(screen->geometry());
            viewer.setGeometry(screen->geometry());
        }
        // The signal may have ended a box shown while the workspace was made or first
        // shown (a database that cannot be opened): the program ends there rather than
        // going on, full screen, without what the box was about.
        if (!terminating) workspace.showFullScreen();
        if (terminating) {
            code = 0;
        } else if (!workspace.IconCheckFailed()) {
            if (qEnvironmentVariableIsSet("VERIMOND_QUIT_AFTER_SHOW")) {
                QTimer::singleShot(0, &workspace, [&workspace] {
                    std::printf("verimond: shown in %s, customers: %d\n",
                                qPrintable(QDir::currentPath()), workspace.Rzcbcustomer->count());
                    std::fflush(stdout);
                    workspace.sbtnexitClick();
                });
            } else {
                workspace.StartDailyBackup();
            }
            code = application.exec();
        }
        running = nullptr;
    } catch (const std::exception& error) {
        running = nullptr;
        QMessageBox::critical(nullptr, QStringLiteral("Verimond"),
                              QString::fromLocal8Bit(error.what()));
    }
    data::CloseConnection();
    return code;
}
