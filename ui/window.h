#pragma once

// The window as the program runs it: Form1, with its opening and closing and the change
// events of Drive1, Dir1 and Text1 handed to the navigation handlers and to nothing else.
// The handlers keep the lists and the process's working folder in step and remember the
// drive, the folder and the birthday in the settings store; a drive or folder the user
// picks that cannot be shown or entered is answered with a beep.
//
// Build it while the process's current folder is still the one it started in: the lists
// and the process's folders both begin there.

#include "naming/batch.h"
#include "navigation/handlers.h"
#include "platform/process_folders.h"
#include "ui/form1.h"
#include "ui/navigation_adapters.h"

namespace ui {

class UserFeedback;

class Window {
public:
    // `feedback`, `shootingTimes` and `settings` must outlive the window.
    Window(UserFeedback& feedback, naming::ShootingTimeSource& shootingTimes,
           navigation::SettingsStore& settings);

    Form1& form1() { return form1_; }
    // Shows Form1; the settings are restored first, before anything is painted.
    void show() { form1_.show(); }

private:
    void connectEvents();

    // The members are built in this order: the process's folders from the start folder,
    // then the window, whose lists start there too, then the handlers over both.
    platform::ProcessFolders folders_;
    Form1 form1_;
    DriveListAdapter drive1_;
    FolderListAdapter dir1_;
    FileListAdapter file1_;
    BirthdayBoxAdapter text1_;
    BeepAdapter beeper_;
    navigation::Handlers handlers_;
};

} // namespace ui
