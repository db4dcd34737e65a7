#include "platform/drives/home_folder.h"

#include <cstdlib>

namespace platform {

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    return home ? home : std::string();
}

} // namespace platform
