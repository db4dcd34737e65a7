#include "platform/files/stored_path.h"
#include "platform/system/windows_text.h"

#include <cstdio>
#include <string_view>
#include <windows.h>

namespace platform {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr std::wstring_view kLongPrefix = L"\\\\?\\";
constexpr std::wstring_view kLongUncPrefix = L"\\\\?\\UNC\\";

// The folder itself, a link or a junction followed to where it leads. Opening for no
// access at all conflicts with no other program's sharing; backup semantics is what
// opens a folder rather than a file.
class OpenFolder {
public:
    explicit OpenFolder(const std::string& folder)
        : handle_(CreateFileW(wide(folder).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr)) {}
    ~OpenFolder() {
        if (opened())
            CloseHandle(handle_);
    }
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;

    bool opened() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE handle() const { return handle_; }

private:
    HANDLE handle_;
};

// "\\?\C:\Photos\Baby" as "C:\Photos\Baby", "\\?\UNC\server\share" as "\\server\share".
std::wstring withoutLongPrefix(std::wstring path) {
    if (path.starts_with(kLongUncPrefix))
        return L"\\\\" + path.substr(kLongUncPrefix.size());
    if (path.starts_with(kLongPrefix))
        return path.substr(kLongPrefix.size());
    return path;
}

// The path as the volume stores it: the subst drive, the junction and the mapped drive
// resolved, the case of each name as stored. Empty where the folder has no drive letter
// or network name to be written with (a volume mounted nowhere).
std::wstring finalPath(HANDLE folder) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFinalPathNameByHandleW(folder, path.data(), DWORD(path.size()),
                                                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0)
            return {};
        if (length < path.size()) { // the length written, without the terminating zero
            path.resize(length);
            return path;
        }
        path.resize(length); // the room needed, with the terminating zero
    }
}

// The full path worked out from the text alone: separators made backslashes, "." and ".."
// taken out, the drive letter upper case, no separator at the end but a root's.
std::wstring fullPathName(const std::string& folder) {
    const std::wstring name = wide(folder);
    const DWORD needed = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return name;
    std::wstring path(needed, L'\0');
    path.resize(GetFullPathNameW(name.c_str(), needed, path.data(), nullptr));
    path = withoutLongPrefix(std::move(path));
    if (path.size() >= 2 && path[1] == L':' && path[0] >= L'a' && path[0] <= L'z')
        path[0] = wchar_t(path[0] - L'a' + L'A');
    while (path.size() > 3 && path.back() == L'\\' && !path.ends_with(L":\\"))
        path.pop_back();
    return path;
}

} // namespace

std::string storedFolderPath(const std::string& folder) {
    std::wstring path;
    if (const OpenFolder open(folder); open.opened())
        path = withoutLongPrefix(finalPath(open.handle()));
    return utf8((path.empty() ? fullPathName(folder) : path).c_str());
}

// The volume's serial number and the folder's 64-bit file index. On ReFS, whose file ids
// are 128 bits wide, two folders may share an index: their runs then only take turns.
std::string folderIdentity(const std::string& folder) {
    const OpenFolder open(folder);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!open.opened() || !GetFileInformationByHandle(open.handle(), &info))
        return {};
    char text[32]; // a 32-bit and a 64-bit number in hexadecimal and a dash
    std::snprintf(
        text, sizeof text, "%lx-%llx", static_cast<unsigned long>(info.dwVolumeSerialNumber),
        (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow);
    return text;
}

} // namespace platform
