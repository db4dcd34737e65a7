#pragma once

// The per-user settings store of application "Oskev", section "Tamblin" (the names are
// platform/system/program_names.h's): texts under the keys the navigation uses, through
// QSettings.
//
// Windows: the registry key
//     HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Oskev\Tamblin
// the place where a desktop program's per-user settings of an application and a section
// have been kept since Visual Basic's SaveSetting, one text value per key.
// Elsewhere: the INI file Oskev.ini in the user's configuration folder ($XDG_CONFIG_HOME,
// or ~/.config when that is unset or not a full path), section [Tamblin], UTF-8. Each
// write replaces the file in one step (a new file, synced, renamed over the old one), so
// the file is never seen half written.
//
// Every read and write goes to the store itself, nothing is cached: a write is on disk
// when it returns, and a read sees what another copy of the program wrote meanwhile.

#include "navigation/interfaces.h"

#include <optional>
#include <string>
#include <string_view>

namespace platform {

class UserSettings final : public navigation::SettingsStore {
public:
    // The user's store, at the place above as the environment gives it now.
    UserSettings();
    // The store at another place of the same kind: a registry key's full name (from
    // HKEY_CURRENT_USER on) on Windows, an INI file's path elsewhere. For tests, which
    // leave the user's own settings alone.
    explicit UserSettings(std::string location);

    // The registry key or the INI file's full path, for whoever wants to see it.
    const std::string& location() const { return location_; }

    // An unreadable or corrupt store reads as absent keys: the empty text.
    std::string read(std::string_view key) const override;
    // Fails when the store cannot be written, or when the text does not read back.
    std::optional<navigation::Failure> write(std::string_view key,
                                             const std::string& value) override;

private:
    std::string location_;
};

} // namespace platform
