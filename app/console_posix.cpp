#include "app/console.h"

#include <unistd.h>

namespace app {

// A terminal takes the bytes as they are; the user's locale is UTF-8 or the names are not.
Console::Console(int argc, char** argv) : arguments_(argv, argv + argc) {
    for (std::string& argument : arguments_)
        pointers_.push_back(argument.data());
    pointers_.push_back(nullptr);
}

Console::~Console() = default;

bool Console::errorIsTerminal() const {
    return ::isatty(STDERR_FILENO) == 1;
}

} // namespace app
