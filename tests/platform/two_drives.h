#pragma once

// Two folders of a temporary folder standing in for two drives, "a" and "b", for the
// working folders over real folders; the tests start in a/start.

#include "platform/drives/process_working_folders.h"
#include "tests/support/temp_folder.h"

#include <filesystem>
#include <string>

namespace fixture {

class TwoDrives {
public:
    TwoDrives() { make(temp_); }

    std::string at(const std::string& relative) const { return (temp_.path() / relative).string(); }
    std::string driveOf(const std::string& path) const {
        for (const std::string& drive : {at("a"), at("b")})
            if (path == drive || path.starts_with(drive + "/"))
                return drive;
        return {};
    }
    platform::ProcessWorkingFolders::DriveOf driveOfFunction() const {
        return [this](const std::string& path) { return driveOf(path); };
    }
    const fixture::TempFolder& temp() const { return temp_; }

private:
    static void make(const fixture::TempFolder& temp) {
        for (const char* folder : {"a/start", "a/trip", "b/DCIM"})
            std::filesystem::create_directories(temp.path() / folder);
    }
    fixture::TempFolder temp_;
};

} // namespace fixture
