#include "naming/media_kinds.h"

#include <array>

namespace naming {
namespace {

struct Extension {
    std::string_view named; // in lower case, with its dot
    MediaKind kind;
};

constexpr std::array<Extension, 6> kOtherExtensions{{
    {".heic", MediaKind::HeifPhoto},
    {".heif", MediaKind::HeifPhoto},
    {".mp4", MediaKind::Video},
    {".mov", MediaKind::Video},
    {".m4v", MediaKind::Video},
    {".3gp", MediaKind::Video},
}};

constexpr std::string_view kJpegExtension = ".jpg";
constexpr std::string_view kTemporaryStem = "0_0";

std::string_view extensionOf(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char c = a[i] >= 'A' && a[i] <= 'Z' ? char(a[i] - 'A' + 'a') : a[i];
        if (c != b[i])
            return false;
    }
    return true;
}

const Extension* otherExtension(std::string_view name) {
    const std::string_view extension = extensionOf(name);
    for (const Extension& known : kOtherExtensions) {
        if (equalIgnoringCase(extension, known.named))
            return &known;
    }
    return nullptr;
}

} // namespace

MediaKind mediaKind(std::string_view name) {
    const Extension* other = otherExtension(name);
    return other ? other->kind : MediaKind::JpegPhoto;
}

std::string_view namedExtension(std::string_view name) {
    const Extension* other = otherExtension(name);
    return other ? other->named : kJpegExtension;
}

std::string temporaryNameFor(std::string_view name) {
    return std::string(kTemporaryStem).append(namedExtension(name));
}

bool isTemporaryName(std::string_view name) {
    return name.starts_with(kTemporaryStem) && name == temporaryNameFor(name);
}

std::string_view stemOf(std::string_view name) {
    return name.substr(0, name.size() - extensionOf(name).size());
}

} // namespace naming
