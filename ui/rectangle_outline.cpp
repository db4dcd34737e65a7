#include "ui/rectangle_outline.h"

#include <QPainter>

namespace ui {

RectangleOutline::RectangleOutline(QWidget* parent) : QWidget(parent) {
    // Only an outline: clicks reach whatever lies beneath it.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void RectangleOutline::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::WindowText), 0)); // cosmetic: one pixel
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace ui
