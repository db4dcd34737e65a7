#pragma once

// The user's home folder, where the window starts when its own folder is gone.
// home_folder_posix.cpp and home_folder_windows.cpp, picked by drives/CMakeLists.txt.

#include <string>

namespace platform {

// The home folder as the environment gives it ($HOME; %USERPROFILE% on Windows), in
// UTF-8; empty when it does not.
std::string homeFolder();

} // namespace platform
