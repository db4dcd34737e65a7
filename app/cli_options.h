// tamblinor-cli's command line: the options of a run, or the exit status to stop with.

#pragma once

#include <set>
#include <string>
#include <variant>

namespace app {

// What a run does: rename photos, take the last run on the folder back, or list the runs.
enum class Action { Rename, Undo, History };

struct Options {
    Action action = Action::Rename;
    std::string birthday;
    std::set<std::string> only; // empty: every photo
    bool allMedia = false;      // every kind of naming::kAllMediaPattern, not *.jpg alone
    bool dryRun = false;
    std::string folder = ".";
};

// The options in argv, or the exit status to stop with once what was asked for has been
// written: 0 after --help (standard output) or --version, 64 after a usage error
// (standard error). --birthday is required for a rename, and taken by nothing else.
std::variant<Options, int> parseOptions(int argc, char** argv);

} // namespace app
