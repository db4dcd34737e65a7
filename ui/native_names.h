#pragma once

// Names and paths of files and folders as the file system spells them: the platform
// layer's text, UTF-8 on Windows and elsewhere the bytes of the name, which need not be
// UTF-8 at all (a card written under another locale). The lists keep these and hand them
// on unchanged; Qt's strings serve only to show them.

#include <QString>
#include <string>
#include <string_view>

namespace ui {

// The name as a person can read it: UTF-8 decoded, any other byte shown as U+FFFD.
QString shownName(std::string_view name);

// `path` made absolute (against the process's current folder) and lexically normal, in
// the system's notation, without a trailing separator except at a root. Empty for an
// empty path.
std::string normalFolder(const std::string& path);

// The folder holding `folder`; `folder` itself at a root. Both normal.
std::string parentFolder(const std::string& folder);
bool isRoot(const std::string& folder);

// `folder` followed by one name inside it.
std::string childPath(const std::string& folder, std::string_view name);

// The last name of a normal folder's path, or the root itself.
std::string lastName(const std::string& folder);

// True for a folder that can be opened (platform::folderOpenError): its entries can be
// read and told apart.
bool isListableFolder(const std::string& folder);

} // namespace ui
