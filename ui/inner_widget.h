#pragma once

// The list controls and the birthday box are small classes of our own that offer only
// their own operations and keep the Qt widget doing the work inside them.

#include <QVBoxLayout>
#include <QWidget>

namespace ui {

// Makes `inner` fill `outer` exactly and take the keyboard focus meant for `outer`. The
// outer widget takes the inner one's focus policy, so that QWidget::setTabOrder() moves
// the two together.
inline void fillWith(QWidget& outer, QWidget& inner) {
    auto* layout = new QVBoxLayout(&outer);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(&inner);
    outer.setFocusPolicy(inner.focusPolicy());
    outer.setFocusProxy(&inner);
}

} // namespace ui
