#include "platform/record/file_status.h"
#include "platform/system/windows_text.h"

#include <windows.h>

namespace platform {
namespace {

std::uint64_t joined(DWORD high, DWORD low) {
    return (std::uint64_t(high) << 32) | low;
}

} // namespace

struct FolderStatus::Held {
    std::string prefix; // the folder's path with its separator
};

FolderStatus::FolderStatus(const std::string& folder) : held_(std::make_unique<Held>()) {
    held_->prefix = folder;
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/')
        held_->prefix += '\\';
}

FolderStatus::~FolderStatus() = default;

// FindFirstFile's data has the size and times but not the file index, so the file is
// opened for its attributes alone: no data is read, and no other program's sharing is
// crossed.
std::optional<FileStatus> FolderStatus::status(const std::string& name) const {
    const HANDLE file = CreateFileW(wide(held_->prefix + name).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    FILE_BASIC_INFO basic{};
    const bool known =
        GetFileInformationByHandle(file, &info) &&
        GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic) &&
        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    CloseHandle(file);
    if (!known)
        return std::nullopt;
    return FileStatus{.volume = info.dwVolumeSerialNumber,
                      .file = joined(info.nFileIndexHigh, info.nFileIndexLow),
                      .size = joined(info.nFileSizeHigh, info.nFileSizeLow),
                      .modified = basic.LastWriteTime.QuadPart,
                      .changed = basic.ChangeTime.QuadPart};
}

} // namespace platform
