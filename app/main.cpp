// tamblinor: the window.

#include "platform/drives/working_folders.h"
#include "platform/files/utf8_path.h"
#include "platform/settings/settings_store.h"
#include "ui/user_feedback.h"
#include "ui/window_wiring.h"

#include <QApplication>
#include <filesystem>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    ui::DialogFeedback feedback;
    platform::SettingsStore settings;

    // The lists begin in the folder the program was started in, or at home when that one
    // is gone. The process leaves it for its root: no folder the window shows is kept
    // busy by the program, so a card can be taken out whatever the window shows.
    const std::string start = platform::startFolder();
    std::error_code ignored;
    std::filesystem::current_path(platform::pathFromUtf8(start).root_path(), ignored);
    ui::WindowWiring wiring(start, feedback, {}, settings);

    wiring.show();
    return app.exec();
}
