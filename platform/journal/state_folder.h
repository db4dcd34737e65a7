#pragma once

// The per-user folder where the program keeps what it records about its runs, never in a
// photo folder: $XDG_STATE_HOME/Oskev/Tamblin (~/.local/state/Oskev/Tamblin where that is
// unset or not a full path), %LOCALAPPDATA%\Oskev\Tamblin on Windows; the two names are
// program_names.h's.
// state_folder_posix.cpp and state_folder_windows.cpp, picked by journal/CMakeLists.txt.

#include <string>

namespace platform {

// The folder's full path in UTF-8, whether or not it exists yet; empty where the system
// names no home for it.
std::string stateFolder();

} // namespace platform
