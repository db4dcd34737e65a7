#include "naming/photo_identity.h"
#include "platform/files/disk_folder.h"
#include "platform/files/file_names.h"
#include "platform/files/rename_posix.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

bool isOrdinaryFileIn(int dir, const std::string& name) {
    const std::string_view last = lastPart(name);
    if (last.empty() || isHiddenName(last))
        return false;
    struct stat st {};
    return fstatat(dir, name.c_str(), &st, 0) == 0 && S_ISREG(st.st_mode);
}

} // namespace

struct DiskFolder::Held {
    int fd; // -1 where the folder could not be opened
};

DiskFolder::DiskFolder(const std::string& path)
    : held_(
          std::make_unique<Held>(Held{::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)})) {}

DiskFolder::~DiskFolder() {
    if (held_->fd >= 0)
        ::close(held_->fd);
}

std::error_code DiskFolder::rename(const std::string& from, const std::string& to) {
    return renameWithoutReplacing(held_->fd, from, to);
}

bool DiskFolder::isOrdinaryFile(const std::string& name) const {
    return isOrdinaryFileIn(held_->fd, name);
}

bool DiskFolder::isNameTaken(const std::string& name) const {
    struct stat st {};
    return fstatat(held_->fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

// Two names that differ only in case are one entry on a file system that ignores case
// (ntfs-3g with ignore_case, a case-folding ext4 folder); removing one would remove the
// photo. Only a file with a second link can be under two entries.
bool DiskFolder::sameFile(const std::string& a, const std::string& b) const {
    struct stat first {
    }, second{};
    return a != b && fstatat(held_->fd, a.c_str(), &first, AT_SYMLINK_NOFOLLOW) == 0 &&
           fstatat(held_->fd, b.c_str(), &second, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISREG(first.st_mode) && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino && first.st_nlink >= 2 && second.st_nlink >= 2;
}

std::error_code DiskFolder::removeTwin(const std::string& name, const std::string& twin) {
    if (!sameFile(name, twin))
        return std::make_error_code(std::errc::invalid_argument);
    if (unlinkat(held_->fd, name.c_str(), 0) != 0)
        return systemError(errno);
    return {};
}

std::string DiskFolder::identity(const std::string& name) const {
    struct stat st {};
    if (fstatat(held_->fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
        return {};
    const long long nanoseconds = (long long)st.st_mtim.tv_sec * 1'000'000'000 + st.st_mtim.tv_nsec;
    std::string out = std::to_string(st.st_size) + ":" + std::to_string(nanoseconds);
    if (st.st_nlink > 1)
        out.append(":").append(std::to_string(st.st_nlink));
    return out;
}

unsigned DiskFolder::linkCount(const std::string& name) const {
    struct stat st {};
    if (fstatat(held_->fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return 0;
    return static_cast<unsigned>(st.st_nlink);
}

bool DiskFolder::hasIdentity(const std::string& name, std::string_view recorded) const {
    return naming::fileIdentitiesAgree(identity(name), recorded, 3'600'000'000'000);
}

std::error_code DiskFolder::flush() {
    if (fsync(held_->fd) != 0 && errno != EINVAL && errno != ENOSYS)
        return systemError(errno);
    return {};
}

} // namespace platform
