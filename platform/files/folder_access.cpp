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

} // namespace platform
