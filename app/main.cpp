// Program entry: the application titled "Verimond", the workspace as main window,
// and the full-screen viewer kept hidden until it is opened.

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QSessionManager>
#include <exception>

#include "app/termination_signals.h"
#include "app/tfrmps.h"
#include "data/connection.h"
#include "widgets/handler_guard.h"
#include "widgets/theme.h"
#include "workspace/tfrmfull.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Verimond"));
    QApplication::setApplicationDisplayName(QStringLiteral("Verimond"));
    widgets::ApplyTheme(application);

    // The session ending (or the terminal closing) closes the program as its exit
    // button does: the note being typed is saved and the database closed. Leaving
    // every event loop also ends a question that is open at that moment.
    app::Tfrmps* running = nullptr;
    app::TerminationSignals termination([&running] {
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
        workspace.showFullScreen();
        if (!workspace.IconCheckFailed()) code = application.exec();
        running = nullptr;
    } catch (const std::exception& error) {
        running = nullptr;
        QMessageBox::critical(nullptr, QStringLiteral("Verimond"),
                              QString::fromLocal8Bit(error.what()));
    }
    data::CloseConnection();
    return code;
}
