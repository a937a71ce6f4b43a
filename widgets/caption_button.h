#pragma once
// The small picture buttons of the staff windows: the caption drawn on a raised plate,
// a hand cursor, and no keyboard focus (they are pictures to click, as on a paper form).

#include <QToolButton>

namespace widgets {

class CaptionButton : public QToolButton {
    Q_OBJECT
  public:
    CaptionButton(const QString& caption, QWidget* parent, QSize size = QSize(55, 24));

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace widgets
