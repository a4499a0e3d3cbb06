#include "platform/process.h"

#include "platform/stop_signals.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/prctl.h>
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

// The child's side between fork and exec. The parent has other threads, so
// only async-signal-safe calls are made here: no allocation, no locks.
[[noreturn]] void BecomeHelper(char* const* args, pid_t parent, int reportFd) {
    // A group of its own, so that the helper and whatever it starts can be
    // killed at once.
    ::setpgid(0, 0);
    // Die with the thread that started us, even when the parent is killed
    // with SIGKILL and cannot clean up. If the parent ended before this
    // took effect, we were already handed to another parent: give up.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
        ::_exit(127);
    // Caught signals fall back to the default at exec anyway; ignored ones
    // would stay ignored, and a helper that cannot be interrupted is no use.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT})
        ::sigaction(sig, &fallback, nullptr);
    int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
        ::dup2(null, STDIN_FILENO);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        if (null > STDERR_FILENO)
            ::close(null);
    }
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execve(args[0], args, environ);
    int error = errno;
    [[maybe_unused]] ssize_t n = ::write(reportFd, &error, sizeof error);
    ::_exit(127);
}

// Forks and execs the helper; its pid, or -1 when it could not be started
// (a failed exec included, reported back through a close-on-exec pipe).
pid_t StartChild(char* const* args) {
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return -1;
    const pid_t parent = ::getpid();
    // Signals stay blocked across the fork so that the child never runs the
    // parent's handlers; it unblocks them once they are reset.
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &previous);
    pid_t pid = ::fork();
    if (pid == 0)
        BecomeHelper(args, parent, report[1]);
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ::close(report[1]);
    if (pid < 0) {
        ::close(report[0]);
        return -1;
    }
    int error = 0;
    ssize_t n = 0;
    while ((n = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    if (n > 0) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return -1;
    }
    return pid;
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

ProcessResult RunProcess(const std::vector<std::string>& argv, int timeoutSeconds,
                         const std::atomic<bool>* cancel) {
    ProcessResult result;
    if (argv.empty())
        return result;
    auto cancelled = [cancel] { return cancel != nullptr && cancel->load(); };
    if (CaughtStopSignal() != 0 || cancelled()) {
        // The run is ending: no new helper.
        result.stopped = true;
        return result;
    }
    std::vector<std::string> copies = argv;
    std::vector<char*> args;
    for (std::string& s : copies)
        args.push_back(s.data());
    args.push_back(nullptr);

    pid_t pid = StartChild(args.data());
    if (pid < 0)
        return result;
    result.started = true;

    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    const long limit = static_cast<long>(timeoutSeconds) * 1000;
    // A pidfd lets us sleep until the child ends, the limit comes or a stop
    // signal wakes the self-pipe, without polling; older kernels fall back to
    // short waits.
    int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    const int stopFd = StopSignalFd();
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
        if (CaughtStopSignal() != 0 || cancelled()) {
            result.stopped = true;
            break;
        }
        long left = limit - MillisecondsSince(start);
        // Nothing wakes us when the flag is set; look at it often.
        const long wait = cancel != nullptr ? std::min(left, 50L) : std::min(left, 1000L);
        if (left <= 0) {
            result.timedOut = true;
            break;
        }
        if (pidfd >= 0) {
            pollfd p[2] = {{pidfd, POLLIN, 0}, {stopFd, POLLIN, 0}};
            ::poll(p, stopFd >= 0 ? 2 : 1, static_cast<int>(wait));
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
    if (result.timedOut || result.stopped)
        result.exited = false;
    return result;
}

} // namespace dravik
