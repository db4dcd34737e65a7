#pragma once

// A run of the run layer on a thread of its own, so that the window keeps painting and
// answering the system while the photos are renamed. run() keeps the shape of a plain
// call: it returns the run's outcome once the run has ended, handling the window's events
// meanwhile, but no click or key reaches the window. A run that lasts shows how far it is
// in a progress window over the window, with a stop button, and on the window's taskbar
// button; one that lasted long and ended while the user was elsewhere asks for attention.

#include "runs/run_thread.h"
#include "runs/runs.h"
#include "ui/run_progress.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

class QEventLoop;
class QWidget;

namespace ui {

class TaskbarProgress;

class ModalRun : public QObject {
    Q_OBJECT

public:
    // Runs for `window`, which must outlive this.
    explicit ModalRun(QWidget& window);
    ~ModalRun() override;

    using Work = runs::RunThread::Work;
    // Calls `work` on a thread of its own with `control`, whose observer and stop are set
    // here, and returns what it returns. One run at a time.
    runs::Outcome run(runs::Control control, const Work& work, RunKind kind = RunKind::Rename);
    bool running() const { return loop_ != nullptr; }
    // Asks the run to stop between two photos; run() still returns only once it has.
    void stop();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showProgressWindow();
    void collect();
    void showCurrent();

    QWidget& window_;
    QEventLoop* loop_ = nullptr; // while a run lasts
    std::unique_ptr<runs::RunThread> worker_;
    QTimer patience_;     // how long a run goes before its progress is shown
    QElapsedTimer clock_; // since the run began
    std::unique_ptr<RunProgressWindow> progressWindow_;
    std::unique_ptr<TaskbarProgress> taskbar_;
    runs::RunThread::Progress current_; // the latest collected
    RunKind kind_ = RunKind::Rename;    // of the run that lasts
};

} // namespace ui
