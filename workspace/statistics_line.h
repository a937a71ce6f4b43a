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
    void ShowLine(const QString& text);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void FitText();
};

}  // namespace workspace
