#pragma once
// The flat buttons of the workspace: a glyph, a hint, and a soft highlight on hover.

#include <QToolButton>

#include "widgets/glyphs.h"

namespace widgets {

class PictureButton : public QToolButton {
    Q_OBJECT
  public:
    PictureButton(Glyph glyph, const QString& hint, QWidget* parent, int size = 30,
                  const QColor& colour = QColor(228, 226, 220));
    // A button with a caption beside its glyph, for the few buttons that need words.
    void setCaption(const QString& caption);
    void setAccent(bool accent);
};

}  // namespace widgets
