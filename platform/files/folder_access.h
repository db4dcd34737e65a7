#pragma once

// Whether a folder can be opened: the one test of the window's lists, the working folders
// and the command line.

#include <string>
#include <system_error>

namespace platform {

// No error when `folder` (UTF-8) can be opened as a folder of photos: it is a folder (a
// link to one counts) whose entries can be listed (read permission) and told apart (search
// permission, which looking at each entry needs). Otherwise the system's reason, such as
// std::errc::no_such_file_or_directory, not_a_directory or permission_denied.
std::error_code folderOpenError(const std::string& folder);

// The folder that a path handed to the program means, as a full path (UTF-8): the path
// itself when it is a folder, the folder holding it when it is anything else, such as a
// photo. Empty when that folder cannot be opened.
std::string folderMeant(const std::string& path);

} // namespace platform
