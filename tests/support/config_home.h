#pragma once

// Points XDG_CONFIG_HOME, and so the settings store, at a folder of the test's own for the
// life of the object.

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace fixture {

class ConfigHome {
public:
    explicit ConfigHome(const std::filesystem::path& folder) {
        if (const char* previous = std::getenv(kVariable))
            previous_ = previous;
        setenv(kVariable, folder.c_str(), 1);
    }
    ~ConfigHome() {
        if (previous_)
            setenv(kVariable, previous_->c_str(), 1);
        else
            unsetenv(kVariable);
    }
    ConfigHome(const ConfigHome&) = delete;
    ConfigHome& operator=(const ConfigHome&) = delete;

private:
    static constexpr const char* kVariable = "XDG_CONFIG_HOME";
    std::optional<std::string> previous_;
};

} // namespace fixture
