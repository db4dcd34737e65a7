// The folder lock outlives no process: one held by a process killed outright is free for
// the next run as soon as the process is gone.

#include "platform/journal/folder_lock.h"
#include "tests/support/temp_folder.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

TEST(FolderLock, IsFreeOnceItsHolderIsKilled) {
    const fixture::TempFolder state;
    const std::string path = (state.path() / "photos.lock").string();
    int held[2];
    ASSERT_EQ(::pipe(held), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        const auto lock = platform::FolderLock::take(path, {}, {});
        if (lock && lock->held() && ::write(held[1], "h", 1) == 1)
            ::pause();
        ::_exit(1);
    }
    char byte = 0;
    ASSERT_EQ(::read(held[0], &byte, 1), 1);
    std::stop_source stop;
    int waits = 0;
    EXPECT_FALSE(platform::FolderLock::take(path, stop.get_token(), [&] {
        ++waits;
        stop.request_stop();
    }));
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    const auto lock = platform::FolderLock::take(path, {}, [&] { ++waits; });
    EXPECT_TRUE(lock && lock->held());
    EXPECT_EQ(waits, 1);
}
