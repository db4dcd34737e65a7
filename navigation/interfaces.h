#pragma once

// What the navigation handlers see of the world: the three lists and the birthday box of
// the window, the current drive and folders, the settings store and the beep.
// Texts are UTF-8, except folder paths on Linux, which are the file system's bytes as
// they stand. Drive texts are the drive list's own and are never looked inside; folder
// texts are full paths that begin with their drive.
//
// Setters that can fail say so by their result and change nothing when they fail. A
// setter that changes its control raises the control's change event inside the call, so
// the handler of that event has run to its end by the time the setter returns.

#include <optional>
#include <string>
#include <string_view>

namespace navigation {

// The keys of the store, under application "Oskev", section "Tamblin". Nothing else is
// read or written.
inline constexpr std::string_view kCurrentDrive = "CurrentDrive";
inline constexpr std::string_view kCurrentDir = "CurrentDir";
inline constexpr std::string_view kBirthday = "birthday";
// "1" where the file list shows every kind of file a run names, JPEG photos alone otherwise.
inline constexpr std::string_view kAllMedia = "AllMedia";

// A platform operation that did not happen, as data: what was tried ("change folder"),
// on what (a folder, a drive, the settings file), and the system's reason. Nothing shows
// it to the user; it is there for tests and for whoever debugs.
struct Failure {
    std::string operation;
    std::string target;
    std::string reason;

    friend bool operator==(const Failure&, const Failure&) = default;
};

// The drive list.
class DriveControl {
public:
    virtual ~DriveControl() = default;
    virtual std::string drive() const = 0;
    // Selects the drive that `drive` designates: any text drive() reported. False when
    // that drive is not present (an empty text designates none).
    virtual bool setDrive(const std::string& drive) = 0;
};

// The folder list.
class FolderControl {
public:
    virtual ~FolderControl() = default;
    virtual std::string path() const = 0;
    // Shows the folder. False when it cannot be shown: absent, not a folder, unreadable.
    virtual bool setPath(const std::string& folder) = 0;
};

// The file list.
class FileControl {
public:
    virtual ~FileControl() = default;
    virtual std::string path() const = 0;
    // Lists the folder with the current pattern. False when it cannot be listed.
    virtual bool setPath(const std::string& folder) = 0;
    // Lists the folder again with `pattern`. False when it cannot be listed.
    virtual bool setPattern(std::string_view pattern) = 0;
};

// The birthday box.
class TextControl {
public:
    virtual ~TextControl() = default;
    virtual std::string text() const = 0;
    virtual void setText(const std::string& text) = 0;
};

// The current drive, and a current folder for each drive. They are the program's own:
// the folder a run works in is the current drive's folder.
class WorkingFolders {
public:
    virtual ~WorkingFolders() = default;
    // The drive text of the drive the path `path` lies on (a drive text designates its
    // own drive), as the drive list gives it. Empty when no drive holds it.
    virtual std::string driveOf(const std::string& path) const = 0;
    // The current folder of the drive that `drive` designates: the one last made current
    // on it, its root before that. Empty when no such drive can be found.
    virtual std::string folderOn(const std::string& drive) const = 0;
    // Makes `folder` the current folder of the drive it lies on. It becomes the working
    // folder only when that drive is the current drive.
    virtual std::optional<Failure> setCurrentFolder(const std::string& folder) = 0;
    // Makes the drive that `text` designates, or that the path `text` lies on, the
    // current drive; that drive's current folder becomes the working folder.
    virtual std::optional<Failure> setCurrentDrive(const std::string& text) = 0;
};

// The per-user settings store of application "Oskev", section "Tamblin". Texts only.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored text. The empty text when the key or the section is absent, and when the
    // store itself is absent, unreadable or corrupt.
    virtual std::string read(std::string_view key) const = 0;
    // Replaces the key's text and has it kept on disk before returning.
    virtual std::optional<Failure> write(std::string_view key, const std::string& value) = 0;
};

// How a refused change of drive or folder is told to the user: no message, a beep.
class Feedback {
public:
    virtual ~Feedback() = default;
    virtual void beep() = 0;
};

} // namespace navigation
