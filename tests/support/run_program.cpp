#include "support/run_program.h"

#include <csignal>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

namespace dravik::test {

ProgramEnv ProgramEnvIn(const std::string& folder) {
    ProgramEnv e;
    e.runtimeDir = folder;
    e.configDir = folder + "config";
    e.tempDir = folder;
    e.workDir = folder;
    return e;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return lines;
}

std::vector<std::string> ProgramResult::outLines() const {
    return SplitLines(out);
}

std::vector<std::string> ProgramResult::errLines() const {
    return SplitLines(err);
}

StartedProgram::StartedProgram(const std::vector<std::string>& args, const ProgramEnv& env,
                               const std::string& executable) {
    std::vector<std::string> envStrings;
    std::map<std::string, std::string> overrides = env.extra;
    if (!env.runtimeDir.empty())
        overrides["XDG_RUNTIME_DIR"] = env.runtimeDir;
    if (!env.configDir.empty())
        overrides["XDG_CONFIG_HOME"] = env.configDir;
    if (!env.tempDir.empty())
        overrides["TMPDIR"] = env.tempDir;
    for (char** e = environ; *e != nullptr; ++e) {
        std::string entry = *e;
        std::string name = entry.substr(0, entry.find('='));
        if (overrides.count(name) == 0)
            envStrings.push_back(entry);
    }
    for (const auto& [name, value] : overrides) {
        if (value != "\x01unset")
            envStrings.push_back(name + "=" + value);
    }
    std::vector<char*> envp;
    for (std::string& s : envStrings)
        envp.push_back(s.data());
    envp.push_back(nullptr);

    std::vector<std::string> argStrings{executable};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : argStrings)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    int outPipe[2];
    int errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0)
        return;
    if (pipe2(errPipe, O_CLOEXEC) != 0) {
        close(outPipe[0]);
        close(outPipe[1]);
        return;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    if (!env.workDir.empty())
        posix_spawn_file_actions_addchdir_np(&actions, env.workDir.c_str());

    // The child starts with the stop signals at their defaults, as from an
    // interactive shell, whatever the test runner ignores.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&defaults, sig);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

    pid_t pid = 0;
    int rc = posix_spawn(&pid, executable.c_str(), &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(outPipe[1]);
    close(errPipe[1]);
    if (rc != 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        return;
    }
    pid_ = pid;
    out_ = outPipe[0];
    err_ = errPipe[0];
}

StartedProgram::~StartedProgram() {
    if (pid_ > 0)
        wait(0);
}

ProgramResult StartedProgram::wait(int timeoutSeconds) {
    ProgramResult result;
    if (pid_ <= 0)
        return result;
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    int open = 2;
    bool killed = false;
    while (open > 0) {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (!killed && now.tv_sec - start.tv_sec >= timeoutSeconds) {
            kill(pid_, SIGKILL);
            killed = true;
        }
        if (poll(fds, 2, 200) < 0)
            break;
        for (int k = 0; k < 2; ++k) {
            if (fds[k].fd < 0 || (fds[k].revents & (POLLIN | POLLHUP)) == 0)
                continue;
            char buffer[65536];
            ssize_t n = read(fds[k].fd, buffer, sizeof buffer);
            if (n <= 0) {
                close(fds[k].fd);
                fds[k].fd = -1;
                --open;
            } else {
                (k == 0 ? result.out : result.err).append(buffer, static_cast<size_t>(n));
            }
        }
    }
    for (pollfd& p : fds) {
        if (p.fd >= 0)
            close(p.fd);
    }
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = 0;
    if (WIFEXITED(status) && !killed)
        result.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    return result;
}

ProgramResult RunProgram(const std::vector<std::string>& args, const ProgramEnv& env,
                         const std::string& executable, int timeoutSeconds) {
    return StartedProgram(args, env, executable).wait(timeoutSeconds);
}

bool WaitUntilCaught(int pid, int signal, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 20) {
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("SigCgt:", 0) != 0)
                continue;
            const uint64_t mask = std::stoull(line.substr(7), nullptr, 16);
            if ((mask >> (signal - 1)) & 1)
                return true;
        }
        usleep(20 * 1000);
    }
    return false;
}

} // namespace dravik::test
