#pragma once

// Lets a thread through one step at a time while held: a run that waits until the test
// lets it go. A mutex and a condition variable rather than std::atomic::wait, whose
// wake-ups MinGW's runtime loses now and then.

#include <condition_variable>
#include <mutex>

namespace fixture {

class Gate {
public:
    void hold() { setPermits(0); }
    void open() { setPermits(1 << 30); }
    void letThrough(int steps) {
        const std::lock_guard lock(mutex_);
        permits_ += steps;
        changed_.notify_all();
    }
    // Waits for a permit and takes it.
    void pass() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return permits_ > 0; });
        --permits_;
    }

private:
    void setPermits(int permits) {
        const std::lock_guard lock(mutex_);
        permits_ = permits;
        changed_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    int permits_ = 0;
};

} // namespace fixture
