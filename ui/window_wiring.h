#pragma once

// The window as the program runs it: the main window, with its opening and closing and
// the change events of its drive list, folder list and birthday box handed to the
// navigation handlers and to nothing else. The handlers keep the lists and the working
// folder in step and remember the drive, the folder and the birthday in the settings
// store; a drive or folder the user picks that cannot be shown or entered is answered
// with a beep.

#include "navigation/handlers.h"
#include "platform/drives/process_working_folders.h"
#include "ui/main_window.h"
#include "ui/navigation_adapters.h"

#include <string>

namespace ui {

class UserFeedback;

class WindowWiring {
public:
    // The lists and the working folders begin in `start`, a full path, and go to the
    // stored drive and folder on opening unless `place` says `start` is the user's choice.
    // `feedback` and `settings` must outlive the window.
    using StartPlace = navigation::Handlers::StartPlace;
    WindowWiring(const std::string& start, UserFeedback& feedback, ReaderForFolder readerFor,
                 navigation::SettingsStore& settings, StartPlace place = StartPlace::Stored);

    // Shows the window; the settings are restored first, before anything is painted.
    void show() { window_.show(); }

private:
    void connectEvents();

    // Built in this order: the working folders, the window, then the handlers over both.
    platform::ProcessWorkingFolders working_;
    MainWindow window_;
    DriveListAdapter drives_;
    FolderListAdapter folders_;
    FileListAdapter files_;
    BirthdayBoxAdapter birthday_;
    BeepAdapter beeper_;
    navigation::Handlers handlers_;
    StartPlace place_;
};

} // namespace ui
