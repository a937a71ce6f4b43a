// Program entry: the application titled "Verimond", the workspace as main window,
// and the full-screen viewer kept hidden until it is opened.

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QScreen>
#include <exception>

#include "app/tfrmps.h"
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
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Verimond"));
    QApplication::setApplicationDisplayName(QStringLiteral("Verimond"));
    QApplication::setWindowIcon(ProgramIcon());
    // Ties the windows to verimond.desktop, so desktops show its name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("verimond"));
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
        return application.exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QStringLiteral("Verimond"),
                              QString::fromLocal8Bit(error.what()));
        return 1;
    }
}
