#include "platform/system/text_codes.h"

#include "platform/system/hex_digit.h"
#include "platform/system/utf8.h"

namespace platform {

std::string percentEncoded(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    appendPercentEncoded(out, text);
    return out;
}

void appendPercentEncoded(std::string& out, std::string_view text) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::size_t kept = 0; // text[kept, at) goes over as it is, in one piece
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte >= 0x20 && byte < 0x7F && byte != '%') {
            ++at;
            continue;
        }
        if (const std::size_t length = byte < 0x80 ? 0 : utf8SequenceLength(text.substr(at))) {
            at += length;
            continue;
        }
        out.append(text.substr(kept, at - kept));
        out += '%';
        out += kDigits[byte >> 4];
        out += kDigits[byte & 15];
        kept = ++at;
    }
    out.append(text.substr(kept));
}

std::vector<std::string_view> tabFields(std::string_view line) {
    std::vector<std::string_view> out;
    for (std::size_t start = 0;;) {
        const std::size_t tab = line.find('\t', start);
        out.push_back(line.substr(start, tab - start));
        if (tab == std::string_view::npos)
            return out;
        start = tab + 1;
    }
}

std::string hex64(std::uint64_t value) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out(16, '0');
    for (int i = 15; i >= 0; --i, value >>= 4)
        out[static_cast<std::size_t>(i)] = kDigits[value & 15];
    return out;
}

std::optional<std::string> percentDecoded(std::string_view text) {
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

std::uint64_t fnv1a(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

} // namespace platform
