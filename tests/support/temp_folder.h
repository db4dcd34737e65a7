#pragma once

// A fresh, empty folder for one test, removed with everything in it when the test ends.
// Tests that touch files use it to assert the folder's whole listing and that no
// file's contents changed.

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace fixture {

class TempFolder {
public:
    // Creates a uniquely named folder under the system's temporary folder. Throws
    // std::filesystem::filesystem_error when it cannot.
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Names here are UTF-8, on Windows too, where a std::string path would be read in the
    // ANSI code page.
    const std::filesystem::path& path() const { return path_; }
    // The path of `name` (UTF-8, may hold a folder: "a/b.jpg") inside the folder.
    std::filesystem::path at(const std::string& name) const;

    // Writes a file of that name and contents, replacing any; returns its full path.
    std::filesystem::path write(const std::string& name, std::string_view bytes) const;
    // The contents of the named file; throws when it cannot be read.
    std::string read(const std::string& name) const;

    // Names of everything in the folder, or in its subfolder `inside` (files, hidden
    // files, subfolders), sorted.
    std::vector<std::string> listing(const std::string& inside = {}) const;
    // Name to contents of every regular file in the folder.
    std::map<std::string, std::string> contents() const;
    // The same contents without their names: what no rename may change.
    std::multiset<std::string> unnamedContents() const;

private:
    std::filesystem::path path_;
};

} // namespace fixture
