#include "ui/navigation_adapters.h"

#include "ui/birthday_box.h"
#include "ui/drive_list.h"
#include "ui/file_list.h"
#include "ui/folder_list.h"
#include "ui/user_feedback.h"

#include <QDir>
#include <QFileInfo>

namespace ui {
namespace {

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A folder whose names can be read; File1 would list nothing for any other.
bool isListable(const QString& folder) {
    return !folder.isEmpty() && QFileInfo(folder).isDir() && QDir(folder).isReadable();
}

} // namespace

std::string DriveListAdapter::drive() const {
    return list_.drive().toStdString();
}

bool DriveListAdapter::setDrive(const std::string& drive) {
    return list_.setDrive(fromUtf8(drive));
}

std::string FolderListAdapter::path() const {
    return list_.path().toStdString();
}

bool FolderListAdapter::setPath(const std::string& folder) {
    return list_.setPath(fromUtf8(folder));
}

std::string FileListAdapter::path() const {
    return list_.path().toStdString();
}

bool FileListAdapter::setPath(const std::string& folder) {
    const QString path = fromUtf8(folder);
    return isListable(path) && list_.setPath(path);
}

bool FileListAdapter::setPattern(std::string_view pattern) {
    list_.setPattern(fromUtf8(pattern));
    return isListable(list_.path());
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
