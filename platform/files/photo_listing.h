#pragma once

// The photos of a folder in the order people expect: the file list of the window and
// the command line both list through here, so they always agree. The window's folder
// list takes its subfolders from here too, in the same order.

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Case-insensitive natural order: IMG_2 before IMG_10, img_3 beside IMG_3. Runs of
// digits compare by value; ties fall back to plain byte order so the order is total.
bool naturalLess(std::string_view a, std::string_view b);

// True when `name` matches a wildcard pattern ("*" any run, "?" one character),
// ASCII letters compared without regard to case, or one of several parted by ";"
// ("*.jpg;*.mov").
bool matchesPattern(std::string_view name, std::string_view pattern);

// The ordinary, non-hidden files of `folder` whose names match `pattern`, in natural
// order. An unreadable folder lists nothing.
std::vector<std::string> listPhotos(const std::string& folder, std::string_view pattern = "*.jpg");

// The visible folders directly inside `folder`, links to folders included, in natural
// order. An unreadable folder lists nothing.
std::vector<std::string> listFolders(const std::string& folder);

// Every entry of `folder` whose name matches `pattern`, whatever it is (folders and
// hidden files too), in no particular order.
std::vector<std::string> listEntries(const std::string& folder, std::string_view pattern);

} // namespace platform
