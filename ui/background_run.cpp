#include "ui/background_run.h"

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

// On the worker's thread: keeps the latest progress and has the window's thread show it,
// with one queued call for however many steps came meanwhile, so that a fast run does not
// flood the window's queue.
class BackgroundRun::Relay final : public runs::Observer {
public:
    explicit Relay(BackgroundRun& run) : run_(run) {}

    void progressed(naming::Phase phase, std::size_t done, std::size_t total) override {
        bool queued = false;
        {
            const std::lock_guard lock(run_.mutex_);
            queued = run_.latest_.has_value();
            run_.latest_ = Progress{phase, done, total};
        }
        if (!queued)
            QMetaObject::invokeMethod(&run_, &BackgroundRun::deliverProgress, Qt::QueuedConnection);
    }

private:
    BackgroundRun& run_;
};

BackgroundRun::BackgroundRun(QWidget& window) : window_(window) {
    patience_.setSingleShot(true);
    patience_.setInterval(kPatience);
    connect(&patience_, &QTimer::timeout, this, &BackgroundRun::showProgressWindow);
}

BackgroundRun::~BackgroundRun() = default;

// The window's events are handled in a loop of this call's own, as a modal dialog's are,
// until the worker says it has ended. The loop is left early only when the application
// quits: then the run is stopped, and waited for all the same.
runs::Outcome BackgroundRun::run(runs::Control control, const Work& work) {
    Q_ASSERT(!running());
    Relay relay(*this);
    QEventLoop loop;
    loop_ = &loop;
    current_ = {};
    latest_.reset();
    outcome_.reset();
    failure_ = nullptr;
    qApp->installEventFilter(this);
    clock_.start();
    patience_.start();
    worker_ = std::jthread([this, &relay, &work, control](std::stop_token stop) mutable {
        control.observer = &relay;
        control.stop = std::move(stop);
        try {
            runs::Outcome outcome = work(control);
            const std::lock_guard lock(mutex_);
            outcome_ = std::move(outcome);
        } catch (...) {
            const std::lock_guard lock(mutex_);
            failure_ = std::current_exception();
        }
        QMetaObject::invokeMethod(this, &BackgroundRun::ended, Qt::QueuedConnection);
    });
    loop.exec();
    worker_.request_stop();
    worker_.join();

    const bool userElsewhere = QApplication::activeWindow() == nullptr;
    qApp->removeEventFilter(this);
    patience_.stop();
    taskbar_.reset();
    progressWindow_.reset();
    loop_ = nullptr;
    if (std::chrono::milliseconds(clock_.elapsed()) > kLongRun && userElsewhere)
        QApplication::alert(&window_);
    if (failure_)
        std::rethrow_exception(failure_);
    return std::move(*outcome_);
}

void BackgroundRun::stop() {
    worker_.request_stop();
}

// No click or key reaches the window while a run lasts, so no second run can start and
// the lists stay as the run found them; the progress window is a window of its own, and
// takes the activation the window is given, as a modal window would.
bool BackgroundRun::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_ && event->type() == QEvent::WindowActivate && progressWindow_)
        progressWindow_->activateWindow();
    return isUserInput(*event) && watched->isWidgetType() &&
           static_cast<QWidget*>(watched)->window() == &window_;
}

void BackgroundRun::showProgressWindow() {
    progressWindow_ = std::make_unique<RunProgressWindow>(&window_);
    connect(progressWindow_.get(), &RunProgressWindow::stopRequested, this, &BackgroundRun::stop);
    taskbar_ = std::make_unique<TaskbarProgress>(window_);
    showCurrent();
    progressWindow_->show();
    if (window_.isActiveWindow()) // takes the activation, never from another program
        progressWindow_->activateWindow();
}

// Queued calls outlive the run they came from; those that come after it are dropped.
void BackgroundRun::deliverProgress() {
    {
        const std::lock_guard lock(mutex_);
        if (!latest_)
            return;
        current_ = *latest_;
        latest_.reset();
    }
    if (running())
        showCurrent();
}

void BackgroundRun::showCurrent() {
    if (!progressWindow_)
        return;
    progressWindow_->showProgress(current_.phase, current_.done, current_.total);
    taskbar_->showProgress(current_.done, current_.total);
}

void BackgroundRun::ended() {
    if (loop_)
        loop_->quit();
}

} // namespace ui
