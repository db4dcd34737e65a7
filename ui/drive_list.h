#pragma once

// The drive list: the drop-down list of the machine's drives. On Linux the drives are the
// root and the mounted volumes a person would pick (see volumes.h); elsewhere the volumes
// the system reports. Each entry reads "mount point [label]".

#include "platform/drives/volumes.h"

#include <QString>
#include <QWidget>
#include <vector>

class QComboBox;

namespace ui {

class DriveList : public QWidget {
    Q_OBJECT

public:
    // Starts on the drive that holds the folder `start`, a full path.
    explicit DriveList(const std::string& start, QWidget* parent = nullptr);

    // The selected drive as its mount point: "/", "/media/anna/SDCARD", "C:".
    QString drive() const;

    // Selects the drive that drive() reported as `text`, or whose entry reads `text`; reads
    // the drives again first when it is not listed (a card inserted since). False, and the
    // selection unchanged, when no such drive is present.
    bool setDrive(const QString& text);

signals:
    // Raised inside the change, whether the user picked the drive or setDrive() did.
    void driveChanged(const QString& drive);

private:
    void readDrives();
    // Fills the list, keeping the selected drive selected, without raising driveChanged.
    void list(const std::vector<platform::Volume>& volumes);
    int indexOf(const QString& text) const;

    QComboBox* combo_;
};

} // namespace ui
