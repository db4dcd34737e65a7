#include "ui/default_navigation.h"

#include "ui/drive_list.h"
#include "ui/file_list.h"
#include "ui/folder_list.h"
#include "ui/form1.h"

#include <QDir>

namespace ui {

void connectDefaultNavigation(Form1& form) {
    QObject::connect(&form.drive1(), &DriveList::driveChanged, &form,
                     [&form](const QString& drive) { form.dir1().setPath(drive); });
    QObject::connect(&form.dir1(), &FolderList::pathChanged, &form, [&form](const QString& path) {
        form.file1().setPath(path);
        QDir::setCurrent(form.file1().path());
    });
    QObject::connect(&form, &Form1::opening, &form,
                     [&form] { form.file1().setPattern(QStringLiteral("*.jpg")); });
}

} // namespace ui
