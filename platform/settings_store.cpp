#include "platform/settings_store.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStringDecoder>
#include <memory>
#include <utility>

namespace platform {
namespace {

#ifdef Q_OS_WIN
constexpr QSettings::Format kFormat = QSettings::NativeFormat;
#else
constexpr QSettings::Format kFormat = QSettings::IniFormat;
#endif

std::string userLocation() {
#ifdef Q_OS_WIN
    return R"(HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Oskev\Tamblin)";
#else
    // The XDG rule, which also serves macOS: a relative XDG_CONFIG_HOME is to be ignored.
    QString folder = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (folder.isEmpty() || QDir::isRelativePath(folder))
        folder = QDir::homePath() + QStringLiteral("/.config");
    return QDir(folder).filePath(QStringLiteral("Oskev.ini")).toStdString();
#endif
}

// A QSettings of its own for each read and write: it reads the store as it is now, and its
// status tells of this one operation.
std::unique_ptr<QSettings> openStore(const std::string& location) {
    auto settings = std::make_unique<QSettings>(QString::fromStdString(location), kFormat);
    settings->setAtomicSyncRequired(true); // never write the file in place
#ifndef Q_OS_WIN
    settings->beginGroup(QStringLiteral("Tamblin")); // on Windows the key names the section
#endif
    return settings;
}

#ifndef Q_OS_WIN
// True for a settings file QSettings would read only in part: not UTF-8 text, or a section
// header left open (what QSettings itself calls a format error). It reads as absent keys;
// QSettings's own status cannot tell, since after the first reading in a process it
// answers from a cache.
bool isCorrupt(const std::string& location) {
    QFile file(QString::fromStdString(location));
    if (!file.open(QIODevice::ReadOnly))
        return false; // absent or unreadable: QSettings finds that out itself
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringConverter::Utf8);
    [[maybe_unused]] const QString text = utf8(bytes);
    if (utf8.hasError() || bytes.contains('\0'))
        return true;
    for (const QByteArray& line : bytes.split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.startsWith('[') && !trimmed.contains(']'))
            return true;
    }
    return false;
}
#else
// The registry has no file to be corrupt.
bool isCorrupt(const std::string&) {
    return false;
}
#endif

QString keyText(std::string_view key) {
    return QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
}

} // namespace

SettingsStore::SettingsStore() : location_(userLocation()) {}

SettingsStore::SettingsStore(std::string location) : location_(std::move(location)) {}

std::string SettingsStore::read(std::string_view key) const {
    if (isCorrupt(location_))
        return {};
    const std::unique_ptr<QSettings> settings = openStore(location_);
    if (settings->status() != QSettings::NoError)
        return {};
    return settings->value(keyText(key)).toString().toStdString();
}

std::optional<navigation::Failure> SettingsStore::write(std::string_view key,
                                                        const std::string& value) {
    const std::string operation = "write " + std::string(key);
    // A corrupt file read as absent keys; it is started afresh, so that what was read
    // before the write is still what is read after it.
    if (isCorrupt(location_))
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
