#include "platform/journal/state_folder.h"
#include "platform/system/program_names.h"

#include <cstdlib>

namespace platform {

std::string stateFolder() {
    std::string folder;
    const char* state = std::getenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    if (state != nullptr && state[0] == '/')
        folder = state;
    else if (home != nullptr && home[0] == '/')
        folder.append(home).append("/.local/state");
    else
        return {};
    folder.append("/").append(kApplicationName).append("/").append(kSectionName);
    return folder;
}

} // namespace platform
