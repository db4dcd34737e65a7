#include "navigation/handlers.h"

#include "naming/media_kinds.h"
#include "navigation/drive_letter.h"

#include <utility>

namespace navigation {
namespace {

// Holds a value in a variable for the length of a scope, however the scope is left.
template <typename T> class Holding {
public:
    Holding(T& variable, T value) : variable_(variable), saved_(std::exchange(variable, value)) {}
    ~Holding() { variable_ = saved_; }
    Holding(const Holding&) = delete;
    Holding& operator=(const Holding&) = delete;

private:
    T& variable_;
    T saved_;
};

std::string_view patternOf(bool allMedia) {
    return allMedia ? naming::kAllMediaPattern : naming::kPhotoPattern;
}

} // namespace

Handlers::Handlers(const NavigationContext& context)
    : c_(context), agreed_{c_.drives.drive(), c_.folders.path()} {}

void Handlers::onDriveChanged() {
    navigate(&Handlers::followDrive);
}

void Handlers::onFolderChanged() {
    navigate(&Handlers::followFolder);
}

// The folder list's assignment raises its change, whose handler runs nested and has to
// succeed too; the folder list is read anew after it.
bool Handlers::followDrive() {
    const std::string folder = c_.working.folderOn(c_.drives.drive());
    if (folder.empty() || !assign([&] { return c_.folders.setPath(folder); }))
        return false;
    return !c_.working.setCurrentDrive(c_.folders.path());
}

bool Handlers::followFolder() {
    if (!c_.files.setPath(c_.folders.path()))
        return false;
    const std::string folder = c_.files.path();
    if (c_.working.setCurrentFolder(folder))
        return false;
    // Where volumes are mounted inside folders, the folder list can walk from one drive
    // onto another. The drive list then follows, and its handler makes that drive, and so
    // the folder, current.
    const std::string drive = c_.working.driveOf(folder);
    if (drive.empty() || drive == c_.drives.drive())
        return true;
    return assign([&] { return c_.drives.setDrive(drive); });
}

// Run nested, a drive or folder handler only tells its failure to the assignment that
// raised it. The outermost one settles the event: it notes where the lists now agree, or,
// on a failure anywhere in the cascade, takes them back to where they last agreed and
// beeps, unless start-up's trap is there to catch the failure.
void Handlers::navigate(bool (Handlers::*follow)()) {
    if (goingBack_)
        return;
    bool followed = false;
    {
        const Holding nested(depth_, depth_ + 1);
        followed = (this->*follow)();
    }
    if (!followed)
        handlerFailed_ = true;
    if (depth_ > 0)
        return;
    if (followed) {
        agreed_ = {c_.drives.drive(), c_.folders.path()};
        return;
    }
    goBack();
    if (!loading_)
        c_.feedback.beep();
}

// The lists are set back in the cascade's order without raising their handlers again. A
// failed cascade never got as far as changing the current drive, so making the folder
// current again on it is enough. Each part of the place was agreed a moment ago; should
// one have gone since, its setter fails, changing nothing, and the rest still goes back.
void Handlers::goBack() {
    const Holding quiet(goingBack_, true);
    c_.drives.setDrive(agreed_.drive);
    c_.folders.setPath(agreed_.folder);
    c_.files.setPath(agreed_.folder);
    c_.working.setCurrentFolder(agreed_.folder);
}

// Makes an assignment that may raise a change event. True when both the assignment and
// the handler it raised succeeded.
bool Handlers::assign(const std::function<bool()>& assignment) {
    const Holding fresh(handlerFailed_, false);
    return assignment() && !handlerFailed_;
}

// A failed write is let go: the box goes on working and its next change writes again.
// Start-up step 5 hears of it through handlerFailed_.
void Handlers::onBirthdayChanged() {
    if (c_.settings.write(kBirthday, c_.birthday.text()))
        handlerFailed_ = true;
}

void Handlers::restoreSettings(StartPlace place) {
    const Holding loading(loading_, true);
    const bool caught = place == StartPlace::Stored && !restoreDriveAndFolder();
    restorePatternAndBirthday(caught);
}

// Steps 2 and 3; a failed drive restore skips the folder restore. An empty text designates
// no drive and no folder, so at first start the lists stay where they are.
bool Handlers::restoreDriveAndFolder() {
    return assign([&] { return c_.drives.setDrive(storedPlace(kCurrentDrive)); }) &&
           assign([&] { return c_.folders.setPath(storedPlace(kCurrentDir)); });
}

// Drive and folder are kept as full paths (or a bare drive letter). Anything else would
// be read against whatever folder the program happened to start in: it counts as absent.
std::string Handlers::storedPlace(std::string_view key) const {
    std::string text = c_.settings.read(key);
    const bool driveLetter = !navigation::driveLetterOf(text).empty();
    const bool rooted = !text.empty() && (text[0] == '/' || text[0] == '\\');
    return driveLetter || rooted ? text : std::string();
}

// Steps 4 and 5, where the trap resumes. `caught` tells whether the trap has caught a
// failure already.
void Handlers::restorePatternAndBirthday(bool caught) {
    for (;;) {
        if (!c_.files.setPattern(patternOf(allMedia())) && !std::exchange(caught, true))
            continue;
        const bool restored = assign([&] {
            c_.birthday.setText(c_.settings.read(kBirthday));
            return true;
        });
        if (!restored && !std::exchange(caught, true))
            continue;
        return;
    }
}

bool Handlers::allMedia() const {
    return c_.settings.read(kAllMedia) == "1";
}

// A failed write is let go, as the birthday's is: the list still follows.
void Handlers::setAllMedia(bool on) {
    c_.settings.write(kAllMedia, on ? "1" : "0");
    if (!c_.files.setPattern(patternOf(on)))
        c_.feedback.beep();
}

// Both writes on every close, changed or not. A failed write is let go: the window closes
// all the same and the store keeps what the previous close wrote.
void Handlers::saveSettings() {
    c_.settings.write(kCurrentDrive, c_.drives.drive());
    c_.settings.write(kCurrentDir, c_.folders.path());
}

} // namespace navigation
