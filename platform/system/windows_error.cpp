#include "platform/system/windows_error.h"

#include "platform/system/windows_text.h"

#include <windows.h>

namespace platform {
namespace {

class WindowsCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "windows"; }

    std::string message(int code) const override {
        wchar_t* text = nullptr;
        const DWORD length = FormatMessageW(
            FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
        std::string message = length > 0 ? utf8(text) : std::string();
        LocalFree(text);
        // The system's texts end in a full stop and a line break; the program's messages
        // are lines of their own.
        while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                    message.back() == ' ' || message.back() == '.'))
            message.pop_back();
        return message.empty() ? "error " + std::to_string(code) : message;
    }

    std::error_condition default_error_condition(int code) const noexcept override {
        return std::system_category().default_error_condition(code);
    }
};

} // namespace

const std::error_category& windowsCategory() {
    static const WindowsCategory category;
    return category;
}

} // namespace platform
