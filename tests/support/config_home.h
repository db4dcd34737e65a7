#pragma once

// A settings store of the test's own for the life of the object, so that no test touches
// the user's settings. Elsewhere than on Windows it points XDG_CONFIG_HOME, and so the
// store a program opens, at a folder of the test's own. On Windows the store is a
// registry key that no variable moves: the object makes a key of its own under
// HKEY_CURRENT_USER, removed with its values at the end, and tests open location().

#include <filesystem>
#include <optional>
#include <string>

namespace fixture {

class ConfigHome {
public:
    explicit ConfigHome(const std::filesystem::path& folder);
    ~ConfigHome();
    ConfigHome(const ConfigHome&) = delete;
    ConfigHome& operator=(const ConfigHome&) = delete;

    // What platform::UserSettings takes for a store here: Oskev.ini in the folder, or
    // the test's own registry key.
    const std::string& location() const { return location_; }

private:
    std::string location_;
#ifndef _WIN32
    std::optional<std::string> previous_; // the variable's value before, when it was set
#endif
};

} // namespace fixture
