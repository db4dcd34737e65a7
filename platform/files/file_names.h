#pragma once

// The rules of names inside a folder, written once for the whole program: which names are
// hidden, and which name one entry of a folder rather than a path. What differs by system,
// the separators, is in file_names_posix.cpp and file_names_windows.cpp, picked by
// platform/files/CMakeLists.txt.

#include <string_view>

namespace platform {

// A hidden name: one with a leading dot, on every system. A hidden entry is neither listed
// nor taken for a photo, by the window and the command line alike; on Windows so is an
// entry marked hidden or system (hidden_attributes_windows.h), whatever its name.
inline bool isHiddenName(std::string_view name) {
    return name.starts_with('.');
}

// The characters that separate the parts of a path: "/", and on Windows "\" as well.
std::string_view pathSeparators();

// The characters no single name holds: the separators and NUL, and on Windows ':', which
// would name a drive ("C:x") or a stream of the file ("a.jpg:x").
std::string_view charactersOutsideNames();

// The last part of `path`, after its last separator; all of it when it has none.
std::string_view lastPart(std::string_view path);

// True for the name of an entry inside a folder: not empty, not "." or "..", and without
// any of charactersOutsideNames(). Whatever else it may be, such a name can move nothing
// out of its folder, nor onto the folder itself.
bool isPlainName(std::string_view name);

} // namespace platform
