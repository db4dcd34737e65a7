#include "platform/files/file_names.h"

namespace platform {

std::string_view lastPart(std::string_view path) {
    const std::size_t cut = path.find_last_of(pathSeparators());
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

bool isPlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(charactersOutsideNames()) == std::string_view::npos;
}

} // namespace platform
