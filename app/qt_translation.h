#pragma once
// Qt's own texts (the folder chooser, a text field's right-click menu, the print preview,
// the drivers' messages) in Simplified Chinese, like every text of the program.

#include <QString>

namespace app {

// The file of Qt's Chinese texts, where Qt's translations are installed
// (Debian: qt6-translations-l10n).
QString QtTranslationFile();

// Installs Qt's Chinese texts in the running application; false, with a warning in
// the log, when they are not installed.
bool InstallQtTranslation();

}  // namespace app
