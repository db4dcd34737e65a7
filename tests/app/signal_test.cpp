// tamblinor-cli on a pseudo-terminal and under signals (POSIX): the progress line there
// alone, and SIGINT or SIGTERM amid the renames stopping the run with every photo whole
// and undoable.

#include "tests/support/jpeg_fixture.h"
#include "tests/support/process.h"
#include "tests/support/state_home.h"
#include "tests/support/temp_folder.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <pty.h>
#include <regex>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

using fixture::TempFolder;

namespace {

constexpr int kPhotos = 2000;

// IMG_1.jpg... a minute apart, taken a year after the birthday 2006-05-10.
void fillCamera(const TempFolder& folder) {
    for (int i = 0; i < kPhotos; ++i) {
        char time[20];
        std::snprintf(time, sizeof time, "2007:05:%02d %02d:%02d:00", 10 + i / 1440, i / 60 % 24,
                      i % 60);
        folder.write("IMG_" + std::to_string(i + 1) + ".jpg", fixture::photo(time));
    }
}

// Runs the command line over `folder` slowed down: stopped (SIGSTOP) but for 3 ms in 50,
// and last in line for the processor, so that its run lasts seconds whatever the machine
// and its load. Standard error goes to a pseudo-terminal, or to a file where `terminal` is
// false; `signal` is sent once the line says the renames are under way.
fixture::Finished slowRun(const TempFolder& folder, std::vector<std::string> arguments,
                          bool terminal, int signal = 0) {
    const TempFolder output;
    termios raw{};
    cfmakeraw(&raw); // the bytes as written, "\n" not made "\r\n"
    int master = -1, slave = -1;
    if (terminal) {
        EXPECT_EQ(openpty(&master, &slave, nullptr, &raw, nullptr), 0);
        fcntl(master, F_SETFL, O_NONBLOCK);
    }
    arguments.push_back(folder.path().string());
    fixture::StartedProgram cli(TAMBLINOR_CLI, arguments, {}, output.at("out"),
                                terminal ? ttyname(slave) : output.at("err"));
    const auto pid = static_cast<pid_t>(cli.handle());
    setpriority(PRIO_PROCESS, pid, 19); // before it starts threads, which inherit it
    fixture::Finished finished;
    const auto readTerminal = [&] {
        char buffer[4096];
        for (ssize_t n; terminal && (n = read(master, buffer, sizeof buffer)) > 0;)
            finished.err.append(buffer, n);
    };
    for (siginfo_t ended{};
         waitid(P_PID, pid, &ended, WEXITED | WNOHANG | WNOWAIT) == 0 && ended.si_pid == 0;) {
        kill(pid, SIGSTOP);
        std::this_thread::sleep_for(std::chrono::milliseconds(47));
        readTerminal();
        if (signal != 0 && finished.err.find("\rrenaming ") != std::string::npos)
            kill(pid, std::exchange(signal, 0));
        kill(pid, SIGCONT);
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    finished.status = cli.wait();
    readTerminal();
    close(slave);
    close(master);
    finished.err += terminal ? "" : output.read("err");
    finished.out = output.read("out");
    return finished;
}

} // namespace

TEST(Terminal, ALongRunShowsItsProgressOnATerminalAlone) {
    const TempFolder state, photos;
    const fixture::StateHome home(state.path());
    fillCamera(photos);
    const auto camera = photos.contents();
    // Each phase's count, rewritten in place, the renames' at least, then blanks over it.
    const auto line = [](const std::string& reading, const std::string& moving = "renaming") {
        const std::string count = " \\d+/" + std::to_string(kPhotos) + " *";
        return std::regex("(\r" + reading + count + ")*(\r" + moving + count + ")+\r *\r");
    };
    const fixture::Finished rename = slowRun(photos, {"--birthday", "2006-05-10"}, true);
    EXPECT_EQ(rename.status, 0);
    EXPECT_TRUE(std::regex_match(rename.err, line("reading shooting times"))) << rename.err;
    const fixture::Finished undo = slowRun(photos, {"--undo"}, true);
    EXPECT_EQ(undo.status, 0);
    EXPECT_TRUE(std::regex_match(undo.err, line("finding photos"))) << undo.err;
    EXPECT_EQ(photos.contents(), camera);

    const fixture::Finished piped = slowRun(photos, {"--birthday", "2006-05-10"}, false);
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(piped.out, rename.out);
    EXPECT_EQ(piped.err, "");
    const fixture::Finished preview = slowRun(photos, {"--dry-run", "--undo"}, true);
    EXPECT_TRUE(std::regex_search(preview.err, line("finding photos", "previewing"),
                                  std::regex_constants::match_continuous)); // then "dry run: ..."
}

// The stop comes between two photos: every photo is reported, none is lost or left
// under a temporary name, and --undo brings back every camera name.
TEST(Signals, StopARunBetweenTwoPhotos) {
    for (const auto& [signal, status] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}}) {
        SCOPED_TRACE(signal);
        const TempFolder state, photos;
        const fixture::StateHome home(state.path());
        fillCamera(photos);
        const auto camera = photos.contents();
        const auto bytes = photos.unnamedContents();
        const fixture::Finished run = slowRun(photos, {"--birthday", "2006-05-10"}, true, signal);
        EXPECT_EQ(run.status, status);
        EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), kPhotos);
        std::smatch left; // a photo the stop left, under the camera's name
        ASSERT_TRUE(
            std::regex_search(run.out, left, std::regex("(IMG_\\d+\\.jpg) kept \\(stopped\\)")));
        EXPECT_TRUE(std::filesystem::exists(photos.at(left[1].str())));
        EXPECT_EQ(photos.unnamedContents(), bytes);
        EXPECT_FALSE(std::filesystem::exists(photos.at("0_0.jpg")));
        fixture::runProgram(TAMBLINOR_CLI, {"--undo", photos.path().string()});
        EXPECT_EQ(photos.contents(), camera);
    }
}
