#include "platform/files/photo_listing.h"

#include "platform/files/folder_entries.h"

#include <algorithm>
#include <utility>

namespace platform {
namespace {

char fold(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The name recoded so that the plain byte order of keys is the natural order: a
// character other than a digit becomes its folded byte; a run of digits becomes the
// byte '0', the length of the run without its leading zeros in two bytes, then those
// digits, so a longer number sorts after a shorter one and numbers of one length by
// their digits. No character outside a run folds to a digit. A folder of 20,000 photos
// is sorted with a key each rather than by decoding both names in each comparison.
std::string naturalKey(std::string_view name) {
    std::string key;
    key.reserve(name.size() + 8);
    for (std::size_t i = 0; i < name.size();) {
        if (!isDigit(name[i])) {
            key += fold(name[i++]);
            continue;
        }
        std::size_t end = i;
        while (end < name.size() && isDigit(name[end]))
            ++end;
        while (i < end && name[i] == '0')
            ++i;
        const std::size_t length = end - i;
        key += '0';
        key += char((length >> 8) & 0xFF);
        key += char(length & 0xFF);
        key.append(name.substr(i, length));
        i = end;
    }
    return key;
}

} // namespace

bool naturalLess(std::string_view a, std::string_view b) {
    const std::string keyA = naturalKey(a);
    const std::string keyB = naturalKey(b);
    return keyA != keyB ? keyA < keyB : a < b;
}

namespace {

// Greedy wildcard match with one backtracking point, linear in practice.
bool matchesOne(std::string_view name, std::string_view pattern) {
    std::size_t n = 0;
    std::size_t p = 0;
    std::size_t starP = std::string_view::npos;
    std::size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || fold(pattern[p]) == fold(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace

bool matchesPattern(std::string_view name, std::string_view pattern) {
    for (;;) {
        const std::size_t end = pattern.find(';');
        if (matchesOne(name, pattern.substr(0, end)))
            return true;
        if (end == std::string_view::npos)
            return false;
        pattern.remove_prefix(end + 1);
    }
}

namespace {

// The entries of `folder` of type `wanted` whose names match `pattern`, in natural order.
std::vector<std::string> listNaturally(const std::string& folder, std::string_view pattern,
                                       EntryType wanted) {
    // Each name beside its key; equal keys (equal in value) fall back to byte order,
    // as in naturalLess.
    std::vector<std::pair<std::string, std::string>> keyed;
    forEachEntry(folder, pattern, [&](std::string_view name, EntryType type) {
        if (type == wanted)
            keyed.emplace_back(naturalKey(name), std::string(name));
    });
    std::sort(keyed.begin(), keyed.end());
    std::vector<std::string> names;
    names.reserve(keyed.size());
    for (auto& [key, name] : keyed)
        names.push_back(std::move(name));
    return names;
}

} // namespace

std::vector<std::string> listPhotos(const std::string& folder, std::string_view pattern) {
    return listNaturally(folder, pattern, EntryType::File);
}

std::vector<std::string> listFolders(const std::string& folder) {
    return listNaturally(folder, "*", EntryType::Folder);
}

std::vector<std::string> listEntries(const std::string& folder, std::string_view pattern) {
    std::vector<std::string> names;
    forEachEntry(folder, pattern,
                 [&](std::string_view name, EntryType) { names.emplace_back(name); });
    return names;
}

} // namespace platform
