#include "platform/console.h"

#include "platform/stop_signals.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace dravik {

void StdConsole::printLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

namespace {

// Reads one byte, blocking; a closed or absent input (end of input, an
// error) ends the wait at once.
void ReadOneByte(int fd) {
    char byte = 0;
    for (;;) {
        ssize_t n = ::read(fd, &byte, 1);
        if (n < 0 && errno == EINTR)
            continue;
        return;
    }
}

// The terminal's settings, put back however the wait ends.
class TerminalMode {
  public:
    TerminalMode(int fd, const termios& saved) : fd_(fd), saved_(saved) {}
    ~TerminalMode() { ::tcsetattr(fd_, TCSANOW, &saved_); }
    TerminalMode(const TerminalMode&) = delete;
    TerminalMode& operator=(const TerminalMode&) = delete;

  private:
    int fd_;
    termios saved_;
};

} // namespace

void WaitForKey(int fd) {
    termios saved{};
    if (!::isatty(fd) || ::tcgetattr(fd, &saved) != 0) {
        ReadOneByte(fd);
        return;
    }
    // Ctrl+C, a kill or a closed terminal must not leave the terminal
    // without echo: the signals end the wait instead, and the settings are
    // restored on the way out.
    InstallStopSignalsUnlessIgnored({SIGINT, SIGTERM, SIGHUP});
    termios raw = saved;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    TerminalMode restore(fd, saved);
    if (::tcsetattr(fd, TCSANOW, &raw) != 0)
        return;
    for (;;) {
        if (CaughtStopSignal() != 0)
            return;
        pollfd fds[2] = {{fd, POLLIN, 0}, {StopSignalFd(), POLLIN, 0}};
        const int rc = ::poll(fds, StopSignalFd() >= 0 ? 2 : 1, -1);
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc < 0 || fds[0].revents != 0) {
            if (rc > 0 && (fds[0].revents & POLLIN) != 0)
                ReadOneByte(fd);
            return;
        }
    }
}

void StdConsole::waitForKey() {
    WaitForKey(STDIN_FILENO);
}

void PrintErrorLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

} // namespace dravik
