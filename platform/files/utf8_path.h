#pragma once

// The program's texts are UTF-8 (on Linux, a name's bytes as the file system gave them);
// std::filesystem paths take and give them through char8_t, never through the Windows
// ANSI code page.

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

inline std::filesystem::path pathFromUtf8(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.generic_u8string();
    return std::string(text.begin(), text.end());
}

} // namespace platform
