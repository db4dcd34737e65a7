#include "platform/journal/journal_store.h"

#include "platform/files/stored_path.h"
#include "platform/files/utf8_path.h"
#include "platform/files/whole_file.h"
#include "platform/journal/journal_file.h"
#include "platform/system/text_codes.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>

namespace platform {
namespace {

constexpr std::string_view kRunSuffix = ".run";
constexpr std::string_view kUndoSuffix = ".undo";

WallClock wallClock = nullptr;

// UTC to the nanosecond: "2026-12-07T14:05:33.123456789Z".
std::string utcNow() {
    using namespace std::chrono;
    const auto now = time_point_cast<nanoseconds>(wallClock ? wallClock() : system_clock::now());
    const auto day = floor<days>(now);
    const year_month_day date(day);
    const hh_mm_ss clock(floor<seconds>(now - day));
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%09lldZ", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), int(clock.hours().count()),
                  int(clock.minutes().count()), int(clock.seconds().count()),
                  static_cast<long long>((now - floor<seconds>(now)).count()));
    return text;
}

// "20261207T140533.123456789Z" from the time above: only characters any file system takes.
std::string fileStem(std::string_view time) {
    std::string out;
    for (const char c : time) {
        if (c != '-' && c != ':')
            out += c;
    }
    return out;
}

// FNV-1a over the folder's path: a name per photo folder that any file system takes.
std::string folderKey(std::string_view folder) {
    return hex64(fnv1a(folder));
}

// A run's journal is named "S00000042-TIME-NN.run": its number among the folder's runs
// first, so that the names sort in the order the runs were made whatever the clock said
// meanwhile (set back by hand, a time zone changed). Journals of earlier versions, named
// "TIME-NN.run", sort before every numbered one, as they were made before.
constexpr char kSequenceMark = 'S';
constexpr int kSequenceDigits = 8;

std::uint64_t sequenceOf(std::string_view name) {
    if (name.size() <= kSequenceDigits + 1 || name[0] != kSequenceMark ||
        name[kSequenceDigits + 1] != '-')
        return 0;
    std::uint64_t number = 0;
    for (const char c : name.substr(1, kSequenceDigits)) {
        if (c < '0' || c > '9')
            return 0;
        number = number * 10 + std::uint64_t(c - '0');
    }
    return number;
}

std::string sequenceName(std::uint64_t number) {
    char text[kSequenceDigits + 3];
    std::snprintf(text, sizeof text, "%c%0*llu-", kSequenceMark, kSequenceDigits,
                  static_cast<unsigned long long>(number));
    return text;
}

// An undo that got to its end and left nothing to retry took its run back whole.
bool takesBackWhole(const Journal& undo) {
    return undo.ended && !undo.unfinished;
}

} // namespace

void setWallClock(WallClock clock) {
    wallClock = clock;
}

JournalStore::JournalStore(const std::string& folder, const std::string& root)
    : folder_(storedFolderPath(folder)) {
    if (!root.empty())
        directory_ = utf8FromPath(pathFromUtf8(root) / folderKey(folder_));
}

std::string JournalStore::path(const std::string& fileName) const {
    return utf8FromPath(pathFromUtf8(directory_) / pathFromUtf8(fileName));
}

std::optional<Journal> JournalStore::read(const std::string& fileName) const {
    std::error_code ignored;
    const std::optional<std::string> text = readWholeFile(path(fileName), ignored);
    std::optional<Journal> journal = text ? parseJournal(*text) : std::nullopt;
    if (journal)
        journal->fileName = fileName;
    return journal;
}

std::vector<RunOnRecord> JournalStore::runs(std::vector<std::string>* unreadable) const {
    std::map<std::string, Journal> byName; // the order the runs were made
    if (unreadable)
        unreadable->clear();
    if (directory_.empty())
        return {};
    std::error_code error;
    const std::vector<std::string> names = entryNames(directory_, error);
    for (const std::string& name : names) {
        if (!name.ends_with(kRunSuffix) && !name.ends_with(kUndoSuffix))
            continue;
        std::optional<Journal> journal = read(name);
        if (!journal) {
            if (unreadable)
                unreadable->push_back(name);
        } else if (journal->folder == folder_) {
            byName.emplace(name, std::move(*journal));
        }
    }
    if (unreadable) {
        std::sort(unreadable->begin(), unreadable->end());
        // A folder of journals that cannot be listed may hide runs of any age: it counts as
        // a journal that cannot be read, newer than all.
        if (error && error != std::errc::no_such_file_or_directory)
            unreadable->push_back(std::string(kUnlistable));
    }
    std::vector<RunOnRecord> out;
    std::map<std::string, std::size_t> runByName;
    for (const auto& [name, journal] : byName) {
        if (journal.undoes.empty()) {
            runByName.emplace(name, out.size());
            out.push_back({journal, false});
        }
    }
    for (const auto& [name, journal] : byName) {
        const auto run = runByName.find(journal.undoes);
        if (run == runByName.end())
            continue;
        RunOnRecord& record = out[run->second];
        if (!journal.ended) { // cut short as it moved photos back
            record.partlyUndone = record.partlyUndone || !journal.planned.empty();
            record.cutUndoPlans.insert(record.cutUndoPlans.end(), journal.planned.begin(),
                                       journal.planned.end());
            continue;
        }
        record.undone = record.undone || takesBackWhole(journal);
        record.partlyUndone = record.partlyUndone || !journal.done.empty();
        record.movedBack += journal.done.size();
    }
    for (RunOnRecord& record : out)
        record.partlyUndone = record.partlyUndone && !record.undone;
    return out;
}

std::error_code JournalStore::create(Journal& journal) {
    if (directory_.empty())
        return std::make_error_code(std::errc::no_such_file_or_directory);
    std::error_code error;
    std::filesystem::create_directories(pathFromUtf8(directory_), error);
    if (error)
        return error;
    journal.folder = folder_;
    journal.time = utcNow();
    if (journal.undoes.empty())
        journal.place = folderIdentity(folder_);
    std::string prefix = journal.undoes + ".";
    if (journal.undoes.empty()) {
        std::uint64_t last = 0;
        for (const std::string& name : entryNames(directory_, error)) {
            if (name.ends_with(kRunSuffix))
                last = std::max(last, sequenceOf(name));
        }
        if (error)
            return error;
        prefix = sequenceName(last + 1);
    }
    const std::string_view suffix = journal.undoes.empty() ? kRunSuffix : kUndoSuffix;
    const std::string text = journalText(journal);
    // Two runs in the same nanosecond, as a coarse clock gives, take the next number.
    for (int number = 0; number < 100; ++number) {
        char count[4];
        std::snprintf(count, sizeof count, "-%02d", number);
        journal.fileName = prefix + fileStem(journal.time) + count + std::string(suffix);
        error = createWrittenThrough(path(journal.fileName), path("." + journal.fileName + ".tmp"),
                                     text);
        if (error != std::errc::file_exists)
            return error;
    }
    return error;
}

std::error_code JournalStore::end(const Journal& journal, const std::vector<naming::Rename>& done,
                                  bool unfinished) {
    // A run that renamed nothing (every rename refused, a read-only card, or stopped before
    // its first) left the folder as it found it: there is nothing to undo, and its journal
    // would only stand in the way of undoing the run before it.
    if (done.empty() && journal.undoes.empty()) {
        std::error_code error;
        std::filesystem::remove(pathFromUtf8(path(journal.fileName)), error);
        return error;
    }
    return appendTo(path(journal.fileName), endText(done, utcNow(), unfinished));
}

// Runs undone go first, oldest first, then the oldest others: the journal of the run
// from the camera's names is not lost to many runs each undone.
void JournalStore::prune(std::size_t keep) const {
    std::vector<std::string> runs;
    std::error_code error;
    const std::vector<std::string> names = entryNames(directory_, error);
    for (const std::string& name : names) {
        if (name.ends_with(kRunSuffix))
            runs.push_back(name);
    }
    if (runs.size() <= keep)
        return;
    // The runs undone, as runs() tells them, from the undos' journals and the journals of
    // the runs they undo alone: reading every run's journal here would cost each run, once
    // the folder has its hundred, far more than the run itself.
    std::sort(runs.begin(), runs.end());
    std::vector<std::string> undone;
    for (const std::string& name : names) {
        if (!name.ends_with(kUndoSuffix))
            continue;
        const std::optional<Journal> undo = read(name);
        if (!undo || undo->folder != folder_ || !takesBackWhole(*undo) ||
            !std::binary_search(runs.begin(), runs.end(), undo->undoes))
            continue;
        if (const std::optional<Journal> run = read(undo->undoes);
            run && run->folder == folder_ && run->undoes.empty())
            undone.push_back(undo->undoes);
    }
    std::sort(undone.begin(), undone.end());
    std::stable_partition(runs.begin(), runs.end(), [&](const std::string& name) {
        return std::binary_search(undone.begin(), undone.end(), name);
    });
    runs.resize(runs.size() - keep);
    std::sort(runs.begin(), runs.end());
    for (const std::string& name : names) {
        // An undo's journal is named after its run's: "RUN.TIME-NN.undo".
        const std::size_t runEnd = name.find(kRunSuffix);
        if (runEnd != std::string::npos &&
            std::binary_search(runs.begin(), runs.end(),
                               name.substr(0, runEnd + kRunSuffix.size()))) {
            std::error_code ignored;
            std::filesystem::remove(pathFromUtf8(path(name)), ignored);
        }
    }
}

JournalWriter::JournalWriter(JournalStore& store, std::string birthday, std::string undoes)
    : store_(store) {
    journal_.birthday = std::move(birthday);
    journal_.undoes = std::move(undoes);
}

void JournalWriter::begin(const std::vector<naming::Rename>& planned) {
    journal_.planned = planned;
    if (const std::error_code error = store_.create(journal_)) {
        problem_ = error.message();
        return;
    }
    journal_.planned.clear();
    begun_ = true;
    if (journal_.undoes.empty())
        store_.prune();
}

// A journal whose end cannot be added is one of a run cut short: it undoes the run all
// the same, from its plan and the names on disk, so the run can still be undone.
void JournalWriter::end(const std::vector<naming::Rename>& done) {
    if (begun_)
        store_.end(journal_, done, unfinished_);
}

} // namespace platform
