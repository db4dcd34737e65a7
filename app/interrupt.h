// Ctrl+C and SIGTERM during a run: the run stops between two photos, as at a stop button,
// reports what it did and ends with the status the signal calls for. A second one ends
// the program at once, as it would without. interrupt_posix.cpp and
// interrupt_windows.cpp (Ctrl+C and Ctrl+Break in a console), picked by
// app/CMakeLists.txt.

#pragma once

#include <stop_token>

namespace app {

enum class StopSignal {
    None,
    Interrupt, // SIGINT: Ctrl+C, or Ctrl+Break in a Windows console
    Terminate, // SIGTERM
};

// For the life of the object, the first of those signals asks token() to stop; outside
// it they do what they always do. One at a time.
class StopOnSignal {
public:
    StopOnSignal();
    ~StopOnSignal();
    StopOnSignal(const StopOnSignal&) = delete;
    StopOnSignal& operator=(const StopOnSignal&) = delete;

    std::stop_token token() const { return stop_.get_token(); }
    // The signal that asked for the stop, if one did.
    StopSignal received() const;

private:
    std::stop_source stop_;
};

} // namespace app
