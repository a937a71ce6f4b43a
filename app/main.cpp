// Program entry: the application titled "Verimond", the workspace as main window,
// and the full-screen viewer kept hidden until it is opened.

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <exception>

#include "app/tfrmps.h"
#include "widgets/theme.h"
#include "workspace/tfrmfull.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Verimond"));
    QApplication::setApplicationDisplayName(QStringLiteral("Verimond"));
    widgets::ApplyTheme(application);
    try {
        app::Tfrmps workspace;
        workspace::TFrmfull viewer;
        workspace.SetFullScreenViewer(&viewer);
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            workspace.setGeometry(screen->geometry());
            viewer.setGeometry(screen->geometry());
        }
        workspace.showFullScreen();
        if (workspace.IconCheckFailed()) return 1;
        workspace.StartDailyBackup();
        return application.exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QStringLiteral("Verimond"),
                              QString::fromLocal8Bit(error.what()));
        return 1;
    }
}
