#pragma once

// Which folder a path names, however it is spelled: what the journals and the locks of a
// photo folder are keyed by, so that "c:/photos/baby" and "C:\Photos\Baby", or a path
// through a link, reach the same history and the same turn.
// stored_path_posix.cpp and stored_path_windows.cpp, picked by files/CMakeLists.txt.

#include <string>

namespace platform {

// The folder's full path (UTF-8) as its volume stores it, links resolved: every spelling
// of one folder gives one text. On Windows, with backslashes, the letters' case as stored
// and no "\\?\" prefix ("\\server\share\..." for a network folder). Where the folder
// cannot be opened, its full path worked out from the text alone (on Windows, the drive
// letter upper case).
std::string storedFolderPath(const std::string& folder);

// Which folder it is on its volume, as a short text that any file system takes as a file
// name ("DEVICE-INODE" on POSIX, "SERIAL-FILEINDEX" on Windows, in hexadecimal): the same
// for every path that reaches the folder, a bind mount or a second drive letter among
// them, while the volume stays mounted. Empty where it cannot be told.
std::string folderIdentity(const std::string& folder);

} // namespace platform
