#pragma once

// A folder whose renames are only remembered, over another folder that is never touched:
// a preview of taking a run back goes through the very same code as the real one, and
// still asks the real folder for what is on it and for its files' identities.

#include "naming/batch.h"

#include <map>
#include <optional>
#include <string>

namespace naming {

class PreviewFolder : public Folder {
public:
    // `real` must outlive the preview; only its const members are called.
    explicit PreviewFolder(const Folder& real) : real_(real) {}

    std::error_code rename(const std::string& from, const std::string& to) override;
    bool isOrdinaryFile(const std::string& name) const override;
    bool isNameTaken(const std::string& name) const override;
    bool sameFile(const std::string& a, const std::string& b) const override;
    std::error_code removeTwin(const std::string& name, const std::string& twin) override;
    std::error_code flush() override { return {}; }
    std::string identity(const std::string& name) const override;
    unsigned linkCount(const std::string& name) const override;
    bool hasIdentity(const std::string& name, std::string_view recorded) const override;

private:
    // The real name of what goes by `name` in the preview; none where nothing does.
    std::optional<std::string> real(const std::string& name) const;

    const Folder& real_;
    std::map<std::string, std::optional<std::string>> renamed_;
};

} // namespace naming
