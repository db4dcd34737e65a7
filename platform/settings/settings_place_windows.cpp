#include "platform/settings/settings_place.h"
#include "platform/system/program_names.h"

namespace platform::settings_place {

QSettings::Format format() {
    return QSettings::NativeFormat;
}

std::string userLocation() {
    std::string key = R"(HKEY_CURRENT_USER\Software\VB and VBA Program Settings)";
    key.append("\\").append(kApplicationName).append("\\").append(kSectionName);
    return key;
}

// The key names the section.
void enterSection(QSettings&) {}

// The registry has no file to be corrupt.
bool isCorrupt(const std::string&) {
    return false;
}

} // namespace platform::settings_place
