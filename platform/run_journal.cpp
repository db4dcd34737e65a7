#include "platform/run_journal.h"

#include "platform/hex_digit.h"
#include "platform/journal_file.h"
#include "platform/utf8_path.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <unordered_map>

namespace platform {
namespace {

constexpr std::string_view kHeader =
    "# Tamblinor journal: the renames of one run in one photo folder, kept so that the run\n"
    "# can be taken back (tamblinor-cli --undo). One record a line, its fields split by tabs:\n"
    "#   folder PATH          the photo folder\n"
    "#   time UTC             when the run began\n"
    "#   birthday TEXT        the birthday the run named the photos after\n"
    "#   undoes FILE          instead of a birthday: this run takes back the run of FILE,\n"
    "#                        so its renames go from that run's new names to its old ones\n"
    "#   plan OLD NEW ID      a rename to be made; ID tells the photo apart from other files:\n"
    "#                        SIZE:MODIFIED|SHOOTING TIME\n"
    "#   done OLD NEW         a rename made (NEW is 0_0.jpg where a ring could not close)\n"
    "#   unfinished           a taking back left photos a later one may still bring back\n"
    "#   end UTC              the run got to its end; without it the run was cut short, and\n"
    "#                        the names in the folder tell which of its renames were made\n"
    "# Every byte of a name or path that is '%', a control character (tab, line break...)\n"
    "# or not part of UTF-8 text is written %XX, in hexadecimal.\n"
    "tamblinor-journal\t1\n";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kRunSuffix = ".run";
constexpr std::string_view kUndoSuffix = ".undo";

// The length of the UTF-8 sequence that starts `text`, 0 where none does.
std::size_t utf8Length(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = lead < 0x80                    ? 1
                         : lead >= 0xC2 && lead <= 0xDF ? 2
                         : lead >= 0xE0 && lead <= 0xEF ? 3
                         : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                        : 0;
    if (length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

std::string escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const std::size_t length = utf8Length(text);
        const auto byte = static_cast<unsigned char>(text[0]);
        if (length == 0 || byte < 0x20 || byte == 0x7F || byte == '%') {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", byte);
            out += hex;
            text.remove_prefix(1);
        } else {
            out.append(text.substr(0, length));
            text.remove_prefix(length);
        }
    }
    return out;
}

std::optional<std::string> unescaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        const int high = hexValue(text[i + 1]), low = hexValue(text[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

// A name inside the photo folder: a journal, however edited, must never have a photo
// moved out of its folder or onto the folder itself.
bool isPlainName(std::string_view name) {
#ifdef _WIN32
    constexpr std::string_view kSeparators("/\\:\0", 4);
#else
    constexpr std::string_view kSeparators("/\0", 2);
#endif
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(kSeparators) == std::string_view::npos;
}

std::vector<std::string_view> fields(std::string_view line) {
    std::vector<std::string_view> out;
    for (std::size_t tab; (tab = line.find('\t')) != std::string_view::npos;) {
        out.push_back(line.substr(0, tab));
        line.remove_prefix(tab + 1);
    }
    out.push_back(line);
    return out;
}

void record(std::string& out, std::initializer_list<std::string_view> parts) {
    bool first = true;
    for (const std::string_view part : parts) {
        if (!first)
            out += '\t';
        out += first ? std::string(part) : escaped(part);
        first = false;
    }
    out += '\n';
}

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
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : folder) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
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

std::vector<naming::Rename> Journal::renamesToUndo() const {
    if (!ended)
        return planned;
    std::unordered_map<std::string_view, std::string_view> identities;
    for (const naming::Rename& rename : planned)
        identities.emplace(rename.from, rename.identity);
    std::vector<naming::Rename> out;
    for (const naming::Rename& rename : done) {
        const auto found = identities.find(rename.from);
        out.push_back({rename.from, rename.to,
                       found == identities.end() ? std::string() : std::string(found->second)});
    }
    return out;
}

std::string journalText(const Journal& journal) {
    std::string out(kHeader);
    record(out, {"folder", journal.folder});
    record(out, {"time", journal.time});
    if (journal.undoes.empty())
        record(out, {"birthday", journal.birthday});
    else
        record(out, {"undoes", journal.undoes});
    for (const naming::Rename& rename : journal.planned)
        record(out, {"plan", rename.from, rename.to, rename.identity});
    return out;
}

std::string endText(const std::vector<naming::Rename>& done, std::string_view time,
                    bool unfinished) {
    std::string out;
    for (const naming::Rename& rename : done)
        record(out, {"done", rename.from, rename.to});
    if (unfinished)
        record(out, {"unfinished"});
    record(out, {"end", time});
    return out;
}

std::optional<Journal> parseJournal(std::string_view text) {
    Journal journal;
    bool versioned = false;
    // An editor may have saved it with a byte order mark and Windows line ends; a name's
    // own carriage return is written %0D, so a raw one only ends a line.
    if (text.starts_with(kByteOrderMark))
        text.remove_prefix(kByteOrderMark.size());
    while (!text.empty()) {
        const std::size_t newline = text.find('\n');
        if (newline == std::string_view::npos)
            break; // a last line without its line break was cut as it was written
        std::string_view line = text.substr(0, newline);
        text.remove_prefix(newline + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (line.empty() || line.front() == '#')
            continue;
        const std::vector<std::string_view> parts = fields(line);
        std::vector<std::string> values;
        for (std::size_t i = 1; i < parts.size(); ++i) {
            std::optional<std::string> value = unescaped(parts[i]);
            if (!value)
                return std::nullopt;
            values.push_back(std::move(*value));
        }
        const std::string_view key = parts[0];
        if (key == "tamblinor-journal" && values.size() == 1 && values[0] == "1")
            versioned = true;
        else if (!versioned)
            return std::nullopt;
        else if (key == "folder" && values.size() == 1)
            journal.folder = values[0];
        else if (key == "time" && values.size() == 1)
            journal.time = values[0];
        else if (key == "birthday" && values.size() == 1)
            journal.birthday = values[0];
        else if (key == "undoes" && values.size() == 1 && isPlainName(values[0]))
            journal.undoes = values[0];
        else if (key == "plan" && values.size() == 3 && isPlainName(values[0]) &&
                 isPlainName(values[1]))
            journal.planned.push_back({values[0], values[1], values[2]});
        else if (key == "done" && values.size() == 2 && isPlainName(values[0]) &&
                 isPlainName(values[1]))
            journal.done.push_back({values[0], values[1], {}});
        else if (key == "unfinished" && values.empty())
            journal.unfinished = true;
        else if (key == "end" && values.size() == 1)
            journal.ended = true;
        else
            return std::nullopt;
    }
    if (!versioned)
        return std::nullopt;
    return journal;
}

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
    return appendTo(path(journal.fileName), endText(done, utcNow(), unfinished));
}

// Runs taken back go first, oldest first, then the oldest others: the journal of the run
// from the camera's names is not lost to many runs each taken back.
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
        // A taking back's journal is named after its run's: "RUN.TIME-NN.undo".
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
