// The handlers over real folders, the real store and the real working folders: the
// working folder is the folder the file list shows, also straight after a restart.

#include "navigation/handlers.h"
#include "platform/drives/process_working_folders.h"
#include "platform/settings/user_settings.h"
#include "tests/navigation/fake_controls.h"
#include "tests/platform/two_drives.h"
#include "tests/support/config_home.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using fixture::TwoDrives;

namespace {

// One run of the program on real folders, the lists accepting any folder there is.
class DiskSession {
public:
    DiskSession(const TwoDrives& drives, const std::string& start, const std::string& settings)
        : folders(drives.driveOfFunction(), start), store(settings),
          driveList(drives.driveOf(start),
                    [&drives](auto& d) { return !d.empty() && drives.driveOf(d) == d; }),
          folderList(start, [](auto& f) { return fs::is_directory(f); }),
          fileList(start, [](auto& f) { return fs::is_directory(f); }),
          handlers({driveList, folderList, fileList, birthdayBox, folders, store, beeper}) {
        driveList.changed = [this] { handlers.onDriveChanged(); };
        folderList.changed = [this] { handlers.onFolderChanged(); };
        birthdayBox.changed = [this] { handlers.onBirthdayChanged(); };
        handlers.restoreSettings();
    }
    ~DiskSession() { handlers.saveSettings(); }

    platform::ProcessWorkingFolders folders;
    platform::UserSettings store;
    fixture::FakeDriveList driveList;
    fixture::FakeFolderList folderList;
    fixture::FakeFileList fileList;
    fixture::FakeBirthdayBox birthdayBox;
    fixture::Beeper beeper;
    navigation::Handlers handlers;
};

TEST(HandlersOnDisk, TheWorkingFolderIsTheFolderTheFileListShows) {
    const TwoDrives drives;
    const fixture::ConfigHome home(drives.temp().path() / "config");
    for (const char* folder : {"a/start", "a/trip", "b", "b/DCIM"})
        drives.temp().write(std::string(folder) + "/IMG_0001.jpg", folder);
    {
        DiskSession first(drives, drives.at("a/start"), home.location());
        first.folderList.setPath(drives.at("a/trip"));
        EXPECT_EQ(first.folders.workingFolder(), drives.at("a/trip"));
        first.driveList.setDrive(drives.at("b"));
        EXPECT_EQ(first.folders.workingFolder(), drives.at("b"));
        first.folderList.setPath(drives.at("b/DCIM"));
        EXPECT_EQ(first.folders.workingFolder(), drives.at("b/DCIM"));
        first.driveList.setDrive(drives.at("a"));
        EXPECT_EQ(first.folders.workingFolder(), drives.at("a/trip"));
        first.driveList.setDrive(drives.at("b"));
        EXPECT_EQ(first.beeper.beeps, 0);
    }
    // starts where the first did
    const DiskSession second(drives, drives.at("a/start"), home.location());
    EXPECT_EQ(second.fileList.path(), drives.at("b/DCIM"));
    EXPECT_EQ(second.folders.workingFolder(), drives.at("b/DCIM"));
}

} // namespace

// A folder stored as a relative path would be read against whatever folder the program
// happened to start in, so it counts as absent; the start folder when it is gone is home.
TEST(HandlersOnDisk, RelativeStoredFolderIsAbsentAndAGoneStartFolderIsHome) {
    const TwoDrives drives;
    const fixture::ConfigHome home(drives.temp().path() / "config");
    {
        platform::UserSettings store(home.location());
        ASSERT_EQ(store.write(navigation::kCurrentDrive, drives.at("a")), std::nullopt);
        ASSERT_EQ(store.write(navigation::kCurrentDir, "."), std::nullopt);
    }
    const DiskSession session(drives, drives.at("a/start"), home.location());
    EXPECT_EQ(session.folderList.path(), drives.at("a/start"));

#ifndef _WIN32 // Windows refuses to remove a process's current folder
    // A home that is a link starts where the link leads, as a current folder would.
    const fs::path before = fs::current_path();
    const std::string homeBefore = std::getenv("HOME");
    const fs::path gone = drives.temp().path() / "gone";
    fs::create_directory(gone);
    fs::create_directory_symlink(drives.at("a/start"), drives.temp().path() / "home");
    setenv("HOME", (drives.temp().path() / "home").c_str(), 1);
    fs::current_path(gone);
    fs::remove(gone);
    const std::string start = platform::startFolder();
    fs::current_path(before);
    setenv("HOME", homeBefore.c_str(), 1);
    EXPECT_EQ(start, fs::canonical(drives.at("a/start")).string());
#endif
}
