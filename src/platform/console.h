// Where the command-line modes print. Lines go to stdout and end in "\n".
#pragma once

#include <string>

namespace dravik {

class Console {
public:
    virtual ~Console() = default;
    virtual void printLine(const std::string& line) = 0;
    // Waits for one key; end of input also ends the wait.
    virtual void waitForKey() = 0;
};

// The process's real console: stdout, and stdin for the key.
class StdConsole : public Console {
public:
    void printLine(const std::string& line) override;
    void waitForKey() override;
};

// "Press any key": on a terminal one key, read without echo and without
// waiting for Enter, the terminal's settings restored afterwards; a stop
// signal (Ctrl+C, kill, hang-up) also ends the wait. Elsewhere one byte, or
// end of input.
void WaitForKey(int fd);

// One line on stderr, for what must not mix with the report on stdout.
void PrintErrorLine(const std::string& line);

} // namespace dravik
