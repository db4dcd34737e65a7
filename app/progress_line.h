// The line on standard error that tells how far a long run is, rewritten in place, on a
// terminal only: scripts and pipes see the program's output as it always was. A run that
// waits for another on its folder says so in a line of its own, on a terminal or not.

#pragma once

#include "runs/runs.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace app {

class ProgressLine final : public runs::Observer {
public:
    // `shown`: standard error is a terminal. `reading` names the run's first phase
    // ("reading shooting times"), `moving` its second ("renaming", or for a preview, which
    // moves nothing, "previewing").
    ProgressLine(bool shown, std::string_view reading, std::string_view moving);
    ~ProgressLine() override { clear(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // "reading shooting times 1234/10000", once the run is half a second old, and then at
    // most twenty times a second and at each new phase.
    void progressed(naming::Phase phase, std::size_t done, std::size_t total) override;
    // Takes the line off the terminal, before anything else is written to it.
    void clear();

private:
    using Clock = std::chrono::steady_clock;

    bool shown_;
    std::string reading_;
    std::string moving_;
    Clock::time_point start_ = Clock::now();
    Clock::time_point drawn_;
    std::optional<naming::Phase> phase_; // of the line drawn last
    std::size_t width_ = 0;              // of the text on the terminal; 0: none
};

} // namespace app
