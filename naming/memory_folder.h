#pragma once

// A folder held in memory: the names of a real folder, renamed without touching the
// disk. It lets a dry run go through the very same batch code as a real run, so
// collision letters come out as they would, and it serves as the tests' folder.

#include "naming/batch.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace naming {

class MemoryFolder : public Folder {
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

} // namespace naming
