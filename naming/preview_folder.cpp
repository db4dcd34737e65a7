#include "naming/preview_folder.h"

namespace naming {

std::error_code PreviewFolder::rename(const std::string& from, const std::string& to) {
    if (!isNameTaken(from))
        return std::make_error_code(std::errc::no_such_file_or_directory);
    if (isNameTaken(to))
        return std::make_error_code(std::errc::file_exists);
    renamed_[to] = real(from);
    renamed_[from] = std::nullopt;
    return {};
}

bool PreviewFolder::isOrdinaryFile(const std::string& name) const {
    const std::optional<std::string> file = real(name);
    return file && real_.isOrdinaryFile(*file);
}

bool PreviewFolder::isNameTaken(const std::string& name) const {
    const std::optional<std::string> file = real(name);
    return file && real_.isNameTaken(*file);
}

bool PreviewFolder::sameFile(const std::string& a, const std::string& b) const {
    const std::optional<std::string> first = real(a), second = real(b);
    return first && second && real_.sameFile(*first, *second);
}

std::error_code PreviewFolder::removeTwin(const std::string& name, const std::string& twin) {
    if (!sameFile(name, twin))
        return std::make_error_code(std::errc::invalid_argument);
    renamed_[name] = std::nullopt;
    return {};
}

std::string PreviewFolder::identity(const std::string& name) const {
    const std::optional<std::string> file = real(name);
    return file ? real_.identity(*file) : std::string();
}

bool PreviewFolder::hasIdentity(const std::string& name, std::string_view recorded) const {
    const std::optional<std::string> file = real(name);
    return file && real_.hasIdentity(*file, recorded);
}

unsigned PreviewFolder::linkCount(const std::string& name) const {
    const std::optional<std::string> file = real(name);
    return file ? real_.linkCount(*file) : 0;
}

std::optional<std::string> PreviewFolder::real(const std::string& name) const {
    const auto found = renamed_.find(name);
    return found == renamed_.end() ? std::optional(name) : found->second;
}

} // namespace naming
