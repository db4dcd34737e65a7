#pragma once

// The five handlers of folder navigation and remembered settings. The window hands them
// the change events of the drive list, the folder list and the birthday box and its own
// load and unload, and nothing else; they keep the lists and the working folder in step:
//
//   drive list -> folder list -> file list -> working folder
//
// so that whenever no handler runs, the file list lists the folder the folder list shows,
// that folder is the working folder, and its drive is the one selected in the drive list
// and the current drive. Nothing is ever shown to the user: a drive or folder that the
// user picks and that cannot be read or entered is refused with a beep, and the lists go
// back to where they were; a failed write of the store is let go.

#include "navigation/interfaces.h"

#include <functional>
#include <string>
#include <string_view>

namespace navigation {

struct NavigationContext {
    DriveControl& drives;
    FolderControl& folders;
    FileControl& files;
    TextControl& birthday;
    WorkingFolders& working;
    SettingsStore& settings;
    Feedback& feedback;
};

class Handlers {
public:
    // The controls must already agree with the working folders' current drive and folder, as
    // they do when the window has just been built: that is where a refused change of
    // drive or folder goes back to until the first change succeeds.
    explicit Handlers(const NavigationContext& context);

    // The drive list's change: the folder list shows the drive's current folder, the file
    // list and the working folder follow, and the drive becomes the current drive.
    void onDriveChanged();
    // The folder list's change: the file list lists the folder and it becomes the working
    // folder.
    void onFolderChanged();
    // The birthday box's change: its text is stored as the birthday, as it stands.
    void onBirthdayChanged();
    // The window's opening (its load), the start-up sequence, before the user can act:
    //   1. arm the trap, which stays armed to the end;
    //   2. select the stored drive ("CurrentDrive") in the drive list;
    //   3. show the stored folder ("CurrentDir") in the folder list;
    //   4. give the file list the pattern "*.jpg" (every kind a run names where "AllMedia"
    //      is stored as "1");
    //   5. put the stored birthday into the birthday box, whose change writes it back.
    // The trap catches a failure of step 2 (then step 3 is skipped) or of step 3 without
    // a word and goes on at step 4. Its first catch in step 4 or 5 runs both again; a
    // failure after a catch is let go, so start-up always ends. A window started on a
    // folder of the user's choosing skips steps 2 and 3 and stays there.
    enum class StartPlace { Stored, Given };
    void restoreSettings(StartPlace place = StartPlace::Stored);
    // The window's closing (its unload): stores the drive and then the folder. The close
    // is never refused.
    void saveSettings();

    // Whether the file list shows phone videos, HEIC and .jpeg photos beside the *.jpg
    // photos, as stored. Set, it is stored at once and the file list follows; a folder
    // that can no longer be listed beeps.
    bool allMedia() const;
    void setAllMedia(bool on);

private:
    struct Place {
        std::string drive;
        std::string folder;
    };

    bool followDrive();
    bool followFolder();
    void navigate(bool (Handlers::*follow)());
    void goBack();
    bool assign(const std::function<bool()>& assignment);
    bool restoreDriveAndFolder();
    std::string storedPlace(std::string_view key) const;
    void restorePatternAndBirthday(bool caught);

    NavigationContext c_;
    // Where the lists and the working folder last agreed; the one thing kept between
    // events, so that a refused change can go back there.
    Place agreed_;
    int depth_ = 0; // drive and folder handlers now running, nested
    bool goingBack_ = false;
    bool loading_ = false;
    // Set by a handler that failed, for the assignment that raised it (see assign()).
    bool handlerFailed_ = false;
};

} // namespace navigation
