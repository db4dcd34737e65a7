#pragma once

// How far a long run is, on the window's taskbar button: a progress bar across the button
// on Windows (ITaskbarList3); nothing elsewhere, where no common desktop has one.

#include <cstddef>
#include <memory>

class QWidget;

namespace ui {

class TaskbarProgress {
public:
    // On the button of `window`, a window of its own; shows no progress until told some.
    explicit TaskbarProgress(QWidget& window);
    // The button goes back to showing no progress.
    ~TaskbarProgress();
    TaskbarProgress(const TaskbarProgress&) = delete;
    TaskbarProgress& operator=(const TaskbarProgress&) = delete;

    void showProgress(std::size_t done, std::size_t total);

private:
    struct Button;
    std::unique_ptr<Button> button_; // none where the system has no such button
};

} // namespace ui
