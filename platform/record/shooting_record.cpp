#include "platform/record/shooting_record.h"

#include "platform/files/utf8_path.h"
#include "platform/files/whole_file.h"
#include "platform/system/text_codes.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string_view>
#include <vector>

namespace platform {
namespace {

// Changes whenever the lines change their form; the reader's version follows it on the
// first line. A record of another version or reader is started afresh.
constexpr std::string_view kHeader = "tamblinor shooting times 2";

template <typename Number> bool parse(std::string_view text, Number& value, int base = 10) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size();
}

std::chrono::sys_days today() {
    return std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
}

// "CHECKSUM\tNAME\tVOLUME\tDEVICE\tFILE\tSIZE\tMODIFIED\tCHANGED\tUSED\tSHOT": the numbers
// in decimal, USED in days since 1970. Added to the end of `text`, which a record of many
// photos builds line by line without a string of its own for each.
void appendEntryLine(std::string& text, const std::string& name, const RecordEntry& entry) {
    const FileStatus& s = entry.status;
    const std::size_t start = text.size();
    text.append(16, '0').append("\t");
    const std::size_t body = text.size();
    appendPercentEncoded(text, name);
    for (const long long number : {(long long)s.volume, (long long)s.device, (long long)s.file,
                                   (long long)s.size, (long long)s.modified, (long long)s.changed,
                                   (long long)entry.used.time_since_epoch().count()}) {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
        text.append("\t").append(digits, end);
    }
    text.append("\t");
    appendPercentEncoded(text, entry.shot);
    const std::string sum = hex64(fnv1a(std::string_view(text).substr(body)));
    text.replace(start, sum.size(), sum);
    text.append("\n");
}

bool parseEntry(std::string_view line, std::string& name, RecordEntry& entry) {
    const std::size_t tab = line.find('\t');
    std::uint64_t sum = 0;
    if (tab == std::string_view::npos || !parse(line.substr(0, tab), sum, 16) ||
        sum != fnv1a(line.substr(tab + 1)))
        return false;
    const std::vector<std::string_view> f = tabFields(line.substr(tab + 1));
    long long numbers[7];
    if (f.size() != 9)
        return false;
    for (std::size_t i = 0; i < 7; ++i) {
        if (!parse(f[i + 1], numbers[i]))
            return false;
    }
    std::optional<std::string> plainName = percentDecoded(f[0]), shot = percentDecoded(f[8]);
    if (!plainName || !shot)
        return false;
    name = std::move(*plainName);
    entry.status = {.volume = std::uint64_t(numbers[0]),
                    .device = std::uint64_t(numbers[1]),
                    .file = std::uint64_t(numbers[2]),
                    .size = std::uint64_t(numbers[3]),
                    .modified = numbers[4],
                    .changed = numbers[5]};
    entry.used = std::chrono::sys_days(std::chrono::days(numbers[6]));
    entry.shot = std::move(*shot);
    return true;
}

} // namespace

ShootingRecord::ShootingRecord(std::string path, std::string folder, std::string reader)
    : path_(std::move(path)), folder_(std::move(folder)),
      header_(std::string(kHeader) + "\t" + percentEncoded(reader)) {
    std::error_code error;
    const std::optional<std::string> text = readWholeFile(path_, error);
    if (!text) {
        if (error != std::errc::no_such_file_or_directory)
            problem_ = "cannot read " + path_ + ": " + error.message();
        return;
    }
    std::string_view rest = *text;
    const auto nextLine = [&rest]() {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        return line;
    };
    if (nextLine() != header_ || nextLine() != percentEncoded(folder_))
        return;
    const std::chrono::sys_days oldest = today() - kForgetAfter;
    while (!rest.empty()) {
        std::string name;
        RecordEntry entry;
        if (parseEntry(nextLine(), name, entry) && entry.used >= oldest)
            entries_.insert_or_assign(std::move(name), std::move(entry));
    }
}

const RecordEntry* ShootingRecord::find(const std::string& name) const {
    const auto entry = entries_.find(name);
    return entry == entries_.end() ? nullptr : &entry->second;
}

void ShootingRecord::put(const std::string& name, const FileStatus& status,
                         const std::string& shot) {
    const RecordEntry entry{status, shot, today()};
    const auto [at, added] = entries_.try_emplace(name, entry);
    const RecordEntry& was = at->second;
    if (added || was.status != status || was.shot != shot || was.used != entry.used) {
        at->second = entry;
        changed_ = true;
    }
}

void ShootingRecord::erase(const std::string& name) {
    changed_ = entries_.erase(name) > 0 || changed_;
}

std::error_code ShootingRecord::save() {
    if (!changed_)
        return {};
    if (entries_.size() > kMostEntries) {
        std::vector<std::chrono::sys_days> used;
        for (const auto& [name, entry] : entries_)
            used.push_back(entry.used);
        std::nth_element(used.begin(), used.begin() + kMostEntries - 1, used.end(),
                         std::greater<>());
        const std::chrono::sys_days cut = used[kMostEntries - 1];
        std::erase_if(entries_, [cut](const auto& item) { return item.second.used < cut; });
    }
    std::string text = header_ + "\n" + percentEncoded(folder_) + "\n";
    text.reserve(text.size() + entries_.size() * 160);
    for (const auto& [name, entry] : entries_)
        appendEntryLine(text, name, entry);

    const std::filesystem::path target = pathFromUtf8(path_);
    std::error_code error;
    std::filesystem::create_directories(target.parent_path(), error);
    if (error)
        return error;
    // A file of its own, so that a run killed while writing it leaves the record as it was;
    // runs on one folder take turns, and where the lock could not be had the later rename
    // wins, either record a sound one.
    std::filesystem::path temporary = target;
    temporary += pathFromUtf8(hex64(std::random_device{}()).append(".tmp").insert(0, 1, '.'));
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(text.data(), std::streamsize(text.size()));
        out.close();
        if (!out) {
            std::filesystem::remove(temporary, error);
            return std::make_error_code(std::errc::io_error);
        }
    }
    std::filesystem::rename(temporary, target, error);
    changed_ = bool(error);
    if (error) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
    }
    return error;
}

} // namespace platform
