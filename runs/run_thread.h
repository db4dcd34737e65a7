#pragma once

// A run of the run layer on a thread of its own, for a front end that keeps answering its
// user meanwhile: what the run tells is handed over to the thread that started it, which
// collects the latest progress and, at the end, the outcome whenever it is woken.

#include "runs/runs.h"

#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace runs {

class RunThread {
public:
    struct Progress {
        naming::Phase phase = naming::Phase::Reading;
        std::size_t done = 0;
        std::size_t total = 0;
    };
    using Work = std::function<Outcome(const Control&)>;

    // Calls `work` on a thread of its own with `control`, whose observer and stop are set
    // here. `wake` is called on that thread when there is something new to collect: new
    // progress (once until it is taken), and the end.
    RunThread(Control control, Work work, std::function<void()> wake);
    // Stops the run between two photos and waits for it.
    ~RunThread();
    RunThread(const RunThread&) = delete;
    RunThread& operator=(const RunThread&) = delete;

    // Asks the run to stop between two photos.
    void stop() { thread_.request_stop(); }
    // The latest progress told since the last call; none when there is no news.
    std::optional<Progress> takeProgress();
    bool ended() const;
    // Waits for the run's end; its outcome, or what `work` threw, thrown again. Once.
    Outcome finish();

private:
    class Relay final : public Observer {
    public:
        explicit Relay(RunThread& run) : run_(run) {}
        void progressed(naming::Phase phase, std::size_t done, std::size_t total) override;

    private:
        RunThread& run_;
    };

    std::function<void()> wake_;
    Relay relay_{*this};
    mutable std::mutex mutex_; // guards what the run's thread hands over below
    std::optional<Progress> latest_;
    std::optional<Outcome> outcome_;
    std::exception_ptr failure_;
    bool ended_ = false;
    std::jthread thread_; // last: started once everything above is there
};

} // namespace runs
