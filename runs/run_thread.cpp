#include "runs/run_thread.h"

#include <utility>

namespace runs {

RunThread::RunThread(Control control, Work work, std::function<void()> wake)
    : wake_(std::move(wake)),
      thread_([this, control, work = std::move(work)](std::stop_token stop) mutable {
          control.observer = &relay_;
          control.stop = std::move(stop);
          std::optional<Outcome> outcome;
          std::exception_ptr failure;
          try {
              outcome = work(control);
          } catch (...) {
              failure = std::current_exception();
          }
          {
              const std::lock_guard lock(mutex_);
              outcome_ = std::move(outcome);
              failure_ = failure;
              ended_ = true;
          }
          wake_();
      }) {}

RunThread::~RunThread() {
    thread_.request_stop();
}

void RunThread::Relay::progressed(naming::Phase phase, std::size_t done, std::size_t total) {
    bool news = false;
    {
        const std::lock_guard lock(run_.mutex_);
        news = !run_.latest_;
        run_.latest_ = Progress{phase, done, total};
    }
    if (news) // one wake for however many steps come before the progress is taken
        run_.wake_();
}

std::optional<RunThread::Progress> RunThread::takeProgress() {
    const std::lock_guard lock(mutex_);
    return std::exchange(latest_, std::nullopt);
}

bool RunThread::ended() const {
    const std::lock_guard lock(mutex_);
    return ended_;
}

Outcome RunThread::finish() {
    thread_.join();
    if (failure_)
        std::rethrow_exception(failure_);
    return std::move(*outcome_);
}

} // namespace runs
