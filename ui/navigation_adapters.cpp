#include "ui/navigation_adapters.h"

#include "ui/birthday_box.h"
#include "ui/drive_list.h"
#include "ui/file_list.h"
#include "ui/folder_list.h"
#include "ui/native_names.h"
#include "ui/user_feedback.h"

namespace ui {
namespace {

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

std::string DriveListAdapter::drive() const {
    return list_.drive().toStdString();
}

bool DriveListAdapter::setDrive(const std::string& drive) {
    return list_.setDrive(fromUtf8(drive));
}

std::string FolderListAdapter::path() const {
    return list_.path();
}

bool FolderListAdapter::setPath(const std::string& folder) {
    return list_.setPath(folder);
}

std::string FileListAdapter::path() const {
    return list_.path();
}

// The file list would list nothing for a folder whose names cannot be read.
bool FileListAdapter::setPath(const std::string& folder) {
    return isListableFolder(folder) && list_.setPath(folder);
}

bool FileListAdapter::setPattern(std::string_view pattern) {
    list_.setPattern(std::string(pattern));
    return isListableFolder(list_.path());
}

std::string BirthdayBoxAdapter::text() const {
    return box_.text().toStdString();
}

void BirthdayBoxAdapter::setText(const std::string& text) {
    box_.setText(fromUtf8(text));
}

void BeepAdapter::beep() {
    feedback_.beep();
}

} // namespace ui
