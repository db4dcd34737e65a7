#pragma once

// The two outlines: a rectangle outline, one pixel wide in the window-text colour,
// drawn inside its bounds, with nothing painted inside it so what lies beneath shows.

#include <QWidget>

namespace ui {

class RectangleOutline : public QWidget {
    Q_OBJECT

public:
    explicit RectangleOutline(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace ui
