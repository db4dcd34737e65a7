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

// The local file systems known to keep a status change time that no program can set, to a
// fraction of a second, and a file's number for as long as it lives, by their statfs
// f_type: ext2/3/4, XFS, Btrfs, F2FS, ZFS, bcachefs and tmpfs. Not FAT or exFAT (no status
// change time, numbers made afresh at each mount), FUSE (whatever its server says), nor
// NFS or CIFS (another machine's clock and caching).
bool provesChanges(const struct statfs& fs) {
    for (const unsigned long type : {0xEF53ul, 0x58465342ul, 0x9123683Eul, 0xF2F52010ul,
                                     0x2FC12FC1ul, 0xCA451A4Eul, 0x01021994ul}) {
        if (static_cast<unsigned long>(fs.f_type) == type)
            return true;
    }
    return false;
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
    // A status change time of whole seconds is one of a file system that keeps no finer
    // (ext4 made with small inodes): an edit in the second of a rename would go unseen.
    if (st.st_ctim.tv_nsec == 0)
        return std::nullopt;
    return FileStatus{.volume = held_->volume,
                      .device = std::uint64_t(st.st_dev),
                      .file = std::uint64_t(st.st_ino),
                      .size = std::uint64_t(st.st_size),
                      .modified = nanoseconds(st.st_mtim),
                      .changed = nanoseconds(st.st_ctim)};
}

} // namespace platform
