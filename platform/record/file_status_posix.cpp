#include "platform/record/file_status.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace platform {
namespace {

std::int64_t nanoseconds(const timespec& time) {
    return std::int64_t(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

// FAT (vfat, msdos), exFAT and FUSE, by their statfs f_type.
bool provesChanges(const struct statfs& fs) {
    return fs.f_type != 0x4d44 && fs.f_type != 0x2011BAB0 && fs.f_type != 0x65735546;
}

} // namespace

struct FolderStatus::Held {
    int fd = -1;
    std::uint64_t volume = 0;
};

FolderStatus::FolderStatus(const std::string& folder) : held_(std::make_unique<Held>()) {
    held_->fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct statfs fs {};
    if (held_->fd >= 0 && (::fstatfs(held_->fd, &fs) != 0 || !provesChanges(fs))) {
        ::close(held_->fd);
        held_->fd = -1;
    }
    if (held_->fd >= 0) {
        // f_fsid: on ext4 from the file system's UUID, so another card in the same reader
        // (the same st_dev) tells apart.
        static_assert(sizeof fs.f_fsid == sizeof held_->volume);
        std::memcpy(&held_->volume, &fs.f_fsid, sizeof held_->volume);
    }
}

FolderStatus::~FolderStatus() {
    if (held_->fd >= 0)
        ::close(held_->fd);
}

std::optional<FileStatus> FolderStatus::status(const std::string& name) const {
    struct stat st {};
    if (held_->fd < 0 || ::fstatat(held_->fd, name.c_str(), &st, 0) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return FileStatus{.volume = held_->volume,
                      .device = std::uint64_t(st.st_dev),
                      .file = std::uint64_t(st.st_ino),
                      .size = std::uint64_t(st.st_size),
                      .modified = nanoseconds(st.st_mtim),
                      .changed = nanoseconds(st.st_ctim)};
}

} // namespace platform
