#include "ui/window_wiring.h"

#include "platform/drives/volumes.h"
#include "ui/birthday_box.h"
#include "ui/drive_list.h"
#include "ui/folder_list.h"
#include "ui/user_feedback.h"

#include <QAction>
#include <QSignalBlocker>

namespace ui {

WindowWiring::WindowWiring(const std::string& start, UserFeedback& feedback,
                           ReaderForFolder readerFor, navigation::SettingsStore& settings,
                           StartPlace place)
    : working_(platform::driveHolding, start), window_(start, feedback, std::move(readerFor)),
      drives_(window_.driveList()), folders_(window_.folderList()), files_(window_.fileList()),
      birthday_(window_.birthdayBox()), beeper_(feedback),
      handlers_({drives_, folders_, files_, birthday_, working_, settings, beeper_}),
      place_(place) {
    connectEvents();
}

// The window lives as long as the handlers it calls, so it is the connections' context.
void WindowWiring::connectEvents() {
    MainWindow* w = &window_;
    QObject::connect(w, &MainWindow::opening, w, [this, w] {
        handlers_.restoreSettings(place_);
        const QSignalBlocker quiet(w->allMediaEntry());
        w->allMediaEntry().setChecked(handlers_.allMedia());
    });
    QObject::connect(&w->allMediaEntry(), &QAction::toggled, w,
                     [this](bool on) { handlers_.setAllMedia(on); });
    QObject::connect(w, &MainWindow::closing, w, [this] { handlers_.saveSettings(); });
    QObject::connect(&w->driveList(), &DriveList::driveChanged, w,
                     [this] { handlers_.onDriveChanged(); });
    QObject::connect(&w->folderList(), &FolderList::pathChanged, w,
                     [this] { handlers_.onFolderChanged(); });
    QObject::connect(&w->birthdayBox(), &BirthdayBox::textChanged, w,
                     [this] { handlers_.onBirthdayChanged(); });
    // A folder that the folder list cannot show never reaches the handlers: it refuses it
    // itself.
    QObject::connect(&w->folderList(), &FolderList::openRefused, w, [this] { beeper_.beep(); });
}

} // namespace ui
