#pragma once

// A control made with the object name it is known by, to tests and style sheets.

#include <QString>
#include <QWidget>
#include <utility>

namespace ui {

template <typename Control, typename... Args>
Control* createNamed(QWidget* window, const char* name, Args&&... args) {
    auto* control = new Control(std::forward<Args>(args)..., window);
    control->setObjectName(QLatin1String(name));
    return control;
}

} // namespace ui
