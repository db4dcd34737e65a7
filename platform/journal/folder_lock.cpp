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
    if (path.empty())
        return FolderLock();
    std::error_code ignored; // a folder that cannot be made fails the try below
    std::filesystem::create_directories(pathFromUtf8(path).parent_path(), ignored);
    FolderLock lock;
    for (;;) {
        switch (tryTake(path, lock.handle_)) {
        case Attempt::Taken:
        case Attempt::Unusable:
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
    : handle_(std::exchange(other.handle_, kNone)), waited_(other.waited_) {}

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept {
    if (this != &other) {
        if (held())
            release(handle_);
        handle_ = std::exchange(other.handle_, kNone);
        waited_ = other.waited_;
    }
    return *this;
}

} // namespace platform
