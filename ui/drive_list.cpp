#include "ui/drive_list.h"

#include "platform/drives/volumes.h"
#include "platform/files/utf8_path.h"
#include "ui/inner_widget.h"

#include <QComboBox>
#include <algorithm>
#include <functional>

namespace ui {

using platform::Volume;

namespace {

// Reads the drives again each time it drops down, so a card inserted since shows up.
class VolumeCombo : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> beforePopup;

    void showPopup() override {
        beforePopup();
        QComboBox::showPopup();
    }
};

QString entryText(const Volume& volume) {
    const QString mountPoint = QString::fromStdString(volume.mountPoint);
    if (volume.label.empty())
        return mountPoint;
    return QStringLiteral("%1 [%2]").arg(mountPoint, QString::fromStdString(volume.label));
}

} // namespace

DriveList::DriveList(const std::string& start, QWidget* parent) : QWidget(parent) {
    auto* combo = new VolumeCombo(this);
    combo->beforePopup = [this] { readDrives(); };
    combo_ = combo;
    fillWith(*this, *combo_);

    const std::vector<Volume> volumes = platform::systemVolumes();
    list(volumes);
    // Mount points and drive letters are matched against the path with '/' separators.
    const int holding =
        platform::volumeHolding(platform::utf8FromPath(platform::pathFromUtf8(start)), volumes);
    if (holding >= 0)
        combo_->setCurrentIndex(indexOf(QString::fromStdString(volumes[holding].mountPoint)));

    connect(combo_, &QComboBox::currentIndexChanged, this, [this] { emit driveChanged(drive()); });
}

QString DriveList::drive() const {
    return combo_->currentData().toString();
}

bool DriveList::setDrive(const QString& text) {
    if (indexOf(text) < 0)
        readDrives();
    const int index = indexOf(text);
    if (index < 0)
        return false;
    combo_->setCurrentIndex(index);
    return true;
}

void DriveList::readDrives() {
    list(platform::systemVolumes());
}

void DriveList::list(const std::vector<Volume>& volumes) {
    const QString selected = drive();
    const QSignalBlocker quiet(combo_);
    combo_->clear();
    for (const Volume& volume : volumes)
        combo_->addItem(entryText(volume), QString::fromStdString(volume.mountPoint));
    // A selected drive that went away stays listed, so the selection never changes behind
    // the user's back; the next reading drops it once another drive is selected.
    if (!selected.isEmpty() && indexOf(selected) < 0)
        combo_->addItem(selected, selected);
    combo_->setCurrentIndex(std::max(indexOf(selected), 0));
}

int DriveList::indexOf(const QString& text) const {
    if (text.isEmpty())
        return -1;
    const int byDrive = combo_->findData(text);
    return byDrive >= 0 ? byDrive : combo_->findText(text);
}

} // namespace ui
