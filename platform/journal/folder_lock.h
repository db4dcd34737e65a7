#pragma once

// One run at a time on a photo folder, among all the program's processes and threads: a
// run or an undo holds the folder's lock file in the state folder (JournalStore::lockPath)
// for as long as it works there. The system lets go of it when its process ends however
// it ends, so a killed run never holds up the next, and no stale lock is ever cleaned up.
// folder_lock_posix.cpp (flock) and folder_lock_windows.cpp (a file opened without
// sharing), picked by journal/CMakeLists.txt.

#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>

namespace platform {

class FolderLock {
public:
    // Takes the lock file at `path`. Where another holds it, calls `waiting` once and tries
    // again every tenth of a second until it is free; none when `stop` is asked for
    // meanwhile. Where the lock cannot be had at all (no state folder, a file system
    // without locks), it holds nothing and returns at once: no run waits on a lock that
    // cannot work.
    static std::optional<FolderLock> take(const std::string& path, std::stop_token stop,
                                          const std::function<void()>& waiting);

    FolderLock() = default; // holds nothing
    ~FolderLock();
    FolderLock(FolderLock&& other) noexcept;
    FolderLock& operator=(FolderLock&& other) noexcept;

    bool held() const { return handle_ != kNone; }
    // Another held the lock first: whatever it did to the folder happened meanwhile.
    bool waited() const { return waited_; }

private:
    static constexpr std::intptr_t kNone = -1;
    enum class Attempt { Taken, Busy, Unusable };

    // The parts that differ by system: one try that does not wait, and the letting go.
    static Attempt tryTake(const std::string& path, std::intptr_t& handle);
    static void release(std::intptr_t handle);

    std::intptr_t handle_ = kNone; // a file descriptor or a file HANDLE
    bool waited_ = false;
};

} // namespace platform
