#pragma once

// A folder that passes every call on to another: the base of a folder that watches or
// changes one call of a run and leaves the rest as they are.

#include "naming/batch.h"

#include <memory>
#include <string>
#include <string_view>
#include <system_error>

namespace naming {

class ForwardingFolder : public Folder {
public:
    // `to` must outlive this folder.
    explicit ForwardingFolder(Folder& to) : to_(to) {}
    explicit ForwardingFolder(std::unique_ptr<Folder> owned)
        : owned_(std::move(owned)), to_(*owned_) {}

    std::error_code rename(const std::string& from, const std::string& to) override {
        return to_.rename(from, to);
    }
    bool isOrdinaryFile(const std::string& name) const override { return to_.isOrdinaryFile(name); }
    bool isNameTaken(const std::string& name) const override { return to_.isNameTaken(name); }
    bool sameFile(const std::string& a, const std::string& b) const override {
        return to_.sameFile(a, b);
    }
    std::error_code removeTwin(const std::string& name, const std::string& twin) override {
        return to_.removeTwin(name, twin);
    }
    std::error_code flush() override { return to_.flush(); }
    std::string identity(const std::string& name) const override { return to_.identity(name); }
    bool hasIdentity(const std::string& name, std::string_view recorded) const override {
        return to_.hasIdentity(name, recorded);
    }
    unsigned linkCount(const std::string& name) const override { return to_.linkCount(name); }

private:
    std::unique_ptr<Folder> owned_;
    Folder& to_;
};

} // namespace naming
