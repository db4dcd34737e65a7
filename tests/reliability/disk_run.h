#pragma once

// A run of the batch on a real folder, as the command line makes it, that records how it
// ended, the messages shown and what became of each treated photo.

#include "naming/batch.h"
#include "platform/exif/exif_reader.h"
#include "platform/files/disk_folder.h"
#include "platform/files/photo_listing.h"
#include "tests/support/temp_folder.h"

#include <set>
#include <string>
#include <vector>

namespace reliability {

struct Outcome {
    naming::RunEnd end = naming::RunEnd::Completed;
    std::vector<naming::Message> messages;
    std::vector<std::string> report; // "OLD -> NEW" or "OLD kept", in list order
};

class Recorder : public naming::ErrorSink, public naming::RunObserver {
public:
    void show(naming::Message m) override { outcome.messages.push_back(m); }
    void renamed(const std::string& from, const std::string& to) override {
        outcome.report.push_back(from + " -> " + to);
    }
    void kept(const std::string& name, naming::KeptReason, std::error_code) override {
        outcome.report.push_back(name + " kept");
    }

    Outcome outcome;
};

// The real folder operations, for a test to put something between the run and them by
// overriding rename().
class ForwardingFolder : public naming::Folder {
public:
    explicit ForwardingFolder(const fixture::TempFolder& folder) : disk_(folder.path().string()) {}
    std::error_code rename(const std::string& from, const std::string& to) override {
        return disk_.rename(from, to);
    }
    bool isOrdinaryFile(const std::string& name) const override { return disk_.isOrdinaryFile(name); }
    bool isNameTaken(const std::string& name) const override { return disk_.isNameTaken(name); }
    bool sameFile(const std::string& a, const std::string& b) const override {
        return disk_.sameFile(a, b);
    }
    std::error_code removeTwin(const std::string& name, const std::string& twin) override {
        return disk_.removeTwin(name, twin);
    }
    std::error_code flush() override { return disk_.flush(); }
    std::string identity(const std::string& name) const override { return disk_.identity(name); }

private:
    platform::DiskFolder disk_;
};

// Renames every photo of `folder`, working through `disk` (the real folder operations
// unless a test puts something between the run and them), journaled where `journal` is
// given.
inline Outcome runIn(const fixture::TempFolder& folder, std::string_view birthday,
                     naming::Folder* disk = nullptr, naming::RunJournal* journal = nullptr) {
    const std::string path = folder.path().string();
    Recorder recorder;
    platform::DiskFolder plain(path);
    platform::ExifShootingTimeSource times(path);
    recorder.outcome.end = naming::renamePhotos(
        platform::listPhotos(path), birthday,
        {disk != nullptr ? *disk : plain, times, recorder, &recorder, journal});
    return recorder.outcome;
}

} // namespace reliability
