#include "platform/files/whole_file.h"

#include "platform/files/utf8_path.h"

#include <cerrno>
#include <filesystem>
#include <fstream>

namespace platform {

// istream::read turns a failure of the file underneath into badbit instead of the
// exception that reading through an istreambuf_iterator lets out.
std::optional<std::string> readWholeFile(const std::string& path, std::error_code& error) {
    error.clear();
    std::ifstream in(pathFromUtf8(path), std::ios::binary);
    if (!in) {
        error = std::error_code(errno != 0 ? errno : EIO, std::generic_category());
        return std::nullopt;
    }
    std::string text;
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
        text.append(buffer, std::size_t(in.gcount()));
    if (in.bad()) {
        error = std::make_error_code(std::errc::io_error);
        return std::nullopt;
    }
    return text;
}

std::vector<std::string> entryNames(const std::string& path, std::error_code& error) {
    std::vector<std::string> names;
    std::filesystem::directory_iterator entry(pathFromUtf8(path), error);
    for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error))
        names.push_back(utf8FromPath(entry->path().filename()));
    return names;
}

} // namespace platform
