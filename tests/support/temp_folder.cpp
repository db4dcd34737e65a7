#include "tests/support/temp_folder.h"

#include "platform/files/utf8_path.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>

namespace fixture {
namespace {

std::filesystem::filesystem_error fileError(const char* what, const std::filesystem::path& path) {
    return std::filesystem::filesystem_error(what, path, std::make_error_code(std::errc::io_error));
}

} // namespace

TempFolder::TempFolder() {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    std::random_device seed;
    std::mt19937_64 random(seed());
    // create_directory reports false for a name already taken, so try a few.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path candidate = base / ("tamblinor-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate)) {
            path_ = std::move(candidate);
            return;
        }
    }
    throw fileError("cannot create a temporary folder", base);
}

TempFolder::~TempFolder() {
    std::error_code ignored; // a destructor must not throw; a leftover folder is harmless
    std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempFolder::at(const std::string& name) const {
    return path_ / platform::pathFromUtf8(name);
}

std::filesystem::path TempFolder::write(const std::string& name, std::string_view bytes) const {
    const std::filesystem::path file = at(name);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        throw fileError("cannot write file", file);
    }
    return file;
}

std::string TempFolder::read(const std::string& name) const {
    const std::filesystem::path file = at(name);
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw fileError("cannot read file", file);
    }
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return bytes;
}

std::vector<std::string> TempFolder::listing(const std::string& inside) const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(at(inside))) {
        names.push_back(platform::utf8FromPath(entry.path().filename()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::map<std::string, std::string> TempFolder::contents() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
        if (entry.is_regular_file()) {
            const std::string name = platform::utf8FromPath(entry.path().filename());
            files.emplace(name, read(name));
        }
    }
    return files;
}

std::multiset<std::string> TempFolder::unnamedContents() const {
    std::multiset<std::string> out;
    for (auto& [name, bytes] : contents())
        out.insert(std::move(bytes));
    return out;
}

} // namespace fixture
