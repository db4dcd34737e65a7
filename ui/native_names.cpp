#include "ui/native_names.h"

#include "platform/files/folder_access.h"
#include "platform/files/utf8_path.h"

#include <filesystem>

namespace ui {
namespace {

namespace fs = std::filesystem;

std::string text(const fs::path& path) {
    const std::u8string native = path.u8string();
    return std::string(native.begin(), native.end());
}

} // namespace

QString shownName(std::string_view name) {
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

std::string normalFolder(const std::string& path) {
    if (path.empty())
        return {};
    std::error_code error;
    fs::path normal = fs::absolute(platform::pathFromUtf8(path), error).lexically_normal();
    if (error)
        return {};
    if (normal.has_relative_path() && !normal.has_filename())
        normal = normal.parent_path(); // "/a/b/" names "/a/b"
    return text(normal.make_preferred());
}

bool isRoot(const std::string& folder) {
    return !platform::pathFromUtf8(folder).has_relative_path();
}

std::string parentFolder(const std::string& folder) {
    return text(platform::pathFromUtf8(folder).parent_path());
}

std::string childPath(const std::string& folder, std::string_view name) {
    return text(platform::pathFromUtf8(folder) / platform::pathFromUtf8(name));
}

std::string lastName(const std::string& folder) {
    const fs::path path = platform::pathFromUtf8(folder);
    return text(path.has_relative_path() ? path.filename() : path);
}

bool isListableFolder(const std::string& folder) {
    return !folder.empty() && !platform::folderOpenError(folder);
}

} // namespace ui
