#include "platform/record/file_status.h"
#include "platform/system/windows_text.h"

#include <windows.h>

namespace platform {
namespace {

std::uint64_t joined(DWORD high, DWORD low) {
    return (std::uint64_t(high) << 32) | low;
}

// NTFS and ReFS on a disk of this computer, by the name Windows gives the folder's file
// system: not FAT, FAT32 or exFAT (no change time), nor a network share, whose server may
// say NTFS over anything.
bool provesChanges(const std::wstring& folder) {
    if (folder.starts_with(L"\\\\") || folder.starts_with(L"//") || folder.size() < 2 ||
        folder[1] != L':')
        return false;
    const wchar_t root[] = {folder[0], L':', L'\\', 0};
    if (GetDriveTypeW(root) == DRIVE_REMOTE)
        return false;
    const HANDLE handle =
        CreateFileW(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    wchar_t name[MAX_PATH + 1] = {};
    const bool known = GetVolumeInformationByHandleW(handle, nullptr, 0, nullptr, nullptr, nullptr,
                                                     name, MAX_PATH + 1);
    CloseHandle(handle);
    const std::wstring system = name;
    return known && (system == L"NTFS" || system == L"ReFS");
}

} // namespace

struct FolderStatus::Held {
    std::string prefix; // the folder's path with its separator; empty: no status is given
};

FolderStatus::FolderStatus(const std::string& folder) : held_(std::make_unique<Held>()) {
    if (folder.empty() || !provesChanges(wide(folder)))
        return;
    held_->prefix = folder;
    if (folder.back() != '\\' && folder.back() != '/')
        held_->prefix += '\\';
}

FolderStatus::~FolderStatus() = default;

// FindFirstFile's data has the size and times but not the file index, so the file is
// opened for its attributes alone: no data is read, and no other program's sharing is
// crossed.
std::optional<FileStatus> FolderStatus::status(const std::string& name) const {
    if (held_->prefix.empty())
        return std::nullopt;
    const HANDLE file = CreateFileW(wide(held_->prefix + name).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    FILE_BASIC_INFO basic{};
    const bool known = GetFileInformationByHandle(file, &info) &&
                       GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic) &&
                       !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    CloseHandle(file);
    // A change time of whole seconds is one of a file system that keeps no finer.
    if (!known || basic.ChangeTime.QuadPart % 10'000'000 == 0)
        return std::nullopt;
    return FileStatus{.volume = info.dwVolumeSerialNumber,
                      .file = joined(info.nFileIndexHigh, info.nFileIndexLow),
                      .size = joined(info.nFileSizeHigh, info.nFileSizeLow),
                      .modified = basic.LastWriteTime.QuadPart,
                      .changed = basic.ChangeTime.QuadPart};
}

} // namespace platform
