#pragma once
// The full-screen viewer: one sample over the whole screen. Created hidden at start
// and kept for the whole run; the workspace draws into imgfull while it is visible.

#include <QLabel>
#include <QWidget>

namespace workspace {

class TFrmfull : public QWidget {
    Q_OBJECT
public:
    explicit TFrmfull(QWidget* parent = nullptr);

    QWidget* Panelimg = nullptr;  // the picture area; its colour fills the margins
    QLabel* imgfull = nullptr;
    QLabel* labrate = nullptr;    // zoom percent
    QLabel* labyrxc = nullptr;    // albums the sample is in

    // Covers the whole screen the workspace is on.
    void ShowOver(QWidget* workspace);

signals:
    void closed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;
};

}  // namespace workspace
