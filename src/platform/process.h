// Starting a helper program directly (never through a shell) and waiting
// for it with a time limit.
#pragma once

#include <atomic>
#include <string>
#include <vector>

namespace dravik {

struct ProcessResult {
    bool started = false;
    bool exited = false; // ended by itself through exit()
    int exitCode = -1;
    int signal = 0;        // the signal that ended it, if any
    bool timedOut = false; // ended by us at the time limit
    bool stopped = false;  // ended (or never started) because a stop signal came
                           // or the caller's cancel flag was set
};

// Runs argv[0] (a path, not looked up) with the arguments as given, stdin
// from /dev/null, stdout and stderr discarded. The program runs in a process
// group of its own; at the time limit, or as soon as a stop signal is caught
// (see stop_signals.h), the whole group is killed, so a helper that forked
// cannot linger. The helper also dies when the calling thread ends, however
// it ends (SIGKILL included), so a killed batch leaves no orphan writing on.
// A set `cancel` flag ends it as a stop signal would, within 50 ms: work
// done ahead that nobody will wait for.
ProcessResult RunProcess(const std::vector<std::string>& argv, int timeoutSeconds,
                         const std::atomic<bool>* cancel = nullptr);

// True when path names an executable regular file.
bool IsExecutableFile(const std::string& path);

// The first executable named name in programFolder, then in the folders of
// $PATH; empty when there is none.
std::string FindProgram(const std::string& name, const std::string& programFolder);

} // namespace dravik
