#pragma once

// Points the per-user state folder, where the run journals go (XDG_STATE_HOME, or
// LOCALAPPDATA on Windows), at a folder of the test's own for the life of the object;
// programs the test starts meanwhile inherit it.

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace fixture {

class StateHome {
public:
    explicit StateHome(const std::filesystem::path& folder) {
        if (const auto* previous = read())
            previous_ = previous;
        write(folder.native().c_str());
    }
    ~StateHome() { write(previous_ ? previous_->c_str() : nullptr); }
    StateHome(const StateHome&) = delete;
    StateHome& operator=(const StateHome&) = delete;

private:
#ifdef _WIN32
    static const wchar_t* read() {
        return _wgetenv(L"LOCALAPPDATA");
    }
    static void write(const wchar_t* value) {
        _wputenv_s(L"LOCALAPPDATA", value ? value : L"");
    }
    std::optional<std::wstring> previous_;
#else
    static const char* read() {
        return std::getenv("XDG_STATE_HOME");
    }
    static void write(const char* value) {
        if (value)
            setenv("XDG_STATE_HOME", value, 1);
        else
            unsetenv("XDG_STATE_HOME");
    }
    std::optional<std::string> previous_;
#endif
};

} // namespace fixture
