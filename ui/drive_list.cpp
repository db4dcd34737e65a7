#include "ui/drive_list.h"

#include "ui/inner_widget.h"
#include "ui/volumes.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <functional>
#include <map>

#ifdef Q_OS_LINUX
#include <QFile>
#else
#include <QStorageInfo>
#endif

namespace ui {
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

#ifdef Q_OS_LINUX
// udev links each labelled file system's device under /dev/disk/by-label.
std::map<QString, std::string> labelsByDevice() {
    std::map<QString, std::string> labels;
    const QDir byLabel(QStringLiteral("/dev/disk/by-label"));
    for (const QFileInfo& link :
         byLabel.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
        labels[link.canonicalFilePath()] = decodeUdevName(link.fileName().toStdString());
    return labels;
}
#endif

QString entryText(const Volume& volume) {
    const QString mountPoint = QString::fromStdString(volume.mountPoint);
    if (volume.label.empty())
        return mountPoint;
    return QStringLiteral("%1 [%2]").arg(mountPoint, QString::fromStdString(volume.label));
}

} // namespace

#ifdef Q_OS_LINUX
std::vector<Volume> systemVolumes() {
    QFile mountTable(QStringLiteral("/proc/self/mountinfo"));
    if (!mountTable.open(QIODevice::ReadOnly))
        return {{"/", ""}};
    const QByteArray text = mountTable.readAll();
    const std::map<QString, std::string> labels = labelsByDevice();
    return pickableVolumes(
        std::string_view(text.constData(), static_cast<std::size_t>(text.size())),
        [&labels](const std::string& device) {
            const auto found =
                labels.find(QFileInfo(QString::fromStdString(device)).canonicalFilePath());
            return found == labels.end() ? std::string() : found->second;
        });
}
#else
std::vector<Volume> systemVolumes() {
    std::vector<Volume> volumes;
    for (const QStorageInfo& storage : QStorageInfo::mountedVolumes()) {
        QString root = storage.rootPath();
        // "C:" rather than "C:/": as a path it then means that drive's current folder.
        if (root.size() == 3 && root.endsWith(QLatin1String(":/")))
            root.chop(1);
        if (storage.isValid() && storage.isReady())
            volumes.push_back({root.toStdString(), storage.name().toStdString()});
    }
    return volumes;
}
#endif

DriveList::DriveList(QWidget* parent) : QWidget(parent) {
    auto* combo = new VolumeCombo(this);
    combo->beforePopup = [this] { readDrives(); };
    combo_ = combo;
    fillWith(*this, *combo_);

    const std::vector<Volume> volumes = systemVolumes();
    list(volumes);
    const int start = volumeHolding(QDir::currentPath().toStdString(), volumes);
    if (start >= 0)
        combo_->setCurrentIndex(indexOf(QString::fromStdString(volumes[start].mountPoint)));

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
    list(systemVolumes());
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
