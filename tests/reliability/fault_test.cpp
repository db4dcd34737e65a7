// The disk failing under the run layer at every operation of a small run and of its undo in
// turn: a rename failing (EIO, ENOSPC, EACCES), a read failing, or the card pulled out. The
// run tells of it, loses no photo, and once the fault is gone the next runs finish the work.

#include "naming/forwarding_folder.h"
#include "platform/exif/exif_reader.h"
#include "platform/files/disk_folder.h"
#include "runs/remembered_times.h"
#include "tests/support/camera_folder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace {

enum class Operation { Rename, Read, Flush, Other };
using enum Operation;

struct Fault {
    const char* name;
    std::optional<Operation> kind;   // struck at its `at`th; none: every operation from the `at`th
    std::error_code error;           // what a struck change of the folder fails with
    std::optional<std::string> read; // what a struck read gives
    int at = 0, seen = 0;
    std::optional<Operation> first; // the first operation struck

    bool strikes(Operation operation) {
        if (kind && kind != operation)
            return false;
        first = ++seen == at ? operation : first;
        return kind ? seen == at : seen >= at;
    }
    // What a run, not an undo, tells no one by design:
    // - a photo the reader cannot read is one without a shooting time, which keeps its name;
    // - renames that all went through may not have reached a card pulled before the flush.
    bool quietByDesign(bool undoing) const {
        return !undoing && ((first == Read && read == "") || first == Flush);
    }
};

const Fault kFaults[] = {
    {"rename EIO", Rename, make_error_code(std::errc::io_error), {}},
    {"rename ENOSPC", Rename, make_error_code(std::errc::no_space_on_device), {}},
    {"rename EACCES", Rename, make_error_code(std::errc::permission_denied), {}},
    {"unreadable photo", Read, {}, ""},          // as the Exif reader tells it, whatever the cause
    {"unusable reader", Read, {}, std::nullopt}, // no photo can be read at all
    {"card pulled", std::nullopt, make_error_code(std::errc::no_such_device), ""},
};

// The card, as the folder a run renames in and as the reader of its photos. Pulled out, it
// answers every question about a name as an empty folder does.
class FaultyCard : public naming::ForwardingFolder, public naming::ShootingTimeSource {
public:
    FaultyCard(const std::string& path, Fault& fault)
        : Base(std::make_unique<platform::DiskFolder>(path)), exif_(path), fault_(fault) {}
    std::optional<std::string> shootingTime(const std::string& name) override {
        return fault_.strikes(Read) ? fault_.read : exif_.shootingTime(name);
    }
    std::error_code rename(const std::string& from, const std::string& to) override {
        return fault_.strikes(Rename) ? fault_.error : Base::rename(from, to);
    }
    std::error_code removeTwin(const std::string& name, const std::string& twin) override {
        return fault_.strikes(Rename) ? fault_.error : Base::removeTwin(name, twin);
    }
    std::error_code flush() override {
        return fault_.strikes(Flush) ? fault_.error : Base::flush();
    }
    bool isOrdinaryFile(const std::string& name) const override {
        return !fault_.strikes(Other) && Base::isOrdinaryFile(name);
    }
    bool isNameTaken(const std::string& name) const override {
        return !fault_.strikes(Other) && Base::isNameTaken(name);
    }
    bool sameFile(const std::string& a, const std::string& b) const override {
        return !fault_.strikes(Other) && Base::sameFile(a, b);
    }
    std::string identity(const std::string& name) const override {
        return fault_.strikes(Other) ? std::string() : Base::identity(name);
    }
    bool hasIdentity(const std::string& name, std::string_view recorded) const override {
        return !fault_.strikes(Other) && Base::hasIdentity(name, recorded);
    }

private:
    using Base = naming::ForwardingFolder;
    platform::ExifShootingTimeSource exif_;
    Fault& fault_;
};

TEST(DiskFaults, AFaultAnywhereIsToldLosesNoPhotoAndTheNextRunsFinishTheWork) {
    const fixture::CameraFolder camera(6, fixture::RingBy::Hand); // no run on record
    for (const bool undoing : {false, true})
        for (const Fault& kind : kFaults) {
            int at = 1;
            for (;; ++at) {
                SCOPED_TRACE(testing::Message() << (undoing ? "undo, " : "run, ") << kind.name
                                                << " at operation " << at);
                const fixture::CameraFolder card(6, fixture::RingBy::Hand);
                if (undoing)
                    card.rename();
                // Without the record of shooting times the run reads every photo it finds.
                std::filesystem::remove(runs::shootingRecordPath(card.path));
                Fault fault = kind;
                fault.at = at;
                const auto faulty = [&](const std::string& folder, const auto&...) {
                    return std::make_unique<FaultyCard>(folder, fault);
                };
                const runs::Control control{.reader = faulty, .folder = faulty};
                const runs::Outcome outcome =
                    undoing ? card.undo(control) : card.rename(runs::Effect::Rename, control);
                if (!fault.first)
                    break;
                EXPECT_TRUE(outcome.ending != runs::Ending::Completed ||
                            outcome.refusedCount() > 0 || fault.quietByDesign(undoing))
                    << "a fault nobody hears of";
                EXPECT_TRUE(card.folder.unnamedContents() == camera.folder.unnamedContents());
                const runs::Outcome next = card.rename();
                EXPECT_TRUE(next.ending == runs::Ending::Completed && next.refusedCount() == 0);
                for (int undos = 0; card.undo().ending != runs::Ending::NothingToUndo;)
                    ASSERT_LT(++undos, 8);
                EXPECT_EQ(card.folder.listing(), camera.folder.listing());
                EXPECT_TRUE(card.folder.contents() == camera.folder.contents());
            }
            EXPECT_GT(at, 1) << kind.name << " struck nothing";
        }
}

} // namespace
