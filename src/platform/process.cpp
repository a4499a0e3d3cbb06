#include "platform/process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace dravik {
namespace {

long MillisecondsSince(const timespec& start) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
}

void Record(ProcessResult& result, int status) {
    if (WIFEXITED(status)) {
        result.exited = true;
        result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
}

} // namespace

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

std::string FindProgram(const std::string& name, const std::string& programFolder) {
    if (!programFolder.empty()) {
        std::string candidate = programFolder + (programFolder.back() == '/' ? "" : "/") + name;
        if (IsExecutableFile(candidate))
            return candidate;
    }
    const char* path = std::getenv("PATH");
    if (path == nullptr)
        return {};
    std::string list = path;
    size_t pos = 0;
    while (pos <= list.size()) {
        size_t end = list.find(':', pos);
        if (end == std::string::npos)
            end = list.size();
        std::string folder = list.substr(pos, end - pos);
        // An empty entry means the current folder; a relative one would make
        // the result depend on where the user stands, so both are skipped.
        if (!folder.empty() && folder.front() == '/') {
            std::string candidate = folder + (folder.back() == '/' ? "" : "/") + name;
            if (IsExecutableFile(candidate))
                return candidate;
        }
        pos = end + 1;
    }
    return {};
}

ProcessResult RunProcess(const std::vector<std::string>& argv, int timeoutSeconds) {
    ProcessResult result;
    if (argv.empty())
        return result;
    std::vector<std::string> copies = argv;
    std::vector<char*> args;
    for (std::string& s : copies)
        args.push_back(s.data());
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                              POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    posix_spawnattr_setsigdefault(&attributes, &defaults);

    pid_t pid = 0;
    int rc = posix_spawn(&pid, args[0], &actions, &attributes, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (rc != 0)
        return result;
    result.started = true;

    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    const long limit = static_cast<long>(timeoutSeconds) * 1000;
    // A pidfd lets us sleep until the child ends or the limit comes,
    // without polling; older kernels fall back to short waits.
    int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    int status = 0;
    for (;;) {
        // Look without reaping: while the leader is a zombie its group id
        // cannot be reused, so killing the group below hits only its own.
        siginfo_t info{};
        int w = ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT);
        if (w == 0 && info.si_pid == pid)
            break;
        if (w < 0 && errno != EINTR)
            break;
        long left = limit - MillisecondsSince(start);
        if (left <= 0) {
            result.timedOut = true;
            break;
        }
        if (pidfd >= 0) {
            pollfd p{pidfd, POLLIN, 0};
            ::poll(&p, 1, static_cast<int>(left > 1000 ? 1000 : left));
        } else {
            ::usleep(5000);
        }
    }
    if (pidfd >= 0)
        ::close(pidfd);
    // Whatever the helper left running in its group goes with it.
    ::kill(-pid, SIGKILL);
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    Record(result, status);
    if (result.timedOut)
        result.exited = false;
    return result;
}

} // namespace dravik
