#include "platform/journal/folder_lock.h"

#include "platform/files/utf8_path.h"

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <utility>

namespace platform {
namespace {

using namespace std::chrono_literals;

// Often enough that the next run starts as good as at once, rarely enough to cost nothing.
constexpr auto kTryEvery = 100ms;

// Waits `span`, or less where a stop is asked for: a stop while waiting ends it at once.
void waitUnlessStopped(const std::stop_token& stop, std::chrono::milliseconds span) {
    std::mutex mutex;
    std::condition_variable_any never;
    std::unique_lock lock(mutex);
    never.wait_for(lock, stop, span, [] { return false; });
}

} // namespace

std::optional<FolderLock> FolderLock::take(const std::string& path, std::stop_token stop,
                                           const std::function<void()>& waiting) {
    FolderLock lock;
    if (path.empty()) {
        lock.problem_ = "no state folder";
        return lock;
    }
    std::error_code error; // a folder that cannot be made fails the try below
    std::filesystem::create_directories(pathFromUtf8(path).parent_path(), error);
    for (;;) {
        switch (tryTake(path, lock.handle_, error)) {
        case Attempt::Taken:
            return lock;
        case Attempt::Unusable:
            lock.problem_ = error.message();
            return lock;
        case Attempt::Busy:
            break;
        }
        if (!std::exchange(lock.waited_, true) && waiting)
            waiting();
        if (stop.stop_requested())
            return std::nullopt;
        waitUnlessStopped(stop, kTryEvery);
        if (stop.stop_requested())
            return std::nullopt;
    }
}

FolderLock::~FolderLock() {
    if (held())
        release(handle_);
}

FolderLock::FolderLock(FolderLock&& other) noexcept
    : handle_(std::exchange(other.handle_, kNone)), waited_(other.waited_),
      problem_(std::move(other.problem_)) {}

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept {
    if (this != &other) {
        if (held())
            release(handle_);
        handle_ = std::exchange(other.handle_, kNone);
        waited_ = other.waited_;
        problem_ = std::move(other.problem_);
    }
    return *this;
}

} // namespace platform
