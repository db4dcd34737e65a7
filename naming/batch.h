#pragma once

// The batch rename run behind both buttons of the window and the command line: each
// photo's shooting time is read and its new name computed, then the photo is moved
// aside under a temporary name and on to its new name. It sees the world only through
// the interfaces below.

#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace naming {

// A photo passes through this name on its way to its new one; one that an interrupted
// run left under it is named in place by the next run.
inline constexpr std::string_view kTemporaryName = "0_0.jpg";

enum class RunMode { All, Selected };

// The only two messages the user ever sees.
enum class Message { BadBirthday, MetadataMissing };
std::string_view messageText(Message message);

// The listed photos, by index from 0, as they were when the run began.
class PhotoList {
public:
    virtual ~PhotoList() = default;
    virtual int count() const = 0;
    virtual std::string name(int index) const = 0;
    virtual bool selected(int index) const = 0;
    // Reads the folder again so the list shows the present names.
    virtual void refresh() = 0;
};

// The working folder. Names are plain file names inside it.
class Folder {
public:
    virtual ~Folder() = default;
    // Renames without ever replacing an existing file; an empty error code on success.
    virtual std::error_code rename(const std::string& from, const std::string& to) = 0;
    // True for an ordinary file of that name: not a folder, not a hidden file.
    virtual bool exists(const std::string& name) const = 0;
};

// Reads a photo's Exif DateTimeOriginal text: an empty text when the photo has none,
// no value when the reader itself cannot be used.
class ShootingTimeSource {
public:
    virtual ~ShootingTimeSource() = default;
    virtual std::optional<std::string> shootingTime(const std::string& fileName) = 0;
};

class ErrorSink {
public:
    virtual ~ErrorSink() = default;
    virtual void show(Message message) = 0;
};

// Told what became of each photo the run treated; for the command line's report.
class RunObserver {
public:
    virtual ~RunObserver() = default;
    virtual void renamed(const std::string& from, const std::string& to) = 0;
    virtual void kept(const std::string& name) = 0;
};

struct RunContext {
    PhotoList& photos;
    Folder& folder;
    ShootingTimeSource& times;
    ErrorSink& errors;
    RunObserver* observer = nullptr;
};

enum class RunEnd {
    Completed,       // every photo treated and the list refreshed
    BadBirthday,     // ended with Message::BadBirthday
    MetadataMissing, // ended with Message::MetadataMissing
};

// Renames every listed photo (RunMode::All) or the selected ones after the child's age
// on its shooting time. A photo is never overwritten and never lost: one that cannot be
// renamed keeps its name, and one that cannot be given its name back stays under
// kTemporaryName, where the next run picks it up.
RunEnd renamePhotos(RunMode mode, std::string_view birthday, const RunContext& context);

} // namespace naming
