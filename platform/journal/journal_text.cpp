#include "platform/journal/journal_text.h"

#include "platform/files/file_names.h"
#include "platform/system/text_codes.h"

#include <unordered_map>

namespace platform {
namespace {

constexpr std::string_view kHeader =
    "# Tamblinor journal: the renames of one run in one photo folder, kept so that the run\n"
    "# can be taken back (tamblinor-cli --undo). One record a line, its fields split by tabs:\n"
    "#   folder PATH          the photo folder\n"
    "#   time UTC             when the run began\n"
    "#   birthday TEXT        the birthday the run named the photos after\n"
    "#   place ID             which folder of its volume the photo folder was\n"
    "#   undoes FILE          instead of a birthday: this run takes back the run of FILE,\n"
    "#                        so its renames go from that run's new names to its old ones\n"
    "#   plan OLD NEW ID      a rename to be made; ID tells the photo apart from other files:\n"
    "#                        SIZE:MODIFIED|SHOOTING TIME, or SIZE:MODIFIED:LINKS|SHOOTING\n"
    "#                        TIME where the file had more than one name\n"
    "#   done OLD NEW         a rename made (NEW is 0_0.jpg where a ring could not close)\n"
    "#   unfinished           a taking back left photos a later one may still bring back\n"
    "#   end UTC              the run got to its end; without it the run was cut short, and\n"
    "#                        the names in the folder tell which of its renames were made\n"
    "# Every byte of a name or path that is '%', a control character (tab, line break...)\n"
    "# or not part of UTF-8 text is written %XX, in hexadecimal.\n"
    "tamblinor-journal\t1\n";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

void record(std::string& out, std::initializer_list<std::string_view> parts) {
    bool first = true;
    for (const std::string_view part : parts) {
        if (!first)
            out += '\t';
        if (first)
            out += part;
        else
            appendPercentEncoded(out, part);
        first = false;
    }
    out += '\n';
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
    if (journal.undoes.empty()) {
        record(out, {"birthday", journal.birthday});
        if (!journal.place.empty())
            record(out, {"place", journal.place});
    } else
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
        const std::vector<std::string_view> parts = tabFields(line);
        std::vector<std::string> values;
        for (std::size_t i = 1; i < parts.size(); ++i) {
            std::optional<std::string> value = percentDecoded(parts[i]);
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
        else if (key == "place" && values.size() == 1)
            journal.place = values[0];
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

} // namespace platform
