#include "ui/modal_run.h"

#include "ui/run_progress.h"
#include "ui/taskbar.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QWidget>
#include <chrono>

namespace ui {
namespace {

using namespace std::chrono_literals;

constexpr auto kPatience = 500ms; // a run that ends sooner shows no progress
constexpr auto kLongRun = 3s;     // a run that lasts longer asks for attention at its end

// What a person does to a window: clicks, keys, the wheel, touch, drops.
bool isUserInput(const QEvent& event) {
    switch (event.type()) {
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return event.isInputEvent();
    }
}

} // namespace

ModalRun::ModalRun(QWidget& window) : window_(window) {
    patience_.setSingleShot(true);
    patience_.setInterval(kPatience);
    connect(&patience_, &QTimer::timeout, this, &ModalRun::showProgressWindow);
}

ModalRun::~ModalRun() = default;

// The window's events are handled in a loop of this call's own, as a modal dialog's are,
// until the worker says it has ended. The loop is left early only when the application
// quits: then the run is stopped, and waited for all the same.
runs::Outcome ModalRun::run(runs::Control control, const Work& work, RunKind kind) {
    Q_ASSERT(!running());
    kind_ = kind;
    QEventLoop loop;
    loop_ = &loop;
    current_ = {};
    qApp->installEventFilter(this);
    clock_.start();
    patience_.start();
    // The worker wakes this thread with one queued call for however many steps came
    // meanwhile, so that a fast run does not flood the window's queue.
    worker_ = std::make_unique<runs::RunThread>(std::move(control), work, [this] {
        QMetaObject::invokeMethod(this, &ModalRun::collect, Qt::QueuedConnection);
    });
    loop.exec();
    worker_->stop();

    const bool userElsewhere = QApplication::activeWindow() == nullptr;
    qApp->removeEventFilter(this);
    patience_.stop();
    taskbar_.reset();
    progressWindow_.reset();
    loop_ = nullptr;
    const std::unique_ptr<runs::RunThread> ended = std::move(worker_);
    if (std::chrono::milliseconds(clock_.elapsed()) > kLongRun && userElsewhere)
        QApplication::alert(&window_);
    return ended->finish();
}

void ModalRun::stop() {
    if (worker_)
        worker_->stop();
}

// No click or key reaches the window while a run lasts, so no second run can start and
// the lists stay as the run found them; the progress window is a window of its own, and
// takes the activation the window is given, as a modal window would.
bool ModalRun::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_ && event->type() == QEvent::WindowActivate && progressWindow_)
        progressWindow_->activateWindow();
    return isUserInput(*event) && watched->isWidgetType() &&
           static_cast<QWidget*>(watched)->window() == &window_;
}

void ModalRun::showProgressWindow() {
    patience_.stop();
    progressWindow_ = std::make_unique<RunProgressWindow>(&window_, kind_);
    connect(progressWindow_.get(), &RunProgressWindow::stopRequested, this, &ModalRun::stop);
    taskbar_ = std::make_unique<TaskbarProgress>(window_);
    showCurrent();
    progressWindow_->show();
    if (window_.isActiveWindow()) // takes the activation, never from another program
        progressWindow_->activateWindow();
}

// Queued calls outlive the run they came from; those that come after it find no worker.
void ModalRun::collect() {
    if (!worker_)
        return;
    if (const auto progress = worker_->takeProgress()) {
        current_ = *progress;
        // Another run may hold the folder for long: the wait is shown at once, with its stop.
        if (current_.phase == naming::Phase::Waiting && !progressWindow_)
            showProgressWindow();
        else
            showCurrent();
    }
    if (worker_->ended() && loop_)
        loop_->quit();
}

void ModalRun::showCurrent() {
    if (!progressWindow_)
        return;
    progressWindow_->showProgress(current_.phase, current_.done, current_.total);
    taskbar_->showProgress(current_.done, current_.total);
}

} // namespace ui
