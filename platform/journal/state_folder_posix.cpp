#include "platform/journal/state_folder.h"
#include "platform/system/program_names.h"

#include <cstdlib>

namespace platform {

std::string stateFolder() {
    const std::string below = "/" + std::string(kApplicationName) + "/" + std::string(kSectionName);
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/')
        return std::string(state) + below;
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/')
        return {};
    return std::string(home) + "/.local/state" + below;
}

} // namespace platform
