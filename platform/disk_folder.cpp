#include "platform/disk_folder.h"

#ifdef _WIN32
#include "platform/windows_text.h"

#include <windows.h>
#else
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {
namespace {

std::error_code systemError(int code) {
    return {code, std::system_category()};
}

} // namespace

#ifdef _WIN32

std::error_code renameNoReplace(const std::string& from, const std::string& to) {
    // Without MOVEFILE_REPLACE_EXISTING the move fails when the target exists.
    if (MoveFileExW(wide(from).c_str(), wide(to).c_str(), 0))
        return {};
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)
        return std::make_error_code(std::errc::file_exists);
    return systemError(int(error));
}

bool isOrdinaryFile(const std::string& name) {
    const DWORD attributes = GetFileAttributesW(wide(name).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           !(attributes &
             (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
}

#else

namespace {

bool refusesFlag(int error) {
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}

// FAT-like file systems answer a hard link with EPERM; others with EOPNOTSUPP or ENOSYS.
bool refusesLinks(int error) {
    return error == EPERM || error == EOPNOTSUPP || error == ENOSYS;
}

std::error_code linkThenUnlink(const char* from, const char* to) {
    if (linkat(AT_FDCWD, from, AT_FDCWD, to, 0) != 0)
        return systemError(errno);
    if (unlinkat(AT_FDCWD, from, 0) != 0) {
        const int error = errno;
        unlinkat(AT_FDCWD, to, 0); // the file still has its old name; drop the new one
        return systemError(error);
    }
    return {};
}

// The last resort where neither atomic way exists; a file appearing under `to` between
// the check and the rename would be replaced, which only a concurrent writer can cause.
std::error_code checkThenRename(const char* from, const char* to) {
    struct stat st {};
    if (fstatat(AT_FDCWD, to, &st, AT_SYMLINK_NOFOLLOW) == 0)
        return std::make_error_code(std::errc::file_exists);
    if (errno != ENOENT)
        return systemError(errno);
    if (renameat(AT_FDCWD, from, AT_FDCWD, to) != 0)
        return systemError(errno);
    return {};
}

} // namespace

std::error_code renameNoReplace(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return {};
    if (!refusesFlag(errno))
        return systemError(errno);
    const std::error_code linked = linkThenUnlink(from.c_str(), to.c_str());
    if (!linked || !refusesLinks(linked.value()))
        return linked;
    return checkThenRename(from.c_str(), to.c_str());
}

bool isOrdinaryFile(const std::string& name) {
    if (name.empty() || name.front() == '.')
        return false;
    struct stat st {};
    return fstatat(AT_FDCWD, name.c_str(), &st, 0) == 0 && S_ISREG(st.st_mode);
}

#endif

} // namespace platform
