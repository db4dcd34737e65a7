#include "platform/journal/journal_store.h"

#include "platform/files/utf8_path.h"
#include "platform/journal/journal_file.h"
#include "platform/system/text_codes.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

namespace platform {
namespace {

constexpr std::string_view kRunSuffix = ".run";
constexpr std::string_view kUndoSuffix = ".undo";

// UTC to the nanosecond: "2026-12-07T14:05:33.123456789Z".
std::string utcNow() {
    using namespace std::chrono;
    const auto now = time_point_cast<nanoseconds>(system_clock::now());
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
    const std::uint64_t hash = fnv1a(folder);
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

std::string fullPath(const std::string& folder) {
    const std::filesystem::path path = pathFromUtf8(folder);
    std::error_code error;
    std::filesystem::path full = std::filesystem::canonical(path, error);
    if (error)
        full = std::filesystem::absolute(path, error).lexically_normal();
    return utf8FromPath(full);
}

std::optional<std::string> readAll(const std::string& path) {
    std::ifstream in(pathFromUtf8(path), std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

JournalStore::JournalStore(const std::string& folder, const std::string& root)
    : folder_(fullPath(folder)) {
    if (!root.empty())
        directory_ = utf8FromPath(pathFromUtf8(root) / folderKey(folder_));
}

std::string JournalStore::path(const std::string& fileName) const {
    return utf8FromPath(pathFromUtf8(directory_) / pathFromUtf8(fileName));
}

std::vector<RunOnRecord> JournalStore::runs(std::vector<std::string>* unreadable) const {
    std::map<std::string, Journal> byName; // time order
    std::error_code error;
    if (directory_.empty())
        return {};
    if (unreadable)
        unreadable->clear();
    for (const auto& entry : std::filesystem::directory_iterator(pathFromUtf8(directory_), error)) {
        const std::string name = utf8FromPath(entry.path().filename());
        if (!name.ends_with(kRunSuffix) && !name.ends_with(kUndoSuffix))
            continue;
        const std::optional<std::string> text = readAll(path(name));
        std::optional<Journal> journal = text ? parseJournal(*text) : std::nullopt;
        if (journal && journal->folder == folder_) {
            journal->fileName = name;
            byName.emplace(name, std::move(*journal));
        } else if (!journal && unreadable) {
            unreadable->push_back(name);
        }
    }
    if (unreadable)
        std::sort(unreadable->begin(), unreadable->end());
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
        if (run == runByName.end() || !journal.ended)
            continue;
        RunOnRecord& record = out[run->second];
        record.undone = record.undone || !journal.unfinished;
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
    const std::string prefix = journal.undoes.empty() ? std::string() : journal.undoes + ".";
    const std::string_view suffix = journal.undoes.empty() ? kRunSuffix : kUndoSuffix;
    const std::string text = journalText(journal);
    // Two runs in the same nanosecond, as a coarse clock gives, take the next number.
    for (int number = 0; number < 100; ++number) {
        char count[4];
        std::snprintf(count, sizeof count, "-%02d", number);
        journal.fileName = prefix + fileStem(journal.time) + count + std::string(suffix);
        error = createWrittenThrough(path(journal.fileName), text);
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
    for (const auto& entry : std::filesystem::directory_iterator(pathFromUtf8(directory_), error)) {
        const std::string name = utf8FromPath(entry.path().filename());
        if (name.ends_with(kRunSuffix))
            runs.push_back(name);
    }
    if (runs.size() <= keep)
        return;
    std::vector<std::string> undone;
    for (const RunOnRecord& record : JournalStore::runs()) {
        if (record.undone)
            undone.push_back(record.run.fileName);
    }
    std::sort(undone.begin(), undone.end());
    std::sort(runs.begin(), runs.end());
    std::stable_partition(runs.begin(), runs.end(), [&](const std::string& name) {
        return std::binary_search(undone.begin(), undone.end(), name);
    });
    runs.resize(runs.size() - keep);
    std::sort(runs.begin(), runs.end());
    for (const auto& entry : std::filesystem::directory_iterator(pathFromUtf8(directory_), error)) {
        const std::string name = utf8FromPath(entry.path().filename());
        // An undo's journal is named after its run's: "RUN.TIME-NN.undo".
        const std::size_t runEnd = name.find(kRunSuffix);
        if (runEnd != std::string::npos &&
            std::binary_search(runs.begin(), runs.end(),
                               name.substr(0, runEnd + kRunSuffix.size()))) {
            std::error_code ignored;
            std::filesystem::remove(entry.path(), ignored);
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

void JournalWriter::end(const std::vector<naming::Rename>& done) {
    if (!begun_)
        return;
    if (const std::error_code error = store_.end(journal_, done, unfinished_))
        problem_ = error.message();
}

} // namespace platform
