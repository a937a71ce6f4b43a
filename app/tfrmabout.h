#pragma once
// The about window: product, version, terms of use and the maker's page.

#include "widgets/staff_window.h"

namespace app {

class Tfrmabout : public widgets::StaffWindow {
    Q_OBJECT
  public:
    explicit Tfrmabout(QWidget* parent);

    static QString WebAddress();
};

}  // namespace app
