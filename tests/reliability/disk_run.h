#pragma once

// A run of the batch on a real folder, as the command line makes it, that records how it
// ended, the messages shown and what became of each treated photo.

#include "naming/batch.h"
#include "platform/disk_folder.h"
#include "platform/exif_reader.h"
#include "platform/photo_listing.h"
#include "tests/support/current_folder.h"
#include "tests/support/temp_folder.h"

#include <set>
#include <string>
#include <vector>

namespace reliability {

struct Outcome {
    naming::RunEnd end = naming::RunEnd::Completed;
    std::vector<naming::Message> messages;
    std::vector<std::string> report; // "OLD -> NEW" or "OLD kept", in the order treated
};

class Recorder : public naming::PhotoList, public naming::ErrorSink, public naming::RunObserver {
public:
    Recorder() : names_(platform::listPhotos(".")) {}
    int count() const override { return int(names_.size()); }
    std::string name(int i) const override { return names_[std::size_t(i)]; }
    bool selected(int) const override { return true; }
    void refresh() override {}
    void show(naming::Message m) override { outcome.messages.push_back(m); }
    void renamed(const std::string& from, const std::string& to) override {
        outcome.report.push_back(from + " -> " + to);
    }
    void kept(const std::string& name) override { outcome.report.push_back(name + " kept"); }

    Outcome outcome;

private:
    std::vector<std::string> names_;
};

// Renames every photo of `folder`, working through `disk` (the real folder operations
// unless a test puts something between the run and them).
inline Outcome runIn(const fixture::TempFolder& folder, std::string_view birthday,
                     naming::Folder* disk = nullptr) {
    const fixture::CurrentFolder here(folder.path());
    Recorder recorder;
    platform::DiskFolder plain;
    platform::ExifShootingTimeSource times(".");
    recorder.outcome.end = naming::renamePhotos(
        naming::RunMode::All, birthday,
        {recorder, disk != nullptr ? *disk : plain, times, recorder, &recorder});
    return recorder.outcome;
}

} // namespace reliability
