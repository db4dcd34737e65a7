#include "navigation/drive_letter.h"

namespace navigation {

std::string driveLetterOf(std::string_view path) {
    if (path.size() < 2 || path[1] != ':' || (path.size() > 2 && path[2] != '\\' && path[2] != '/'))
        return {};
    const char letter = path[0];
    if (letter >= 'a' && letter <= 'z')
        return {char(letter - 'a' + 'A'), ':'};
    if (letter >= 'A' && letter <= 'Z')
        return {letter, ':'};
    return {};
}

} // namespace navigation
