#include "platform/files/folder_access.h"

#include "platform/files/utf8_path.h"

#include <filesystem>

namespace platform {

std::error_code folderOpenError(const std::string& folder) {
    namespace fs = std::filesystem;
    const fs::path path = pathFromUtf8(folder);
    std::error_code error;
    if (!fs::is_directory(path, error))
        return error ? error : std::make_error_code(std::errc::not_a_directory);
    const fs::directory_iterator probe(path, error);
    if (!error)
        (void)fs::status(path / ".", error);
    return error;
}

std::string folderMeant(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path folder = fs::absolute(pathFromUtf8(path), error).lexically_normal();
    const fs::file_status status = fs::status(folder, error);
    if (path.empty() || error)
        return {};
    if (!fs::is_directory(status))
        folder = folder.parent_path(); // a file's name never ends in a separator
    const std::string meant = utf8FromPath(folder);
    return folderOpenError(meant) ? std::string() : meant;
}

} // namespace platform
