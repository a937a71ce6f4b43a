#pragma once
// The statistics line of the top row (Label1). It wraps within its width; when a
// customer's albums make it longer than its lines can hold, the text gets smaller
// rather than cut off.

#include <QLabel>

namespace workspace {

class StatisticsLine : public QLabel {
    Q_OBJECT
  public:
    StatisticsLine(const QString& text, QWidget* parent);
    // The composed line, also as the tooltip, fitted into the label.
    void ShowLine(const QString& text);
    // The prompt shown while no customer is chosen.
    void ShowPrompt(const QString& text) { setText(text); }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void FitText();
};

}  // namespace workspace
