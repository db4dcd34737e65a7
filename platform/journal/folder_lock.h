#pragma once

// One run at a time on a photo folder, among all the program's processes and threads: a
// run or an undo holds lock files in the state folder for as long as it works there, one
// named after the folder's path (JournalStore::lockPath) and one after which folder it is
// on its volume (runs/folder_turn.h), so that a second path to the folder (a bind mount,
// another drive letter) waits all the same. The system lets go of them when their process
// ends however it ends, so a killed run never holds up the next, and no stale lock is
// ever cleaned up. folder_lock_posix.cpp (flock) and folder_lock_windows.cpp (a file
// opened without sharing), picked by journal/CMakeLists.txt.

#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <system_error>

namespace platform {

class FolderLock {
public:
    // Takes the lock file at `path`. Where another holds it, calls `waiting` once and tries
    // again every tenth of a second until it is free; none when `stop` is asked for
    // meanwhile. Where the lock cannot be had at all (no state folder, which an empty
    // `path` means, a file that cannot be made, a file system without locks), it holds
    // nothing and returns at once, problem() telling why: no run waits on a lock that
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
    // Why the lock could not be had: the system's reason, or "no state folder"; empty when
    // it is held or was never asked for.
    const std::string& problem() const { return problem_; }

private:
    static constexpr std::intptr_t kNone = -1;
    enum class Attempt { Taken, Busy, Unusable };

    // The parts that differ by system: one try that does not wait, and the letting go.
    static Attempt tryTake(const std::string& path, std::intptr_t& handle, std::error_code& error);
    static void release(std::intptr_t handle);

    std::intptr_t handle_ = kNone; // a file descriptor or a file HANDLE
    bool waited_ = false;
    std::string problem_;
};

} // namespace platform
