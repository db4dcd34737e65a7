// tamblinor-cli's side of the terminal: its arguments as UTF-8, standard output and
// standard error ready for UTF-8 text, and whether standard error is a terminal. console_posix.cpp
// and console_windows.cpp, picked by app/CMakeLists.txt.

#pragma once

#include <string>
#include <vector>

namespace app {

// For the life of the object; the program's output is to be flushed by the time it ends.
class Console {
public:
    // On Windows the arguments are read again from the UTF-16 command line, since argv
    // holds them in the ANSI code page, which cannot spell every name (a Chinese folder
    // on a Western Windows). Elsewhere they are argv's, as the system gave them.
    Console(int argc, char** argv);
    ~Console();
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    int argc() const { return static_cast<int>(arguments_.size()); }
    char** argv() { return pointers_.data(); }
    // Standard error goes to a terminal (a console on Windows), where a line can be
    // rewritten in place.
    bool errorIsTerminal() const;

private:
    std::vector<std::string> arguments_;
    std::vector<char*> pointers_;  // into arguments_, and a null pointer after them
    unsigned restoreCodePage_ = 0; // Windows: the console's output code page before
};

} // namespace app
