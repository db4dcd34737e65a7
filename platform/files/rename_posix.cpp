#include "platform/files/rename_posix.h"

#include <cerrno>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

bool refusesFlag(int error) {
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}

// FAT-like file systems answer a hard link with EPERM; others with EOPNOTSUPP or ENOSYS.
bool refusesLinks(int error) {
    return error == EPERM || error == EOPNOTSUPP || error == ENOSYS;
}

// A kill between the two calls leaves the file under both names; the next run finds the
// pair (see naming::Folder::sameFile) and finishes the move.
std::error_code linkThenUnlink(int dir, const char* from, const char* to) {
    if (linkat(dir, from, dir, to, 0) != 0)
        return systemError(errno);
    if (unlinkat(dir, from, 0) != 0) {
        const int error = errno;
        unlinkat(dir, to, 0); // the file still has its old name; drop the new one
        return systemError(error);
    }
    return {};
}

// The last resort where neither atomic way exists; a file appearing under `to` between
// the check and the rename would be replaced, which only a concurrent writer can cause.
std::error_code checkThenRename(int dir, const char* from, const char* to) {
    struct stat st {};
    if (fstatat(dir, to, &st, AT_SYMLINK_NOFOLLOW) == 0)
        return std::make_error_code(std::errc::file_exists);
    if (errno != ENOENT)
        return systemError(errno);
    if (renameat(dir, from, dir, to) != 0)
        return systemError(errno);
    return {};
}

} // namespace

std::error_code renameWithoutReplacing(int dir, const std::string& from, const std::string& to) {
    if (renameat2(dir, from.c_str(), dir, to.c_str(), RENAME_NOREPLACE) == 0)
        return {};
    if (!refusesFlag(errno))
        return systemError(errno);
    const std::error_code linked = linkThenUnlink(dir, from.c_str(), to.c_str());
    if (!linked || !refusesLinks(linked.value()))
        return linked;
    return checkThenRename(dir, from.c_str(), to.c_str());
}

} // namespace platform
