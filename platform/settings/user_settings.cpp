#include "platform/settings/user_settings.h"

#include "platform/settings/settings_place.h"

#include <QFile>
#include <QSettings>
#include <memory>
#include <utility>

namespace platform {
namespace {

// A QSettings of its own for each read and write: it reads the store as it is now, and its
// status tells of this one operation.
std::unique_ptr<QSettings> openStore(const std::string& location) {
    auto settings =
        std::make_unique<QSettings>(QString::fromStdString(location), settings_place::format());
    settings->setAtomicSyncRequired(true); // never write the file in place
    settings_place::enterSection(*settings);
    return settings;
}

QString keyText(std::string_view key) {
    return QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
}

} // namespace

UserSettings::UserSettings() : location_(settings_place::userLocation()) {}

UserSettings::UserSettings(std::string location) : location_(std::move(location)) {}

std::string UserSettings::read(std::string_view key) const {
    if (settings_place::isCorrupt(location_))
        return {};
    const std::unique_ptr<QSettings> settings = openStore(location_);
    if (settings->status() != QSettings::NoError)
        return {};
    return settings->value(keyText(key)).toString().toStdString();
}

std::optional<navigation::Failure> UserSettings::write(std::string_view key,
                                                       const std::string& value) {
    const std::string operation = "write " + std::string(key);
    // A corrupt file read as absent keys; it is started afresh, so that what was read
    // before the write is still what is read after it.
    if (settings_place::isCorrupt(location_))
        QFile::remove(QString::fromStdString(location_));
    {
        const std::unique_ptr<QSettings> settings = openStore(location_);
        settings->setValue(keyText(key), QString::fromStdString(value));
        settings->sync();
        if (settings->status() == QSettings::AccessError)
            return navigation::Failure{operation, location_, "cannot be written"};
    }
    // Read back from the store itself: what counts is what the next start will find.
    if (read(key) != value)
        return navigation::Failure{operation, location_, "does not read back"};
    return std::nullopt;
}

} // namespace platform
