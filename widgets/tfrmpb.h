#pragma once
// The busy notice shown around long operations. It takes no input; callers keep it
// painted by reporting progress, since the work runs on the user-interface thread.

#include <QWidget>

class QFontMetrics;
class QLabel;
class QProgressBar;

namespace widgets {

class Tfrmpb : public QWidget {
    Q_OBJECT
  public:
    explicit Tfrmpb(QWidget* mainWindow);
    // Shows the notice centred over the main window and paints it at once.
    void ShowNotice();
    // "n / N" under the text, for callers that know the total, followed by the item at
    // hand (a file name, say), shortened in the middle to fit.
    void SetProgress(int done, int total, const QString& item = QString());

    static QString NoticeText();
    // The notice text as shown in width: on one line when it fits, else broken only after
    // its commas, so no word is split across lines.
    static QStringList NoticeLines(const QFontMetrics& metrics, int width);

  private:
    void Repaint();

    QWidget* mainWindow_;
    QLabel* text_;
    QProgressBar* bar_;
    QLabel* count_;
};

}  // namespace widgets
