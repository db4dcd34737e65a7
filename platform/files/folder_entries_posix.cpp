#include "platform/files/file_names.h"
#include "platform/files/folder_entries.h"
#include "platform/files/photo_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace platform {
namespace {

// The type readdir reports with the name; links, and entries of file systems that do
// not record types, take a stat.
EntryType typeOf(int folderFd, const dirent& entry) {
    switch (entry.d_type) {
    case DT_REG:
        return EntryType::File;
    case DT_DIR:
        return EntryType::Folder;
    case DT_UNKNOWN:
    case DT_LNK:
        break;
    default:
        return EntryType::Other;
    }
    struct stat st {};
    if (fstatat(folderFd, entry.d_name, &st, 0) != 0)
        return EntryType::Other;
    return S_ISREG(st.st_mode)   ? EntryType::File
           : S_ISDIR(st.st_mode) ? EntryType::Folder
                                 : EntryType::Other;
}

} // namespace

void forEachEntry(const std::string& folder, std::string_view pattern,
                  const std::function<void(std::string_view name, EntryType type)>& visit) {
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return;
    const int fd = dirfd(dir);
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == ".." || !matchesPattern(name, pattern))
            continue;
        visit(name, isHiddenName(name) ? EntryType::Other : typeOf(fd, *entry));
    }
    closedir(dir);
}

} // namespace platform
