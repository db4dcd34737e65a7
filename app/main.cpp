// tamblinor: the window.

#include "app/window_argument.h"
#include "platform/drives/process_working_folders.h"
#include "platform/files/folder_access.h"
#include "platform/files/utf8_path.h"
#include "platform/settings/user_settings.h"
#include "ui/user_feedback.h"
#include "ui/window_wiring.h"

#include <QApplication>
#include <filesystem>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    ui::DialogFeedback feedback;
    platform::UserSettings settings;

    // The lists begin in the folder named on the command line (a file manager's "Open
    // With"), or its photo's folder; without one, or when it cannot be opened, which a beep
    // tells, in the remembered folder. That is reached from the folder the program was
    // started in, or from home when that one is gone. The process leaves it for its root:
    // no folder the window shows is kept busy by the program, so a card can be taken out
    // whatever the window shows.
    const std::string argument = app::windowArgument(argc, argv);
    const std::string given = argument.empty() ? std::string() : platform::folderMeant(argument);
    if (!argument.empty() && given.empty())
        feedback.beep();
    const std::string start = given.empty() ? platform::startFolder() : given;
    std::error_code ignored;
    std::filesystem::current_path(platform::pathFromUtf8(start).root_path(), ignored);
    ui::WindowWiring wiring(start, feedback, {}, settings,
                            given.empty() ? ui::WindowWiring::StartPlace::Stored
                                          : ui::WindowWiring::StartPlace::Given);

    wiring.show();
    return app.exec();
}
