#include "platform/disk_folder.h"
#include "platform/windows_text.h"

#include <optional>
#include <windows.h>

namespace platform {
namespace {

std::error_code systemError(DWORD code) {
    return {int(code), std::system_category()};
}

std::string lastPart(const std::string& path) {
    const std::size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::optional<BY_HANDLE_FILE_INFORMATION> fileInformation(const std::string& path) {
    const HANDLE file =
        CreateFileW(wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(file, &info);
    CloseHandle(file);
    return ok ? std::optional(info) : std::nullopt;
}

} // namespace

std::error_code renameNoReplace(const std::string& from, const std::string& to) {
    // Without MOVEFILE_REPLACE_EXISTING the move fails when the target exists.
    if (MoveFileExW(wide(from).c_str(), wide(to).c_str(), 0))
        return {};
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)
        return std::make_error_code(std::errc::file_exists);
    return systemError(error);
}

bool isOrdinaryFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           !(attributes &
             (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) &&
           !lastPart(path).starts_with('.');
}

DiskFolder::DiskFolder(const std::string& path) : path_(path + "\\") {}

DiskFolder::~DiskFolder() = default;

std::error_code DiskFolder::rename(const std::string& from, const std::string& to) {
    return renameNoReplace(path_ + from, path_ + to);
}

bool DiskFolder::exists(const std::string& name) const {
    return isOrdinaryFile(path_ + name);
}

bool DiskFolder::present(const std::string& name) const {
    return GetFileAttributesW(wide(path_ + name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool DiskFolder::sameFile(const std::string& a, const std::string& b) const {
    if (a == b)
        return false;
    const auto first = fileInformation(path_ + a);
    const auto second = fileInformation(path_ + b);
    return first && second && first->dwVolumeSerialNumber == second->dwVolumeSerialNumber &&
           first->nFileIndexHigh == second->nFileIndexHigh &&
           first->nFileIndexLow == second->nFileIndexLow;
}

std::error_code DiskFolder::removeTwin(const std::string& name, const std::string& twin) {
    if (!sameFile(name, twin))
        return std::make_error_code(std::errc::invalid_argument);
    if (!DeleteFileW(wide(path_ + name).c_str()))
        return systemError(GetLastError());
    return {};
}

// Windows writes a folder's entries through with the folder's metadata; there is no
// call for a folder handle that an ordinary user may make.
std::error_code DiskFolder::flush() {
    return {};
}

} // namespace platform
