// Seeded random histories of what befalls a photo folder (runs, previews, undos, changes by
// hand, kills, stops, the clock set back, a second run through another path) played on a
// real folder against a small model, whose promises are checked after every step. A failing
// history is shrunk to its shortest and printed for a developer to replay by hand.
// TAMBLINOR_SIMULATION_MINUTES=N plays new seeds for N minutes; TAMBLINOR_SIMULATION_SEED=S
// plays one.

#include "naming/forwarding_folder.h"
#include "naming/photo_name.h"
#include "platform/files/disk_folder.h"
#include "platform/files/photo_listing.h"
#include "platform/journal/journal_store.h"
#include "runs/remembered_times.h"
#include "runs/runs.h"
#include "tests/support/gate.h"
#include "tests/support/jpeg_fixture.h"
#include "tests/support/run_harness.h"
#include "tests/support/temp_folder.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <optional>
#include <random>
#include <sched.h>
#include <set>
#include <stop_token>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::system_clock;

const std::string kBirthdays[] = {"2006-05-10", "2007-03-26"};
// The quick form plays the seeds from kFirstSeed on: kHistories where a history's folders
// can be in memory (see play), a tenth where they are on a disk.
constexpr int kHistories = 200;
constexpr std::uint64_t kFirstSeed = 20261207;

struct NewFile {
    enum class Kind { Photo, Notes, Garbage }; // Garbage: a ".jpg" that is no JPEG
    std::string name;                          // unique in its history
    Kind kind = Kind::Photo;
    std::optional<std::string> time;
    bool motorola = false;
};

// clang-format off
enum class Act { Add, Rename, Preview, Undo, UndoAll, Moved, Swap, Delete, Restore, Link, Edit,
                 Touch, Kill, Stop, ClockBack, SecondRun };
// clang-format on

// Every random choice of a step is drawn when the history is made, so that dropping steps
// leaves the others as they were; a step whose photo is gone by then is passed over.
struct Step {
    Act act = Act::Add;
    std::vector<NewFile> files; // Add
    int birthday = 0;
    bool some = false; // Rename, Preview: those of the list `pick` draws
    bool undo = false; // Preview, Kill, Stop: an undo rather than a run; Edit: during a run
    std::uint64_t pick = 0;
    std::string a, b; // the photos of a step by hand, by the names they were added under
    std::string text; // a new name (Swap: the third name), or Edit's new time
    int at = 0;       // Undo: tries; Kill, Stop: at report N (Kill: -N at rename N, 0 by time)
    int micros = 0;
};

std::vector<Step> makeHistory(std::uint64_t seed) {
    std::mt19937_64 random(seed);
    const auto below = [&](std::size_t n) { return static_cast<int>(random() % n); };
    std::vector<std::string> photos, times;
    int counter = 0, mine = 0;
    const auto time = [&] {
        if (!times.empty() && below(3) == 0)
            return times[below(times.size())]; // a burst: the same second again
        char text[20];
        std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", 2006 + below(3),
                      1 + below(12), 1 + below(28), below(24), below(60), below(60));
        return times.emplace_back(text);
    };
    const std::size_t goal = 3 + below(18), length = 10 + below(21);
    std::vector<Step> steps;
    while (steps.size() < length) {
        Step& s = steps.emplace_back(Step{.birthday = below(2),
                                          .pick = random(),
                                          .at = 1 + below(12),
                                          .micros = 100 + below(600)});
        if (photos.empty() || (photos.size() < goal && below(5) == 0)) {
            for (int n = 1 + below(6); n > 0; --n) {
                NewFile& file = s.files.emplace_back();
                const int kind = below(16);
                char name[32];
                std::snprintf(name, sizeof name,
                              kind == 0  ? "notes_%04d.txt"
                              : below(4) ? "IMG_%04d.jpg"
                                         : "DSC_%04d.JPG",
                              ++counter);
                file.name = name;
                file.kind = kind == 0   ? NewFile::Kind::Notes
                            : kind == 1 ? NewFile::Kind::Garbage
                                        : NewFile::Kind::Photo;
                if (file.kind == NewFile::Kind::Photo) {
                    photos.push_back(name);
                    file.time = below(8) == 0 ? std::nullopt : std::optional(time());
                    file.motorola = below(2) == 0;
                }
            }
            continue;
        }
        constexpr std::pair<int, Act> kShares[] = {
            {27, Act::Rename}, {33, Act::Preview},   {45, Act::Undo},      {48, Act::UndoAll},
            {53, Act::Moved},  {58, Act::Swap},      {62, Act::Delete},    {65, Act::Restore},
            {69, Act::Link},   {74, Act::Edit},      {77, Act::Touch},     {87, Act::Kill},
            {93, Act::Stop},   {96, Act::ClockBack}, {100, Act::SecondRun}};
        const int roll = below(100);
        s.act = std::ranges::find_if(kShares, [&](const auto& share) {
                    return roll < share.first;
                })->second;
        s.some = below(3) == 0;
        s.undo = below(3) == 0;
        s.a = photos[below(photos.size())];
        s.b = photos[below(photos.size())];
        s.text = s.act == Act::Edit ? time() : "mine_" + std::to_string(++mine) + ".jpg";
        if (s.act == Act::Undo)
            s.at = 1 + below(2);
        if (s.act == Act::Kill && below(3) < 2)
            s.at = below(2) ? 0 : -1 - below(8);
    }
    return steps;
}

std::string bytesOf(const NewFile& file) {
    // Each file ends with the name it was added under, so that its bytes tell it apart
    // wherever it moves; a JPEG's reader stops long before.
    if (file.kind != NewFile::Kind::Photo)
        return (file.kind == NewFile::Kind::Notes ? "notes of " : "no photo but ") + file.name;
    // A size of its own too: a journal knows a photo by its size, modification time and
    // shooting time, and two photos of a burst written in one tick of the clock differ in
    // nothing else, as a camera's never do.
    return fixture::jpegBytes({.dateTimeOriginal = file.time,
                               .byteOrder = file.motorola ? fixture::ByteOrder::Motorola
                                                          : fixture::ByteOrder::Intel,
                               .padding = std::stoul(file.name.substr(4, 4))}) + // IMG_0001
           file.name;
}

std::string endingName(const runs::Outcome& outcome) {
    return "runs::Ending " + std::to_string(int(outcome.ending)) + " " + outcome.unreadableJournal;
}

// A broken promise: `what` in a few fixed words, which tell failures apart, then the facts.
struct Failure {
    std::string what;
    std::string detail;
};

[[noreturn]] void fail(std::string what, std::string detail = {}) {
    throw Failure{std::move(what), std::move(detail)};
}

// Calls `hear` with each report of progress, counted from 1 in `calls`.
struct Hearing : runs::Observer {
    std::function<void(naming::Phase, std::size_t, std::size_t)> hear;
    int calls = 0;
    void progressed(naming::Phase phase, std::size_t done, std::size_t total) override {
        ++calls;
        hear(phase, done, total);
    }
};

// The folder on disk, ending its process at its `at`th rename, however deep inside a ring
// of moves that falls, where no report of progress ever does.
class KillingFolder final : public naming::ForwardingFolder {
public:
    KillingFolder(const std::string& path, int at)
        : ForwardingFolder(std::make_unique<platform::DiskFolder>(path)), at_(at) {}
    std::error_code rename(const std::string& from, const std::string& to) override {
        if (++renames_ == at_)
            ::raise(SIGKILL);
        return ForwardingFolder::rename(from, to);
    }

private:
    int at_, renames_ = 0;
};

Clock::duration setBack{};
Clock::time_point steppedBackClock() {
    return Clock::now() - setBack;
}

// What the model knows of one file, whatever its name.
struct Photo {
    NewFile added;
    std::string bytes;
    std::string shot;                // the time it carries now; empty for none
    std::set<std::string> shots;     // every time it has carried
    std::set<std::string> handNames; // names of the user's making
    std::set<std::string> seen;      // every name it was found under between steps
    int links = 1;                   // names it has in the folder
    bool handled = false;            // renamed, edited, touched, deleted or restored by hand
    bool excused = false;            // renamed by a run the main path's journals do not know
    std::string lastName;            // where it was deleted
};

using Files = std::map<std::string, std::string>; // name to bytes

class Simulation {
public:
    Simulation(const fixture::TempFolder& folder, fs::path state, fs::path copy, std::string other,
               int out)
        : folder_(folder), path_(folder.path().string()), state_(std::move(state)),
          copy_(std::move(copy)), other_(std::move(other)), out_(out) {}

    void play(const std::vector<Step>& steps) {
        for (const Step& step : steps) {
            apply(step);
            settle(kBirthdays[step.birthday]);
        }
        say("undo everything (the history's end)");
        undoEverything();
    }

private:
    void say(const std::string& line) const {
        const std::string record = "L" + line + '\0';
        [[maybe_unused]] const auto written = ::write(out_, record.data(), record.size());
    }

    Photo* find(const std::string& added) {
        const auto photo =
            std::ranges::find(photos_, added, [](const Photo& p) { return p.added.name; });
        return photo == photos_.end() ? nullptr : &*photo;
    }
    std::vector<std::string> namesOf(const Photo& photo, const Files& files) const {
        std::vector<std::string> out;
        for (const auto& [name, bytes] : files)
            if (bytes == photo.bytes)
                out.push_back(name);
        return out;
    }
    // The first name in the folder of the photo added as `added`; empty where it has none.
    std::string nameOf(const std::string& added) {
        const Photo* photo = find(added);
        const auto names = photo ? namesOf(*photo, folder_.contents()) : std::vector<std::string>();
        return names.empty() ? std::string() : names.front();
    }
    // `stays`: it is no longer the file a journal knows, and may keep the names it has.
    void byHand(Photo& photo, std::initializer_list<std::string> names, bool stays = false) {
        photo.handled = true;
        photo.handNames.insert(names);
        if (stays)
            for (const std::string& name : namesOf(photo, folder_.contents()))
                photo.handNames.insert(name);
    }

    void apply(const Step& s) {
        const std::string& birthday = kBirthdays[s.birthday];
        const std::string nameA = nameOf(s.a), nameB = nameOf(s.b), fresh = s.text;
        Photo* a = find(s.a);
        const std::string photoA = nameA + " (" + s.a + ")";
        const auto at = [&](const std::string& name) { return folder_.at(name); };
        const bool onA = s.act >= Act::Moved && s.act <= Act::Touch && s.act != Act::Restore;
        if (onA && (nameA.empty() || (s.act == Act::Swap && (nameB.empty() || s.a == s.b)) ||
                    (s.act == Act::Edit && a->shot.empty())))
            return say("a step by hand on " + s.a +
                       " (skipped: not in the folder, or nothing to do)");
        switch (s.act) {
        case Act::Add: {
            std::string line = "add";
            for (const NewFile& file : s.files) {
                const std::string bytes = bytesOf(file);
                folder_.write(file.name, bytes);
                photos_.push_back({.added = file, .bytes = bytes, .shot = file.time.value_or("")});
                if (file.time)
                    photos_.back().shots.insert(*file.time);
                line += " " + file.name +
                        (file.kind == NewFile::Kind::Notes     ? " (not a photo)"
                         : file.kind == NewFile::Kind::Garbage ? " (no JPEG)"
                         : file.time                           ? " (shot " + *file.time + ")"
                                                               : " (no shooting time)");
            }
            return say(line);
        }
        case Act::Rename:
        case Act::Preview: {
            std::vector<std::string> chosen;
            std::mt19937_64 draw(s.pick);
            for (const std::string& name : platform::listPhotos(path_))
                if (!s.some || draw() % 2)
                    chosen.push_back(name);
            std::string line = s.some ? "rename some:" : "rename all";
            for (const std::string& name : s.some ? chosen : std::vector<std::string>())
                line += " " + name;
            line += " (birthday " + birthday + ")";
            if (s.act == Act::Rename)
                return say(line), rename(birthday, chosen);
            const Files before = folder_.contents();
            const std::string history = historyText();
            say(s.undo ? "preview an undo" : "preview: " + line);
            if (s.undo)
                runs::undoLastRun(path_, runs::Effect::Preview);
            else
                runs::renameFolder(path_, chosen, birthday, runs::Effect::Preview);
            if (folder_.contents() != before || historyText() != history)
                fail("a preview changed something");
            return;
        }
        case Act::Undo: {
            say(s.at == 1 ? "undo" : "undo twice");
            std::string unfinishedOn;
            for (int i = 0; i < s.at; ++i)
                undoOnce(unfinishedOn);
            return;
        }
        case Act::UndoAll:
            say("undo everything");
            return undoEverything();
        case Act::Moved:
            say("hand: rename " + photoA + " to " + fresh);
            fs::rename(at(nameA), at(fresh));
            return byHand(*a, {fresh});
        case Act::Swap:
            say("hand: swap " + photoA + " and " + nameB + " (" + s.b + ") through " + fresh);
            fs::rename(at(nameA), at(fresh));
            fs::rename(at(nameB), at(nameA));
            fs::rename(at(fresh), at(nameB));
            byHand(*a, {nameB, fresh});
            return byHand(*find(s.b), {nameA});
        case Act::Delete:
            say("hand: delete " + photoA);
            fs::remove(at(nameA));
            a->links--;
            a->lastName = nameA;
            deleted_.push_back(s.a);
            return byHand(*a, {});
        case Act::Restore:
            for (auto it = deleted_.rbegin(); it != deleted_.rend(); ++it) {
                Photo& photo = *find(*it);
                if (photo.links > 0 || fs::exists(at(photo.lastName)))
                    continue;
                say("hand: restore " + photo.lastName + " (" + photo.added.name + ")");
                folder_.write(photo.lastName, photo.bytes);
                photo.links = 1;
                return byHand(photo, {photo.lastName});
            }
            return say("hand: restore the photo deleted last (skipped: none is gone)");
        case Act::Link:
            say("hand: ln " + photoA + " " + fresh);
            fs::create_hard_link(at(nameA), at(fresh));
            a->links++;
            a->handNames.insert(fresh); // a name of its own, not a change to the photo
            return;
        case Act::Edit: {
            say("hand: edit " + photoA + " in place to be shot " + s.text +
                ", size and modification time kept" +
                (s.undo ? ", once a rename all (birthday " + birthday + ") has read every photo"
                        : ""));
            if (!s.undo)
                return edit(*a, nameA, s.text);
            Hearing hearing; // as a user tagging photos while the program renames them
            hearing.hear = [&](naming::Phase phase, std::size_t done, std::size_t total) {
                if (phase == naming::Phase::Reading && done == total && a->shot != s.text)
                    edit(*a, nameA, s.text);
            };
            return rename(birthday, platform::listPhotos(path_), {.observer = &hearing});
        }
        case Act::Touch: {
            say("hand: touch " + photoA);
            const timespec times[2] = {{0, UTIME_OMIT}, {0, UTIME_NOW}};
            ::utimensat(AT_FDCWD, at(nameA).c_str(), times, 0);
            return byHand(*a, {}, true);
        }
        case Act::Kill:
            return kill(s, birthday);
        case Act::Stop:
            return stop(s, birthday);
        case Act::ClockBack:
            setBack += std::chrono::days(1 + s.at % 3);
            platform::setWallClock(&steppedBackClock);
            return say("set the clock back to " +
                       std::to_string(std::chrono::floor<std::chrono::days>(setBack).count()) +
                       " days ago");
        case Act::SecondRun:
            return secondRun(birthday);
        }
    }

    // A real run, which must come to its end.
    void rename(const std::string& birthday, const std::vector<std::string>& photos,
                const runs::Control& control = {}) {
        birthdays_.insert(birthday);
        const runs::Outcome outcome =
            runs::renameFolder(path_, photos, birthday, runs::Effect::Rename, control);
        if (outcome.ending != runs::Ending::Completed)
            fail("a run ended otherwise than completed", endingName(outcome));
        calms_ = true;
    }

    runs::Outcome runOrUndo(bool undo, const std::string& birthday, const runs::Control& control) {
        if (undo)
            return runs::undoLastRun(path_, runs::Effect::Rename, control);
        birthdays_.insert(birthday);
        return runs::renameFolder(path_, platform::listPhotos(path_), birthday,
                                  runs::Effect::Rename, control);
    }

    // Rewrites the 19 characters of the shooting time inside the file and puts its
    // modification time back, as a careless tagging tool might.
    void edit(Photo& photo, const std::string& name, const std::string& time) {
        byHand(photo, {}, true);
        const std::string path = folder_.at(name).string();
        struct stat before {};
        ::stat(path.c_str(), &before);
        const std::size_t at = photo.bytes.find(photo.shot + '\0');
        const int fd = ::open(path.c_str(), O_WRONLY);
        [[maybe_unused]] const auto written = ::pwrite(fd, time.data(), time.size(), off_t(at));
        ::close(fd);
        const timespec times[2] = {before.st_atim, before.st_mtim};
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
        photo.bytes.replace(at, time.size(), time);
        photo.shot = time;
        photo.shots.insert(time);
    }

    void kill(const Step& s, const std::string& birthday) {
        say(std::string("kill -9 the next ") +
            (s.undo ? "undo" : "run (birthday " + birthday + ")") +
            (s.at > 0   ? " at its report " + std::to_string(s.at)
             : s.at < 0 ? " at its rename " + std::to_string(-s.at)
                        : " after " + std::to_string(s.micros) + " microseconds"));
        const Files before = folder_.contents();
        const std::string target = nextToUndo();
        const pid_t child = ::fork();
        if (child == 0) {
            Hearing hearing;
            hearing.hear = [&](auto...) {
                if (hearing.calls == s.at)
                    ::raise(SIGKILL);
            };
            runs::Control control{.observer = &hearing};
            if (s.at < 0)
                control.folder = [&](const std::string& path) {
                    return std::make_unique<KillingFolder>(path, -s.at);
                };
            try {
                runOrUndo(s.undo, birthday, control);
            } catch (...) {
                ::_exit(3);
            }
            ::_exit(0);
        }
        if (s.at == 0) {
            ::usleep(useconds_t(s.micros));
            ::kill(child, SIGKILL);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        if (!(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) && status != 0)
            fail("a run ended the process", "status " + std::to_string(status));
        killed_ = true;
        if (!s.undo)
            birthdays_.insert(birthday);
        else if (!target.empty() && folder_.contents() != before &&
                 stateOf(target) == runs::UndoState::NotUndone)
            fail("a run an undo took partly back shown as not taken back",
                 target + " after a killed undo moved photos");
    }

    void stop(const Step& s, const std::string& birthday) {
        std::stop_source source;
        Hearing hearing;
        bool asked = false, last = false;
        hearing.hear = [&](naming::Phase phase, std::size_t done, std::size_t total) {
            if (hearing.calls == s.at) {
                // The report that tells the run is through comes after its last chance to stop.
                last = phase == naming::Phase::Renaming && done == total;
                asked = true;
                source.request_stop();
            }
        };
        const std::string target = nextToUndo();
        const runs::Outcome outcome =
            runOrUndo(s.undo, birthday, {.observer = &hearing, .stop = source.get_token()});
        say(std::string("stop the next ") + (s.undo ? "undo" : "run (birthday " + birthday + ")") +
            " at its report " + std::to_string(s.at) +
            (asked ? "" : " (it made only " + std::to_string(hearing.calls) + ")"));
        if (asked && !last && outcome.ending != runs::Ending::Stopped)
            fail("a stop did not stop", endingName(outcome));
        if (s.undo)
            checkUndo(target, outcome);
    }

    // A rename held at its first report of progress while another starts on the same folder
    // through another path; the first is held there rather than in its reader, which the
    // record may spare it altogether.
    void secondRun(const std::string& birthday) {
        if (other_.empty())
            return say("a second run through another path (skipped: no other path)");
        say("rename all (birthday " + birthday + "), and while it reads, rename all through " +
            (fs::is_symlink(other_) ? "a symbolic link" : "a bind mount") + " to the folder");
        birthdays_.insert(birthday);
        const std::vector<std::string> listed = platform::listPhotos(path_);
        fixture::Gate held, open;
        Hearing holder, waiting;
        holder.hear = [&](auto...) {
            if (holder.calls == 1)
                held.open(), open.pass();
        };
        int waits = 0;
        waiting.hear = [&](naming::Phase phase, auto...) {
            if (phase == naming::Phase::Waiting && waits++ == 0)
                open.open();
        };
        runs::Outcome first;
        std::thread thread([&] {
            first = runs::renameFolder(path_, listed, birthday, runs::Effect::Rename,
                                       {.observer = &holder});
        });
        held.pass();
        const runs::Outcome second = runs::renameFolder(
            other_, listed, birthday, runs::Effect::Rename, {.observer = &waiting});
        open.open();
        thread.join();
        const Files files = folder_.contents();
        if (second.folder != first.folder) // its journals are another path's: not ours to undo
            for (const runs::PhotoOutcome& photo : second.photos)
                for (Photo& p : photos_)
                    if (photo.renamed() && files.contains(photo.to) &&
                        files.at(photo.to) == p.bytes)
                        p.excused = true;
        if (waits == 0)
            fail("a second run on the folder did not wait for the first");
        if (first.ending == runs::Ending::PhotoVanished ||
            second.ending == runs::Ending::PhotoVanished)
            fail("a run on a folder another run worked on lost a photo");
    }

    std::string historyText() const {
        std::string out;
        for (const runs::RunRecord& run : runs::runHistory(path_))
            out += run.journal + ' ' + std::to_string(int(run.undo)) + '\n';
        return out;
    }
    std::string nextToUndo() const {
        const std::vector<runs::RunRecord> history = runs::runHistory(path_);
        const runs::RunRecord* next = runs::nextToUndo(history);
        return next ? next->journal : "";
    }
    runs::UndoState stateOf(const std::string& journal) const {
        for (const runs::RunRecord& run : runs::runHistory(path_))
            if (run.journal == journal)
                return run.undo;
        return runs::UndoState::NotUndone;
    }

    // What an undo said against what the history then tells of the run it took back.
    void checkUndo(const std::string& target, const runs::Outcome& outcome) {
        if ((outcome.ending == runs::Ending::NothingToUndo) != target.empty())
            fail("the run to undo next differs from the one undone", target);
        const runs::UndoState state = stateOf(target);
        if (outcome.ending == runs::Ending::Completed && state != runs::UndoState::Undone)
            fail("a run undone in full not shown as taken back", target);
        if (outcome.renamedCount() > 0 && state == runs::UndoState::NotUndone)
            fail("a run an undo took partly back shown as not taken back", target);
    }

    runs::Ending undoOnce(std::string& unfinishedOn) {
        const std::string target = nextToUndo();
        const runs::Outcome outcome = runs::undoLastRun(path_, runs::Effect::Rename);
        using enum runs::Ending;
        if (outcome.ending != Completed && outcome.ending != Unfinished &&
            outcome.ending != NothingToUndo)
            fail("an undo ended otherwise than promised", endingName(outcome));
        if (outcome.ending == Unfinished && target == unfinishedOn) {
            std::string told;
            bool refused = false;
            for (const runs::PhotoOutcome& photo : outcome.photos) {
                told += "\n    " + photo.from + (photo.renamed() ? " -> " + photo.to : " kept");
                refused = refused || photo.reason == naming::KeptReason::CannotRename;
            }
            fail(std::string("an undo unfinished twice in a row on one run, ") +
                     (refused ? "a move refused" : "none of its photos found"),
                 target + told);
        }
        unfinishedOn = outcome.ending == Unfinished ? target : "";
        checkUndo(target, outcome);
        return outcome.ending;
    }

    void undoEverything() {
        const std::size_t tries = runs::runHistory(path_).size() + 2;
        std::string unfinishedOn;
        runs::Ending ending = runs::Ending::Completed;
        for (std::size_t i = 0; i < tries && ending != runs::Ending::NothingToUndo; ++i) {
            ending = undoOnce(unfinishedOn);
            checkFolder(runs::runHistory(path_));
        }
        if (ending != runs::Ending::NothingToUndo)
            fail("undo did not come to an end", std::to_string(tries) + " tries");
        for (const runs::RunRecord& run : runs::runHistory(path_))
            if (!run.readable || run.undo != runs::UndoState::Undone)
                fail("a run left not taken back after undoing everything", run.journal);
        // A photo whose earlier name a photo changed by hand holds now cannot go back there,
        // nor further; and it may hold another's earlier name in turn.
        const Files files = folder_.contents();
        const auto back = [&](const Photo& photo, const std::vector<std::string>& names) {
            return names.empty() || std::ranges::find(names, photo.added.name) != names.end();
        };
        std::set<std::string> blocking;
        std::set<const Photo*> blocked;
        for (std::size_t size = 1; size != blocking.size() + blocked.size();) {
            size = blocking.size() + blocked.size();
            for (const Photo& photo : photos_) {
                const std::vector<std::string> names = namesOf(photo, files);
                if (photo.handled || photo.excused || blocked.contains(&photo))
                    blocking.insert(names.begin(), names.end());
                else if (!back(photo, names))
                    for (const std::string& seen : photo.seen)
                        if (blocking.contains(seen) &&
                            std::ranges::find(names, seen) == names.end())
                            blocked.insert(&photo);
            }
        }
        for (const Photo& photo : photos_)
            if (const auto names = namesOf(photo, files); !photo.handled && !photo.excused &&
                                                          !blocked.contains(&photo) &&
                                                          !back(photo, names))
                fail("a photo untouched by hand did not get its camera name back",
                     photo.added.name + " is under " + names.front());
        killMark_.reset();
    }

    // 0_0.jpg may hold a photo where a run or an undo was killed since the last run that
    // ended normally and left it free; undoing that run brings back the time before it.
    bool temporaryAllowed(const std::vector<runs::RunRecord>& history) const {
        if (!killMark_)
            return false;
        for (const runs::RunRecord& run : history)
            if (calming_.contains(run.journal) && run.undo != runs::UndoState::Undone &&
                std::ranges::find(order_, run.journal) - order_.begin() >= long(*killMark_))
                return false;
        return true;
    }

    bool allowed(const Photo& photo, const std::string& name,
                 const std::vector<runs::RunRecord>& history) const {
        if (name == photo.added.name || photo.handNames.contains(name))
            return true;
        if (name == naming::kTemporaryName)
            return temporaryAllowed(history);
        for (const std::string& shot : photo.shots)
            for (const std::string& birthday : birthdays_)
                if (const auto stamp = naming::ageStamp(birthday, shot))
                    for (const char* letter : {"", "b", "c", "d", "e", "f"})
                        if (name == naming::photoName(naming::baseName(*stamp), letter))
                            return true;
        return false;
    }

    // No photo lost or doubled, each under a name it may have.
    void checkFolder(const std::vector<runs::RunRecord>& history) {
        const Files files = folder_.contents();
        std::string lost;
        for (const Photo& photo : photos_)
            if (const std::size_t found = namesOf(photo, files).size(); int(found) != photo.links)
                lost += "\n    " + photo.added.name + " found under " + std::to_string(found) +
                        " names, " + std::to_string(photo.links) + " expected";
        for (const auto& [name, bytes] : files) {
            const auto photo = std::ranges::find(photos_, bytes, &Photo::bytes);
            if (photo == photos_.end())
                lost += "\n    " + name + " holds bytes of no file added";
            else if (!allowed(*photo, name, history))
                fail("a photo under a name it may not have", name + " holds " + photo->added.name);
        }
        if (!lost.empty())
            fail("a photo's bytes lost or doubled", lost);
    }

    // Previews with the record of shooting times and with a copy of the state folder
    // without it: the record only spares reading, it never changes a name.
    void checkRecord(const std::string& birthday) {
        const auto preview = [&] {
            return runs::renameFolder(path_, platform::listPhotos(path_), birthday,
                                      runs::Effect::Preview)
                .photos;
        };
        const auto remembered = preview();
        fs::remove_all(copy_);
        fs::copy(state_, copy_, fs::copy_options::recursive);
        ::setenv("XDG_STATE_HOME", copy_.c_str(), 1);
        fs::remove(runs::shootingRecordPath(path_));
        const auto read = preview();
        ::setenv("XDG_STATE_HOME", state_.c_str(), 1);
        for (std::size_t i = 0; i < remembered.size() || i < read.size(); ++i)
            if (i >= remembered.size() || i >= read.size() || remembered[i] != read[i])
                fail("the record of shooting times changed a name",
                     i < std::min(remembered.size(), read.size())
                         ? remembered[i].from + " would go to " + remembered[i].to +
                               ", read afresh to " + read[i].to
                         : "another number of photos");
    }

    void settle(const std::string& birthday) {
        const std::vector<runs::RunRecord> history = runs::runHistory(path_);
        std::vector<std::string> listed;
        for (const runs::RunRecord& run : history) {
            listed.push_back(run.journal);
            if (std::ranges::find(order_, run.journal) == order_.end()) {
                order_.push_back(run.journal);
                if (calms_ && !fs::exists(folder_.at(naming::kTemporaryName)))
                    calming_.insert(run.journal);
            }
        }
        calms_ = false;
        if (std::exchange(killed_, false))
            killMark_ = order_.size();
        if (listed != order_)
            fail("runs listed out of the order they were made",
                 std::to_string(listed.size()) + " runs on record");
        checkFolder(history);
        const Files files = folder_.contents();
        for (Photo& photo : photos_)
            for (const std::string& name : namesOf(photo, files))
                photo.seen.insert(name);
        checkRecord(birthday);
    }

    const fixture::TempFolder& folder_;
    const std::string path_;
    const fs::path state_, copy_;
    const std::string other_; // the folder through another path; empty where there is none
    const int out_;
    std::vector<Photo> photos_;
    std::vector<std::string> deleted_;    // in the order deleted
    std::set<std::string> birthdays_;     // of the runs so far
    std::vector<std::string> order_;      // the journals of the runs, in the order made
    std::set<std::string> calming_;       // of runs that ended normally with 0_0.jpg free
    std::optional<std::size_t> killMark_; // the number of runs made before the last kill
    bool calms_ = false, killed_ = false; // of the step just played
};

struct Result {
    std::optional<Failure> failure;
    std::vector<std::string> log;
};

// A mount namespace of the process's own, gone with it, with a file system in memory at
// `path`; false where the process may not have one.
bool mountInMemory(const char* path) {
    return ::unshare(CLONE_NEWNS) == 0 &&
           ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           ::mount("tmpfs", path, "tmpfs", 0, nullptr) == 0;
}

// Plays the history in a process of its own, so that an abort or a hang is a failure too.
// Where it can, it keeps its folders in memory, some twenty times faster than on a disk, and
// bind mounts the folder as a second path; elsewhere it has a symbolic link.
Result play(const std::vector<Step>& steps) {
    const fixture::TempFolder root;
    int pipe[2];
    if (::pipe(pipe) != 0)
        return {Failure{"no pipe"}, {}};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe[0]);
        ::alarm(120);
        const char* path = root.path().c_str();
        const bool mounts = mountInMemory(path);
        ::setenv("TMPDIR", path, 1);
        std::string record;
        try {
            const fixture::TempFolder folder, state, copy, other;
            std::error_code error;
            std::string second = other.path().string();
            if (!mounts ||
                ::mount(folder.path().c_str(), second.c_str(), nullptr, MS_BIND, nullptr) != 0) {
                second = (other.path() / "photos").string();
                fs::create_directory_symlink(folder.path(), second, error);
            }
            ::setenv("XDG_STATE_HOME", state.path().c_str(), 1);
            Simulation(folder, state.path(), copy.path() / "state", error ? "" : second, pipe[1])
                .play(steps);
        } catch (const Failure& failure) {
            record = "F" + failure.what + '\t' + failure.detail + '\0';
        } catch (const std::exception& error) {
            record = "Fa step threw\t" + std::string(error.what()) + '\0';
        }
        [[maybe_unused]] const auto written = ::write(pipe[1], record.data(), record.size());
        ::_exit(0);
    }
    ::close(pipe[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, std::size_t(got));
    ::close(pipe[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    Result result;
    for (std::size_t at = 0, end; (end = text.find('\0', at)) != std::string::npos; at = end + 1) {
        const std::string record = text.substr(at + 1, end - at - 1);
        const std::size_t tab = record.find('\t');
        if (text[at] == 'L')
            result.log.push_back(record);
        else
            result.failure = Failure{record.substr(0, tab), record.substr(tab + 1)};
    }
    if (!result.failure && status != 0)
        result.failure =
            Failure{WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM ? "a step hung"
                                                                       : "a step ended the process",
                    "status " + std::to_string(status)};
    return result;
}

// Drops chunks of steps, then single steps, then the files of the steps that add them, for
// as long as the history still fails the same way.
std::vector<Step> shrink(std::vector<Step> steps, const std::string& what) {
    int budget = 400;
    const auto fails = [&](const std::vector<Step>& candidate) {
        const Result result = budget-- > 0 ? play(candidate) : Result{};
        return result.failure && result.failure->what == what;
    };
    for (bool shrank = true; shrank;) {
        shrank = false;
        for (std::size_t chunk = std::max<std::size_t>(steps.size() / 2, 1);; chunk /= 2) {
            for (std::size_t at = 0; at + chunk <= steps.size();) {
                std::vector<Step> candidate = steps;
                candidate.erase(candidate.begin() + long(at), candidate.begin() + long(at + chunk));
                if (fails(candidate))
                    steps = std::move(candidate), shrank = true;
                else
                    at += chunk;
            }
            if (chunk == 1)
                break;
        }
        for (std::size_t i = 0; i < steps.size(); ++i)
            for (std::size_t f = 0; f < steps[i].files.size();) {
                std::vector<Step> candidate = steps;
                candidate[i].files.erase(candidate[i].files.begin() + long(f));
                if (fails(candidate))
                    steps = std::move(candidate), shrank = true;
                else
                    ++f;
            }
    }
    return steps;
}

TEST(Simulation, RandomHistoriesKeepTheRunLayersPromises) {
    std::map<std::string, std::pair<std::uint64_t, Failure>> found; // the first seed of each
    const auto tryOne = [&](std::uint64_t seed) {
        if (const Result result = play(makeHistory(seed)); result.failure)
            found.try_emplace(result.failure->what, seed, *result.failure);
    };
    if (const char* one = std::getenv("TAMBLINOR_SIMULATION_SEED")) {
        tryOne(std::stoull(one));
    } else if (const char* minutes = std::getenv("TAMBLINOR_SIMULATION_MINUTES")) {
        std::uint64_t seed = std::uint64_t(Clock::now().time_since_epoch().count());
        std::cout << "simulation seeds from " << seed << std::endl;
        const auto end =
            std::chrono::steady_clock::now() + std::chrono::minutes(std::stoi(minutes));
        while (std::chrono::steady_clock::now() < end)
            tryOne(seed++);
    } else {
        const fixture::TempFolder probe;
        const pid_t child = ::fork();
        if (child == 0)
            ::_exit(mountInMemory(probe.path().c_str()) ? 0 : 1);
        int status = 1;
        ::waitpid(child, &status, 0);
        for (int i = 0; i < (status == 0 ? kHistories : kHistories / 10); ++i)
            tryOne(kFirstSeed + std::uint64_t(i));
    }
    for (const auto& [what, first] : found) {
        const auto& [seed, failure] = first;
        const Result shortest = play(shrink(makeHistory(seed), what));
        std::string history;
        for (std::size_t i = 0; i < shortest.log.size(); ++i)
            history += "\n  " + std::to_string(i + 1) + ". " + shortest.log[i];
        const bool again = shortest.failure && shortest.failure->what == what;
        ADD_FAILURE() << "seed " << seed << " (TAMBLINOR_SIMULATION_SEED=" << seed
                      << " plays it whole): " << what << ": " << failure.detail
                      << "\nshortest history found"
                      << (again ? ": " + shortest.failure->detail
                                : " (played again, it did not fail so: its kills are timed)")
                      << history;
    }
}

} // namespace
