#include "app/interrupt.h"

#include <mutex>
#include <optional>
#include <windows.h>

namespace app {
namespace {

// The system calls the handler on a thread of its own, not inside a signal: it may take a
// lock and ask the run to stop itself. The lock keeps it off a stop source that is
// going away.
std::mutex guard;
std::optional<std::stop_source> target; // while a StopOnSignal lives
StopSignal signalled = StopSignal::None;

BOOL WINAPI onControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    const std::lock_guard lock(guard);
    // FALSE hands the event on to the system's handler, which ends the program: outside a
    // run, and at the second Ctrl+C.
    if (!target || signalled != StopSignal::None)
        return FALSE;
    signalled = StopSignal::Interrupt;
    target->request_stop();
    return TRUE;
}

} // namespace

StopOnSignal::StopOnSignal() {
    const std::lock_guard lock(guard);
    target = stop_;
    signalled = StopSignal::None;
    SetConsoleCtrlHandler(onControl, TRUE);
}

StopOnSignal::~StopOnSignal() {
    SetConsoleCtrlHandler(onControl, FALSE);
    const std::lock_guard lock(guard);
    target.reset();
}

StopSignal StopOnSignal::received() const {
    const std::lock_guard lock(guard);
    return signalled;
}

} // namespace app
