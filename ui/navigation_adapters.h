#pragma once

// The window's controls and feedback as the navigation handlers see them (see
// navigation/interfaces.h). Texts cross as UTF-8; drive texts and paths are the controls'
// own, passed through unchanged, paths as the file system spells them (native_names.h).

#include "navigation/interfaces.h"

#include <string>
#include <string_view>

namespace ui {

class BirthdayBox;
class DriveList;
class FileList;
class FolderList;
class UserFeedback;

class DriveListAdapter final : public navigation::DriveControl {
public:
    explicit DriveListAdapter(ui::DriveList& list) : list_(list) {}
    std::string drive() const override;
    bool setDrive(const std::string& drive) override;

private:
    ui::DriveList& list_;
};

class FolderListAdapter final : public navigation::FolderControl {
public:
    explicit FolderListAdapter(ui::FolderList& list) : list_(list) {}
    std::string path() const override;
    bool setPath(const std::string& folder) override;

private:
    ui::FolderList& list_;
};

// The file list lists nothing, without complaint, for a folder it cannot read; here that
// is a failure, so that the handlers take the lists back to a folder that can be listed.
class FileListAdapter final : public navigation::FileControl {
public:
    explicit FileListAdapter(ui::FileList& list) : list_(list) {}
    std::string path() const override;
    // False, and the list unchanged, for a folder that cannot be read.
    bool setPath(const std::string& folder) override;
    // Takes the pattern even when the listed folder cannot be read, which it reports:
    // from start-up on the list is one of photos, wherever it goes next.
    bool setPattern(std::string_view pattern) override;

private:
    ui::FileList& list_;
};

class BirthdayBoxAdapter final : public navigation::TextControl {
public:
    explicit BirthdayBoxAdapter(BirthdayBox& box) : box_(box) {}
    std::string text() const override;
    void setText(const std::string& text) override;

private:
    BirthdayBox& box_;
};

class BeepAdapter final : public navigation::Feedback {
public:
    explicit BeepAdapter(UserFeedback& feedback) : feedback_(feedback) {}
    void beep() override;

private:
    UserFeedback& feedback_;
};

} // namespace ui
