#include "platform/files/file_names.h"

namespace platform {

std::string_view pathSeparators() {
    return "/\\";
}

std::string_view charactersOutsideNames() {
    return {"/\\:\0", 4};
}

} // namespace platform
