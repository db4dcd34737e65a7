#pragma once

// Makes a folder the process's current folder for the life of the object. The program
// itself only leaves the folder it was started in, once, and enters no other: tests use
// this to hand relative names to the functions that take them, and to show that a reader
// holding a folder of its own does not look in the process's current one.

#include <filesystem>

namespace fixture {

class CurrentFolder {
public:
    explicit CurrentFolder(const std::filesystem::path& folder)
        : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~CurrentFolder() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
    }
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;

private:
    std::filesystem::path previous_;
};

} // namespace fixture
