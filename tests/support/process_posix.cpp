#include "tests/support/process.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fixture {

// posix_spawnp: a program without a slash is looked for on the PATH, as the shell does.
StartedProgram::StartedProgram(const std::string& program,
                               const std::vector<std::string>& arguments,
                               const std::filesystem::path& folder,
                               const std::filesystem::path& out, const std::filesystem::path& err) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO,
                                     out.empty() ? "/dev/null" : out.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO,
                                     err.empty() ? "/dev/null" : err.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!folder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());

    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    pid_t child = -1;
    if (posix_spawnp(&child, program.c_str(), &actions, nullptr, argv.data(), environ) == 0)
        handle_ = child;
    posix_spawn_file_actions_destroy(&actions);
}

StartedProgram::~StartedProgram() {
    wait();
}

int StartedProgram::wait() {
    if (handle_ == kNone)
        return status_;
    int raw = 0;
    while (::waitpid(static_cast<pid_t>(handle_), &raw, 0) < 0 && errno == EINTR) {
    }
    handle_ = kNone;
    status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return status_;
}

bool createNew(const std::filesystem::path& file, std::string_view contents) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, contents.data(), contents.size()) == ssize_t(contents.size());
    ::close(fd);
    return written;
}

} // namespace fixture
