#pragma once

// Other programs run by a test, and files made the way a careful second program makes
// them: the parts of the tests that differ by system (process_posix.cpp,
// process_windows.cpp).

#include "tests/support/temp_folder.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace fixture {

// A program started with `arguments`, each handed over as it is (no shell in between),
// in `folder` (the test's own current folder when empty), with nothing on standard input
// and its output written to the files `out` and `err` (thrown away where empty).
class StartedProgram {
public:
    StartedProgram(const std::string& program, const std::vector<std::string>& arguments,
                   const std::filesystem::path& folder = {}, const std::filesystem::path& out = {},
                   const std::filesystem::path& err = {});
    // Waits for the program if wait() has not.
    ~StartedProgram();
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;

    bool started() const { return handle_ != kNone; }
    // Its process id on POSIX, its process HANDLE on Windows, while it has not been
    // waited for.
    std::intptr_t handle() const { return handle_; }
    // Its exit status, once it has ended; -1 when it did not start or did not exit by
    // itself (killed).
    int wait();

private:
    static constexpr std::intptr_t kNone = -1;
    std::intptr_t handle_ = kNone; // a process id or a process HANDLE
    int status_ = -1;
};

struct Finished {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the program to its end (see StartedProgram) and gives what it wrote.
inline Finished runProgram(const std::string& program, const std::vector<std::string>& arguments,
                           const std::filesystem::path& folder = {}) {
    const TempFolder output;
    Finished finished;
    finished.status =
        StartedProgram(program, arguments, folder, output.at("out"), output.at("err")).wait();
    finished.out = output.read("out");
    finished.err = output.read("err");
    return finished;
}

// Creates `file` holding `contents` only where its name is free, in one step, the way a
// careful program does; false where the name was taken (or the file could not be made).
bool createNew(const std::filesystem::path& file, std::string_view contents);

} // namespace fixture
