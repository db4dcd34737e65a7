#include "platform/settings/settings_place.h"
#include "platform/system/program_names.h"
#include "platform/system/utf8.h"

#include <QDir>
#include <QFile>
#include <string_view>

namespace platform::settings_place {

QSettings::Format format() {
    return QSettings::IniFormat;
}

// The XDG rule, which also serves macOS: a relative XDG_CONFIG_HOME is to be ignored.
std::string userLocation() {
    QString folder = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (folder.isEmpty() || QDir::isRelativePath(folder))
        folder = QDir::homePath() + QStringLiteral("/.config");
    const QString file = QString::fromUtf8(kApplicationName.data(),
                                           static_cast<qsizetype>(kApplicationName.size())) +
                         QStringLiteral(".ini");
    return QDir(folder).filePath(file).toStdString();
}

void enterSection(QSettings& settings) {
    settings.beginGroup(
        QString::fromUtf8(kSectionName.data(), static_cast<qsizetype>(kSectionName.size())));
}

// Not UTF-8 text, or a section header left open (what QSettings itself calls a format
// error). QSettings's own status cannot tell, since after the first reading in a process
// it answers from a cache.
bool isCorrupt(const std::string& location) {
    QFile file(QString::fromStdString(location));
    if (!file.open(QIODevice::ReadOnly))
        return false; // absent or unreadable: QSettings finds that out itself
    const QByteArray bytes = file.readAll();
    if (!isUtf8(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))) ||
        bytes.contains('\0'))
        return true;
    for (const QByteArray& line : bytes.split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.startsWith('[') && !trimmed.contains(']'))
            return true;
    }
    return false;
}

} // namespace platform::settings_place
