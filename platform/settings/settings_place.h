#pragma once

// The part of the settings store that differs by system: where the store is, in which of
// QSettings's formats, where its section is, and whether it can be corrupt.
// settings_place_posix.cpp and settings_place_windows.cpp, picked by
// settings/CMakeLists.txt.

#include <QSettings>
#include <string>

namespace platform::settings_place {

// QSettings's format of the store: the registry, or an INI file.
QSettings::Format format();

// The user's store, at the place settings_store.h tells of.
std::string userLocation();

// Makes `settings` read and write the section, where the location does not name it.
void enterSection(QSettings& settings);

// True for a store QSettings would read only in part; it reads as absent keys.
bool isCorrupt(const std::string& location);

} // namespace platform::settings_place
