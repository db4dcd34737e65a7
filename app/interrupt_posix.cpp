#include "app/interrupt.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace app {
namespace {

// A signal handler may do next to nothing: std::stop_source::request_stop takes locks and
// may run callbacks, so it is not safe there. The handler stores the signal in a
// lock-free atomic and writes a byte to a pipe; a thread of our own waits on the pipe and
// asks the run to stop, from ordinary code. Polling the flag from the run instead would
// tie the stop to how often the run tells its progress.
std::atomic<int> signalled{0};
static_assert(std::atomic<int>::is_always_lock_free);

// Never closed: a handler still running on another thread as the run ends may write to
// it, and must not write to a descriptor opened since for something else.
int wakePipe[2] = {-1, -1};

// The thread that turns the byte into a stop, for the life of a StopOnSignal; `ending`
// tells it the object's life is over. A byte left in the pipe by an earlier object
// tells it nothing: it looks at the flags.
std::thread watcher;
std::atomic<bool> ending{false};

bool caught[2] = {false, false}; // SIGINT, SIGTERM: our handler is installed
constexpr int kSignals[2] = {SIGINT, SIGTERM};

extern "C" void onSignal(int signal) {
    const int savedErrno = errno;
    int none = 0;
    signalled.compare_exchange_strong(none, signal);
    // The next one, of either kind, ends the program as it would have without us.
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakePipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

StopOnSignal::StopOnSignal() {
    signalled = 0;
    ending = false;
    if (wakePipe[0] < 0 && ::pipe(wakePipe) != 0)
        return; // the signals keep their usual effect
    try {
        watcher = std::thread([stop = stop_]() mutable {
            for (char byte = 0; !ending;) {
                if (::read(wakePipe[0], &byte, 1) < 0 && errno != EINTR)
                    return;
                if (signalled != 0) {
                    stop.request_stop();
                    return;
                }
            }
        });
    } catch (const std::system_error&) {
        return; // no thread to spare: the signals keep their usual effect
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART; // the run's reads and renames go on undisturbed
    for (int i = 0; i < 2; ++i) {
        // A signal the program was started with ignored (a background job of a script)
        // stays ignored.
        struct sigaction previous {};
        sigaction(kSignals[i], nullptr, &previous);
        caught[i] = previous.sa_handler == SIG_DFL;
        if (caught[i])
            sigaction(kSignals[i], &action, nullptr);
    }
}

StopOnSignal::~StopOnSignal() {
    for (int i = 0; i < 2; ++i) {
        if (caught[i])
            std::signal(kSignals[i], SIG_DFL);
    }
    if (watcher.joinable()) {
        ending = true;
        const char byte = 0;
        [[maybe_unused]] const ssize_t written = ::write(wakePipe[1], &byte, 1);
        watcher.join();
    }
}

StopSignal StopOnSignal::received() const {
    switch (signalled.load()) {
    case SIGINT:
        return StopSignal::Interrupt;
    case SIGTERM:
        return StopSignal::Terminate;
    default:
        return StopSignal::None;
    }
}

} // namespace app
