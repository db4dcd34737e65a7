#include "platform/files/stored_path.h"
#include "platform/files/utf8_path.h"

#include <cstdio>
#include <filesystem>
#include <sys/stat.h>

namespace platform {

std::string storedFolderPath(const std::string& folder) {
    const std::filesystem::path path = pathFromUtf8(folder);
    std::error_code error;
    std::filesystem::path full = std::filesystem::canonical(path, error);
    if (error)
        full = std::filesystem::absolute(path, error).lexically_normal();
    // "/photos/baby/" names the folder "/photos/baby"; "/" stays itself.
    if (!full.has_filename() && full.has_relative_path())
        full = full.parent_path();
    return utf8FromPath(full);
}

// A bind mount shares the device and the inode of what it shows. The device number may
// differ after the volume is mounted again, which no run lasts through.
std::string folderIdentity(const std::string& folder) {
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0)
        return {};
    char text[40]; // two 64-bit numbers in hexadecimal and a dash
    std::snprintf(text, sizeof text, "%llx-%llx", static_cast<unsigned long long>(status.st_dev),
                  static_cast<unsigned long long>(status.st_ino));
    return text;
}

} // namespace platform
