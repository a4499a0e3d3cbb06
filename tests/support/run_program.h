// Runs the built dravik executable the way a user's shell would, with its
// own runtime, config and temp folders so that tests running side by side
// never share the single-instance lock or a config file.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace dravik::test {

struct ProgramResult {
    int exitCode = -1;   // -1 when killed by a signal or timed out
    int signal = 0;
    std::string out;
    std::string err;

    std::vector<std::string> outLines() const;
};

struct ProgramEnv {
    std::string runtimeDir; // XDG_RUNTIME_DIR
    std::string configDir;  // XDG_CONFIG_HOME
    std::string tempDir;    // TMPDIR
    std::string workDir;    // current folder of the child
    std::map<std::string, std::string> extra;
    // Called with the child's process id once it runs, before its output is
    // collected (the pipes hold what it writes meanwhile).
    std::function<void(int pid)> whileRunning = {};
};

// True once the process catches `signal` (its handler is installed), within
// the timeout.
bool WaitUntilCaught(int pid, int signal, int timeoutMs = 15000);

ProgramResult RunProgram(const std::vector<std::string>& args, const ProgramEnv& env,
                         const std::string& executable = DRAVIK_EXE, int timeoutSeconds = 20);

} // namespace dravik::test
