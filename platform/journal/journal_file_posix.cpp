#include "platform/files/rename_posix.h"
#include "platform/journal/journal_file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace platform {
namespace {

std::error_code errnoError() {
    return {errno, std::system_category()};
}

std::error_code writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errnoError() : std::make_error_code(std::errc::io_error);
        text.remove_prefix(std::size_t(written));
    }
    return {};
}

std::error_code writeAndClose(int fd, std::string_view text, bool sync) {
    std::error_code error = writeAll(fd, text);
    if (!error && sync && ::fsync(fd) != 0)
        error = errnoError();
    if (::close(fd) != 0 && !error)
        error = errnoError();
    return error;
}

} // namespace

std::error_code createWrittenThrough(const std::string& path, const std::string& temporary,
                                     std::string_view text) {
    ::unlink(temporary.c_str()); // one a killed run left
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return errnoError();
    std::error_code error = writeAndClose(fd, text, true);
    if (!error)
        error = renameWithoutReplacing(AT_FDCWD, temporary, path);
    ::unlink(temporary.c_str());
    return error;
}

std::error_code appendTo(const std::string& path, std::string_view text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0)
        return errnoError();
    return writeAndClose(fd, text, false);
}

} // namespace platform
