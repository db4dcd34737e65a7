// Seeded random histories of what befalls a photo folder (runs, previews, undos, changes by
// hand, kills, stops, the clock set back, a second run through another path), played on a
// real folder against a small model whose promises are checked after every step. A failing
// history is shrunk to its shortest and printed. TAMBLINOR_SIMULATION_MINUTES=N plays new
// seeds for N minutes; TAMBLINOR_SIMULATION_SEED=S plays one.

#include "naming/forwarding_folder.h"
#include "naming/photo_name.h"
#include "platform/files/disk_folder.h"
#include "platform/files/photo_listing.h"
#include "platform/journal/journal_store.h"
#include "runs/remembered_times.h"
#include "runs/runs.h"
#include "tests/support/gate.h"
#include "tests/support/jpeg_fixture.h"
#include "tests/support/temp_folder.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::system_clock;
using Files = std::map<std::string, std::string>; // name to bytes
using enum runs::Ending;
using enum runs::UndoState;

const std::string kBirthdays[] = {"2006-05-10", "2007-03-26"};
// The quick form plays the seeds from kFirstSeed on: kHistories where a history's folders
// can be in memory (see play), a tenth where they are on a disk.
constexpr int kHistories = 200;
constexpr std::uint64_t kFirstSeed = 20261207;

// What the model knows of a file, whatever its name: the name it was added under and its
// bytes (each unique: they end with that name), the time it carries and every time it has
// carried, the names the user gave it, every name it was found under between steps, and
// whether it was changed by hand or renamed by a run the main path's journals do not know.
struct Photo {
    std::string name, bytes, lastName; // lastName: where it was deleted
    std::optional<std::string> shot;
    std::set<std::string> shots, handNames, seen;
    int links = 1; // names it has in the folder
    bool handled = false, heldBack = false; // heldBack: an undo could not take it back
};

// Every random choice of a step is drawn when the history is made, so that dropping steps
// leaves the others as they were; a step whose photo is gone by then is passed over. `at`:
// an undo's tries, or the report a kill or a stop comes at (a kill: -N at rename N, 0 after
// `micros`); `undo`: the next undo rather than run, or an edit during a run.
struct Step {
    std::size_t kind = 0;     // in kKinds
    std::vector<Photo> files; // added by the step
    int birthday = 0;
    std::uint64_t pick = 0; // draws the photos of a run of `some`
    int at = 0, micros = 0;
    bool some = false, undo = false;
    std::string a, b, text; // photos by their first names; a new name, or edit's new time
};

// A broken promise: `what` in a few fixed words, which tell failures apart, then the facts.
struct Failure {
    std::string what, detail;
};
void failUnless(bool kept, const std::string& what, const std::string& detail = "") {
    if (!kept)
        throw Failure{what, detail};
}

// Hands each report of progress to `hear`, numbered from 1.
struct Hearing : runs::Observer {
    using Hear = std::function<void(int, naming::Phase, std::size_t, std::size_t)>;
    explicit Hearing(Hear heard) : hear(std::move(heard)) {}
    void progressed(naming::Phase phase, std::size_t done, std::size_t total) override {
        hear(++calls, phase, done, total);
    }
    Hear hear;
    int calls = 0;
};

// The folder on disk, ending its process at its `at`th rename, however deep inside a ring
// of moves that falls, where no report of progress ever does.
struct KillingFolder final : naming::ForwardingFolder {
    KillingFolder(const std::string& path, int renames)
        : ForwardingFolder(std::make_unique<platform::DiskFolder>(path)), at(renames) {}
    std::error_code rename(const std::string& from, const std::string& to) override {
        if (--at == 0)
            ::raise(SIGKILL);
        return ForwardingFolder::rename(from, to);
    }
    int at;
};

Clock::duration setBack{};

// The folder and the model of its files and runs, with an action for each kind of step.
struct Simulation {
    const fixture::TempFolder& folder;
    const fs::path stateHome, copy; // the state folder, and where checkRecord copies it
    const std::string other;        // the folder through another path; empty where there is none
    std::ofstream log;
    const std::string path = folder.path().string();
    std::vector<Photo> photos;
    std::vector<std::string> deleted; // in the order deleted
    std::set<std::string> birthdays;  // of the runs so far
    std::vector<std::string> order;   // the journals of the runs, in the order made
    std::set<std::string> calming;    // of runs since the last kill that ended with 0_0.jpg free
    bool killed = false;              // since everything was last undone
    bool calms = false;               // a run of the step just played ended normally
    // Of the step being played: its birthday, its photos and their names now.
    std::string birthday, nameA, nameB;
    Photo *a = nullptr, *b = nullptr;

    void play(const std::vector<Step>& steps);
    void say(const std::string& text) { log << text << std::flush; }
    fs::path at(const std::string& name) const { return folder.at(name); }
    std::string photoA() const { return " " + nameA + " (" + a->name + ")"; }
    static std::vector<std::string> namesOf(const Photo& photo, const Files& files) {
        std::vector<std::string> out;
        for (const auto& [name, bytes] : files)
            if (bytes == photo.bytes)
                out.push_back(name);
        return out;
    }
    // `stays`: it is no longer the file a journal knows, and may keep the names it has.
    void byHand(Photo& photo, std::vector<std::string> names, bool stays = false) {
        photo.handled = true;
        for (const std::string& name : stays ? namesOf(photo, folder.contents()) : names)
            photo.handNames.insert(name);
    }

    void add(const Step& s) {
        for (const Photo& file : s.files) {
            say(" " + file.name + (file.shot ? " (" + *file.shot + ")" : ""));
            folder.write(file.name, file.bytes), photos.push_back(file);
        }
    }
    std::vector<std::string> chosen(const Step& s) {
        std::vector<std::string> out;
        std::mt19937_64 draw(s.pick);
        for (const std::string& name : platform::listPhotos(path))
            if (!s.some || draw() % 2)
                out.push_back(name), say(s.some ? " " + name : "");
        say(std::string(s.some ? "" : " all") + ", birthday " + birthday);
        return out;
    }
    void rename(const Step& s) { run(chosen(s)); }
    void preview(const Step& s) {
        const auto before = std::pair(folder.contents(), states());
        if (s.undo)
            say(" an undo"), runs::undoLastRun(path, runs::Effect::Preview);
        else
            runs::renameFolder(path, chosen(s), birthday, runs::Effect::Preview);
        failUnless(std::pair(folder.contents(), states()) == before, "a preview changed something");
    }
    void undo(const Step& s) {
        std::string unfinishedOn;
        for (int i = 0; i < s.at; ++i)
            say(" once"), undoOnce(unfinishedOn);
    }
    void moved(const Step& s) {
        say(photoA() + " to " + s.text);
        fs::rename(at(nameA), at(s.text));
        byHand(*a, {s.text});
    }
    void swap(const Step& s) {
        say(photoA() + " and " + nameB + " (" + s.b + ") through " + s.text);
        fs::rename(at(nameA), at(s.text));
        fs::rename(at(nameB), at(nameA));
        fs::rename(at(s.text), at(nameB));
        byHand(*a, {nameB, s.text});
        byHand(*b, {nameA});
    }
    void remove(const Step&) {
        say(photoA());
        fs::remove(at(nameA));
        a->links--, a->lastName = nameA, deleted.push_back(a->name);
        byHand(*a, {});
    }
    void restore(const Step&) {
        for (auto name = deleted.rbegin(); name != deleted.rend(); ++name)
            if (Photo& p = *std::ranges::find(photos, *name, &Photo::name);
                p.links == 0 && !fs::exists(at(p.lastName))) {
                say(" " + p.lastName + " (" + p.name + ")");
                folder.write(p.lastName, p.bytes);
                p.links = 1;
                return byHand(p, {p.lastName});
            }
    }
    void link(const Step& s) {
        say(photoA() + " " + s.text);
        fs::create_hard_link(at(nameA), at(s.text));
        a->links++;
        a->handNames.insert(s.text); // a name of its own, not a change to the photo
    }
    void edit(const Step& s) {
        say(photoA() + " to be shot " + s.text + (s.undo ? " once a run has read it" : ""));
        if (!s.undo)
            return retime(s.text);
        // As a user tagging photos while the program renames them.
        Hearing hearing([&](int, naming::Phase phase, std::size_t done, std::size_t total) {
            if (phase == naming::Phase::Reading && done == total && a->shot != s.text)
                retime(s.text);
        });
        run(platform::listPhotos(path), {.observer = &hearing});
    }
    // Rewrites the shooting time inside the file and puts its modification time back, as a
    // careless tagging tool might: the photo keeps its size too.
    void retime(const std::string& time) {
        byHand(*a, {}, true);
        const auto modified = fs::last_write_time(at(nameA));
        const std::size_t offset = a->bytes.find(*a->shot + '\0');
        std::fstream(at(nameA), std::ios::in | std::ios::out | std::ios::binary).seekp(long(offset))
            << time;
        fs::last_write_time(at(nameA), modified);
        a->bytes.replace(offset, time.size(), time);
        a->shots.insert(*(a->shot = time));
    }
    void touch(const Step&) {
        say(photoA());
        fs::last_write_time(at(nameA), fs::file_time_type::clock::now());
        byHand(*a, {}, true);
    }
    void kill(const Step& s) { interrupt(s, true); }
    void stop(const Step& s) { interrupt(s, false); }
    // Kills the next run or undo (in a process of its own) or stops it at its report `s.at`;
    // kills it at its rename -`s.at`, or after `s.micros`.
    void interrupt(const Step& s, bool kill) {
        say((s.undo ? " undo" : " run, birthday " + birthday) +
            (s.at > 0   ? ", at its report "
             : s.at < 0 ? ", at its rename "
                        : ", microseconds in: ") +
            std::to_string(s.at > 0   ? s.at
                           : s.at < 0 ? -s.at
                                      : s.micros));
        const Files before = folder.contents();
        const std::string target = nextToUndo();
        std::stop_source source;
        bool asked = false, last = false;
        Hearing hearing([&](int call, naming::Phase phase, std::size_t done, std::size_t total) {
            if (call != s.at)
                return;
            if (kill)
                ::raise(SIGKILL);
            // The report that tells the run is through comes after its last chance to stop.
            asked = true, last = phase == naming::Phase::Renaming && done == total;
            source.request_stop();
        });
        runs::Control control{.observer = &hearing, .stop = source.get_token()};
        if (s.at < 0)
            control.folder = [&](const std::string& dir) {
                return std::make_unique<KillingFolder>(dir, -s.at);
            };
        if (!s.undo)
            birthdays.insert(birthday);
        const auto go = [&] {
            return s.undo ? runs::undoLastRun(path, runs::Effect::Rename, control)
                          : runs::renameFolder(path, platform::listPhotos(path), birthday,
                                               runs::Effect::Rename, control);
        };
        if (!kill) {
            const runs::Outcome outcome = go();
            failUnless(!asked || last || outcome.ending == Stopped, "a stop did not stop");
            if (s.undo)
                checkUndo(target, outcome);
            return;
        }
        const pid_t child = ::fork();
        if (child == 0) // a run that throws aborts it
            [&]() noexcept { go(); }(), ::_exit(0);
        if (s.at == 0)
            ::usleep(useconds_t(s.micros)), ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        failUnless(status == 0 || (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL),
                   "a run ended the process", std::to_string(status));
        killed = true, calming.clear();
        failUnless(!s.undo || target.empty() || folder.contents() == before ||
                       states()[target] != NotUndone,
                   "a run an undo took partly back shown as not taken back", target);
    }
    void clockBack(const Step& s) {
        setBack += std::chrono::days(1 + s.at % 3);
        platform::setWallClock([] { return Clock::now() - setBack; });
        say(" to " + std::to_string(setBack / std::chrono::days(1)) + " days ago");
    }
    // A rename held at its first report of progress while another starts on the same folder
    // through another path; the first is held there rather than in its reader, which the
    // record may spare it altogether.
    void secondRun(const Step&) {
        say(", birthday " + birthday + ", through " +
            (other.empty()           ? "(no other path)"
             : fs::is_symlink(other) ? "a link"
                                     : "a bind mount"));
        if (other.empty())
            return;
        birthdays.insert(birthday);
        const std::vector<std::string> listed = platform::listPhotos(path);
        fixture::Gate held, open;
        int waits = 0;
        Hearing holder([&](int call, auto...) {
            if (call == 1)
                held.open(), open.pass();
        });
        Hearing waiting([&](int, naming::Phase phase, auto...) {
            if (phase == naming::Phase::Waiting && waits++ == 0)
                open.open();
        });
        const auto go = [&](const std::string& where, Hearing& hearing) {
            return runs::renameFolder(where, listed, birthday, runs::Effect::Rename,
                                      {.observer = &hearing});
        };
        runs::Outcome first;
        std::thread thread([&] { first = go(path, holder); });
        held.pass();
        const runs::Outcome second = go(other, waiting);
        open.open();
        thread.join();
        const Files files = folder.contents();
        if (second.folder != first.folder) // its journals are another path's: not ours to undo
            for (const runs::PhotoOutcome& moved : second.photos)
                for (Photo& p : photos)
                    p.handled = p.handled || (moved.renamed() && files.contains(moved.to) &&
                                              files.at(moved.to) == p.bytes);
        failUnless(waits > 0, "a second run on the folder did not wait for the first");
        failUnless(first.ending != PhotoVanished && second.ending != PhotoVanished,
                   "a run on a folder another run worked on lost a photo");
    }

    // A real run, which must come to its end.
    void run(const std::vector<std::string>& list, const runs::Control& control = {}) {
        birthdays.insert(birthday);
        const auto outcome =
            runs::renameFolder(path, list, birthday, runs::Effect::Rename, control);
        failUnless(outcome.ending == Completed, "a run ended otherwise than completed",
                   std::to_string(int(outcome.ending)));
        calms = true;
    }
    std::map<std::string, runs::UndoState> states() const {
        std::map<std::string, runs::UndoState> out;
        for (const runs::RunRecord& run : runs::runHistory(path))
            out[run.journal] = run.undo;
        return out;
    }
    std::string nextToUndo() const {
        const std::vector<runs::RunRecord> history = runs::runHistory(path);
        const runs::RunRecord* next = runs::nextToUndo(history);
        return next ? next->journal : "";
    }

    // What an undo said against what the history then tells of the run it took back.
    void checkUndo(const std::string& target, const runs::Outcome& outcome) {
        const runs::UndoState state = states()[target];
        failUnless((outcome.ending == NothingToUndo) == target.empty(),
                   "the run to undo next differs from the one undone", target);
        failUnless(outcome.ending != Completed || state == Undone,
                   "a run undone in full not shown as taken back", target);
        failUnless(outcome.renamedCount() == 0 || state != NotUndone,
                   "a run an undo took partly back shown as not taken back", target);
    }
    bool isBack(const Photo& photo, const Files& files) const {
        const auto names = namesOf(photo, files);
        return names.empty() || std::ranges::find(names, photo.name) != names.end();
    }
    // A photo whose earlier name a photo changed by hand holds cannot go back there, nor
    // further, by this undo or any later one; and it may hold another's earlier name in turn.
    void holdBack() {
        const Files files = folder.contents();
        std::map<std::string, const Photo*> holders; // of each name now
        for (const Photo& photo : photos)
            for (const std::string& name : namesOf(photo, files))
                holders[name] = &photo;
        for (bool more = true; more;) {
            more = false;
            for (Photo& photo : photos)
                if (!photo.handled && !photo.heldBack && !isBack(photo, files) &&
                    std::ranges::any_of(photo.seen, [&](const std::string& name) {
                        const Photo* holder = holders[name];
                        return holder && (holder->handled || holder->heldBack);
                    }))
                    photo.heldBack = more = true;
        }
    }
    // A run whose photos left were changed by hand never holds up the undos after it.
    runs::Ending undoOnce(std::string& unfinishedOn) {
        const std::string target = nextToUndo();
        const runs::Outcome outcome = runs::undoLastRun(path, runs::Effect::Rename);
        const runs::Ending ending = outcome.ending;
        failUnless(ending == Completed || ending == Unfinished || ending == NothingToUndo,
                   "an undo ended otherwise than promised", std::to_string(int(ending)));
        const bool refused = std::ranges::any_of(outcome.photos, [](const auto& photo) {
            return photo.reason == naming::KeptReason::CannotRename;
        });
        failUnless(ending != Unfinished || target != unfinishedOn,
                   std::string("an undo unfinished twice in a row on one run, ") +
                       (refused ? "a move refused" : "none of its photos found"),
                   target);
        unfinishedOn = ending == Unfinished ? target : "";
        checkUndo(target, outcome);
        holdBack();
        return ending;
    }
    void undoEverything(const Step& = {}) {
        const std::size_t tries = runs::runHistory(path).size() + 2;
        std::string unfinishedOn;
        runs::Ending ending = Completed;
        for (std::size_t i = 0; i < tries && ending != NothingToUndo; ++i)
            ending = undoOnce(unfinishedOn), checkFolder(runs::runHistory(path));
        failUnless(ending == NothingToUndo, "undo did not come to an end");
        for (const runs::RunRecord& run : runs::runHistory(path))
            failUnless(run.readable && run.undo == Undone,
                       "a run left not taken back after undoing everything", run.journal);
        holdBack();
        const Files files = folder.contents();
        for (const Photo& photo : photos)
            if (!photo.handled && !photo.heldBack && !isBack(photo, files))
                throw Failure{"a photo untouched by hand did not get its camera name back",
                              photo.name + " is under " + namesOf(photo, files).front()};
        killed = false;
    }

    bool allowed(const Photo& photo, const std::string& name,
                 const std::vector<runs::RunRecord>& history) const {
        // 0_0.jpg may hold a photo where a run or an undo was killed since the last run that
        // ended normally and left it free; undoing that run brings back the time before it.
        // A photo changed by hand while there is left there by undos, as any photo so changed.
        if (name == naming::kTemporaryName)
            return photo.handNames.contains(name) ||
                   (killed && std::ranges::none_of(history, [&](const runs::RunRecord& run) {
                        return calming.contains(run.journal) && run.undo != Undone;
                    }));
        for (const std::string& shot : photo.shots)
            for (const std::string& birthdayOfRun : birthdays)
                if (const auto stamp = naming::ageStamp(birthdayOfRun, shot))
                    for (const char* letter : {"", "b", "c", "d", "e", "f"})
                        if (name == naming::photoName(naming::baseName(*stamp), letter))
                            return true;
        return name == photo.name || photo.handNames.contains(name);
    }
    // No photo lost or doubled, each under a name it may have.
    void checkFolder(const std::vector<runs::RunRecord>& history) const {
        const Files files = folder.contents();
        for (const Photo& photo : photos)
            if (const std::size_t found = namesOf(photo, files).size(); int(found) != photo.links)
                throw Failure{"a photo's bytes lost or doubled",
                              photo.name + " found under " + std::to_string(found) + " names, " +
                                  std::to_string(photo.links) + " expected"};
        for (const auto& [name, bytes] : files) {
            const auto photo = std::ranges::find(photos, bytes, &Photo::bytes);
            failUnless(photo != photos.end(), "a photo's bytes lost or doubled", name);
            failUnless(allowed(*photo, name, history), "a photo under a name it may not have",
                       name + " holds " + photo->name);
        }
    }
    // Previews with the record of shooting times and with a copy of the state folder
    // without it: the record only spares reading, it never changes a name.
    void checkRecord() const {
        const auto preview = [&] {
            return runs::renameFolder(path, platform::listPhotos(path), birthday,
                                      runs::Effect::Preview)
                .photos;
        };
        const auto remembered = preview();
        fs::remove_all(copy);
        fs::copy(stateHome, copy, fs::copy_options::recursive);
        ::setenv("XDG_STATE_HOME", copy.c_str(), 1);
        fs::remove(runs::shootingRecordPath(path));
        const auto read = preview();
        ::setenv("XDG_STATE_HOME", stateHome.c_str(), 1);
        const auto [r, f] = std::ranges::mismatch(remembered, read);
        failUnless(r == remembered.end() && f == read.end(),
                   "the record of shooting times changed a name",
                   r == remembered.end() || f == read.end()
                       ? "another number of photos"
                       : r->from + " would go to " + r->to + ", read afresh to " + f->to);
    }
    void settle() {
        const std::vector<runs::RunRecord> history = runs::runHistory(path);
        for (const runs::RunRecord& run : history)
            if (std::ranges::find(order, run.journal) == order.end()) {
                order.push_back(run.journal);
                if (calms && !fs::exists(at(naming::kTemporaryName)))
                    calming.insert(run.journal);
            }
        calms = false;
        failUnless(std::ranges::equal(history, order, {}, &runs::RunRecord::journal),
                   "runs listed out of the order they were made");
        checkFolder(history);
        for (Photo& photo : photos)
            for (const std::string& name : namesOf(photo, folder.contents()))
                photo.seen.insert(name);
        checkRecord();
    }
};

struct Kind {
    const char* name;
    int share;  // in percent of the steps after the first; "add" has a rule of its own
    int photos; // that must be in the folder: `a`, and `b` too (2), or `a` shot at a time (3)
    void (Simulation::*act)(const Step&);
};
// clang-format off
constexpr Kind kKinds[] = {
    {"add", 0, 0, &Simulation::add},
    {"rename", 27, 0, &Simulation::rename},
    {"preview", 6, 0, &Simulation::preview},
    {"undo", 12, 0, &Simulation::undo},
    {"undo everything", 3, 0, &Simulation::undoEverything},
    {"hand: rename", 5, 1, &Simulation::moved},
    {"hand: swap", 5, 2, &Simulation::swap},
    {"hand: delete", 4, 1, &Simulation::remove},
    {"hand: restore the last deleted", 3, 0, &Simulation::restore},
    {"hand: ln", 4, 1, &Simulation::link},
    {"hand: edit in place, size and modification time kept,", 5, 3, &Simulation::edit},
    {"hand: touch", 3, 1, &Simulation::touch},
    {"kill -9 the next", 10, 0, &Simulation::kill},
    {"stop the next", 6, 0, &Simulation::stop},
    {"set the clock back", 3, 0, &Simulation::clockBack},
    {"rename all twice at once", 4, 0, &Simulation::secondRun}};
// clang-format on

void Simulation::play(const std::vector<Step>& steps) {
    const auto find = [&](const std::string& added) {
        const auto photo = std::ranges::find(photos, added, &Photo::name);
        const auto names =
            photo == photos.end() ? std::vector<std::string>{} : namesOf(*photo, folder.contents());
        return std::pair(names.empty() ? nullptr : &*photo, names.empty() ? "" : names.front());
    };
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Step& s = steps[i];
        const Kind& kind = kKinds[s.kind];
        birthday = kBirthdays[s.birthday];
        std::tie(a, nameA) = find(s.a), std::tie(b, nameB) = find(s.b);
        say("  " + std::to_string(i + 1) + ". " + kind.name);
        if (kind.photos == 0 ||
            (a && (kind.photos != 2 || (b && a != b)) && (kind.photos != 3 || a->shot.has_value())))
            (this->*kind.act)(s);
        else
            say(" " + s.a + " (passed over)");
        say("\n");
        settle();
    }
    say("  then undo everything\n");
    undoEverything();
}

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
        const bool adds = photos.empty() || (photos.size() < goal && below(5) == 0);
        for (int n = adds ? 1 + below(6) : 0; n > 0; --n) {
            const int kind = below(16); // 0: notes, 1: a ".jpg" that is no JPEG
            char name[32];
            std::snprintf(name, sizeof name,
                          kind == 0  ? "notes_%04d.txt"
                          : below(4) ? "IMG_%04d.jpg"
                                     : "DSC_%04d.JPG",
                          ++counter);
            Photo& file = s.files.emplace_back(Photo{.name = name});
            file.bytes = std::string(kind == 0 ? "notes of " : "no photo but ") + name;
            if (kind < 2)
                continue;
            photos.push_back(name);
            if (below(8) != 0)
                file.shots.insert(*(file.shot = time()));
            // A size of its own too: a journal knows a photo by its size, modification time
            // and shooting time, and two photos of a burst written in one tick of the clock
            // differ in nothing else, as a camera's never do. A reader stops before the name.
            const auto order =
                below(2) == 0 ? fixture::ByteOrder::Motorola : fixture::ByteOrder::Intel;
            file.bytes = fixture::jpegBytes({.dateTimeOriginal = file.shot,
                                             .byteOrder = order,
                                             .padding = std::size_t(counter)}) +
                         name;
        }
        if (adds)
            continue;
        for (int roll = below(100), sum = 0; sum <= roll;)
            sum += kKinds[++s.kind].share;
        const auto act = kKinds[s.kind].act;
        s.some = below(3) == 0;
        s.undo = below(3) == 0;
        s.a = photos[below(photos.size())];
        s.b = photos[below(photos.size())];
        s.text = act == &Simulation::edit ? time() : "mine_" + std::to_string(++mine) + ".jpg";
        if (act == &Simulation::undo)
            s.at = 1 + below(2);
        if (act == &Simulation::kill && below(3) < 2)
            s.at = below(2) ? 0 : -1 - below(8);
    }
    return steps;
}

struct Result {
    std::string log;
    std::optional<Failure> failure;
};

// Plays the history in a process of its own, so that an abort or a hang is a failure too.
// Where it can, it keeps its folders in memory, some twenty times faster than on a disk, in
// a mount namespace of its own, and bind mounts the folder as a second path; elsewhere it has
// a symbolic link.
Result play(const std::vector<Step>& steps) {
    const fixture::TempFolder root;
    std::ofstream log(root.at("log")), failure(root.at("failure"));
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(120);
        const char* path = root.path().c_str();
        const bool inMemory = ::unshare(CLONE_NEWNS) == 0 &&
                              ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                              ::mount("tmpfs", path, "tmpfs", 0, nullptr) == 0;
        ::setenv("TMPDIR", path, 1);
        log << (inMemory ? "in memory:\n" : "on a disk:\n");
        try {
            const fixture::TempFolder folder, state, copy, other;
            std::error_code error;
            std::string second = other.path().string();
            if (!inMemory ||
                ::mount(folder.path().c_str(), second.c_str(), nullptr, MS_BIND, nullptr) != 0)
                fs::create_directory_symlink(folder.path(), second += "/photos", error);
            ::setenv("XDG_STATE_HOME", state.path().c_str(), 1);
            Simulation{folder, state.path(), copy.path() / "state", error ? "" : second,
                       std::move(log)}
                .play(steps);
        } catch (const Failure& broken) {
            failure << broken.what << '\n' << broken.detail;
        } catch (const std::exception& error) {
            failure << "a step threw\n" << error.what();
        }
        failure.close();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    Result result{root.read("log")};
    if (const std::string broken = root.read("failure"); !broken.empty())
        result.failure =
            Failure{broken.substr(0, broken.find('\n')), broken.substr(broken.find('\n') + 1)};
    else if (status != 0)
        result.failure =
            Failure{WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM ? "a step hung"
                                                                       : "a step ended the process",
                    std::to_string(status)};
    return result;
}

// Drops chunks of steps, then single steps, then the files of the steps that add them, for
// as long as the history still fails the same way.
std::vector<Step> shrink(std::vector<Step> steps, const std::string& what) {
    int budget = 400;
    bool shrank = true;
    const auto kept = [&](std::vector<Step> candidate) {
        const Result result = budget-- > 0 ? play(candidate) : Result{};
        if (!result.failure || result.failure->what != what)
            return false;
        steps = std::move(candidate);
        return shrank = true;
    };
    while (std::exchange(shrank, false)) {
        for (std::size_t chunk = std::max<std::size_t>(steps.size() / 2, 1); chunk > 0; chunk /= 2)
            for (std::size_t at = 0; at + chunk <= steps.size();) {
                std::vector<Step> candidate = steps;
                candidate.erase(candidate.begin() + long(at), candidate.begin() + long(at + chunk));
                at += kept(std::move(candidate)) ? 0 : chunk;
            }
        for (std::size_t i = 0; i < steps.size(); ++i)
            for (std::size_t f = 0; f < steps[i].files.size();) {
                std::vector<Step> candidate = steps;
                candidate[i].files.erase(candidate[i].files.begin() + long(f));
                f += kept(std::move(candidate)) ? 0 : 1;
            }
    }
    return steps;
}

TEST(Simulation, RandomHistoriesKeepTheRunLayersPromises) {
    const char* one = std::getenv("TAMBLINOR_SIMULATION_SEED");
    const char* minutes = std::getenv("TAMBLINOR_SIMULATION_MINUTES");
    const std::uint64_t first = one       ? std::stoull(one)
                                : minutes ? std::uint64_t(Clock::now().time_since_epoch().count())
                                          : kFirstSeed;
    const auto end =
        std::chrono::steady_clock::now() + std::chrono::minutes(minutes ? std::stoi(minutes) : 0);
    std::map<std::string, std::pair<std::uint64_t, Failure>> found; // the first seed of each
    std::uint64_t histories = one ? 1 : minutes ? 0 : kHistories, seed = first;
    for (; seed - first < histories || (minutes && std::chrono::steady_clock::now() < end);
         ++seed) {
        const Result result = play(makeHistory(seed));
        if (result.failure)
            found.try_emplace(result.failure->what, seed, *result.failure);
        if (seed == first && !result.log.starts_with("in memory"))
            histories = std::min<std::uint64_t>(histories, kHistories / 10);
    }
    if (minutes)
        std::printf("%s histories from seed %s\n", std::to_string(seed - first).c_str(),
                    std::to_string(first).c_str());
    for (const auto& [what, firstFound] : found) {
        const auto& [failing, failure] = firstFound;
        const Result shortest = play(shrink(makeHistory(failing), what));
        ADD_FAILURE() << "seed " << failing << " (TAMBLINOR_SIMULATION_SEED=" << failing
                      << " plays it whole): " << what << ": " << failure.detail
                      << "\nshortest history found"
                      << (shortest.failure && shortest.failure->what == what
                              ? ": " + shortest.failure->detail
                              : " (played again, it did not fail so: its kills are timed)")
                      << "\n"
                      << shortest.log;
    }
}

} // namespace
