#pragma once

// The one harness of the tests that run the batch or take a run back: a recorder of what
// a run tells the user and its observer, a folder that passes everything on to another so
// that a test can put a fault between a run and its folder, and the world of photos a
// run meets, here in memory and in disk_world.h on disk, so that a scenario that must
// hold for any folder is written once.

#include "naming/batch.h"
#include "tests/support/memory_folder.h"

#include <algorithm>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace fixture {

// What a run told the user and its observer, and how it ended.
struct RunReport {
    naming::RunEnd end = naming::RunEnd::Completed;
    std::vector<naming::Message> messages;
    std::vector<std::string> lines;          // "OLD -> NEW" or "OLD kept", in list order
    std::vector<naming::KeptReason> reasons; // of the photos kept, in list order
};

class Recorder : public naming::ErrorSink, public naming::RunObserver {
public:
    void show(naming::Message message) override { report.messages.push_back(message); }
    void renamed(const std::string& from, const std::string& to) override {
        report.lines.push_back(from + " -> " + to);
    }
    void kept(const std::string& name, naming::KeptReason reason, std::error_code) override {
        report.lines.push_back(name + " kept");
        report.reasons.push_back(reason);
    }

    RunReport report;
};

// Renames `photos` in list order, journaled where `journal` is given.
inline RunReport runBatch(naming::Folder& folder, naming::ShootingTimeSource& times,
                          const std::vector<std::string>& photos, std::string_view birthday,
                          naming::RunJournal* journal = nullptr,
                          naming::CutShortRenames* cutShort = nullptr) {
    Recorder recorder;
    recorder.report.end = naming::renamePhotos(
        photos, birthday, {folder, times, recorder, &recorder, journal, nullptr, cutShort});
    return recorder.report;
}

// Undoes `renames`, an earlier run's, journaled where `journal` is given.
inline RunReport undoBatch(const std::vector<naming::Rename>& renames, naming::Folder& folder,
                           naming::ShootingTimeSource& times, naming::RunJournal* journal = nullptr,
                           naming::UndoPlace place = naming::UndoPlace::Unknown) {
    Recorder recorder;
    recorder.report.end =
        naming::undoRenames(renames, folder, times, &recorder, journal, nullptr, place);
    return recorder.report;
}

// Photos in a folder, the list a run treats (the window's file list), and for each file
// the name it was added under, which tells it apart wherever it moves. Its shooting times
// are counted as a run reads them; a broken reader gives none, as one that cannot be used.
class World : public naming::ShootingTimeSource {
public:
    std::optional<std::string> shootingTime(const std::string& name) override {
        ++reads;
        return broken ? std::nullopt : readTime(name);
    }

    // A photo taken at `time` ("" for none), put at the end of the list.
    void add(const std::string& name, const std::string& time) {
        timeByOrigin[name] = time;
        put(name, time);
        listed.push_back(name);
    }
    void add(std::initializer_list<std::pair<std::string, std::string>> photos) {
        for (const auto& [name, time] : photos)
            add(name, time);
    }
    // Something that is no file under `name` (a folder): it takes the name, nothing more.
    virtual void addOther(const std::string& name) = 0;
    // A second name for the file `existing`, as a rename cut after its hard link leaves it.
    virtual void addTwin(const std::string& existing, const std::string& name) = 0;

    virtual naming::Folder& folder() = 0;
    // Everything in the folder, in byte order.
    virtual std::vector<std::string> names() const = 0;
    // The name the file now under `name` was added under; empty for anything else.
    virtual std::string origin(const std::string& name) const = 0;
    // Lists the photos afresh, as the window does after a run.
    virtual void relist() = 0;

    // Which file goes by which name.
    std::map<std::string, std::string> layout() const {
        std::map<std::string, std::string> out;
        for (const std::string& name : names())
            out[name] = origin(name);
        return out;
    }
    // The files, whatever their names: what no run may change.
    std::multiset<std::string> files() const {
        std::multiset<std::string> out;
        for (const auto& [name, file] : layout())
            out.insert(file);
        return out;
    }

    RunReport run(std::string_view birthday, naming::RunJournal* journal = nullptr,
                  naming::CutShortRenames* cutShort = nullptr) {
        return runBatch(folder(), *this, listed, birthday, journal, cutShort);
    }
    RunReport undo(const std::vector<naming::Rename>& renames,
                   naming::RunJournal* journal = nullptr,
                   naming::UndoPlace place = naming::UndoPlace::Unknown) {
        return undoBatch(renames, folder(), *this, journal, place);
    }

    std::vector<std::string> listed;
    std::map<std::string, std::string> timeByOrigin;
    int reads = 0;
    bool broken = false;

protected:
    virtual std::optional<std::string> readTime(const std::string& name) = 0;
    virtual void put(const std::string& name, const std::string& time) = 0;
};

// Photos in memory, whose shooting times are read by the names they were added under.
class MemoryWorld : public World {
public:
    void addOther(const std::string& name) override {
        folder_.addOther(name);
        others_.insert(name);
    }
    void addTwin(const std::string& existing, const std::string& name) override {
        folder_.addTwin(existing, name);
    }
    naming::Folder& folder() override { return folder_; }
    std::vector<std::string> names() const override {
        std::vector<std::string> out = folder_.names();
        out.insert(out.end(), others_.begin(), others_.end());
        std::sort(out.begin(), out.end());
        return out;
    }
    std::string origin(const std::string& name) const override { return folder_.origin(name); }
    void relist() override {
        listed.clear();
        for (const std::string& name : folder_.names())
            if (folder_.isOrdinaryFile(name))
                listed.push_back(name);
    }

protected:
    std::optional<std::string> readTime(const std::string& name) override {
        return timeByOrigin[folder_.origin(name)];
    }
    void put(const std::string& name, const std::string&) override { folder_.add(name); }

private:
    MemoryFolder folder_;
    std::set<std::string> others_;
};

} // namespace fixture
