#include "tests/support/config_home.h"

#include <cstdlib>

#ifdef _WIN32
#include <atomic>
#include <windows.h>
#endif

namespace fixture {

#ifdef _WIN32
namespace {

constexpr const wchar_t* kTestsKey = L"Software\\Tamblinor tests";

// Unique among the tests that run side by side: each one runs in a process of its own.
std::string ownKey() {
    static std::atomic<int> made = 0;
    return "Software\\Tamblinor tests\\" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++made);
}

std::wstring wide(const std::string& ascii) {
    return {ascii.begin(), ascii.end()};
}

} // namespace

ConfigHome::ConfigHome(const std::filesystem::path&)
    : location_("HKEY_CURRENT_USER\\" + ownKey() + "\\Tamblin") {}

ConfigHome::~ConfigHome() {
    const std::string prefix = "HKEY_CURRENT_USER\\";
    const std::string own = location_.substr(prefix.size(), location_.rfind('\\') - prefix.size());
    RegDeleteTreeW(HKEY_CURRENT_USER, wide(own).c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, kTestsKey); // only once no other test has a key there
}
#else
namespace {
constexpr const char* kVariable = "XDG_CONFIG_HOME";
}

ConfigHome::ConfigHome(const std::filesystem::path& folder)
    : location_((folder / "Oskev.ini").string()) {
    if (const char* previous = std::getenv(kVariable))
        previous_ = previous;
    setenv(kVariable, folder.c_str(), 1);
}

ConfigHome::~ConfigHome() {
    if (previous_)
        setenv(kVariable, previous_->c_str(), 1);
    else
        unsetenv(kVariable);
}
#endif

} // namespace fixture
