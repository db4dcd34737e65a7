#pragma once

// The names under which the program keeps its per-user data, written once: application
// "Oskev", section "Tamblin", as Visual Basic's SaveSetting named a program's settings.
// The settings store is that application's and section's (the registry key ...\Oskev\Tamblin,
// or Oskev.ini with its section [Tamblin]), and the state folder lies in the folders of
// the same two names (.../Oskev/Tamblin). Changing either would lose every user's settings
// and journals.

#include <string_view>

namespace platform {

inline constexpr std::string_view kApplicationName = "Oskev";
inline constexpr std::string_view kSectionName = "Tamblin";

} // namespace platform
