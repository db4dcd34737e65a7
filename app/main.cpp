// tamblinor: the window.

#include "platform/exif_reader.h"
#include "ui/default_navigation.h"
#include "ui/form1.h"
#include "ui/user_feedback.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    ui::DialogFeedback feedback;
    platform::ExifShootingTimeSource shootingTimes;
    ui::Form1 form1(feedback, shootingTimes);
    ui::connectDefaultNavigation(form1);
    form1.show();
    return app.exec();
}
