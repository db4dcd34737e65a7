// tamblinor: the window.

#include "platform/exif_reader.h"
#include "platform/settings_store.h"
#include "ui/user_feedback.h"
#include "ui/window.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    ui::DialogFeedback feedback;
    platform::ExifShootingTimeSource shootingTimes("."); // the folder the window makes current
    platform::SettingsStore settings;
    ui::Window window(feedback, shootingTimes, settings);
    window.show();
    return app.exec();
}
