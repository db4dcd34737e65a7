#include "platform/journal/folder_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

// flock rather than fcntl's record locks: it belongs to the open file, so two threads of
// one process exclude each other as two processes do, and a close elsewhere in the
// process does not drop it.
FolderLock::Attempt FolderLock::tryTake(const std::string& path, std::intptr_t& handle,
                                        std::error_code& error) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = std::error_code(errno, std::system_category());
        return Attempt::Unusable;
    }
    int result;
    while ((result = ::flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (result == 0) {
        handle = fd;
        return Attempt::Taken;
    }
    const bool busy = errno == EWOULDBLOCK;
    error = std::error_code(errno, std::system_category()); // ENOLCK, EOPNOTSUPP: no locks
    ::close(fd);
    return busy ? Attempt::Busy : Attempt::Unusable;
}

void FolderLock::release(std::intptr_t handle) {
    ::close(static_cast<int>(handle)); // lets go of the lock with the file
}

} // namespace platform
