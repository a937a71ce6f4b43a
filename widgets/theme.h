#pragma once
// The program's look: dark and calm, made to sit on a television in a dim studio.

#include <QColor>

class QApplication;

namespace widgets {

namespace colours {
inline const QColor kWindow(59, 60, 59);  // the workspace and its track bars
inline const QColor kTitleTop(30, 31, 30);
inline const QColor kTitleBottom(44, 45, 44);
inline const QColor kPanel(48, 49, 48);
inline const QColor kViewBackground(38, 39, 38);  // margins around the large view
inline const QColor kText(230, 228, 222);
inline const QColor kMuted(160, 158, 150);
inline const QColor kAccent(216, 164, 90);
inline const QColor kStaffWindow(120, 120, 120);
}  // namespace colours

void ApplyTheme(QApplication& application);

}  // namespace widgets
