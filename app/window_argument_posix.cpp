#include "app/window_argument.h"

namespace app {

// Qt's decoding would turn the bytes of a name that is not UTF-8 into other characters.
std::string windowArgument(int argc, char** argv) {
    return argc > 1 ? std::string(argv[1]) : std::string();
}

} // namespace app
