#include "widgets/theme.h"

#include <QApplication>
#include <QFont>
#include <QPalette>
#include <QStyleFactory>

namespace widgets {

void ApplyTheme(QApplication& application) {
    application.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(14);
    application.setFont(font);

    QPalette palette;
    palette.setColor(QPalette::Window, colours::kWindow);
    palette.setColor(QPalette::WindowText, colours::kText);
    palette.setColor(QPalette::Base, QColor(34, 35, 34));
    palette.setColor(QPalette::AlternateBase, colours::kPanel);
    palette.setColor(QPalette::Text, colours::kText);
    palette.setColor(QPalette::Button, colours::kPanel);
    palette.setColor(QPalette::ButtonText, colours::kText);
    palette.setColor(QPalette::Highlight, colours::kAccent);
    palette.setColor(QPalette::HighlightedText, QColor(20, 20, 20));
    palette.setColor(QPalette::ToolTipBase, QColor(250, 246, 236));
    palette.setColor(QPalette::ToolTipText, QColor(30, 30, 30));
    palette.setColor(QPalette::PlaceholderText, colours::kMuted);
    palette.setColor(QPalette::Disabled, QPalette::Text, colours::kMuted);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, colours::kMuted);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, colours::kMuted);
    application.setPalette(palette);

    // A rule for QToolTip takes it off the palette's tooltip colours, so the rule names
    // them itself: dark text on the light tip, not on the window's grey.
    application.setStyleSheet(QStringLiteral(R"(
QToolTip { color: #1e1e1e; background: #faf6ec; border: 1px solid #b9a27a; padding: 4px 6px; }
QToolButton#PictureButton { border: 1px solid transparent; border-radius: 6px; padding: 2px; color: #e6e4de; }
QToolButton#PictureButton:hover { background: rgba(255,255,255,0.08); border-color: rgba(255,255,255,0.12); }
QToolButton#PictureButton:pressed { background: rgba(216,164,90,0.25); }
QToolButton#PictureButton:checked { background: rgba(216,164,90,0.25); border-color: #d8a45a; }
QToolButton#PictureButton[accent="true"] { background: #d8a45a; color: #1e1e1e; font-weight: bold; padding: 2px 12px; }
QToolButton#PictureButton[accent="true"]:hover { background: #e6b774; }
QComboBox { background: #262726; border: 1px solid #5a5b58; border-radius: 4px; padding: 3px 8px; min-height: 22px; }
QComboBox:disabled { color: #8c8a84; }
QComboBox QAbstractItemView { background: #262726; selection-background-color: #d8a45a; selection-color: #1e1e1e; }
QLineEdit { background: #262726; border: 1px solid #5a5b58; border-radius: 4px; padding: 3px 6px; selection-background-color: #d8a45a; }
QLineEdit:focus { border-color: #d8a45a; }
QCheckBox { spacing: 6px; }
QGroupBox { border: 1px solid #5a5b58; border-radius: 6px; margin-top: 12px; padding-top: 6px; }
QGroupBox::title { subcontrol-origin: margin; left: 10px; padding: 0 4px; color: #d8a45a; }
QSlider::groove:horizontal { height: 6px; background: #3b3c3b; border-radius: 3px; }
QSlider::groove:vertical { width: 6px; background: #3b3c3b; border-radius: 3px; }
QSlider::handle { background: #d8a45a; border-radius: 7px; width: 14px; height: 14px; margin: -4px; }
QSlider::handle:disabled { background: #6a6b68; }
QTabBar::tab { background: #3a3b3a; color: #cfcdc6; padding: 6px 12px; border-top-left-radius: 5px; border-top-right-radius: 5px; margin-right: 2px; }
QTabBar::tab:selected { background: #d8a45a; color: #1e1e1e; }
QPushButton { background: #4a4b48; border: 1px solid #6a6b68; border-radius: 4px; padding: 4px 14px; }
QPushButton:hover { background: #5a5b58; }
QMessageBox { background: #f4f2ec; }
QMessageBox QLabel { color: #1e1e1e; }
QMessageBox QPushButton { color: #1e1e1e; background: #e6e2d8; border-color: #b8b4aa; min-width: 72px; }
)"));
}

}  // namespace widgets
