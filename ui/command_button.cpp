#include "ui/command_button.h"

#include "ui/focus_frame.h"

#include <QKeyEvent>
#include <QPainter>

namespace ui {
namespace {

constexpr int kFocusInset = 3; // pixels between the button's edge and its focus frame

} // namespace

CommandButton::CommandButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent) {
    // An auto-default button would become the default while it has the focus; Enter is
    // handled here instead.
    setAutoDefault(false);
    setDefault(false);
}

// A held Enter repeats; the button is pressed once, as with Space.
void CommandButton::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        QPushButton::keyPressEvent(event);
        return;
    }
    if (!event->isAutoRepeat())
        click();
    event->accept();
}

// The face is a shade darker while pressed and the caption moves one pixel down and to
// the right, as a pushed button's does.
void CommandButton::paintEvent(QPaintEvent* event) {
    if (!isFlat()) {
        QPushButton::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const QRect outer = rect();
    const QColor face = palette().color(QPalette::Button);
    painter.fillRect(outer, isDown() ? face.darker(115) : face);
    painter.setPen(QPen(palette().color(QPalette::WindowText), 0));
    painter.drawRect(outer.adjusted(0, 0, -1, -1));

    const QRect caption = isDown() ? outer.translated(1, 1) : outer;
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(caption, Qt::AlignCenter | Qt::TextShowMnemonic, text());
    if (hasFocus()) {
        drawFocusFrame(painter,
                       outer.adjusted(kFocusInset, kFocusInset, -kFocusInset, -kFocusInset),
                       palette().color(QPalette::ButtonText));
    }
}

} // namespace ui
