#pragma once

// The two rename buttons: push buttons as the window's platform has them. Enter presses a
// button that has the focus, as Space does; neither button is ever the window's default,
// so Enter anywhere else does nothing. A flat button (rename all) is drawn as a flat push
// button is drawn there: a one-pixel dark frame around the button's face, without bevel,
// whatever the style would draw, with its pressed state and its focus shown.

#include <QPushButton>

namespace ui {

class CommandButton : public QPushButton {
    Q_OBJECT

public:
    explicit CommandButton(const QString& caption, QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

} // namespace ui
