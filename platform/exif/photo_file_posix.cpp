#include "platform/exif/photo_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

namespace platform {
namespace {

// O_NONBLOCK only matters for a FIFO that carries a photo's name: opening it must not
// wait for a writer. Regular files ignore the flag.
int openForReading(const std::string& path) {
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
}

#if defined(__linux__) && defined(RWF_NOWAIT)
// Set once a file system refused RWF_NOWAIT (tmpfs does), so that the other photos are read
// at once rather than asked first in vain. Kept for the thread: a run reads one folder on
// a thread of its own, and a refusal holds for its whole file system.
thread_local bool noWaitRefused = false;
#endif

} // namespace

PhotoFile::PhotoFile(const std::string& path) : handle_(openForReading(path)) {}

PhotoFile::~PhotoFile() {
    if (isOpen()) {
        ::close(static_cast<int>(handle_));
    }
}

std::size_t PhotoFile::read(std::uint64_t offset, unsigned char* into, std::size_t size) const {
    const int fd = static_cast<int>(handle_);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, into + done, size - done, static_cast<off_t>(offset + done));
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
    return done;
}

std::optional<std::size_t> PhotoFile::readFromMemory(std::uint64_t offset, unsigned char* into,
                                                     std::size_t size) const {
#if defined(__linux__) && defined(RWF_NOWAIT)
    while (!noWaitRefused) {
        iovec buffer{into, size};
        const ssize_t n = ::preadv2(static_cast<int>(handle_), &buffer, 1,
                                    static_cast<off_t>(offset), RWF_NOWAIT);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno == EAGAIN) {
            return std::nullopt;
        }
        if (n < 0 && errno == EOPNOTSUPP) {
            noWaitRefused = true;
            break;
        }
        if (n <= 0) {
            break; // the end, or another failure: read as always
        }
        const auto done = static_cast<std::size_t>(n);
        return done + read(offset + done, into + done, size - done);
    }
#endif
    return read(offset, into, size);
}

void fetchHeadSoon(const std::string& path, std::size_t size) {
#if defined(__linux__)
    const int fd = openForReading(path);
    if (fd >= 0) {
        ::posix_fadvise(fd, 0, static_cast<off_t>(size), POSIX_FADV_WILLNEED);
        ::close(fd);
    }
#else
    (void)path;
    (void)size;
#endif
}

} // namespace platform
