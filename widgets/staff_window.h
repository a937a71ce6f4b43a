#pragma once
// The look and behaviour every secondary window shares (customer management, output,
// settings, password, about): no system frame, a grey body, a title strip across the
// top with a white bold-italic title and an exit button at its right end. A left press
// on the strip or its title moves the window; any other button does nothing.
//
// A window is created when it is opened, shown modally with exec() and destroyed when
// it closes (WA_DeleteOnClose), so its options start from their defaults every time.

#include <QDialog>
#include <QLabel>

#include "widgets/picture_button.h"

namespace widgets {

class StaffTitleStrip : public QWidget {
    Q_OBJECT
  public:
    StaffTitleStrip(const QString& title, QWidget* parent);
    QLabel* title() const { return title_; }
    PictureButton* exitButton() const { return exit_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Without a window manager that moves windows, the strip moves the window itself.
    void BeginMove(const QPointF& globalPosition);

    QLabel* title_;
    PictureButton* exit_;
    bool dragging_ = false;
    QPoint dragOffset_;
};

class StaffWindow : public QDialog {
    Q_OBJECT
  public:
    // clientSize is the whole window; the title strip takes the top kTitleHeight pixels.
    StaffWindow(QWidget* mainWindow, const QString& title, QSize clientSize);

    static constexpr int kTitleHeight = 33;
    static const QColor& BodyColour();

    // The title strip (Image1 in most windows), its title (Label3) and exit (sbtnexit).
    StaffTitleStrip* titleStrip() const { return strip_; }
    QLabel* titleLabel() const { return strip_->title(); }
    PictureButton* exitButton() const { return strip_->exitButton(); }

    // Centres the window over the main window it was opened from (or its screen).
    void CentreOverMainWindow();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QWidget* mainWindow_;
    StaffTitleStrip* strip_;
};

// Starts a system move of the window holding widget; false when the platform cannot.
bool StartWindowMove(QWidget* widget);

}  // namespace widgets
