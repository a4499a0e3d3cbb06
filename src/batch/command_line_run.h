// dravik_batch: options and profiles, the command-line run, the conversion worker the window
// shares, the output-folder history. Builds on inputs, engine, overlays and texts; never on Qt.
//
// The batch a command line asks for: checks, import, conversion, summary.
#pragma once

#include "inputs/session.h"
#include "platform/console.h"
#include "settings/app_state.h"
#include "settings/settings.h"

#include <string>

namespace dravik {

struct CommandLineBatch {
    Settings& settings;
    AppState& state;
    Session& session;
    Console& console;
    bool quiet = false;
    // Draw the progress line on stderr (a terminal is watching).
    bool progressLine = false;
    // Where relative folders are looked for first; the current folder when
    // empty.
    std::string workingFolder;
};

// Runs the batch once the options are scanned and returns the exit code:
// success, an error line, conversion stopped, or some files failed.
int RunCommandLineBatch(CommandLineBatch& batch);

// Completes a folder given on the command line: absolute as it stands,
// relative below `workingFolder` when it exists there, else below
// `programFolder`; "/" appended. Empty for a folder beginning with "..".
std::string CompleteFolder(const std::string& folder, const std::string& workingFolder,
                           const std::string& programFolder);

} // namespace dravik
