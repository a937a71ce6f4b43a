#pragma once
// The about window: product, version, terms of use and the maker's page.

#include <QDialog>

namespace app {

class Tfrmabout : public QDialog {
    Q_OBJECT
  public:
    explicit Tfrmabout(QWidget* parent);

    static QString WebAddress();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace app
