// dravik_app: main(), the choice between the window and the command-line run, and the PICT
// decoder helper's main(). The top of the tree: no library includes app/.
//
// Deciding, from the parameters, which mode the process runs in.
#pragma once

#include "inputs/session.h"
#include "platform/console.h"
#include "settings/app_state.h"
#include "settings/settings.h"

#include <functional>
#include <string>
#include <vector>

namespace dravik {

// What the modes act on, built by the entry and by tests.
struct Runtime {
    Runtime(Settings& s, AppState& a, Session& se, Console& c)
        : settings(s), state(a), session(se), console(c) {}

    Settings& settings;
    AppState& state;
    Session& session;
    Console& console;
    DefaultsContext defaults;
    std::string programName = "dravik"; // file name without extension, for the usage text
    // The modes that need more than a console. Each returns the exit code.
    std::function<int()> uninstallPrompt;
    std::function<int(const std::string& folder)> demonstration;
    std::function<int(bool quiet)> commandLineRun;
};

struct RunModeResult {
    bool windowMode = false;
    int exitCode = 0; // when not window mode
};

RunModeResult SelectRunMode(const std::vector<std::string>& params, Runtime& runtime);

// What a window start was given to open (a file manager's "Open with"):
// every parameter, when none of them is an option, made absolute against
// `currentFolder` (this start's own: the window it may hand them to runs
// elsewhere); empty otherwise. Whether a path exists and is taken is left
// to the window, which treats the paths as dropped on it.
std::vector<std::string> WindowStartPaths(const std::vector<std::string>& params,
                                          const std::string& currentFolder);

} // namespace dravik
