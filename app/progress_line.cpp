#include "app/progress_line.h"

#include <cstdio>

namespace app {
namespace {

using namespace std::chrono_literals;

constexpr auto kShowAfter = 500ms;  // a shorter run ends before the line could be read
constexpr auto kRedrawEvery = 50ms; // faster than the eye needs, and costs nothing

void writeErr(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr); // buffered on a Windows console
}

} // namespace

ProgressLine::ProgressLine(bool shown, std::string_view reading, std::string_view moving)
    : shown_(shown), reading_(reading), moving_(moving) {}

void ProgressLine::progressed(naming::Phase phase, std::size_t done, std::size_t total) {
    // Told on any standard error, once: a run that seems to hang must say why.
    if (phase == naming::Phase::Waiting) {
        clear();
        writeErr("tamblinor-cli: waiting for another run on this folder to finish\n");
        return;
    }
    if (!shown_)
        return;
    const Clock::time_point now = Clock::now();
    if (now - start_ < kShowAfter || (phase == phase_ && now - drawn_ < kRedrawEvery))
        return;
    drawn_ = now;
    phase_ = phase;
    // Put together by appending: GCC 12 at -O3 warns (restrict) on chained concatenation.
    std::string line = "\r";
    line.append(phase == naming::Phase::Reading ? reading_ : moving_)
        .append(" ")
        .append(std::to_string(done))
        .append("/")
        .append(std::to_string(total));
    const std::size_t width = line.size() - 1;
    // Blanks over what is left of a longer line rather than an escape sequence to clear
    // it: every terminal and console takes them.
    if (width < width_)
        line.append(width_ - width, ' ');
    width_ = width;
    writeErr(line);
}

void ProgressLine::clear() {
    if (width_ == 0)
        return;
    std::string blank(width_ + 2, ' ');
    blank.front() = blank.back() = '\r';
    writeErr(blank);
    width_ = 0;
}

} // namespace app
