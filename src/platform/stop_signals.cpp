#include "platform/stop_signals.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace dravik {
namespace {

volatile sig_atomic_t gCaught = 0;
int gPipe[2] = {-1, -1};

void OnStopSignal(int sig) {
    const int saved = errno;
    if (gCaught == 0)
        gCaught = sig;
    const char byte = 1;
    // Non-blocking: when the pipe is full a byte is already waiting.
    [[maybe_unused]] ssize_t n = ::write(gPipe[1], &byte, 1);
    errno = saved;
}

bool MakePipe() {
    if (gPipe[0] < 0) {
        if (::pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
            gPipe[0] = gPipe[1] = -1;
            return false;
        }
    }
    return true;
}

void Catch(int sig) {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // Restart interrupted reads and writes: code that cares looks at the
    // flag or the pipe between steps.
    action.sa_flags = SA_RESTART;
    ::sigaction(sig, &action, nullptr);
}

} // namespace

bool InstallStopSignals(std::initializer_list<int> signals) {
    if (!MakePipe())
        return false;
    for (int sig : signals)
        Catch(sig);
    return true;
}

bool InstallStopSignalsUnlessIgnored(std::initializer_list<int> signals) {
    if (!MakePipe())
        return false;
    for (int sig : signals) {
        struct sigaction current {};
        if (::sigaction(sig, nullptr, &current) == 0 && current.sa_handler == SIG_IGN)
            continue;
        Catch(sig);
    }
    return true;
}

int CaughtStopSignal() { return gCaught; }

int StopSignalFd() { return gPipe[0]; }

void ResetStopSignals() {
    if (gPipe[0] >= 0) {
        char buffer[64];
        while (::read(gPipe[0], buffer, sizeof buffer) > 0) {
        }
    }
    gCaught = 0;
}

} // namespace dravik
