// The path the window was started with, such as a file manager's "Open With" passes: the
// first argument left once Qt has taken its own. window_argument_posix.cpp and
// window_argument_windows.cpp, picked by app/CMakeLists.txt.

#pragma once

#include <string>

namespace app {

// UTF-8 on Windows, elsewhere the bytes the system gave; empty when there is none. Call
// after the QApplication is made, with the argc and argv it was given.
std::string windowArgument(int argc, char** argv);

} // namespace app
