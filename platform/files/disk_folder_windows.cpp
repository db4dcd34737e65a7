#include "naming/photo_identity.h"
#include "platform/files/disk_folder.h"
#include "platform/files/file_names.h"
#include "platform/files/hidden_attributes_windows.h"
#include "platform/system/windows_error.h"
#include "platform/system/windows_text.h"

#include <optional>
#include <string>
#include <windows.h>

namespace platform {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::error_code lastError() {
    return windowsError(GetLastError());
}

// The name itself, not what a link leads to. Opening for no access at all conflicts with
// no other program's sharing.
std::optional<BY_HANDLE_FILE_INFORMATION> fileInformation(const std::string& path) {
    const HANDLE file = CreateFileW(wide(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(file, &info);
    CloseHandle(file);
    return ok ? std::optional(info) : std::nullopt;
}

// The attributes of what `path` names, a link followed to where it leads.
std::optional<DWORD> attributesFollowingLinks(const std::string& path) {
    const std::wstring name = wide(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return std::nullopt;
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return attributes;
    const HANDLE target = CreateFileW(name.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (target == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(target, &info);
    CloseHandle(target);
    // Hidden and system count for the name, not for where it leads.
    return ok ? std::optional((info.dwFileAttributes & ~kHiddenAttributes) |
                              (attributes & kHiddenAttributes))
              : std::nullopt;
}

// MoveFileExW without MOVEFILE_REPLACE_EXISTING: the file system itself refuses a taken
// name, in the same step as the rename (on NTFS, FAT and exFAT alike), so no file that
// appears under `to` meanwhile can be replaced. Without MOVEFILE_COPY_ALLOWED a move to
// another drive fails rather than copying.
std::error_code renameNoReplace(const std::string& from, const std::string& to) {
    if (MoveFileExW(wide(from).c_str(), wide(to).c_str(), 0))
        return {};
    const DWORD error = GetLastError();
    // A taken name is ERROR_ALREADY_EXISTS, or ERROR_FILE_EXISTS from some redirectors.
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)
        return std::make_error_code(std::errc::file_exists);
    return windowsError(error);
}

bool isOrdinaryFileAt(const std::string& path) {
    const std::string_view name = lastPart(path);
    if (name.empty() || isHiddenName(name))
        return false;
    const std::optional<DWORD> attributes = attributesFollowingLinks(path);
    return attributes &&
           !(*attributes & (FILE_ATTRIBUTE_DIRECTORY | kHiddenAttributes | FILE_ATTRIBUTE_DEVICE));
}

} // namespace

// Only the folder's path is held: Windows has no calls that take names inside a folder
// handle, and an open handle would keep the card busy.
struct DiskFolder::Held {
    std::string path; // with a separator at its end, where it is not empty
};

DiskFolder::DiskFolder(const std::string& path) : held_(std::make_unique<Held>(Held{path})) {
    std::string& held = held_->path;
    if (!held.empty() && held.back() != '/' && held.back() != '\\')
        held += '\\';
}

DiskFolder::~DiskFolder() = default;

std::error_code DiskFolder::rename(const std::string& from, const std::string& to) {
    return renameNoReplace(held_->path + from, held_->path + to);
}

bool DiskFolder::isOrdinaryFile(const std::string& name) const {
    return isOrdinaryFileAt(held_->path + name);
}

bool DiskFolder::isNameTaken(const std::string& name) const {
    return !name.empty() &&
           GetFileAttributesW(wide(held_->path + name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Names that differ only in case are one entry to Windows; removing one would remove the
// photo. Only a file with a second link can be under two entries.
bool DiskFolder::sameFile(const std::string& a, const std::string& b) const {
    if (a == b)
        return false;
    const auto first = fileInformation(held_->path + a);
    const auto second = fileInformation(held_->path + b);
    return first && second && !(first->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
           first->dwVolumeSerialNumber == second->dwVolumeSerialNumber &&
           first->nFileIndexHigh == second->nFileIndexHigh &&
           first->nFileIndexLow == second->nFileIndexLow && first->nNumberOfLinks >= 2 &&
           second->nNumberOfLinks >= 2;
}

std::error_code DiskFolder::removeTwin(const std::string& name, const std::string& twin) {
    if (!sameFile(name, twin))
        return std::make_error_code(std::errc::invalid_argument);
    if (!DeleteFileW(wide(held_->path + name).c_str()))
        return lastError();
    return {};
}

// In 100 ns steps since 1601, as Windows counts time.
std::string DiskFolder::identity(const std::string& name) const {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (name.empty() ||
        !GetFileAttributesExW(wide(held_->path + name).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return {};
    const auto join = [](DWORD high, DWORD low) {
        return std::to_string((unsigned long long)high << 32 | low);
    };
    return join(data.nFileSizeHigh, data.nFileSizeLow) + ":" +
           join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
}

bool DiskFolder::hasIdentity(const std::string& name, std::string_view recorded) const {
    return naming::fileIdentitiesAgree(identity(name), recorded, 36'000'000'000);
}

unsigned DiskFolder::linkCount(const std::string& name) const {
    const auto information = fileInformation(held_->path + name);
    return information ? static_cast<unsigned>(information->nNumberOfLinks) : 0;
}

// Windows documents no way to write a folder's entries through. NTFS journals its
// renames, and removable drives are set for quick removal (no write cache) unless the
// user chose otherwise.
std::error_code DiskFolder::flush() {
    return {};
}

} // namespace platform
