#pragma once

// Stand-ins for the window's controls, the settings store and the beep. Each list accepts
// what its predicate accepts and, like the real controls, raises its change event inside
// the assignment that changes it.

#include "navigation/interfaces.h"

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fixture {

using Accepts = std::function<bool(const std::string&)>;

class FakeDriveList final : public navigation::DriveControl {
public:
    FakeDriveList(std::string drive, Accepts present)
        : drive_(std::move(drive)), present_(std::move(present)) {}
    std::string drive() const override { return drive_; }
    bool setDrive(const std::string& drive) override {
        if (!present_(drive))
            return false;
        if (std::exchange(drive_, drive) != drive)
            changed();
        return true;
    }
    std::function<void()> changed;

private:
    std::string drive_;
    Accepts present_;
};

class FakeFolderList final : public navigation::FolderControl {
public:
    FakeFolderList(std::string path, Accepts shows)
        : path_(std::move(path)), shows_(std::move(shows)) {}
    std::string path() const override { return path_; }
    bool setPath(const std::string& folder) override {
        if (!shows_(folder))
            return false;
        if (std::exchange(path_, folder) != folder)
            changed();
        return true;
    }
    std::function<void()> changed;

private:
    std::string path_;
    Accepts shows_;
};

class FakeFileList final : public navigation::FileControl {
public:
    FakeFileList(std::string path, Accepts lists)
        : path_(std::move(path)), lists_(std::move(lists)) {}
    std::string path() const override { return path_; }
    bool setPath(const std::string& folder) override {
        if (!lists_(folder))
            return false;
        path_ = folder;
        return true;
    }
    bool setPattern(std::string_view pattern) override {
        ++patternSettings;
        if (failingPatterns > 0) {
            --failingPatterns;
            return false;
        }
        pattern_ = pattern;
        return true;
    }
    const std::string& pattern() const { return pattern_; }
    int failingPatterns = 0;
    int patternSettings = 0;

private:
    std::string path_;
    Accepts lists_;
    std::string pattern_ = "*";
};

class FakeBirthdayBox final : public navigation::TextControl {
public:
    std::string text() const override { return text_; }
    void setText(const std::string& text) override {
        if (std::exchange(text_, text) != text)
            changed();
    }
    // Each key is one change, as typing makes it.
    void type(std::string_view keys) {
        for (const char key : keys)
            setText(text_ + key);
    }
    std::function<void()> changed;

private:
    std::string text_;
};

class Store final : public navigation::SettingsStore {
public:
    std::string read(std::string_view key) const override {
        const auto found = values.find(key);
        return found != values.end() ? found->second : "";
    }
    std::optional<navigation::Failure> write(std::string_view key,
                                             const std::string& value) override {
        writes.push_back(std::string(key) + "=" + value);
        if (broken)
            return navigation::Failure{"write " + std::string(key), "store", "broken"};
        values[std::string(key)] = value;
        return std::nullopt;
    }
    int writesOf(std::string_view key) const {
        return int(std::count_if(writes.begin(), writes.end(), [&](const std::string& write) {
            return write.starts_with(std::string(key) + "=");
        }));
    }
    std::map<std::string, std::string, std::less<>> values;
    std::vector<std::string> writes; // "key=value", in order, the failed ones too
    bool broken = false;
};

class Beeper final : public navigation::Feedback {
public:
    void beep() override { ++beeps; }
    int beeps = 0;
};

} // namespace fixture
