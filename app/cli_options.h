// tamblinor-cli's command line: the options of a run, or the exit status to stop with.

#pragma once

#include <set>
#include <string>
#include <variant>

namespace app {

struct Options {
    std::string birthday;
    std::set<std::string> only; // empty: every photo
    bool dryRun = false;
    std::string folder = ".";
};

// The options in argv, or the exit status to stop with once what was asked for has been
// written: 0 after --help (standard output) or --version, 64 after a usage error
// (standard error). Every option is optional to the parser but --birthday.
std::variant<Options, int> parseOptions(int argc, char** argv);

} // namespace app
