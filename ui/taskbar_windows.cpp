#include "ui/taskbar.h"

#include <QWidget>
#include <shobjidl.h> // with windows.h

namespace ui {

// The shell's taskbar list, as COM hands it out on the window's thread (Qt has COM set up
// there). The button is left without progress where the shell has no taskbar list.
struct TaskbarProgress::Button {
    HWND window = nullptr;
    ITaskbarList3* list = nullptr;
    bool showing = false;

    ~Button() {
        if (showing)
            list->SetProgressState(window, TBPF_NOPROGRESS);
        list->Release();
    }
};

TaskbarProgress::TaskbarProgress(QWidget& window) {
    ITaskbarList3* list = nullptr;
    if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&list))))
        return;
    if (FAILED(list->HrInit())) {
        list->Release();
        return;
    }
    button_ = std::make_unique<Button>();
    button_->window = reinterpret_cast<HWND>(window.winId());
    button_->list = list;
}

TaskbarProgress::~TaskbarProgress() = default;

void TaskbarProgress::showProgress(std::size_t done, std::size_t total) {
    if (!button_)
        return;
    if (!button_->showing)
        button_->showing = SUCCEEDED(button_->list->SetProgressState(button_->window, TBPF_NORMAL));
    button_->list->SetProgressValue(button_->window, done, total);
}

} // namespace ui
