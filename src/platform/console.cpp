#include "platform/console.h"

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace dravik {

void StdConsole::printLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void StdConsole::waitForKey() {
    // A blocking read of one byte: no polling, and a closed or absent stdin
    // (end of input, an error) ends the wait at once.
    char byte = 0;
    for (;;) {
        ssize_t n = ::read(STDIN_FILENO, &byte, 1);
        if (n < 0 && errno == EINTR)
            continue;
        return;
    }
}

void PrintErrorLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

} // namespace dravik
