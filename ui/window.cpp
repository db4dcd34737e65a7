#include "ui/window.h"

#include "ui/birthday_box.h"
#include "ui/drive_list.h"
#include "ui/folder_list.h"
#include "ui/user_feedback.h"

namespace ui {

Window::Window(UserFeedback& feedback, naming::ShootingTimeSource& shootingTimes,
               navigation::SettingsStore& settings)
    : folders_(driveHolding), form1_(feedback, shootingTimes), drive1_(form1_.drive1()),
      dir1_(form1_.dir1()), file1_(form1_.file1()), text1_(form1_.text1()), beeper_(feedback),
      handlers_({drive1_, dir1_, file1_, text1_, folders_, settings, beeper_}) {
    connectEvents();
}

// Form1 lives as long as the handlers it calls, so it is the connections' context.
void Window::connectEvents() {
    Form1* form = &form1_;
    QObject::connect(form, &Form1::opening, form, [this] { handlers_.form1Load(); });
    QObject::connect(form, &Form1::closing, form, [this] { handlers_.form1Unload(); });
    QObject::connect(&form->drive1(), &DriveList::driveChanged, form,
                     [this] { handlers_.drive1Change(); });
    QObject::connect(&form->dir1(), &FolderList::pathChanged, form,
                     [this] { handlers_.dir1Change(); });
    QObject::connect(&form->text1(), &BirthdayBox::textChanged, form,
                     [this] { handlers_.text1Change(); });
    // A folder that Dir1 cannot show never reaches the handlers: Dir1 refuses it itself.
    QObject::connect(&form->dir1(), &FolderList::openRefused, form, [this] { beeper_.beep(); });
}

} // namespace ui
