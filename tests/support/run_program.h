// Runs the built dravik executable the way a user's shell would, with its
// own runtime, config and temp folders so that tests running side by side
// never share the single-instance lock or a config file.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace dravik::test {

struct ProgramResult {
    int exitCode = -1; // -1 when killed by a signal or timed out
    int signal = 0;
    std::string out;
    std::string err;

    std::vector<std::string> outLines() const;
    std::vector<std::string> errLines() const;
};

// The text cut at its "\n"s; no empty line for a final "\n".
std::vector<std::string> SplitLines(const std::string& text);

struct ProgramEnv {
    std::string runtimeDir; // XDG_RUNTIME_DIR
    std::string configDir;  // XDG_CONFIG_HOME
    std::string tempDir;    // TMPDIR
    std::string workDir;    // current folder of the child
    std::map<std::string, std::string> extra;
};

// A child kept inside one test folder (ending in "/"): its runtime, temp and
// current folder are the folder, its config the folder's "config".
ProgramEnv ProgramEnvIn(const std::string& folder);

// True once the process catches `signal` (its handler is installed), within
// the timeout.
bool WaitUntilCaught(int pid, int signal, int timeoutMs = 15000);

ProgramResult RunProgram(const std::vector<std::string>& args, const ProgramEnv& env,
                         const std::string& executable = DRAVIK_EXE, int timeoutSeconds = 20);

// The same, started in the background: the test can act on the running
// program (send it a signal) before collecting what it printed.
class StartedProgram {
  public:
    StartedProgram(const std::vector<std::string>& args, const ProgramEnv& env,
                   const std::string& executable = DRAVIK_EXE);
    ~StartedProgram();
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;

    // 0 when it could not be started.
    int pid() const { return pid_; }
    // Reads the output until the program ends (killing it after the time
    // limit) and reaps it.
    ProgramResult wait(int timeoutSeconds = 20);

  private:
    int pid_ = 0;
    int out_ = -1;
    int err_ = -1;
};

} // namespace dravik::test
