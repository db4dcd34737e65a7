#include "platform/state_folder.h"

#include <cstdlib>

namespace platform {

std::string stateFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/')
        return std::string(state) + "/Oskev/Tamblin";
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/')
        return {};
    return std::string(home) + "/.local/state/Oskev/Tamblin";
}

} // namespace platform
