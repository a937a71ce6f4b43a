#pragma once
// The busy notice shown around long operations. It takes no input; callers keep it
// painted by reporting progress, since the work runs on the user-interface thread.

#include <QWidget>

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

  private:
    void Repaint();

    QWidget* mainWindow_;
    QLabel* text_;
    QProgressBar* bar_;
    QLabel* count_;
};

}  // namespace widgets
