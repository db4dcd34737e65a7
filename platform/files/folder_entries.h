#pragma once

// The part of listing a folder that differs by system: reading its entries and telling
// files from folders. folder_entries_posix.cpp and folder_entries_windows.cpp, picked by
// files/CMakeLists.txt; the order and the choice of entries are photo_listing.cpp's.

#include <functional>
#include <string>
#include <string_view>

namespace platform {

// What an entry is, links followed. A hidden entry is Other (see file_names.h: a name with
// a leading dot, and on Windows one marked hidden or system). So is anything that is neither an
// ordinary file nor a folder, and a link that leads nowhere.
enum class EntryType { File, Folder, Other };

// Calls visit(name, type) for each entry of `folder` (UTF-8) but "." and "..", in no
// particular order, whose name matches the wildcard `pattern` (see matchesPattern);
// names come as UTF-8 (on Linux, the bytes the file system holds). An unreadable folder
// has no entries. A name Windows holds that is not valid UTF-16 has no UTF-8 form, could
// not be reached again through one, and is passed over.
void forEachEntry(const std::string& folder, std::string_view pattern,
                  const std::function<void(std::string_view name, EntryType type)>& visit);

} // namespace platform
