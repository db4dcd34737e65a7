#include "platform/files/file_names.h"
#include "platform/files/folder_entries.h"
#include "platform/files/hidden_attributes_windows.h"
#include "platform/files/photo_listing.h"
#include "platform/system/windows_text.h"

#include <windows.h>

namespace platform {
namespace {

// Where a link leads, by the attributes of what it leads to; Other when that is nowhere.
EntryType typeOfTarget(const std::wstring& path) {
    const HANDLE target =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (target == INVALID_HANDLE_VALUE)
        return EntryType::Other;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(target, &info);
    CloseHandle(target);
    if (!known)
        return EntryType::Other;
    return info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? EntryType::Folder : EntryType::File;
}

// The attributes come with the name. Only a link (a symbolic link or a junction) is
// opened, to see what it leads to; other reparse points, such as a cloud drive's
// placeholders for files not yet downloaded, are what their attributes say, so listing
// a synced folder neither opens nor fetches its photos.
EntryType typeOf(const WIN32_FIND_DATAW& entry, const std::wstring& folder) {
    const DWORD attributes = entry.dwFileAttributes;
    if (attributes & (kHiddenAttributes | FILE_ATTRIBUTE_DEVICE))
        return EntryType::Other;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsReparseTagNameSurrogate(entry.dwReserved0))
        return typeOfTarget(folder + entry.cFileName);
    return attributes & FILE_ATTRIBUTE_DIRECTORY ? EntryType::Folder : EntryType::File;
}

} // namespace

void forEachEntry(const std::string& folder, std::string_view pattern,
                  const std::function<void(std::string_view name, EntryType type)>& visit) {
    std::wstring prefix = wide(folder);
    if (!prefix.empty() && prefix.back() != L'\\' && prefix.back() != L'/')
        prefix += L'\\';
    // Every name, matched here: Windows' own matching would also try each file's short
    // 8.3 name, so "*.jpg" would find "holiday.jpeg2" through "HOLIDA~1.JPG".
    WIN32_FIND_DATAW entry;
    const HANDLE search =
        FindFirstFileExW((prefix + L'*').c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                         nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE)
        return;
    char name[3 * MAX_PATH]; // a UTF-16 unit never takes more than three UTF-8 bytes
    do {
        const int length = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, entry.cFileName, -1,
                                               name, sizeof name, nullptr, nullptr);
        if (length <= 1)
            continue;
        const std::string_view utf8(name, std::size_t(length - 1)); // without the zero
        if (utf8 == "." || utf8 == ".." || !matchesPattern(utf8, pattern))
            continue;
        visit(utf8, isHiddenName(utf8) ? EntryType::Other : typeOf(entry, prefix));
    } while (FindNextFileW(search, &entry));
    FindClose(search);
}

} // namespace platform
