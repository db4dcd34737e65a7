#include "tests/support/memory_folder.h"

namespace fixture {

MemoryFolder::MemoryFolder(const std::vector<std::string>& names) {
    for (const auto& name : names)
        add(name);
}

void MemoryFolder::add(const std::string& name) {
    originByName_.emplace(name, name);
}

void MemoryFolder::addOther(const std::string& name) {
    others_.insert(name);
}

void MemoryFolder::addTwin(const std::string& existing, const std::string& name) {
    originByName_.emplace(name, origin(existing));
}

std::error_code MemoryFolder::rename(const std::string& from, const std::string& to) {
    const auto source = originByName_.find(from);
    if (source == originByName_.end())
        return std::make_error_code(std::errc::no_such_file_or_directory);
    if (originByName_.contains(to) || others_.contains(to))
        return std::make_error_code(std::errc::file_exists);
    std::string origin = std::move(source->second);
    originByName_.erase(source);
    originByName_.emplace(to, std::move(origin));
    return {};
}

bool MemoryFolder::isOrdinaryFile(const std::string& name) const {
    return !name.starts_with('.') && originByName_.contains(name);
}

bool MemoryFolder::isNameTaken(const std::string& name) const {
    return name == "." || originByName_.contains(name) || others_.contains(name);
}

bool MemoryFolder::sameFile(const std::string& a, const std::string& b) const {
    const std::string file = origin(a);
    return !file.empty() && file == origin(b);
}

std::error_code MemoryFolder::removeTwin(const std::string& name, const std::string& twin) {
    if (name == twin || !sameFile(name, twin))
        return std::make_error_code(std::errc::invalid_argument);
    originByName_.erase(name);
    return {};
}

std::string MemoryFolder::origin(const std::string& name) const {
    const auto it = originByName_.find(name);
    return it == originByName_.end() ? std::string() : it->second;
}

std::vector<std::string> MemoryFolder::names() const {
    std::vector<std::string> out;
    out.reserve(originByName_.size());
    for (const auto& [name, origin] : originByName_)
        out.push_back(name);
    return out;
}

} // namespace fixture
