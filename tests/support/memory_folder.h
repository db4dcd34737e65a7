#pragma once

// The tests' and the fuzzer's folder in memory: names to rename without touching a
// disk, each remembering the name its file was added under, so that a test can tell
// which photo went where and give each its shooting time by that name.

#include "naming/batch.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace fixture {

class MemoryFolder : public naming::Folder {
public:
    MemoryFolder() = default;
    explicit MemoryFolder(const std::vector<std::string>& names);

    void add(const std::string& name);
    // A name taken by something other than an ordinary file (a folder, a hidden file):
    // no rename may take it, yet isOrdinaryFile() does not find it.
    void addOther(const std::string& name);
    // A second name for the file called `existing`, as a hard link gives.
    void addTwin(const std::string& existing, const std::string& name);

    std::error_code rename(const std::string& from, const std::string& to) override;
    bool isOrdinaryFile(const std::string& name) const override;
    bool isNameTaken(const std::string& name) const override;
    bool sameFile(const std::string& a, const std::string& b) const override;
    std::error_code removeTwin(const std::string& name, const std::string& twin) override;
    std::error_code flush() override { return {}; }
    std::string identity(const std::string& name) const override { return origin(name); }

    // The name the file now called `name` had when it was added, which also tells it
    // apart from every other file; empty when absent.
    std::string origin(const std::string& name) const;
    // Present names in byte order.
    std::vector<std::string> names() const;

private:
    std::map<std::string, std::string> originByName_;
    std::set<std::string> others_;
};

} // namespace fixture
